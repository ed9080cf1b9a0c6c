// A two-player world for the action resolver's tests: a 12 x 12 floor of
// the shipped rules in a folder of its own, and a resolver recording into a
// list of its own.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/game_data.h"
#include "app/random.h"
#include "sim/action_resolver.h"
#include "sim/event.h"
#include "sim/event_list.h"
#include "sim/event_registration.h"
#include "support/shipped_world.h"
#include "units/combatant.h"
#include "world/ammo_dump.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_fixtures.h"
#include "world/world.h"

namespace resolver_test {

constexpr float kNow = 3.0f;

// Two players on a 12 x 12 floor of the shipped rules, with a resolver that
// records into its own list.
class ResolverWorldTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    RegisterEventReaders();
    ShippedWorldTest::SetUp();
    world_->ResizeMap(12, 12);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 12; ++x) {
        map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Floor", static_cast<float>(x),
                            static_cast<float>(y));
      }
    }
    // In a game the map's objects take the first ids; id 0 is nobody's in
    // the resolver's reservations.
    world_->NextId();
    resolver_ = std::make_unique<TActionResolver>(*world_, nullptr);
    resolver_->SetEvents(&events_);
    GetRandom()->Seed(11);
  }
  void TearDown() override {
    resolver_.reset();
    events_.Clear();
    ShippedWorldTest::TearDown();
  }

  Combatant& Unit(const std::string& type, int32_t owner, const TVector3& at) {
    const TGameData& data = world_->GetGameData();
    auto unit = std::make_unique<Combatant>(*data.FindUnitType(type), data.FindWeaponType(type), owner, at, 0.0f);
    Combatant* placed = unit.get();
    world_->Add(std::move(unit));
    return *placed;
  }

  AmmoDump& Dump(const std::string& type, int32_t owner, const TVector3& at) {
    auto dump = std::make_unique<AmmoDump>(at, *world_->GetGameData().FindUnitType(type), owner);
    AmmoDump* placed = dump.get();
    world_->Add(std::move(dump));
    return *placed;
  }

  std::vector<std::string> RecordedTypes() const {
    std::vector<std::string> names;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) names.emplace_back(events_.GetEvent(i)->TypeName());
    return names;
  }

  template <typename T>
  const T& Recorded(int32_t index) const {
    return dynamic_cast<const T&>(*events_.GetEvent(index));
  }

  TEventList events_;
  std::unique_ptr<TActionResolver> resolver_;
};

using Names = std::vector<std::string>;

}  // namespace resolver_test
