// Turns computed from the same start must come out the same, byte for byte:
// the benchmark battle on Foundry.map and the first turn of each shipped
// set-up against the event lists and world files kept in the golden folder;
// a battle computed twice from fresh worlds with one seed; and a battle
// computed as a client does, replayed from its events into a third world.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "sim/event_factory.h"
#include "support/golden_file.h"
#include "support/reference_battle.h"
#include "support/temp_folder.h"
#include "units/combatant_list.h"
#include "units/weapon.h"

namespace {

class DeterminismTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
  }
  void TearDown() override { DestroyGameDataConfig(); }

  // The turn's saved events and world against the golden files of the name.
  static void CheckAgainstGolden(TTurnSimulator& sim, const std::string& name) {
    reference_battle::RunServerTurn(sim);
    // A battle where nothing happens would prove nothing.
    ASSERT_GT(sim.GetEvents().GetEventCount(), 10);
    golden::Check(name + ".events", reference_battle::EventBytes(sim));
    golden::Check(name + ".world", reference_battle::WorldBytes(sim));
  }

  TTempFolder folder_;
};

TEST_F(DeterminismTest, TheFoundryServerTurnGivesTheKeptFilesGolden) {
  std::unique_ptr<TTurnSimulator> sim = reference_battle::MakeFoundryBattle(12);
  ASSERT_NE(sim, nullptr);
  CheckAgainstGolden(*sim, "foundry_turn");
}

// Every walking unit plans again on every tick, so that the route search
// asks the map's step test much the same questions tick after tick, from
// wherever the units have walked to: the remembered answers must give the
// very turn that fresh answers give.
TEST_F(DeterminismTest, RememberedStepAnswersGiveTheSameReplanningTurnAsFreshOnes) {
  std::vector<std::vector<uint8_t>> events;
  std::vector<std::vector<uint8_t>> worlds;
  for (const bool remembered : {false, true}) {
    std::unique_ptr<TTurnSimulator> sim = reference_battle::MakeFoundryBattle(6);
    ASSERT_NE(sim, nullptr);
    TTurnSimulator& battle = *sim;
    battle.GetWorld().GetMap().SetStepMemory(remembered);
    reference_battle::RunServerTurn(battle, [&battle] { reference_battle::ReplanEveryWalk(battle); });
    ASSERT_GT(battle.GetEvents().GetEventCount(), 10);
    events.push_back(reference_battle::EventBytes(battle));
    worlds.push_back(reference_battle::WorldBytes(battle));
  }
  EXPECT_TRUE(events[0] == events[1]);
  EXPECT_TRUE(worlds[0] == worlds[1]);
}

TEST_F(DeterminismTest, TheShippedSetUpsFirstTurnsGiveTheKeptFilesGolden) {
  for (const char* setup : {"HQ", "Old", "WipeOut"}) {
    SCOPED_TRACE(setup);
    std::unique_ptr<TTurnSimulator> sim =
        reference_battle::MakeScenarioBattle(std::string("Scenarios/GameStart ") + setup + ".cfg");
    ASSERT_NE(sim, nullptr);
    CheckAgainstGolden(*sim, std::string("setup_") + setup + "_turn");
  }
}

TEST_F(DeterminismTest, ABattleComputedTwiceFromFreshWorldsGivesTheSameFiles) {
  std::unique_ptr<TTurnSimulator> first = reference_battle::MakeScenarioBattle("Scenarios/GameStart HQ.cfg");
  ASSERT_NE(first, nullptr);
  reference_battle::RunServerTurn(*first);
  std::unique_ptr<TTurnSimulator> second = reference_battle::MakeScenarioBattle("Scenarios/GameStart HQ.cfg");
  ASSERT_NE(second, nullptr);
  reference_battle::RunServerTurn(*second);
  EXPECT_EQ(reference_battle::EventBytes(*first), reference_battle::EventBytes(*second));
  EXPECT_EQ(reference_battle::WorldBytes(*first), reference_battle::WorldBytes(*second));
}

TEST_F(DeterminismTest, AClientTurnReplayedFromItsEventsLeavesTheSameUnits) {
  std::unique_ptr<TTurnSimulator> computing = reference_battle::MakeScenarioBattle("Scenarios/GameStart WipeOut.cfg");
  ASSERT_NE(computing, nullptr);
  std::vector<TVector3> starts;
  const TCombatantList& units = computing->GetWorld().GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) starts.push_back(units.UnitAt(i)->Position());
  reference_battle::RunTurn(*computing, TTurnSimulator::kSimulate, TTurnSimulator::kClientStep);

  TRawIdMapper ids;
  TDataStream stream(kVersionTag);
  ASSERT_TRUE(computing->GetEvents().Save(stream, ids));
  stream.Rewind();
  std::unique_ptr<TTurnSimulator> replaying = reference_battle::MakeScenarioBattle("Scenarios/GameStart WipeOut.cfg");
  ASSERT_NE(replaying, nullptr);
  TEventFactoryContext context;
  context.world = &replaying->GetWorld();
  context.reactionManager = &replaying->GetReactions();
  context.specialEffects = &replaying->GetEffects();
  ASSERT_TRUE(replaying->GetEvents().Load(stream, context));
  reference_battle::RunTurn(*replaying, TTurnSimulator::kPlayback, TTurnSimulator::kClientStep);

  const TCombatantList& computed = computing->GetWorld().GetUnits();
  const TCombatantList& replayed = replaying->GetWorld().GetUnits();
  ASSERT_EQ(computed.Count(), replayed.Count());
  bool anyMoved = false;
  for (int32_t i = 0; i < computed.Count(); ++i) {
    SCOPED_TRACE(i);
    const Combatant& a = *computed.UnitAt(i);
    const Combatant& b = *replayed.UnitAt(i);
    EXPECT_EQ(a.GetId(), b.GetId());
    EXPECT_TRUE(a.Position().IsWithin(b.Position(), 1e-4f));
    EXPECT_FLOAT_EQ(a.GetEndurance(), b.GetEndurance());
    EXPECT_EQ(a.GetFacing(), b.GetFacing());
    if (static_cast<std::size_t>(i) < starts.size()) anyMoved = anyMoved || a.Position().DistanceTo(starts[i]) > 1.0f;
  }
  EXPECT_TRUE(anyMoved);
}

}  // namespace
