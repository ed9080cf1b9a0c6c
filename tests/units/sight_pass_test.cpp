#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/action_resolver.h"
#include "sim/event.h"
#include "sim/event_list.h"
#include "sim/world_events.h"
#include "units/combatant.h"
#include "units/sight_resolver.h"
#include "units/sight_test_world.h"
#include "units/unit_visual_state.h"
#include "world/bit_set.h"
#include "world/map.h"
#include "world/object_ref.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"

namespace {

using TSeen = std::pair<int32_t, int32_t>;  // object id, side

// A sight pass that reports to an action resolver recording into an event
// list.
class SightPassTest : public sight_test::SightWorldTest {
 protected:
  void SetUp() override {
    SightWorldTest::SetUp();
    actions_ = std::make_unique<TActionResolver>(*world_, nullptr);
    actions_->SetEvents(&events_);
    sight_ = std::make_unique<TSightResolver>(*world_, actions_.get());
  }
  void TearDown() override {
    sight_.reset();
    actions_.reset();
    SightWorldTest::TearDown();
  }

  // One pass as the simulator runs it; the vision events it recorded.
  std::vector<TSeen> Pass(float t) { return PassOf(*sight_, t); }
  std::vector<TSeen> PassOf(TSightResolver& sight, float t) {
    const int32_t before = events_.GetEventCount();
    sight.UpdateCells(t);
    sight.Step(t);
    std::vector<TSeen> seen;
    for (int32_t i = before; i < events_.GetEventCount(); ++i) {
      const auto* vision = dynamic_cast<const TVisionEvent*>(events_.GetEvent(i));
      EXPECT_NE(vision, nullptr);
      if (vision == nullptr) continue;
      EXPECT_FLOAT_EQ(vision->GetTime(), t);
      for (int32_t side = 0; side < 2; ++side) {
        if (vision->TestFlag(side)) seen.emplace_back(vision->GetRecord().GetId(), side);
      }
    }
    return seen;
  }

  TEventList events_;
  std::unique_ptr<TActionResolver> actions_;
};

// --- sides ------------------------------------------------------------------------------

struct SideCase {
  const char* name;
  int32_t owner;
  bool psychic;
  int32_t side;
};

class SideOfTest : public sight_test::SightWorldTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(SideOfTest, APendingPsychicAttackSightsForTheOtherSide) {
  const SideCase& c = GetParam();
  Combatant* unit = PlaceUnit(5.0f, 5.0f, c.owner);
  unit->SetPsychicAttack(c.psychic);
  EXPECT_EQ(TSightResolver::SideOf(*unit), c.side);
}

INSTANTIATE_TEST_SUITE_P(Owners, SideOfTest,
                         ::testing::Values(SideCase{"Zero", 0, false, 0}, SideCase{"One", 1, false, 1},
                                           SideCase{"ZeroPsychic", 0, true, 1}, SideCase{"OnePsychic", 1, true, 0},
                                           SideCase{"ThreePsychic", 3, true, 0}),
                         [](const ::testing::TestParamInfo<SideCase>& info) { return std::string(info.param.name); });

// --- vision events ------------------------------------------------------------------------

TEST_F(SightPassTest, OnlyChangedFlagsBecomeVisionEvents) {
  Combatant* a = PlaceUnit(5.0f, 5.3f, 0);
  Combatant* b = PlaceUnit(10.0f, 5.3f, 1);

  EXPECT_EQ(Pass(0.1f), (std::vector<TSeen>{{a->GetId(), 1}, {b->GetId(), 0}}));
  EXPECT_TRUE(b->TestFlag(0));
  EXPECT_TRUE(a->TestFlag(1));
  // Nothing changed: nothing is reported, though both still see each other.
  EXPECT_TRUE(Pass(0.2f).empty());
  EXPECT_TRUE(b->TestFlag(0));

  // Out of sight: the loss of sight is a change too.
  b->SetPosition(TVector3(35.0f, 45.0f, 0.0f));
  EXPECT_EQ(Pass(0.3f), (std::vector<TSeen>{{a->GetId(), 1}, {b->GetId(), 0}}));
  EXPECT_FALSE(b->TestFlag(0));
  EXPECT_FALSE(a->TestFlag(1));
}

TEST_F(SightPassTest, AWallHidesWhatStandsBehindItAndIsSeenInstead) {
  Combatant* a = PlaceUnit(5.0f, 5.3f, 0);
  Combatant* b = PlaceUnit(10.0f, 5.3f, 1);
  TTerrainObject* wall = PlaceTile("Wall", 7.5f, 5.5f);

  const std::vector<TSeen> seen = Pass(0.2f);
  EXPECT_FALSE(b->TestFlag(0));
  EXPECT_FALSE(a->TestFlag(1));
  EXPECT_TRUE(wall->TestFlag(0));
  EXPECT_TRUE(wall->TestFlag(1));
  EXPECT_EQ(seen, (std::vector<TSeen>{{wall->GetId(), 0}, {wall->GetId(), 1}}));
}

TEST_F(SightPassTest, ADeadUnitSeesNothing) {
  Combatant* a = PlaceUnit(5.0f, 5.3f, 0);
  Combatant* b = PlaceUnit(10.0f, 5.3f, 1);
  a->LoseEndurance(a->GetEndurance() + 1.0f);
  ASSERT_TRUE(a->IsDestroyed());
  Pass(0.1f);
  EXPECT_FALSE(b->TestFlag(0));
  EXPECT_TRUE(a->TestFlag(1));
}

struct PsychicCase {
  const char* name;
  bool psychic;
  bool friendSeenByOtherSide;
};

class PsychicSightTest : public SightPassTest, public ::testing::WithParamInterface<PsychicCase> {};

TEST_P(PsychicSightTest, APsychicAttackerShowsItsOwnSideToTheOther) {
  const PsychicCase& c = GetParam();
  Combatant* attacker = PlaceUnit(5.0f, 5.0f, 0);
  Combatant* partner = PlaceUnit(8.0f, 5.0f, 0);
  attacker->SetPsychicAttack(c.psychic);
  Pass(0.1f);
  EXPECT_EQ(partner->TestFlag(1), c.friendSeenByOtherSide);
}

INSTANTIATE_TEST_SUITE_P(Attacks, PsychicSightTest,
                         ::testing::Values(PsychicCase{"Plain", false, false}, PsychicCase{"Psychic", true, true}),
                         [](const ::testing::TestParamInfo<PsychicCase>& info) {
                           return std::string(info.param.name);
                         });

struct TrackingCase {
  const char* name;
  const char* viewer;
  float targetX;
  bool seen;
};

class TrackingTest : public SightPassTest, public ::testing::WithParamInterface<TrackingCase> {};

TEST_P(TrackingTest, TrackingFindsUnitsBehindWallsWithinItsRange) {
  const TrackingCase& c = GetParam();
  PlaceUnit(5.0f, 5.3f, 0, c.viewer);
  Combatant* target = PlaceUnit(c.targetX, 5.3f, 1);
  PlaceTile("Wall", 7.5f, 5.5f);
  Pass(0.1f);
  EXPECT_EQ(target->TestFlag(0), c.seen);
}

INSTANTIATE_TEST_SUITE_P(Viewers, TrackingTest,
                         ::testing::Values(TrackingCase{"ScannerInRange", "Scanner", 10.0f, true},
                                           TrackingCase{"ScannerOutOfRange", "Scanner", 18.0f, false},
                                           TrackingCase{"GruntWithoutTracking", "Grunt", 10.0f, false}),
                         [](const ::testing::TestParamInfo<TrackingCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(SightPassTest, ASurrogateIsSeenWhenTheObjectItStandsForIsSeen) {
  PlaceUnit(5.0f, 5.3f, 0);
  Combatant* b = PlaceUnit(10.0f, 5.3f, 1);
  // The surrogate stands far out of sight, linked to b.
  const TGameData& data = world_->GetGameData();
  Combatant gone(*data.FindUnitType("Grunt"), nullptr, 1, TVector3(35.0f, 45.0f, 0.0f), 0.0f);
  auto surrogate = std::make_unique<Surrogate>(gone);
  surrogate->AddLink(std::make_unique<TObjectRef>(b));
  Surrogate* placed = static_cast<Surrogate*>(Place(std::move(surrogate)));

  Pass(0.1f);
  EXPECT_TRUE(b->TestFlag(0));
  EXPECT_TRUE(placed->TestFlag(0));
}

// --- terrain sighting -----------------------------------------------------------------------

TEST_F(SightPassTest, TerrainIsSightedOnMapPassesWhenTheUnitNeedsIt) {
  Combatant* unit = PlaceUnit(5.0f, 5.0f, 0);
  TTerrainObject* crate = PlaceTile("Crate", 8.0f, 5.0f);

  Pass(0.1f);  // no map pass yet
  EXPECT_FALSE(crate->TestFlag(0));
  const TSightRecord* record = sight_->FindSightRecord(unit->GetId());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->lastPosition, nullptr);

  Pass(0.2f);
  EXPECT_TRUE(crate->TestFlag(0));
  EXPECT_EQ(record->resightStanding, 0);
  EXPECT_EQ(record->resightMoving, 0);
  ASSERT_NE(record->lastPosition, nullptr);
  EXPECT_EQ(*record->lastPosition, unit->Position());

  // A standing unit that has not moved does not look again...
  world_->GetMap().ClearChanged();
  crate->AssignFlags(TBitSet());
  Pass(0.3f);
  Pass(0.4f);
  EXPECT_FALSE(crate->TestFlag(0));
  // ...until the terrain changes...
  PlaceTile("Crate", 5.0f, 8.0f);
  Pass(0.5f);
  EXPECT_EQ(record->resightStanding, 1);
  Pass(0.6f);
  EXPECT_TRUE(crate->TestFlag(0));
  EXPECT_EQ(record->resightStanding, 0);
  // ...or it moves.
  world_->GetMap().ClearChanged();
  crate->AssignFlags(TBitSet());
  unit->SetPosition(TVector3(5.5f, 5.0f, 0.0f));
  Pass(0.8f);
  EXPECT_TRUE(crate->TestFlag(0));
}

TEST_F(SightPassTest, AMovingUnitKeepsItsStandingResight) {
  Combatant* unit = PlaceUnit(5.0f, 5.0f, 0);
  unit->GetAnimator().SetState("Run", 0.0f);
  ASSERT_FALSE(unit->IsStanding());
  Pass(0.2f);
  const TSightRecord* record = sight_->FindSightRecord(unit->GetId());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->resightMoving, 0);
  EXPECT_EQ(record->resightStanding, 1);
}

// --- map pass timing ------------------------------------------------------------------------

struct TimingCase {
  const char* name;
  bool singlePlayer;
  std::vector<int> duePasses;  // the passes, every 0.1, on which terrain is sighted
};

class MapPassTimingTest : public SightPassTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(MapPassTimingTest, TerrainIsSightedEveryIntervalOfSimulationTime) {
  const TimingCase& c = GetParam();
  sight_->SetSinglePlayer(c.singlePlayer);
  std::vector<int> due;
  for (int pass = 1; pass <= 12; ++pass) {
    const float t = 0.1f * static_cast<float>(pass);
    if (sight_->IsMapPassDue(t)) due.push_back(pass);
    Pass(t);
  }
  EXPECT_EQ(due, c.duePasses);
}

INSTANTIATE_TEST_SUITE_P(Modes, MapPassTimingTest,
                         ::testing::Values(TimingCase{"Multiplayer", false, {2, 4, 6, 8, 10, 12}},
                                           TimingCase{"SinglePlayer", true, {4, 8, 12}}),
                         [](const ::testing::TestParamInfo<TimingCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(SightPassTest, AResetMakesAMapPassDueAtOnce) {
  EXPECT_FALSE(sight_->IsMapPassDue(0.15f));
  sight_->ResetMapPass(5.0f);
  EXPECT_TRUE(sight_->IsMapPassDue(5.0f));
  sight_->AdvanceMapPass(5.0f);
  EXPECT_FALSE(sight_->IsMapPassDue(5.0f));
  EXPECT_TRUE(sight_->IsMapPassDue(5.2f));
}

TEST_F(SightPassTest, LockedMapObjectsKeepTheirBitsBetweenMapPasses) {
  PlaceUnit(5.0f, 5.0f, 0);
  TTerrainObject* crate = PlaceTile("Crate", 8.0f, 5.0f);
  Pass(0.2f);
  ASSERT_TRUE(crate->TestFlag(0));
  // Between map passes the map's flag sets stay locked.
  Pass(0.3f);
  EXPECT_TRUE(crate->GetFlagSet().IsLocked());
  crate->SetFlag(1, true);
  EXPECT_FALSE(crate->TestFlag(1));
}

// --- the map's flag commit and report -------------------------------------------------------

// Every tile the map holds has its flags committed: after a map pass that
// saw nothing new (it unlocks every tile before it commits, and locks them
// again at its end).
void ExpectTilesCommitted(const TMap& map) {
  for (const auto& tile : map.Tiles()) {
    if (tile == nullptr) continue;
    EXPECT_EQ(tile->GetPreviousFlags(), tile->GetCurrentFlags()) << tile->GetId();
  }
}

TEST_F(SightPassTest, TilesReportInTheMapsOrderWhateverOrderTheyAreSeenIn) {
  // The first unit sees only the later tile, the second only the earlier.
  TTerrainObject* early = PlaceTile("Crate", 33.0f, 45.0f);
  TTerrainObject* late = PlaceTile("Crate", 8.0f, 5.0f);
  PlaceUnit(5.0f, 5.0f, 0);
  PlaceUnit(35.0f, 45.0f, 0);
  EXPECT_EQ(Pass(0.2f), (std::vector<TSeen>{{early->GetId(), 0}, {late->GetId(), 0}}));
}

TEST_F(SightPassTest, TilesChangedBetweenMapPassesAreCommittedOnTheNext) {
  PlaceUnit(5.0f, 5.0f, 0);
  TTerrainObject* near = PlaceTile("Crate", 8.0f, 5.0f);
  TTerrainObject* far = PlaceTile("Crate", 30.0f, 40.0f);
  Pass(0.2f);
  world_->GetMap().ClearChanged();
  // While the map is locked its flags change only by assignment.
  TBitSet both;
  both.SetAll(true);
  far->AssignFlags(both);
  near->AssignFlags(TBitSet());
  EXPECT_TRUE(Pass(0.3f).empty());
  EXPECT_NE(far->GetPreviousFlags(), far->GetCurrentFlags());
  // The next map pass commits them; the near crate is not looked at again
  // by a unit that has not moved.
  EXPECT_TRUE(Pass(0.4f).empty());
  ExpectTilesCommitted(world_->GetMap());
  EXPECT_TRUE(far->TestFlag(1));
  EXPECT_FALSE(near->TestFlag(0));
}

TEST_F(SightPassTest, TilesAddedAndRemovedBetweenPassesAreCommittedAndReported) {
  PlaceUnit(5.0f, 5.0f, 0);
  TTerrainObject* first = PlaceTile("Crate", 8.0f, 5.0f);
  PlaceTile("Crate", 30.0f, 40.0f);
  EXPECT_EQ(Pass(0.2f), (std::vector<TSeen>{{first->GetId(), 0}}));
  // The list shifts: the crate left behind takes the first place.
  world_->GetMap().Remove(first);
  TTerrainObject* added = PlaceTile("Crate", 5.0f, 8.0f);
  EXPECT_EQ(Pass(0.4f), (std::vector<TSeen>{{added->GetId(), 0}}));
  world_->GetMap().ClearChanged();
  EXPECT_TRUE(Pass(0.6f).empty());
  ExpectTilesCommitted(world_->GetMap());
}

TEST_F(SightPassTest, TwoPassesTakingTurnsOverOneWorldEachCommitEveryTile) {
  PlaceUnit(5.0f, 5.0f, 0);
  TTerrainObject* crate = PlaceTile("Crate", 8.0f, 5.0f);
  TTerrainObject* far = PlaceTile("Crate", 30.0f, 40.0f);
  TSightResolver other(*world_, actions_.get());
  EXPECT_EQ(Pass(0.2f), (std::vector<TSeen>{{crate->GetId(), 0}}));
  world_->GetMap().ClearChanged();
  EXPECT_TRUE(Pass(0.4f).empty());
  // The other pass sees the crate as the first one left it.
  EXPECT_TRUE(PassOf(other, 0.6f).empty());
  TBitSet both;
  both.SetAll(true);
  far->AssignFlags(both);
  EXPECT_TRUE(Pass(0.8f).empty());
  ExpectTilesCommitted(world_->GetMap());
  EXPECT_TRUE(crate->TestFlag(0));
}

// --- the screen's view -------------------------------------------------------------------------

std::vector<int32_t> IdsOf(const std::vector<std::unique_ptr<TObjectRef>>& refs) {
  std::vector<int32_t> ids;
  for (const auto& ref : refs) {
    const TGameObject* object = ref->Resolve();
    ids.push_back(object != nullptr ? object->GetId() : -1);
  }
  return ids;
}

TEST_F(SightPassTest, CollectVisibleListsWhatTheUnitSeesWithoutChangingFlags) {
  Combatant* viewer = PlaceUnit(5.0f, 5.3f, 0);
  TTerrainObject* wall = PlaceTile("Wall", 7.5f, 5.5f);
  TTerrainObject* nearFloor = PlaceTile("Floor", 12.0f, 5.0f);  // behind the wall, in range
  PlaceTile("Floor", 30.0f, 40.0f);                             // out of range
  Combatant* hidden = PlaceUnit(10.0f, 5.3f, 1);
  Combatant* open = PlaceUnit(5.0f, 9.0f, 1);
  PlaceUnit(6.0f, 3.0f, 0);  // own side

  std::vector<std::unique_ptr<TObjectRef>> all;
  sight_->CollectVisible(*viewer, all, 0.0f, 1.0f);
  EXPECT_EQ(IdsOf(all), (std::vector<int32_t>{wall->GetId(), nearFloor->GetId(), open->GetId()}));
  EXPECT_FALSE(hidden->TestFlag(0));
  EXPECT_FALSE(open->TestFlag(0));
  EXPECT_FALSE(wall->TestFlag(0));

  // Spread over two calls, the same objects come out.
  std::vector<std::unique_ptr<TObjectRef>> parts;
  sight_->CollectVisible(*viewer, parts, 0.0f, 0.5f);
  sight_->CollectVisible(*viewer, parts, 0.5f, 1.0f);
  std::vector<int32_t> partIds = IdsOf(parts);
  std::vector<int32_t> allIds = IdsOf(all);
  std::sort(partIds.begin(), partIds.end());
  std::sort(allIds.begin(), allIds.end());
  EXPECT_EQ(partIds, allIds);
}

}  // namespace
