// The frame rate figure: frames counted over windows of more than half a
// second and doubled, measured on a clock the test sets.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/mapview/frame_timer.h"
#include "display/mapview/map_view_doubles.h"

namespace {

using testing_display::ManualClock;

constexpr uint64_t kStart = 50000;

// Ticks `frames` frames spread evenly over `span` milliseconds after the
// clock's present reading, the last one at the end of the span.
void TickOver(TFrameTimer& timer, ManualClock& clock, uint32_t frames, uint64_t span) {
  const uint64_t start = clock.now;
  for (uint32_t i = 1; i <= frames; ++i) {
    clock.now = start + span * i / frames;
    timer.Tick();
  }
}

// One measuring window: every frame but the last within the first half
// second, the last `span` milliseconds after the clock's present reading.
void TickWindow(TFrameTimer& timer, ManualClock& clock, uint32_t frames, uint64_t span) {
  const uint64_t start = clock.now;
  const uint64_t early = span < 500 ? span : 500;
  for (uint32_t i = 1; i < frames; ++i) {
    clock.now = start + early * i / frames;
    timer.Tick();
  }
  clock.now = start + span;
  timer.Tick();
}

TEST(FrameTimerTest, NowIsThePlatformClockInMilliseconds) {
  ManualClock clock(kStart);
  TFrameTimer timer;
  EXPECT_EQ(timer.Now(), static_cast<int64_t>(kStart));
  clock.now = 0;
  EXPECT_EQ(timer.Now(), 0) << "a reading of zero is a time like any other";
  EXPECT_FLOAT_EQ(TFrameTimer::kTicksPerSecond, 1000.0f);
}

TEST(FrameTimerTest, AWindowOfMoreThanHalfASecondGivesItsFramesDoubled) {
  struct WindowCase {
    uint32_t frames;
    uint64_t span;
    float shown;       // the figure afterwards
    uint32_t pending;  // frames counted towards the next figure
  };
  const std::vector<WindowCase> cases = {
      {18, 600, 36.0f, 0},  // 0.6 s with 18 frames
      {10, 400, 30.0f, 10}, // under half a second: the rate set stays
      {5, 500, 30.0f, 5},   // exactly half a second is not more than it
      {1, 501, 2.0f, 0},    // one slow frame
      {60, 1000, 120.0f, 0},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frames << " frames in " << c.span << " ms");
    ManualClock clock(kStart);
    TFrameTimer timer;
    timer.SetRate(30.0f);
    EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 30.0f);
    TickWindow(timer, clock, c.frames, c.span);
    EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), c.shown);
    EXPECT_EQ(timer.GetFrameCount(), c.pending);
  }
}

TEST(FrameTimerTest, EachMeasurementOpensTheNextWindowAtItsOwnFrame) {
  ManualClock clock(kStart);
  TFrameTimer timer;
  timer.SetRate(25.0f);
  TickOver(timer, clock, 9, 450);  // at 450 ms: nothing yet
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 25.0f);
  TickOver(timer, clock, 3, 60);  // at 510 ms: 12 frames
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 24.0f);
  // The next window runs from 510 ms: 500 ms later is not enough.
  TickOver(timer, clock, 20, 500);
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 24.0f);
  EXPECT_EQ(timer.GetFrameCount(), 20u);
  TickOver(timer, clock, 1, 1);
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 42.0f);
}

TEST(FrameTimerTest, SettingTheRateRestartsTheWindowButNotTheCount) {
  ManualClock clock(kStart);
  TFrameTimer timer;
  timer.SetRate(30.0f);
  TickOver(timer, clock, 4, 400);
  timer.SetRate(15.0f);  // the window restarts at 400 ms
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 15.0f);
  TickOver(timer, clock, 4, 400);
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 15.0f) << "800 ms in, but only 400 ms into the new window";
  TickOver(timer, clock, 1, 200);
  EXPECT_FLOAT_EQ(timer.GetFramesPerSecond(), 18.0f) << "the frames before SetRate still count";
}

}  // namespace
