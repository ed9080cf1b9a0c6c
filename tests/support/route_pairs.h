// The route queries the golden list and the benchmarks share: 200 fixed
// pairs of lattice points on Foundry.map, drawn by a generator of their own,
// walked by a Grunt among a few other units that stand in the way.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "units/combatant.h"
#include "units/path_search.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"

namespace route_pairs {

constexpr int32_t kPairCount = 200;

// A lattice point of the map away from its border.
inline TVector3 Draw(uint32_t& state, int32_t size) {
  const auto next = [&state]() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  const int32_t halves = (size - 2) * 2;
  const float x = 1.0f + 0.5f * static_cast<float>(next() % static_cast<uint32_t>(halves));
  const float y = 1.0f + 0.5f * static_cast<float>(next() % static_cast<uint32_t>(halves));
  return TVector3(x, y, 0.0f);
}

inline std::vector<std::pair<TVector3, TVector3>> Pairs(int32_t size) {
  std::vector<std::pair<TVector3, TVector3>> pairs;
  uint32_t state = 12345u;
  for (int32_t i = 0; i < kPairCount; ++i) {
    const TVector3 from = Draw(state, size);
    pairs.emplace_back(from, Draw(state, size));
  }
  return pairs;
}

// The Foundry world of the queries (loaded from the current folder): the
// walker at the first corner and six units in the open.
struct TRouteWorld {
  TRouteWorld() : world("Map\\Foundry.map") {
    const TGameData& data = world.GetGameData();
    const auto place = [&](const char* type, int32_t owner, const TVector3& at) {
      auto unit = std::make_unique<Combatant>(*data.FindUnitType(type), data.FindWeaponType(type), owner, at, 0.0f);
      Combatant* placed = unit.get();
      TNewObjects objects;
      objects.push_back(std::move(unit));
      world.AddObjects(objects);
      return placed;
    };
    walker = place("Grunt", 0, TVector3(1.0f, 1.0f, 0.0f));
    const TVector3 others[] = {TVector3(10.0f, 18.0f, 0.0f), TVector3(25.0f, 17.5f, 0.0f), TVector3(40.0f, 18.0f, 0.0f),
                               TVector3(15.0f, 35.0f, 0.0f), TVector3(30.0f, 40.0f, 0.0f), TVector3(46.5f, 25.0f, 0.0f)};
    int32_t owner = 0;
    for (const TVector3& at : others) place("Grunt", owner++ % 2, at);
    measure = std::make_unique<TRoutePointMeasure>(world, &walker->GetLofVolume(), 0, 0, 0, "0");
  }

  TWorld world;
  Combatant* walker = nullptr;
  std::unique_ptr<TRoutePointMeasure> measure;
};

}  // namespace route_pairs
