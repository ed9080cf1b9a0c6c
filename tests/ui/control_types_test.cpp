#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/string_table.h"
#include "control_fixture.h"
#include "support/temp_folder.h"
#include "ui/button.h"
#include "ui/dialogue_panel.h"
#include "ui/interface_loader.h"
#include "ui/panel.h"
#include "ui/progress_bar.h"
#include "ui/switches.h"

namespace testing_ui {
namespace {

using Strings = std::vector<std::string>;

// The tree as "name:kind", children in brackets.
std::string Kind(const TWidget& widget) {
  if (dynamic_cast<const TSwitch*>(&widget)) return "switch";
  if (dynamic_cast<const TGreyButton*>(&widget)) return "grey button";
  if (dynamic_cast<const TConditionalButton*>(&widget)) return "conditional button";
  if (dynamic_cast<const TToggle*>(&widget)) return "toggle";
  if (dynamic_cast<const TTouch*>(&widget)) return "touch";
  if (dynamic_cast<const TButton*>(&widget)) return "button";
  if (dynamic_cast<const TBackgroundPanel*>(&widget)) return "background";
  if (dynamic_cast<const TStretchyPanel*>(&widget)) return "stretchy";
  if (dynamic_cast<const TInteractivePanel*>(&widget)) return "interactive";
  if (dynamic_cast<const TProgrammablePanel*>(&widget)) return "programmable";
  if (dynamic_cast<const TPanel*>(&widget)) return "panel";
  if (dynamic_cast<const TProgressBar*>(&widget)) return "progress";
  if (dynamic_cast<const TDialoguePanel*>(&widget)) return "dialogue";
  if (dynamic_cast<const TRadio*>(&widget)) return "radio";
  if (dynamic_cast<const TSwitchItem*>(&widget)) return "switch item";
  if (dynamic_cast<const TNode*>(&widget)) return "node";
  return "widget";
}

std::string Describe(const TWidget& widget) {
  std::string text = widget.GetName() + ":" + Kind(widget);
  const auto* node = dynamic_cast<const TNode*>(&widget);
  if (node && node->ChildCount() > 0 && !dynamic_cast<const TDialoguePanel*>(node)) {
    text += "[";
    for (std::size_t i = 0; i < node->ChildCount(); ++i) text += (i ? " " : "") + Describe(*node->ChildAt(i));
    text += "]";
  }
  return text;
}

class ControlTypesTest : public ControlTest {
 protected:
  ControlTypesTest() {
    folder.Write("Languages/ENG/Interface_ENG.cfg", "# texts\n[1]\nSend the orders\n");
    DestroyStringTable();
    GetStringTable()->SetLanguage("ENG");
    std::ifstream file(std::string(DVX_TEST_FIXTURES) + "/ui/Interface.cfg", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    loader = std::make_unique<TInterfaceLoader>(text);
    RegisterWidgetTypes(*loader);
    loader->SetReporter([this](const std::string& line) { problems.push_back(line); });
    loader->LoadSection("Controls Demo", screen, interpreter);
  }
  ~ControlTypesTest() override { DestroyStringTable(); }

  template <class Widget>
  Widget& Find(const std::string& name) {
    auto* widget = dynamic_cast<Widget*>(screen.FindByName(name));
    if (widget == nullptr) throw std::runtime_error("no widget " + name);
    return *widget;
  }

  TTempFolder folder;
  std::unique_ptr<TInterfaceLoader> loader;
  Strings problems;
};

TEST_F(ControlTypesTest, TheSectionLoadsIntoTheExpectedTree) {
  EXPECT_EQ(Describe(screen),
            "Screen:node[Back:background Logo:panel Stretch:stretchy State:interactive Prog:programmable "
            "Progress:progress Dialogue:dialogue Send:button Undo:grey button Eat:conditional button "
            "Speed:toggle Up:touch Fire:radio[Direct:switch Terrain:switch] "
            "Rule:switch item[Rule0:panel Rule1:panel] Lost:button Flat:toggle NoBars:progress]");
  const TButton& send = Find<TButton>("Send");
  EXPECT_FLOAT_EQ(send.ScreenPosition().x, 380.0f);
  EXPECT_FLOAT_EQ(send.ScreenPosition().y, 560.0f);
  EXPECT_EQ(send.GetTooltip(), "Send the orders");
  EXPECT_EQ(Find<TGreyButton>("Undo").GetTooltip(), "Undo");
  EXPECT_EQ(Find<TSwitch>("Direct").GetNext(), &Find<TSwitch>("Terrain"));
  TVector3 corner = Find<TDialoguePanel>("Dialogue").GetBottomRight();
  EXPECT_FLOAT_EQ(corner.x, 300.0f);
  EXPECT_FLOAT_EQ(corner.y, 200.0f);
}

TEST_F(ControlTypesTest, PicturesThatCannotServeAreToldAndDrawNothing) {
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_NE(problems[0].find("unknown picture \"Missing\""), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("needs a switch of looks"), std::string::npos) << problems[1];
  EXPECT_NE(problems[2].find("needs a node of two bars"), std::string::npos) << problems[2];
  EXPECT_EQ(Find<TButton>("Lost").GetVisual(), nullptr);
  EXPECT_EQ(Find<TToggle>("Flat").GetVisual(), nullptr);
  EXPECT_EQ(Find<TProgressBar>("NoBars").GetVisual(), nullptr);
}

TEST_F(ControlTypesTest, CommandsReachTheirWidgetsInFieldOrder) {
  interpreter.numbers["CanEat"] = 1;
  interpreter.numbers["GetTerrain"] = 1;
  interpreter.numbers["RuleStatus"] = 1;
  interpreter.texts["PictureName"] = "Plain";
  input.Frame();
  EXPECT_TRUE(Find<TConditionalButton>("Eat").IsShown());
  EXPECT_FALSE(Find<TGreyButton>("Undo").IsGrey());
  EXPECT_TRUE(Find<TSwitch>("Terrain").IsPressed());
  EXPECT_FALSE(Find<TSwitch>("Direct").IsPressed());
  EXPECT_EQ(Find<TSwitchItem>("Rule").GetIndex(), 1);
  EXPECT_EQ(Find<TProgrammablePanel>("Prog").GetVisualName(), "Plain");
  log.executed.clear();
  input.Click(385, 565);
  EXPECT_EQ(log.executed, Strings({"SendOrders"}));
}

TEST(ControlTypesShortLines, LinesWithTooFewFieldsDrawNothing) {
  CommandLog log;
  AnsweringInterpreter interpreter(log);
  TInterfaceLoader loader("");
  RegisterWidgetTypes(loader);
  Strings problems;
  loader.SetReporter([&problems](const std::string& line) { problems.push_back(line); });
  for (const char* line : {"Button | RelPosX = 0, RelPosY = 0 | Looks", "Switch | RelPosX = 0, RelPosY = 0 | Looks | A",
                           "Dialogue Panel | RelPosX = 0, RelPosY = 0", "Progress Bar", "Switch Item | Only",
                           "Toggle | RelPosX = 0, RelPosY = 0 | Looks | A"}) {
    SCOPED_TRACE(line);
    problems.clear();
    std::unique_ptr<TWidget> widget = loader.CreateElement(line, interpreter);
    ASSERT_NE(widget, nullptr);
    EXPECT_NE(dynamic_cast<TInertWidget*>(widget.get()), nullptr);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("fields where"), std::string::npos) << problems[0];
  }
}

}  // namespace
}  // namespace testing_ui
