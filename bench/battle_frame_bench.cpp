// Frames a second of a whole battle frame at 1024 x 768: the Foundry map
// with twelve units a side, its visuals built by the map view from the
// shipped visual definitions, drawn through the map view's own frame
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
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "bench_data_folder.h"
#include "display/d3d/d3d_display.h"
#include "display/d3d/map_view_d3d_view.h"
#include "display/display.h"
#include "display/map_view.h"
#include "platform/render_device.h"
#include "platform/window.h"
#include "session/battle.h"
#include "support/reference_battle.h"
#include "world/map.h"
#include "world/world.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr int32_t kUnitsASide = 12;

enum class TFrameDisplay { k2D, k3DSoftware, k3DOpenGL };

std::unique_ptr<TDisplay> MakeDisplay(TFrameDisplay kind) {
  if (kind == TFrameDisplay::k2D) return CreateDisplay("DIRECTDRAW_2D", false, kWidth, kHeight);
  TD3DDisplayOptions options;
  options.createDevice = kind == TFrameDisplay::k3DSoftware ? platform::CreateSoftwareDevice
                                                            : platform::CreateOpenGLDevice;
  auto display = std::make_unique<TDirect3D8Display>(false, kWidth, kHeight, std::move(options));
  display->AdoptView(std::make_unique<TMapViewD3DView>(display.get()));
  return display;
}

// The map view over the display with the battle loaded under it; the
// battle goes before the map view its visuals live in.
class TBattleFrame {
 public:
  explicit TBattleFrame(std::unique_ptr<TDisplay> display) {
    DestroyGameDataConfig();
    TMapView::Create(std::move(display));
    battle_ = std::make_unique<TBattle>();
    TWorld& world = battle_->GetWorld();
    loaded_ = world.LoadMapFile("Map\\Foundry.map");
    if (!loaded_) return;
    const float width = static_cast<float>(world.GetMap().GetWidth());
    const float height = static_cast<float>(world.GetMap().GetHeight());
    units_ = reference_battle::PlaceArmy(world, reference_battle::FoundryAttackers(), kUnitsASide).size() +
             reference_battle::PlaceArmy(world, reference_battle::FoundryDefenders(width), kUnitsASide).size();
    TMapView::Instance()->CentreOn(TVector3(width * 0.5f, height * 0.5f, 0.0f));
  }
  ~TBattleFrame() {
    battle_.reset();
    TMapView::Destroy();
    DestroyGameDataConfig();
  }
  TBattleFrame(const TBattleFrame&) = delete;
  TBattleFrame& operator=(const TBattleFrame&) = delete;

  bool IsReady() const {
    const TDisplay* display = TMapView::Instance()->GetDisplay();
    return loaded_ && display != nullptr && display->IsInitialised();
  }
  std::size_t UnitCount() const { return units_; }

  void Frame() {
    TMapView& view = *TMapView::Instance();
    view.BeginFrame();
    view.Draw();
    view.EndFrame();
  }

 private:
  std::unique_ptr<TBattle> battle_;
  bool loaded_ = false;
  std::size_t units_ = 0;
};

void RunBattleFrames(benchmark::State& state, TFrameDisplay kind) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set");
    return;
  }
  if (kind == TFrameDisplay::k3DOpenGL && platform::IsHeadless()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  TBattleFrame frame(MakeDisplay(kind));
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
  state.counters["visuals"] = static_cast<double>(TMapView::Instance()->GetCurrentLayer()->EntryCount());
}

void BM_BattleFrame2D(benchmark::State& state) { RunBattleFrames(state, TFrameDisplay::k2D); }
BENCHMARK(BM_BattleFrame2D)->Unit(benchmark::kMillisecond);

void BM_BattleFrame3DSoftware(benchmark::State& state) { RunBattleFrames(state, TFrameDisplay::k3DSoftware); }
BENCHMARK(BM_BattleFrame3DSoftware)->Unit(benchmark::kMillisecond);

void BM_BattleFrame3DOpenGL(benchmark::State& state) { RunBattleFrames(state, TFrameDisplay::k3DOpenGL); }
BENCHMARK(BM_BattleFrame3DOpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
