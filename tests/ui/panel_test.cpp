#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_fixture.h"
#include "platform/clock.h"
#include "display/visuals/visual_node.h"
#include "ui/dialogue_panel.h"
#include "ui/panel.h"
#include "ui/progress_bar.h"

namespace testing_ui {
namespace {

using Strings = std::vector<std::string>;
using PanelTest = ControlTest;

float Width(const TVisual* visual) {
  float width = -1.0f;
  float height = -1.0f;
  GetVisualSize(visual, width, height);
  return width;
}

float Height(const TVisual* visual) {
  float width = -1.0f;
  float height = -1.0f;
  GetVisualSize(visual, width, height);
  return height;
}

TEST_F(PanelTest, PanelDrawsItsPictureAndIsHitOverIt) {
  auto& panel = Add(std::make_unique<TPanel>("Logo", TScreenPosition(-150, 10), "Plain"));
  input.Frame();
  EXPECT_EQ(journal.drawn, Strings({"plain@650,10"}));
  input.MoveMouse(700, 40);
  EXPECT_TRUE(panel.IsUnderMouse());
  input.MoveMouse(700, 70);
  EXPECT_FALSE(panel.IsUnderMouse());
}

// Widgets and the map draw from the one library the map view holds: what
// replaces it there is what the next widget is built from.
TEST_F(PanelTest, PicturesFollowTheMapViewsLibrary) {
  auto& before = Add(std::make_unique<TPanel>("Before", TScreenPosition(0, 0), "Plain"));
  EXPECT_NE(before.GetVisual(), nullptr);
  before.SetVisual(std::string());

  auto other = std::make_unique<TVisualLibrary>("2D.cfg");
  other->SetDefinitionText("Interface", "# no pictures\n");
  TMapView::Instance()->ReplaceVisualLibrary(std::move(other));
  EXPECT_EQ(InterfaceVisualLibrary(), TMapView::Instance()->GetVisualLibrary());
  auto& unknown = Add(std::make_unique<TPanel>("Unknown", TScreenPosition(0, 0), "Plain"));
  EXPECT_EQ(unknown.GetVisual(), nullptr);

  TMapView::Instance()->ReplaceVisualLibrary(nullptr);
  EXPECT_EQ(InterfaceVisualLibrary(), nullptr);
  auto& none = Add(std::make_unique<TPanel>("None", TScreenPosition(0, 0), "Plain"));
  EXPECT_EQ(none.GetVisual(), nullptr);
  input.Frame();
  EXPECT_TRUE(journal.drawn.empty());
}

TEST_F(PanelTest, AnimatedPictureRunsOnRealTime) {
  uint64_t milliseconds = 0;
  platform::SetTickSource([&milliseconds] { return milliseconds; });
  Add(std::make_unique<TPanel>("Spinner", TScreenPosition(5, 5), "Animated"));
  for (uint64_t ms : {0u, 100u, 200u, 300u, 450u}) {
    milliseconds = ms;
    input.Frame();
  }
  platform::SetTickSource({});
  EXPECT_EQ(journal.drawn, Strings({"frame0@5,5", "frame1@5,5", "frame2@5,5", "frame0@5,5", "frame1@5,5"}));
}

TEST_F(PanelTest, BackgroundDrawsOnThreeCallsAfterEachLayout) {
  auto& background = Add(std::make_unique<TBackgroundPanel>("Back", TScreenPosition(0, 0), "Plain"));
  display.Recorder().ClearCalls();
  input.Frame(5);
  EXPECT_EQ(journal.drawn.size(), 3u);
  EXPECT_EQ(display.Recorder().CallsOf("Clear").size(), 3u);
  EXPECT_EQ(background.GetDrawCount(), 3);
  screen.Relayout();
  journal.drawn.clear();
  input.Frame(4);
  EXPECT_EQ(journal.drawn.size(), 3u);
}

TEST_F(PanelTest, InteractivePanelShowsTheLookItsCommandNumbers) {
  interpreter.numbers["Status"] = 2;
  auto& panel = Add(std::make_unique<TInteractivePanel>("State", TScreenPosition(10, 10), "Looks", Command("Status")));
  EXPECT_EQ(SelectedLook(panel.GetVisual()), 0);
  input.Frame();
  EXPECT_EQ(SelectedLook(panel.GetVisual()), 2);
  EXPECT_EQ(journal.drawn, Strings({"grey@10,10"}));
  panel.SetActive(false);
  interpreter.numbers["Status"] = 1;
  input.Frame();
  EXPECT_EQ(SelectedLook(panel.GetVisual()), 2);
}

TEST_F(PanelTest, DialogueFrameIsPlacedBetweenItsCorners) {
  auto& dialogue = Add(std::make_unique<TDialoguePanel>("Dialogue", TScreenPosition(100, 100),
                                                        TScreenPosition(300, 200), "Frame"));
  struct Expected {
    TDialoguePanel::EPiece piece;
    float x, y, width, height;
  };
  const Expected expected[] = {
      {TDialoguePanel::kTopLeft, 100, 100, 16, 16},    {TDialoguePanel::kTopRight, 300, 100, 16, 16},
      {TDialoguePanel::kBottomRight, 300, 200, 16, 16}, {TDialoguePanel::kBottomLeft, 100, 200, 16, 16},
      {TDialoguePanel::kTop, 200, 100, 168, 16},       {TDialoguePanel::kRight, 300, 150, 16, 68},
      {TDialoguePanel::kBottom, 200, 200, 168, 16},    {TDialoguePanel::kLeft, 100, 150, 16, 68},
      {TDialoguePanel::kMiddle, 200, 150, 168, 68},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(TDialoguePanel::kPieceSuffixes[e.piece]);
    const TVisual* piece = dialogue.GetPiece(e.piece);
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(piece->GetPosition().x, e.x);
    EXPECT_EQ(piece->GetPosition().y, e.y);
    EXPECT_EQ(Width(piece), e.width);
    EXPECT_EQ(Height(piece), e.height);
    EXPECT_TRUE(piece->IsOnTop());
  }
  TVector3 at;
  dialogue.GetScreenPosition(at);
  EXPECT_EQ(at.x, 200.0f);
  EXPECT_EQ(at.y, 150.0f);
}

TEST_F(PanelTest, DialogueDrawsFrameThenChildrenAndIsHitOnItsFrame) {
  auto dialogue =
      std::make_unique<TDialoguePanel>("Dialogue", TScreenPosition(100, 100), TScreenPosition(300, 200), "Frame");
  dialogue->AddChild(std::make_unique<TPanel>("Inside", TScreenPosition(150, 120), "Other"));
  auto& added = Add(std::move(dialogue));
  input.Frame();
  ASSERT_EQ(journal.drawn.size(), 10u);
  EXPECT_EQ(journal.drawn.front(), "Frame_TL@100,100");
  EXPECT_EQ(journal.drawn[8], "Frame_M@200,150");
  EXPECT_EQ(journal.drawn.back(), "other@150,120");
  input.MoveMouse(205, 155);
  EXPECT_TRUE(added.IsUnderMouse());
  input.MoveMouse(50, 50);
  EXPECT_FALSE(added.IsUnderMouse());
}

TEST_F(PanelTest, ResizeBoxIsFramedByItsCornerAndSize) {
  TResizeBox box("Box", 50, 60, 200, 100);
  EXPECT_EQ(box.GetPiece(TDialoguePanel::kBottomRight)->GetPosition().x, 250.0f);
  EXPECT_EQ(box.GetPiece(TDialoguePanel::kBottomRight)->GetPosition().y, 160.0f);
  box.Draw();
  EXPECT_EQ(journal.drawn.front(), "ResizeBox_TL@50,60");
}

TEST_F(PanelTest, StretchyPanelReachesItsFarCornerOrKeepsItsSize) {
  auto& stretched = Add(std::make_unique<TStretchyPanel>("Wide", TScreenPosition(100, 100), "Plain",
                                                         TScreenPosition(400, 180)));
  EXPECT_EQ(Width(stretched.GetVisual()), 300.0f);
  EXPECT_EQ(Height(stretched.GetVisual()), 80.0f);
  auto& kept = Add(std::make_unique<TStretchyPanel>("Back", TScreenPosition(100, 100), "Plain",
                                                    TScreenPosition(50, 180)));
  EXPECT_EQ(Width(kept.GetVisual()), 100.0f);
  EXPECT_EQ(Height(kept.GetVisual()), 50.0f);
}

TEST_F(PanelTest, ProgrammablePanelBuildsThePictureItsCommandNamesOnce) {
  interpreter.texts["PictureName"] = "Plain";
  auto& panel = Add(std::make_unique<TProgrammablePanel>("Prog", TScreenPosition(20, 30), Command("PictureName"),
                                                         Command("Clicked")));
  EXPECT_EQ(panel.GetVisualName(), "Null");
  input.Frame();
  const TVisual* first = panel.GetVisual();
  ASSERT_NE(first, nullptr);
  input.Frame(3);
  EXPECT_EQ(panel.GetVisual(), first);
  EXPECT_EQ(journal.drawn.size(), 4u);
  interpreter.texts["PictureName"] = "Other";
  input.Frame();
  EXPECT_EQ(panel.GetVisualName(), "Other");
  EXPECT_EQ(journal.drawn.back(), "other@20,30");

  log.executed.clear();
  input.MoveMouse(25, 35);
  input.Mouse(UiInputDriver::kRightPress);
  input.Mouse(UiInputDriver::kRightRelease);
  EXPECT_TRUE(log.executed.empty());
  input.Click(25, 35);
  EXPECT_EQ(log.executed, Strings({"Clicked"}));
}

TEST_F(PanelTest, ProgressBarFillReachesThePercentage) {
  auto& bar = Add(std::make_unique<TProgressBar>("Progress", TScreenPosition(100, 200), TScreenPosition(300, 220),
                                                 "Bars"));
  auto* node = dynamic_cast<TVisualNode*>(bar.GetVisual());
  ASSERT_NE(node, nullptr);
  auto* trough = dynamic_cast<TWorldBar*>(node->GetChild(0));
  auto* fill = dynamic_cast<TWorldBar*>(node->GetChild(1));
  ASSERT_NE(trough, nullptr);
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->GetEndCorner().x, 100.0f);
  struct Case {
    float percent, endX, endY;
  };
  for (const Case& c : {Case{50, 200, 210}, Case{100, 300, 220}, Case{150, 400, 230}, Case{-50, 0, 190}}) {
    SCOPED_TRACE(c.percent);
    bar.SetProgress(c.percent);
    EXPECT_EQ(trough->GetStartCorner().x, 100.0f);
    EXPECT_EQ(trough->GetEndCorner().x, 300.0f);
    EXPECT_EQ(trough->GetEndCorner().y, 220.0f);
    EXPECT_EQ(fill->GetStartCorner().x, 100.0f);
    EXPECT_EQ(fill->GetStartCorner().y, 200.0f);
    EXPECT_EQ(fill->GetEndCorner().x, c.endX);
    EXPECT_EQ(fill->GetEndCorner().y, c.endY);
  }
}

}  // namespace
}  // namespace testing_ui
