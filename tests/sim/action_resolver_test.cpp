#include "sim/action_resolver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "app/random.h"
#include "sim/corpse.h"
#include "sim/damage_event.h"
#include "sim/event_list.h"
#include "sim/event_registration.h"
#include "sim/goo.h"
#include "sim/position_map.h"
#include "sim/projectile.h"
#include "sim/unit_events.h"
#include "sim/victory.h"
#include "sim/world_events.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/object_ref.h"
#include "world/terrain_object.h"
#include "world/volume.h"
#include "world/world.h"
#include "world/map_fixtures.h"
#include "sim/resolver_test_world.h"

namespace {

using resolver_test::Names;
using ActionResolverTest = resolver_test::ResolverWorldTest;
constexpr float kNow = resolver_test::kNow;

// --- the position map ----------------------------------------------------------------

TEST(PositionMapTest, KeysSeparatePlacesThatTheOldArithmeticMerged) {
  // x * 10,000,000 + y * 10,000 + z * 10 gave these pairs one key.
  const std::vector<std::pair<TVector3, TVector3>> pairs = {
      {TVector3(1.0f, 0.0f, 0.0f), TVector3(0.0f, 1000.0f, 0.0f)},
      {TVector3(-1.0f, 1000.0f, 0.0f), TVector3(0.0f, 0.0f, 0.0f)},
      {TVector3(300.0f, 0.0f, 0.0f), TVector3(300.0f - 429.4967296f, 0.0f, 0.0f)},
  };
  for (const auto& [a, b] : pairs) EXPECT_NE(TPositionMap::KeyOf(a), TPositionMap::KeyOf(b));
  // Within a tenth the key is shared.
  EXPECT_EQ(TPositionMap::KeyOf(TVector3(2.01f, 3.0f, 0.0f)), TPositionMap::KeyOf(TVector3(1.99f, 3.04f, 0.0f)));
}

TEST(PositionMapTest, ReservationsByPlaceAndById) {
  TPositionMap map;
  const TVector3 place(4.0f, 5.0f, 0.0f);
  EXPECT_TRUE(map.Find(place, 7));
  map.Insert(TObjectRef(7, nullptr), place);
  EXPECT_TRUE(map.Find(place, 7));
  EXPECT_FALSE(map.Find(place, 8));
  EXPECT_EQ(map.FindId(place), 7);

  // A second holder takes the place; the first one's id no longer leads to
  // it, so removing the first leaves the second's reservation alone.
  map.Insert(TObjectRef(8, nullptr), place);
  EXPECT_EQ(map.FindId(place), 8);
  map.Remove(7);
  EXPECT_EQ(map.FindId(place), 8);
  map.Remove(8);
  EXPECT_EQ(map.FindId(place), 0);
  EXPECT_EQ(map.Count(), 0);

  // An object holds one reservation: a new one replaces its old one.
  map.Insert(TObjectRef(9, nullptr), place);
  map.Insert(TObjectRef(9, nullptr), TVector3(6.0f, 5.0f, 0.0f));
  EXPECT_EQ(map.FindId(place), 0);
  EXPECT_EQ(map.Count(), 1);
  // An entry of id 0 never bars anybody.
  map.Insert(TObjectRef(0, nullptr), place);
  EXPECT_TRUE(map.Find(place, 3));
}

// --- movement ------------------------------------------------------------------------

TEST_F(ActionResolverTest, AStepIsRecordedAndTheSecondUnitIntoTheCellIsRefused) {
  Combatant& first = Unit("Grunt", 0, TVector3(3.0f, 3.0f, 0.0f));
  Combatant& second = Unit("Grunt", 0, TVector3(5.0f, 3.0f, 0.0f));
  const TVector3 cell(4.0f, 3.0f, 0.0f);
  TActionResolver::TStepBlock block;
  ASSERT_TRUE(resolver_->MoveUnit(first, cell, kNow, false, block));
  EXPECT_EQ(RecordedTypes(), (Names{"Movement", "Animation"}));
  const auto& step = Recorded<TMovementEvent>(0);
  EXPECT_EQ(step.GetDestination(), cell);
  EXPECT_EQ(step.GetPosition(), TVector3(3.0f, 3.0f, 0.0f));
  EXPECT_EQ(Recorded<TAnimationEvent>(1).GetState(), "Run");
  EXPECT_EQ(resolver_->GetPositions().FindId(cell), first.GetId());

  first.SetOrderFlag(true);  // still stepping
  TActionResolver::TStepBlock refused;
  EXPECT_FALSE(resolver_->MoveUnit(second, cell, kNow, false, refused));
  EXPECT_EQ(refused.blockerId, first.GetId());
  EXPECT_FALSE(refused.obstructed);
  ASSERT_EQ(events_.GetEventCount(), 3);
  EXPECT_EQ(Recorded<TFacingEvent>(2).GetFacing(), 6);  // towards -x

  // A holder that stopped stepping is worth a way round.
  first.SetOrderFlag(false);
  EXPECT_FALSE(resolver_->CanMoveTo(second, second.GetLofVolume(), cell, kNow, false, refused));
  EXPECT_TRUE(refused.obstructed);

  // Quiet steps leave the animation alone; the turn reset frees the cell.
  resolver_->ResetTurn();
  EXPECT_EQ(resolver_->GetPositions().Count(), 0);
}

TEST_F(ActionResolverTest, ARefusedStepStopsTheUnitWhenAsked) {
  Combatant& unit = Unit("Grunt", 0, TVector3(3.0f, 3.0f, 0.0f));
  TActionResolver::TStepBlock block;
  // Off the map: no ground.
  EXPECT_FALSE(resolver_->CanMoveTo(unit, unit.GetLofVolume(), TVector3(-3.0f, 3.0f, 0.0f), kNow, true, block));
  EXPECT_EQ(RecordedTypes(), (Names{"StopActions"}));
  EXPECT_FALSE(resolver_->CanMoveTo(unit, unit.GetLofVolume(), TVector3(-3.0f, 3.0f, 0.0f), kNow, false, block));
  EXPECT_EQ(events_.GetEventCount(), 1);
  // The volume is back where the unit stands after the tests.
  TVector3 centre;
  unit.GetLofVolume().Centre(centre);
  EXPECT_NEAR(centre.x, 3.0f, 0.001f);
}

TEST_F(ActionResolverTest, AClosedDoorIsNamedSoTheUnitCanOpenIt) {
  Combatant& unit = Unit("Grunt", 1, TVector3(3.0f, 3.0f, 0.0f));
  TTerrainObject* door =
      map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Door", 4.0f, 3.0f);
  ASSERT_NE(door, nullptr);
  TActionResolver::TStepBlock block;
  EXPECT_FALSE(resolver_->CanMoveTo(unit, unit.GetLofVolume(), TVector3(4.0f, 3.0f, 0.0f), kNow, false, block));
  EXPECT_EQ(block.blockerId, door->GetId());
  // A wall is no door: the step is refused without a name.
  map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", 3.0f, 4.0f);
  TActionResolver::TStepBlock wall;
  EXPECT_FALSE(resolver_->CanMoveTo(unit, unit.GetLofVolume(), TVector3(3.0f, 4.0f, 0.0f), kNow, false, wall));
  EXPECT_EQ(wall.blockerId, -1);
}

TEST_F(ActionResolverTest, GooRefusesEveryUnitButDrones) {
  const TVector3 gooAt(6.0f, 6.0f, 0.0f);
  world_->Add(std::make_unique<Goo>(gooAt, 0.0f));
  Combatant& grunt = Unit("Grunt", 0, TVector3(5.0f, 6.0f, 0.0f));
  Combatant& drone = Unit("Drone", 0, TVector3(6.0f, 5.0f, 0.0f));
  TActionResolver::TStepBlock block;
  EXPECT_FALSE(resolver_->CanMoveTo(grunt, grunt.GetLofVolume(), gooAt, kNow, false, block));
  EXPECT_TRUE(block.obstructed);
  TActionResolver::TStepBlock droneBlock;
  EXPECT_TRUE(resolver_->CanMoveTo(drone, drone.GetLofVolume(), gooAt, kNow, false, droneBlock));
  // Standing in goo already, another step into goo is no reason for a detour.
  grunt.SetPosition(TVector3(6.0f, 6.3f, 0.0f));
  TActionResolver::TStepBlock inGoo;
  EXPECT_FALSE(resolver_->CanMoveTo(grunt, grunt.GetLofVolume(), gooAt, kNow, false, inGoo));
  EXPECT_FALSE(inGoo.obstructed);
}

TEST_F(ActionResolverTest, OverlapsAlreadyThereCanBeWalkedOutOfExceptAMovingUnit) {
  Combatant& unit = Unit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  AmmoDump& dump = Dump("Marine HQ", 0, TVector3(5.3f, 5.0f, 0.0f));
  TActionResolver::TStepBlock block;
  // Still overlapping only the dump it already stands in.
  EXPECT_TRUE(resolver_->CanMoveTo(unit, unit.GetLofVolume(), TVector3(5.1f, 5.0f, 0.0f), kNow, false, block));
  EXPECT_EQ(block.blockerId, dump.GetId());

  // A dump the unit does not stand in yet bars the way.
  Combatant& other = Unit("Grunt", 1, TVector3(9.0f, 9.0f, 0.0f));
  TActionResolver::TStepBlock fresh;
  EXPECT_FALSE(resolver_->CanMoveTo(other, other.GetLofVolume(), TVector3(5.3f, 5.3f, 0.0f), kNow, false, fresh));
  EXPECT_TRUE(fresh.obstructed);

  // Overlapping a unit that is stepping: the step is refused.
  Combatant& walker = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& mover = Unit("Grunt", 0, TVector3(2.2f, 2.0f, 0.0f));
  mover.SetOrderFlag(true);
  TActionResolver::TStepBlock moving;
  EXPECT_FALSE(resolver_->CanMoveTo(walker, walker.GetLofVolume(), TVector3(2.1f, 2.0f, 0.0f), kNow, false, moving));
  EXPECT_EQ(moving.blockerId, mover.GetId());
  EXPECT_FALSE(moving.obstructed);
  // The same unit standing still may be walked out of.
  mover.SetOrderFlag(false);
  TActionResolver::TStepBlock still;
  EXPECT_TRUE(resolver_->CanMoveTo(walker, walker.GetLofVolume(), TVector3(2.1f, 2.0f, 0.0f), kNow, false, still));
}

// The step test passes over objects far from the step before testing their
// volumes: across distances from touching to well clear, in several
// directions, a step is refused exactly where the volumes overlap.
TEST_F(ActionResolverTest, AStepIsRefusedExactlyWhereTheVolumesOverlap) {
  Combatant& walker = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& unit = Unit("Grunt", 1, TVector3(11.0f, 11.0f, 0.0f));
  AmmoDump& dump = Dump("Marine HQ", 1, TVector3(0.0f, 11.0f, 0.0f));
  const TVector3 next(6.0f, 6.0f, 0.0f);
  const std::vector<TVector3> directions = {TVector3(1.0f, 0.0f, 0.0f), TVector3(0.0f, -1.0f, 0.0f),
                                            TVector3(0.7071f, 0.7071f, 0.0f)};
  const auto overlaps = [&](TGameObject& object) {
    TVector3 place = next;
    TVolumeAt placed(walker.GetLofVolume(), &place);
    return object.GetLofVolume().AnyIntersects(walker.GetLofVolume());
  };
  for (TGameObject* object : {static_cast<TGameObject*>(&unit), static_cast<TGameObject*>(&dump)}) {
    const TVector3 parked = object->Position();
    int32_t refused = 0;
    int32_t allowed = 0;
    for (const TVector3& direction : directions) {
      for (int32_t step = 0; step <= 80; ++step) {
        const float distance = 0.05f * static_cast<float>(step);
        object->SetPosition(TVector3(next.x + direction.x * distance, next.y + direction.y * distance, 0.0f));
        const bool expected = !overlaps(*object);
        TActionResolver::TStepBlock block;
        const bool free = resolver_->CanMoveTo(walker, walker.GetLofVolume(), next, kNow, false, block);
        EXPECT_EQ(free, expected) << object->TypeName() << " at " << distance;
        ++(free ? allowed : refused);
      }
    }
    // Both answers occur, so the table spans the edge of the overlap.
    EXPECT_GT(refused, 0);
    EXPECT_GT(allowed, 0);
    object->SetPosition(parked);
  }
}

TEST_F(ActionResolverTest, TurnToFaceRecordsOnlyANewSector) {
  Combatant& unit = Unit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  unit.SetFacing(0);
  resolver_->TurnToFace(unit, kNow, TVector3(5.0f, 9.0f, 0.0f));  // straight ahead
  EXPECT_EQ(events_.GetEventCount(), 0);
  resolver_->TurnToFace(unit, kNow, TVector3(9.0f, 9.0f, 0.0f));
  ASSERT_EQ(RecordedTypes(), (Names{"Facing"}));
  EXPECT_EQ(Recorded<TFacingEvent>(0).GetFacing(), 1);
  EXPECT_EQ(unit.GetFacing(), 1);
}

// --- care, death and deployment ------------------------------------------------------

TEST_F(ActionResolverTest, KillHealShieldAndResupplyRecordTheirEvents) {
  Combatant& unit = Unit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  unit.AddEndurance(35.0f - unit.GetEndurance());
  resolver_->KillUnit(unit, kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"Damage"}));
  EXPECT_FLOAT_EQ(Recorded<TDamageEvent>(0).GetAmount(), 1035.0f);
  EXPECT_TRUE(unit.IsDestroyed());

  events_.Clear();
  Combatant& patient = Unit("Grunt", 0, TVector3(6.0f, 5.0f, 0.0f));
  patient.AddEndurance(-10.0f);
  resolver_->Heal(patient, kNow);
  resolver_->ToggleShield(patient, true, kNow);
  EXPECT_EQ(RecordedTypes(), (Names{"Heal", "ToggleShield", "Ammo"}));
  EXPECT_FLOAT_EQ(Recorded<THealEvent>(0).GetAmount(), 1.0f);
  EXPECT_EQ(Recorded<TAmmoEvent>(2).GetRounds(), -1);

  // A full weapon takes nothing at all.
  events_.Clear();
  Combatant& full = Unit("Grunt", 0, TVector3(7.0f, 5.0f, 0.0f));
  ASSERT_TRUE(full.GetWeapon()->IsFull());
  resolver_->Resupply(full, kNow, &patient);
  EXPECT_EQ(events_.GetEventCount(), 0);

  // One short: the shield switch goes off, a round comes in, and a supplier
  // with resupply energy pays for it.
  Combatant& supplier = Unit("Scanner", 0, TVector3(8.0f, 5.0f, 0.0f));
  ASSERT_TRUE(supplier.GetType().HasResupplyEnergy());
  full.GetWeapon()->AddAmmunition(-1);
  resolver_->Resupply(full, kNow, &supplier);
  EXPECT_EQ(RecordedTypes(), (Names{"ToggleShield", "Resupply", "Ammo"}));
  EXPECT_TRUE(full.GetWeapon()->IsFull());
  EXPECT_FALSE(full.GetCanFire());
  EXPECT_EQ(Recorded<TAmmoEvent>(2).GetRounds(), -1);
}

TEST_F(ActionResolverTest, AUnitThatDiesOfItsEmptyWeaponDiesByARecordedBlow) {
  // Grey units soak hits with their ammunition; a warp gunner whose barrier
  // is spent dies of it. Only a recorded blow lets the players' playback see
  // that death: the computing world's destroyed-object pass is not replayed.
  Combatant& spent = Unit("Warp Gunner", 1, TVector3(5.0f, 5.0f, 0.0f));
  ASSERT_TRUE(spent.GetType().HasAmmoDeath());
  spent.TakeDamage(spent.GetWeapon()->GetAmmunitionValue());
  ASSERT_EQ(spent.GetWeapon()->GetAmmunition(), 0);
  ASSERT_FALSE(spent.IsDestroyed());
  Combatant& armed = Unit("Warp Gunner", 1, TVector3(6.0f, 5.0f, 0.0f));
  Combatant& emptyGrunt = Unit("Grunt", 0, TVector3(7.0f, 5.0f, 0.0f));
  emptyGrunt.GetWeapon()->SetAmmunition(0.0f);

  resolver_->KillUnitsOutOfAmmunition(kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"Damage"}));
  EXPECT_EQ(Recorded<TDamageEvent>(0).GetTargetId(), spent.GetId());
  EXPECT_TRUE(Recorded<TDamageEvent>(0).TestFlag(1));  // the owner's results carry it
  EXPECT_TRUE(spent.IsDestroyed());
  EXPECT_FALSE(armed.IsDestroyed());
  EXPECT_FALSE(emptyGrunt.IsDestroyed());

  // A dead unit is not killed twice.
  events_.Clear();
  resolver_->KillUnitsOutOfAmmunition(kNow + 1.0f);
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(ActionResolverTest, EatingAndLayingEggs) {
  Combatant& queen = Unit("Queen", 1, TVector3(5.0f, 5.0f, 0.0f));
  const TUnitType& grunt = *world_->GetGameData().FindUnitType("Grunt");
  auto body = std::make_unique<Corpse>(TVector3(5.5f, 5.0f, 0.0f), grunt, 0, 1.0f, 0);
  Corpse* corpse = body.get();
  world_->Add(std::move(body));
  resolver_->EatCorpse(queen, *corpse, kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"Calorie", "Damage"}));
  EXPECT_FLOAT_EQ(Recorded<TCalorieEvent>(0).GetAmount(), corpse->GetFoodValue());
  EXPECT_FLOAT_EQ(Recorded<TDamageEvent>(1).GetAmount(), 1000.0f);

  events_.Clear();
  resolver_->LayEgg(queen, kNow);
  EXPECT_EQ(RecordedTypes(), (Names{"LayEgg"}));
  // An egg already lying there: nothing more.
  events_.Clear();
  world_->Add(std::make_unique<Egg>(queen.Position(), *world_->GetGameData().FindUnitType("Egg"), 1, 1.0f));
  resolver_->LayEgg(queen, kNow);
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(ActionResolverTest, DeploymentBooksTheCostAndTakingItBackRefundsIt) {
  auto scenario = std::make_unique<TWipeOutScenario>();
  resolver_->SetScenario(scenario.get());
  const int32_t id = resolver_->DeployUnit(-1, "Grunt", 1, TVector3(4.0f, 4.0f, 0.0f), kNow, "Hicks");
  ASSERT_GE(id, 0);
  const auto* unit = dynamic_cast<const Combatant*>(world_->GetUnits().FindById(id));
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->GetName(), "Hicks");
  EXPECT_EQ(unit->GetOwner(), 1);
  EXPECT_EQ(scenario->GetUnitCount("Grunt"), 1);
  ASSERT_EQ(RecordedTypes(), (Names{"Vision"}));
  EXPECT_TRUE(events_.GetEvent(0)->TestFlag(1));
  EXPECT_FLOAT_EQ(resolver_->GetUnitTypeCost("Grunt"), world_->GetGameData().FindUnitType("Grunt")->GetCost());

  // A headquarters is a dump; an object restored with its id books nothing.
  const int32_t hq = resolver_->DeployUnit(-1, "Marine HQ", 1, TVector3(8.0f, 8.0f, 0.0f), kNow, "");
  EXPECT_NE(world_->GetAmmoDumps().FindById(hq), nullptr);
  const int32_t restored = resolver_->DeployUnit(500, "Grunt", 0, TVector3(2.0f, 8.0f, 0.0f), kNow, "");
  EXPECT_EQ(restored, 500);
  EXPECT_EQ(scenario->GetUnitCount("Grunt"), 1);

  resolver_->CheckDeployment(id);
  resolver_->CheckDeployment(hq);
  EXPECT_EQ(world_->GetUnits().FindById(id), nullptr);
  EXPECT_EQ(world_->GetAmmoDumps().FindById(hq), nullptr);
  EXPECT_EQ(scenario->GetUnitCount("Grunt"), 0);
  EXPECT_EQ(scenario->GetUnitCount("Marine HQ"), 0);

  // An unknown type places nothing; the Deploy order tries again.
  EXPECT_EQ(resolver_->DeployUnit(-1, "Dragon", 0, TVector3(3.0f, 3.0f, 0.0f), kNow, ""), -1);
  resolver_->SetScenario(nullptr);
}

TEST_F(ActionResolverTest, VisionEventsAreForOneSide) {
  Combatant& unit = Unit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  unit.SetFlag(0, 1);
  resolver_->UpdateVision(unit, 1, kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"Vision"}));
  EXPECT_FALSE(events_.GetEvent(0)->TestFlag(0));
  EXPECT_TRUE(events_.GetEvent(0)->TestFlag(1));
}

// --- shooting ------------------------------------------------------------------------

TEST(DeviateDirectionTest, NoSpreadKeepsTheDirectionAndTheDrawOrderIsFixed) {
  GetRandom()->Seed(5);
  TVector3 straight(0.6f, 0.8f, 0.0f);
  TActionResolver::DeviateDirection(straight, 0.0f);
  EXPECT_NEAR(straight.x, 0.6f, 1e-6f);
  EXPECT_NEAR(straight.y, 0.8f, 1e-6f);

  // The same two draws, made by hand, give the same turn.
  GetRandom()->Seed(5);
  TRandom& random = *GetRandom();
  const float r1 = 1.0f - random.Float(1.0f);
  const float r2 = random.Float(1.0f);
  const float size = 0.1f * std::sqrt(-std::log(r1) / std::log(2.0f));
  // D = (1, 0, 0): the least axis is y, U = D x y = (0, 0, 1), V = U x D = (0, 1, 0).
  TVector3 expected(1.0f, size * std::sin(r2 * 6.28318f), size * std::cos(r2 * 6.28318f));
  expected.Normalise();
  GetRandom()->Seed(5);
  TVector3 d(1.0f, 0.0f, 0.0f);
  TActionResolver::DeviateDirection(d, 0.1f);
  EXPECT_NEAR(d.x, expected.x, 1e-5f);
  EXPECT_NEAR(d.y, expected.y, 1e-5f);
  EXPECT_NEAR(d.z, expected.z, 1e-5f);

  // Every draw gives a finite unit vector.
  for (int i = 0; i < 2000; ++i) {
    TVector3 v(0.0f, 0.0f, 1.0f);
    TActionResolver::DeviateDirection(v, 0.3f);
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    EXPECT_NEAR(v.Length(), 1.0f, 1e-4f);
  }
}

TEST_F(ActionResolverTest, FiringLaunchesAShotAndSpendsItsAmmunition) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  const int32_t before = unit.GetWeapon()->GetAmmunition();
  resolver_->FireWeapon(unit, TVector3(9.0f, 2.0f, 0.5f), 2.8f);
  ASSERT_EQ(RecordedTypes(), (Names{"Animation", "Ammo"}));
  EXPECT_EQ(Recorded<TAnimationEvent>(0).GetState(), "Fire");
  EXPECT_FLOAT_EQ(events_.GetEvent(0)->GetTime(), 2.8f);
  EXPECT_EQ(Recorded<TAmmoEvent>(1).GetRounds(), -unit.GetWeapon()->GetAmmoPerShot());
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), before - unit.GetWeapon()->GetAmmoPerShot());
  ASSERT_EQ(unit.GetWeapon()->HeldShotCount(), 1);
  EXPECT_FLOAT_EQ(unit.GetWeapon()->HeldShot(0)->GetCreationTime(), 2.8f);

  // A lobbing weapon over open ground takes a clear arc as well.
  events_.Clear();
  Combatant& lobber = Unit("Grenadier", 0, TVector3(2.0f, 6.0f, 0.0f));
  resolver_->FireWeapon(lobber, TVector3(8.0f, 6.0f, 0.0f), kNow);
  EXPECT_EQ(RecordedTypes(), (Names{"Animation", "Ammo"}));
  EXPECT_EQ(lobber.GetWeapon()->HeldShotCount(), 1);
}

TEST_F(ActionResolverTest, TheWarpVolleyReachesEachPointAtItsTime) {
  Combatant& gunner = Unit("Warp Gunner", 0, TVector3(2.0f, 2.0f, 0.0f));
  const TVector3 target(8.0f, 2.0f, 1.0f);
  const std::vector<TVector3> further = {TVector3(8.0f, 6.0f, 1.0f), TVector3(4.0f, 6.0f, 1.0f)};
  resolver_->FireWarpAttack(gunner, target, further, kNow, 2.5f);
  ASSERT_EQ(RecordedTypes(), (Names{"Animation", "Ammo"}));
  ASSERT_EQ(gunner.GetWeapon()->HeldShotCount(), 1);
  const TWeapon& weapon = *gunner.GetWeapon();
  const TVector3 launch = weapon.LaunchPoint(gunner.Position(), TVector3(1.0f, 0.0f, 0.0f), gunner.GetRadius());
  const float speed = weapon.GetSpeed();
  const auto& shot = static_cast<const Projectile&>(*weapon.HeldShot(0));
  const std::vector<float>& times = shot.GetPathTimes();
  ASSERT_EQ(times.size(), 3u);
  const float first = 2.5f + launch.DistanceTo(target) / speed;
  EXPECT_NEAR(times[0], first, 0.01f);  // the first leg's aim deviates a little
  EXPECT_NEAR(times[1], times[0] + 4.0f / speed, 1e-4f);
  EXPECT_NEAR(times[2], times[1] + 4.0f / speed, 1e-4f);
}

TEST_F(ActionResolverTest, PsychicStrikesPickTheNearestEnemy) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  Unit("Grunt", 0, TVector3(6.0f, 6.0f, 0.0f));  // a friend at the point
  Combatant& near = Unit("Grunt", 1, TVector3(6.2f, 6.0f, 0.0f));
  Combatant& far = Unit("Grunt", 1, TVector3(9.0f, 9.0f, 0.0f));
  const float health = near.GetEndurance();
  resolver_->FirePsychic(psyker, TVector3(6.0f, 6.0f, 0.0f), kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"PsychicDamage", "Animation", "Ammo"}));
  EXPECT_TRUE(near.HasPsychicAttack());
  EXPECT_FALSE(far.HasPsychicAttack());
  const float base = psyker.GetWeapon()->GetDamage() * (1.0f - near.GetType().GetPsychicResistance());
  const float dealt = health - near.GetEndurance();
  EXPECT_GE(dealt, 0.5f * base - 0.001f);
  EXPECT_LT(dealt, 1.5f * base + 0.001f);

  // Too far for any chance (100 - 20 d < 0): a miss still costs the shot.
  events_.Clear();
  far.SetPsychicAttack(false);
  resolver_->FirePsychicAttack(psyker, TVector3(11.0f, 0.0f, 0.0f), kNow);
  EXPECT_EQ(RecordedTypes(), (Names{"Animation", "Ammo"}));
  EXPECT_FALSE(far.HasPsychicAttack());

  // The attack stops the victim it strikes.
  events_.Clear();
  resolver_->FirePsychicAttack(psyker, far.Position(), kNow);
  EXPECT_EQ(RecordedTypes(), (Names{"StopActions", "Animation", "Ammo"}));
  EXPECT_TRUE(far.HasPsychicAttack());

  // Without a full shot's ammunition nothing happens.
  events_.Clear();
  psyker.GetWeapon()->SetAmmunition(0.0f);
  resolver_->FirePsychic(psyker, near.Position(), kNow);
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(ActionResolverTest, ACloseCombatBlowIsDrawnAroundTheWeaponDamage) {
  Combatant& attacker = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& target = Unit("Grunt", 1, TVector3(2.5f, 2.0f, 0.0f));
  GetRandom()->Seed(3);
  const float d = attacker.GetWeapon()->GetDamage();
  const float expected = GetRandom()->FloatRange(0.5f * d, 1.5f * d);
  GetRandom()->Seed(3);
  resolver_->CloseCombatHit(attacker, target, kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"Damage"}));
  EXPECT_FLOAT_EQ(Recorded<TDamageEvent>(0).GetAmount(), expected);
}

}  // namespace
