// Shots and moving units against object shapes: compound-against-compound
// tests over a few hundred pairs, the way a tick of sight and fire asks them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "world/volume.h"

namespace {

// Objects on a 32 x 32 field, each with a body box and a head box; every
// object has one shot segment aimed across the field.
class VolumeField {
 public:
  explicit VolumeField(std::size_t count) : positions_(count), shooters_(count) {
    std::mt19937 generator(12345u);
    std::uniform_real_distribution<float> place(0.0f, 32.0f);
    for (std::size_t i = 0; i < count; ++i) {
      positions_[i] = TVector3(place(generator), place(generator), 0.0f);
      shooters_[i] = TVector3(place(generator), place(generator), 1.0f);
    }
    targets_.resize(count);
    shots_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      targets_[i].Add(std::make_unique<TBoxVolume>(&positions_[i], TVector3(0.0f, 0.0f, 0.75f),
                                                   TVector3(0.8f, 0.8f, 1.5f)));
      targets_[i].Add(std::make_unique<TBoxVolume>(&positions_[i], TVector3(0.0f, 0.0f, 1.75f),
                                                   TVector3(0.4f, 0.4f, 0.5f)));
      const TVector3& aim = positions_[(i * 7 + 3) % count];
      const TVector3 toAim(aim.x - shooters_[i].x, aim.y - shooters_[i].y, 0.0f);
      shots_[i].Add(std::make_unique<TSegmentVolume>(&shooters_[i], TVector3(), toAim));
    }
  }

  // Every shot against every target.
  int64_t AllShotsAgainstAllTargets() {
    int64_t hits = 0;
    for (auto& shot : shots_) {
      for (auto& target : targets_) hits += shot.AnyIntersects(target) ? 1 : 0;
    }
    return hits;
  }

  // Every target against every other target (units moving into each other).
  int64_t AllTargetsAgainstEachOther() {
    int64_t hits = 0;
    for (std::size_t i = 0; i < targets_.size(); ++i) {
      for (std::size_t j = i + 1; j < targets_.size(); ++j) hits += targets_[i].AnyIntersects(targets_[j]) ? 1 : 0;
    }
    return hits;
  }

 private:
  std::vector<TVector3> positions_;
  std::vector<TVector3> shooters_;
  std::vector<TCompoundVolume> targets_;
  std::vector<TCompoundVolume> shots_;
};

void BM_ShotsAgainstBoxes(benchmark::State& state) {
  VolumeField field(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(field.AllShotsAgainstAllTargets());
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_ShotsAgainstBoxes)->Arg(100)->Arg(300);

void BM_BoxesAgainstBoxes(benchmark::State& state) {
  VolumeField field(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(field.AllTargetsAgainstEachOther());
  state.SetItemsProcessed(state.iterations() * state.range(0) * (state.range(0) - 1) / 2);
}
BENCHMARK(BM_BoxesAgainstBoxes)->Arg(100)->Arg(300);

}  // namespace
