#include "app/mouse.h"

#include "display/map_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override { DestroyMouse(); }
  void TearDown() override { DestroyMouse(); }
};

class EventRecorder : public TMouseListener {
 public:
  EventRecorder(std::vector<std::string>& log, std::string name)
      : log_(log), name_(std::move(name)) {}
  void OnMouseEvent() override {
    log_.push_back(name_);
    codes.push_back(GetMouse()->GetEventCode());
    wheel.push_back(GetMouse()->GetWheelDelta());
    if (victim) {
      delete victim;
      victim = nullptr;
    }
  }
  std::vector<int32_t> codes;
  std::vector<int32_t> wheel;
  EventRecorder* victim = nullptr;

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST_F(MouseTest, PositionIsClampedToTheDisplay) {
  struct Case {
    int32_t x, y, expectedX, expectedY;
  };
  const Case cases[] = {
      {-5, 10000, 0, 599}, {400, 300, 400, 300}, {800, 600, 799, 599}, {799, 0, 799, 0},
      {10000, -1, 799, 0},
  };
  for (const Case& c : cases) {
    GetMouse()->SetPosition(c.x, c.y, 800, 600);
    EXPECT_EQ(GetMouse()->GetX(), c.expectedX) << c.x;
    EXPECT_EQ(GetMouse()->GetY(), c.expectedY) << c.y;
  }
}

TEST_F(MouseTest, ButtonEventCodes) {
  struct Step {
    void (TMouse::*set)(bool);
    bool down;
    int32_t code;
  };
  const Step steps[] = {
      {&TMouse::SetLeftButton, true, 1},   {&TMouse::SetLeftButton, true, 0},
      {&TMouse::SetLeftButton, false, 2},  {&TMouse::SetLeftButton, false, 0},
      {&TMouse::SetRightButton, true, 3},  {&TMouse::SetRightButton, false, 4},
      {&TMouse::SetMiddleButton, true, 6}, {&TMouse::SetMiddleButton, false, 7},
  };
  std::vector<std::string> log;
  EventRecorder recorder(log, "recorder");
  for (const Step& step : steps) {
    (GetMouse()->*step.set)(step.down);
    EXPECT_EQ(GetMouse()->GetEventCode(), step.code);
  }
  // Every message reaches the listeners, also those that change nothing.
  ASSERT_EQ(recorder.codes.size(), std::size(steps));
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(recorder.codes[i], steps[i].code) << i;
  }
}

TEST_F(MouseTest, ButtonStatesAreKeptApart) {
  TMouse& mouse = *GetMouse();
  EXPECT_FALSE(mouse.IsAnyButtonDown());
  mouse.SetRightButton(true);
  EXPECT_TRUE(mouse.IsRightButtonDown());
  EXPECT_FALSE(mouse.IsLeftButtonDown());
  EXPECT_FALSE(mouse.IsMiddleButtonDown());
  EXPECT_TRUE(mouse.IsAnyButtonDown());
  mouse.SetLeftButton(false);  // left was up: no release, right stays down
  EXPECT_EQ(mouse.GetEventCode(), 0);
  EXPECT_TRUE(mouse.IsRightButtonDown());
}

TEST_F(MouseTest, WheelDeltaIsSeenByListenersThenReset) {
  std::vector<std::string> log;
  EventRecorder recorder(log, "recorder");
  GetMouse()->OnWheel(-240);
  ASSERT_EQ(recorder.wheel.size(), 1u);
  EXPECT_EQ(recorder.wheel[0], -240);
  EXPECT_EQ(recorder.codes[0], 5);
  EXPECT_EQ(GetMouse()->GetWheelDelta(), 0);
  EXPECT_EQ(GetMouse()->GetEventCode(), 5);
}

TEST_F(MouseTest, ListenersAreToldInOrderAndMayRemoveOthers) {
  std::vector<std::string> log;
  EventRecorder first(log, "first");
  auto* doomed = new EventRecorder(log, "doomed");
  EventRecorder last(log, "last");

  GetMouse()->SetLeftButton(true);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "doomed", "last"}));

  log.clear();
  first.victim = doomed;
  GetMouse()->SetLeftButton(false);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "last"}));
}

TEST_F(MouseTest, RemovalTakesTheFirstOfDuplicateEntries) {
  std::vector<std::string> log;
  EventRecorder recorder(log, "recorder");
  GetMouse()->AddListener(&recorder);  // no duplicate test: now listed twice
  GetMouse()->SetLeftButton(true);
  EXPECT_EQ(log.size(), 2u);

  log.clear();
  GetMouse()->RemoveListener(&recorder);
  GetMouse()->SetLeftButton(false);
  EXPECT_EQ(log.size(), 1u);
}

TEST(MouseWorldTest, ScreenPositionsMapToMapSquares) {
  struct Case {
    int32_t x, y;
    float zoom, worldX, worldY;
  };
  const Case cases[] = {
      {0, 0, 1.0f, -1.5f, -0.5f},   {64, 0, 1.0f, -0.5f, -1.5f},  {0, 32, 1.0f, -0.5f, 0.5f},
      {64, 32, 1.0f, 0.5f, -0.5f},  {128, 64, 2.0f, 0.5f, -0.5f}, {32, 48, 0.5f, 2.5f, 1.5f},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(ScreenToWorldX(c.x, c.y, c.zoom), c.worldX) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(ScreenToWorldY(c.x, c.y, c.zoom), c.worldY) << c.x << "," << c.y;
  }
}

TEST(MouseWorldTest, MouseWorldFollowsTheMouse) {
  DestroyMouse();
  GetMouse()->SetPosition(96, 80, 800, 600);
  const float zoom = CurrentMapZoom();
  EXPECT_FLOAT_EQ(MouseWorldX(), 80.0f / (32.0f * zoom) + 96.0f / (64.0f * zoom) - 1.5f);
  EXPECT_FLOAT_EQ(MouseWorldY(), 80.0f / (32.0f * zoom) - 96.0f / (64.0f * zoom) - 0.5f);
  DestroyMouse();
}

}  // namespace
