// A turn computed on one side and replayed from its events on the other must
// leave both worlds alike: every change the resolver makes travels as an
// event.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/version_info.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "sim/turn_simulator.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/reaction_manager.h"
#include "units/weapon.h"
#include "world/world.h"

namespace {

const char* const kOutpost = "Map\\Outpost.map";

class ReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    computing_ = std::make_unique<TTurnSimulator>();
    replaying_ = std::make_unique<TTurnSimulator>();
    Populate(*computing_);
    Populate(*replaying_);
  }
  void TearDown() override {
    computing_.reset();
    replaying_.reset();
    DestroyGameDataConfig();
  }

  // The same map and units on both sides, so the ids agree.
  static void Populate(TTurnSimulator& sim) {
    TWorld& world = sim.GetWorld();
    ASSERT_TRUE(world.LoadMapFile(kOutpost));
    test_world::PlaceUnit(world, "Grunt", 0, TVector3(1.0f, 5.0f, 0.0f));   // walker
    test_world::PlaceUnit(world, "Grunt", 0, TVector3(1.0f, 12.0f, 0.0f));  // shooter
    test_world::PlaceUnit(world, "Grunt", 1, TVector3(1.0f, 18.0f, 0.0f));  // target
  }

  static Combatant& UnitOf(const TTurnSimulator& sim, int32_t index) {
    return *sim.GetWorld().GetUnits().UnitAt(index);
  }

  // The orders of this turn, given at the clock's time before each tick.
  void Act(float t, int32_t tick) {
    TActionResolver& resolver = computing_->GetResolver();
    Combatant& walker = UnitOf(*computing_, 0);
    Combatant& shooter = UnitOf(*computing_, 1);
    Combatant& target = UnitOf(*computing_, 2);
    TActionResolver::TStepBlock block;
    if (tick == 0) resolver.MoveUnit(walker, TVector3(1.0f, 6.0f, 0.0f), t, false, block);
    if (tick == 60) resolver.MoveUnit(walker, TVector3(1.0f, 7.0f, 0.0f), t, false, block);
    if (tick == 20 || tick == 40) {
      TVector3 aim;
      target.GetAimPoint(aim);
      resolver.FireWeapon(shooter, aim, t);
    }
    if (tick == 100) resolver.TurnToFace(shooter, t, TVector3(5.0f, 12.0f, 0.0f));
    if (tick == 120) resolver.Heal(target, t);
    if (tick == 150) resolver.SetReactionRules(target, t, "halt", "Sighting");
  }

  static void RunTurn(TTurnSimulator& sim, int32_t mode, const std::function<void(float, int32_t)>& act) {
    sim.Start(mode);
    sim.GetClock().Start();
    int32_t tick = 0;
    for (;;) {
      if (act) act(sim.GetClock().GetTime(), tick);
      if (sim.Tick()) break;
      sim.GetClock().Advance(TTurnSimulator::kClientStep);
      ++tick;
    }
  }

  TTempFolder folder_;
  std::unique_ptr<TTurnSimulator> computing_;
  std::unique_ptr<TTurnSimulator> replaying_;
};

TEST_F(ReplayTest, AReplayedTurnLeavesTheUnitsAsTheComputedTurnDid) {
  const float targetHealth = UnitOf(*computing_, 2).GetEndurance();
  RunTurn(*computing_, TTurnSimulator::kSimulate, [this](float t, int32_t tick) { Act(t, tick); });
  // The shots hit: the replay has something to show.
  ASSERT_LT(UnitOf(*computing_, 2).GetEndurance(), targetHealth);

  TRawIdMapper ids;
  TDataStream stream(kVersionTag);
  ASSERT_TRUE(computing_->GetEvents().Save(stream, ids));
  stream.Rewind();
  TEventFactoryContext context;
  context.world = &replaying_->GetWorld();
  context.reactionManager = &replaying_->GetReactions();
  context.specialEffects = &replaying_->GetEffects();
  ASSERT_TRUE(replaying_->GetEvents().Load(stream, context));
  RunTurn(*replaying_, TTurnSimulator::kPlayback, nullptr);

  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Combatant& computed = UnitOf(*computing_, i);
    const Combatant& replayed = UnitOf(*replaying_, i);
    EXPECT_TRUE(computed.Position().IsWithin(replayed.Position(), 1e-4f));
    EXPECT_FLOAT_EQ(computed.GetEndurance(), replayed.GetEndurance());
    EXPECT_EQ(computed.GetWeapon()->GetAmmunition(), replayed.GetWeapon()->GetAmmunition());
    EXPECT_EQ(computed.GetFacing(), replayed.GetFacing());
    EXPECT_EQ(computed.GetVisualState(), replayed.GetVisualState());
  }
  EXPECT_TRUE(UnitOf(*computing_, 0).Position().IsWithin(TVector3(1.0f, 7.0f, 0.0f), 1e-4f));
  const int32_t target = UnitOf(*replaying_, 2).GetId();
  EXPECT_TRUE(replaying_->GetReactions().HasSightingCode(target, "halt"));
  EXPECT_TRUE(computing_->GetReactions().HasSightingCode(target, "halt"));
}

}  // namespace
