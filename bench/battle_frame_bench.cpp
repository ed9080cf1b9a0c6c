// Frames a second of a whole battle frame at 1024 x 768: the Foundry map
// with twelve units a side, built by tests/support/battle_frame_fixture.h
// (whose skirmish the OpenGL comparison test draws), its visuals built by the
// map view from the shipped visual definitions, drawn through the map view's own frame
// (BeginFrame, the draw layers, Present). Each display is measured: the 2D
// display and the 3D display on the software device headless, and the 3D
// display on OpenGL when there is a screen to open it on (run the
// benchmark under xvfb-run for llvmpipe). The "fps" counter is frames per
// second of the frame's own work; headless, the frame presenter sleeps to
// keep the program's loop near 60 frames a second, so "fps" counts the
// benchmark thread's processor time there and "paced_fps" the wall clock
// with the sleep. "visuals" is the count of draw-layer entries of the frame.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_data_folder.h"
#include "platform/window.h"
#include "support/battle_frame_fixture.h"

namespace {

using battle_frame::TBattleFrame;
using battle_frame::TFrameDisplay;

void RunBattleFrames(benchmark::State& state, TFrameDisplay kind) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set");
    return;
  }
  if (kind == TFrameDisplay::k3DOpenGL && platform::IsHeadless()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  TBattleFrame frame(battle_frame::MakeDisplay(kind));
  if (!frame.IsReady()) {
    state.SkipWithError("the display or the map did not start");
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) frame.Frame();
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  const auto frames = static_cast<double>(state.iterations());
  // OpenGL's work runs on the driver's threads, so only the wall clock tells.
  state.counters["fps"] = kind == TFrameDisplay::k3DOpenGL
                              ? benchmark::Counter(frames / wall.count())
                              : benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["paced_fps"] = frames / wall.count();
  state.counters["units"] = static_cast<double>(frame.UnitCount());
  state.counters["visuals"] = static_cast<double>(frame.VisualCount());
}

void BM_BattleFrame2D(benchmark::State& state) { RunBattleFrames(state, TFrameDisplay::k2D); }
BENCHMARK(BM_BattleFrame2D)->Unit(benchmark::kMillisecond);

void BM_BattleFrame3DSoftware(benchmark::State& state) { RunBattleFrames(state, TFrameDisplay::k3DSoftware); }
BENCHMARK(BM_BattleFrame3DSoftware)->Unit(benchmark::kMillisecond);

void BM_BattleFrame3DOpenGL(benchmark::State& state) { RunBattleFrames(state, TFrameDisplay::k3DOpenGL); }
BENCHMARK(BM_BattleFrame3DOpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
