#include "sim/unit_events.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/version_info.h"
#include "session/id_mapper.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/reaction_manager.h"
#include "units/unit_test_rules.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/world.h"

namespace {

// Time, type index and subject id in front of every unit event's fields.
constexpr std::size_t kHeaderBytes = 2 + 4 + 4;

// A turn of events as a player receives it, read back into a list.
struct TReceivedTurn {
  TEventList list;
  bool loaded = false;
};

class UnitEventsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterUnitEventReaders(); }
  void TearDown() override { UnregisterUnitEventReaders(); }

  static Combatant& PlaceUnit(TWorld& world, const TGameData& data, const std::string& type, int32_t owner,
                              const TVector3& position = TVector3(5.0f, 5.0f, 0.0f)) {
    world.Add(std::make_unique<Combatant>(*data.FindUnitType(type), data.FindWeaponType(type), owner, position,
                                          0.0f));
    TCombatantList& units = world.GetUnits();
    return *units.UnitAt(units.Count() - 1);
  }
  Combatant& PlaceUnit(const std::string& type, int32_t owner,
                       const TVector3& position = TVector3(5.0f, 5.0f, 0.0f)) {
    return PlaceUnit(world_, *data_, type, owner, position);
  }

  TEventFactoryContext Context(TWorld& world) const {
    TEventFactoryContext context;
    context.world = &world;
    return context;
  }

  // One event of every type, recorded one after the other on the unit.
  std::vector<std::unique_ptr<TEvent>> RecordAll(Combatant& unit) {
    std::vector<std::unique_ptr<TEvent>> events;
    events.push_back(std::make_unique<TAmmoEvent>(1.0f, unit, world_, -3));
    events.push_back(std::make_unique<TAnimationEvent>(1.5f, unit, world_, "Fire"));
    events.push_back(std::make_unique<TCalorieEvent>(2.0f, unit, world_, 0.75f));
    events.push_back(std::make_unique<TFacingEvent>(2.5f, unit, world_, 5));
    events.push_back(std::make_unique<THealEvent>(3.0f, unit, world_, -12.5f));
    events.push_back(std::make_unique<TLayEggEvent>(3.5f, unit, world_));
    events.push_back(
        std::make_unique<TMovementEvent>(4.0f, unit, world_, TVector3(5.5f, 6.0f, 0.0f), TVector3(5.25f, 5.5f, 0.0f)));
    events.push_back(std::make_unique<TNameEvent>(4.5f, unit, world_, "Sergeant Vell"));
    events.push_back(std::make_unique<TResupplyEvent>(5.0f, unit, world_));
    events.push_back(std::make_unique<TRulesEvent>(5.5f, unit, world_, "HoldFire", "Combat", nullptr));
    events.push_back(std::make_unique<TStopActionsEvent>(6.0f, unit, world_));
    events.push_back(std::make_unique<TToggleShieldEvent>(6.5f, unit, world_, true));
    return events;
  }

  static std::vector<uint8_t> SaveList(const TEventList& list, const std::string& tag) {
    TDataStream stream(tag);
    TRawIdMapper ids;
    EXPECT_TRUE(list.Save(stream, ids));
    return stream.Body();
  }

  std::unique_ptr<TReceivedTurn> Receive(const TEventList& list, int32_t player, TWorld& world) const {
    TDataStream stream(kVersionTag);
    TRawIdMapper ids;
    auto turn = std::make_unique<TReceivedTurn>();
    if (!list.SaveForPlayer(stream, ids, player)) return turn;
    stream.Rewind();
    turn->loaded = turn->list.LoadTurn(stream, Context(world));
    return turn;
  }

  static std::vector<std::string> TypeNamesOf(const TEventList& list) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.GetEventCount(); ++i) names.emplace_back(list.GetEvent(i)->TypeName());
    return names;
  }

  TTempFolder folder_;
  unit_test::TUnitWorldMakers makers_;
  std::unique_ptr<TGameData> data_ = unit_test::MakeRules();
  TWorld world_;
};

TEST_F(UnitEventsTest, AmmoStaysWithinNothingAndTheWeaponsMaximum) {
  struct Case {
    float held;
    int32_t rounds;
    int32_t expected;
  };
  // The Grunt's weapon holds at most 20 rounds.
  const Case cases[] = {{0.0f, -1, 0}, {19.0f, 5, 20}, {10.0f, -3, 7}, {2.0f, -30, 0}, {20.0f, 0, 20}};
  for (const Case& c : cases) {
    Combatant& unit = PlaceUnit("Grunt", 0);
    unit.GetWeapon()->SetAmmunition(c.held);
    const TAmmoEvent event(1.0f, unit, world_, c.rounds);
    EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), c.expected) << c.held << " " << c.rounds;
    EXPECT_EQ(event.GetRounds(), c.rounds);
  }
  // Ammunition and reloads pass an unarmed unit by.
  world_.Add(std::make_unique<Combatant>(*data_->FindUnitType("Grunt"), nullptr, 0, TVector3(7.0f, 7.0f, 0.0f), 0.0f));
  Combatant& unarmed = *world_.GetUnits().UnitAt(world_.GetUnits().Count() - 1);
  ASSERT_EQ(unarmed.GetWeapon(), nullptr);
  TAmmoEvent ammo(1.0f, unarmed, world_, 4);
  TResupplyEvent reload(1.0f, unarmed, world_);
  ammo.Apply();
  reload.Apply();
  EXPECT_EQ(unarmed.GetWeapon(), nullptr);
}

TEST_F(UnitEventsTest, ResupplyReloadsOneRoundUpToTheMaximum) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  unit.GetWeapon()->SetAmmunition(18.0f);
  TResupplyEvent event(1.0f, unit, world_);
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), 19);
  event.Apply();
  event.Apply();
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), 20);
}

TEST_F(UnitEventsTest, HealStaysWithinNothingAndTheTypesEndurance) {
  struct Case {
    float wound;
    float amount;
    float expected;
  };
  // A Grunt's Endurance is 100.
  const Case cases[] = {{40.0f, 100.0f, 100.0f}, {40.0f, 15.0f, 75.0f}, {40.0f, -500.0f, 0.0f}, {0.0f, 1.0f, 100.0f}};
  for (const Case& c : cases) {
    Combatant& unit = PlaceUnit("Grunt", 0);
    unit.AddEndurance(-c.wound);
    const THealEvent event(1.0f, unit, world_, c.amount);
    EXPECT_FLOAT_EQ(unit.GetEndurance(), c.expected) << c.wound << " " << c.amount;
    EXPECT_FLOAT_EQ(unit.HealthFraction(), c.expected / 100.0f);
  }
}

TEST_F(UnitEventsTest, LayEggSpendsAWholePortionOfAQueensFood) {
  struct Case {
    const char* type;
    float food;
    bool laid;
    float left;
  };
  const Case cases[] = {
      {"Queen", 0.99995f, true, -0.00005f},  // within the tolerance of a whole portion
      {"Queen", 2.5f, true, 1.5f},
      {"Queen", 0.9998f, false, 0.9998f},
      {"Grunt", 3.0f, false, 3.0f},  // only queens lay
  };
  for (const Case& c : cases) {
    Combatant& unit = PlaceUnit(c.type, 0);
    unit.SetFoodStore(c.food);
    const TLayEggEvent event(2.0f, unit, world_);
    EXPECT_EQ(unit.IsEggPending(), c.laid) << c.type << " " << c.food;
    EXPECT_NEAR(unit.GetFoodStore(), c.left, 1.0e-6f) << c.type << " " << c.food;
  }
}

TEST_F(UnitEventsTest, RecordingAppliesAtOnceAndIsSeenByWhoSeesTheUnit) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  unit.SetFlag(0, false);
  unit.SetFlag(1, true);

  const TFacingEvent facing(1.0f, unit, world_, 6);
  EXPECT_EQ(unit.GetFacing(), 6);
  EXPECT_FALSE(facing.TestFlag(0));
  EXPECT_TRUE(facing.TestFlag(1));
  EXPECT_EQ(facing.SubjectId(), unit.GetId());
  EXPECT_EQ(facing.Subject(), &unit);

  const TCalorieEvent calorie(1.0f, unit, world_, 0.4f);
  const TCalorieEvent more(1.1f, unit, world_, 0.35f);
  EXPECT_FLOAT_EQ(unit.GetFoodStore(), 0.75f);

  const TAnimationEvent animation(1.25f, unit, world_, "Fire");
  EXPECT_EQ(unit.GetVisualState(), "Fire");

  const TNameEvent name(1.5f, unit, world_, "Corporal Brisk");
  EXPECT_EQ(unit.GetName(), "Corporal Brisk");
  EXPECT_TRUE(name.TestFlag(1));
  EXPECT_EQ(name.SubjectId(), unit.GetId());

  for (const TEvent* event : std::initializer_list<const TEvent*>{&calorie, &animation}) {
    EXPECT_FALSE(event->TestFlag(0)) << event->TypeName();
    EXPECT_TRUE(event->TestFlag(1)) << event->TypeName();
  }
}

TEST_F(UnitEventsTest, MovementPlacesTheUnitAndSendsItOnFromTheEventsTime) {
  Combatant& unit = PlaceUnit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  const TVector3 position(6.0f, 5.0f, 0.0f);
  const TVector3 destination(6.5f, 5.0f, 0.0f);
  const TMovementEvent event(3.0f, unit, world_, destination, position);
  EXPECT_EQ(unit.Position(), position);
  EXPECT_EQ(unit.GetDestination(), destination);
  EXPECT_EQ(event.GetPosition(), position);
  EXPECT_EQ(event.GetDestination(), destination);
  // Heading for +x: compass sector 2, counted clockwise from +y.
  EXPECT_EQ(unit.GetFacing(), 2);
}

TEST_F(UnitEventsTest, StopActionsStandsTheUnitWhereItWasWhenRecorded) {
  Combatant& unit = PlaceUnit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  unit.MoveToward(TVector3(5.5f, 5.0f, 0.0f), 0.0f);
  unit.GetAnimator().SetState("Run", 0.0f);

  TStopActionsEvent stop(2.0f, unit, world_);
  EXPECT_EQ(stop.GetPosition(), TVector3(5.0f, 5.0f, 0.0f));
  EXPECT_EQ(unit.GetDestination(), unit.Position());
  EXPECT_TRUE(unit.IsStanding());

  // Replayed later, it puts the unit back on the recorded spot.
  unit.SetPosition(TVector3(8.0f, 8.0f, 0.0f));
  unit.MoveToward(TVector3(8.5f, 8.0f, 0.0f), 2.5f);
  stop.Apply();
  EXPECT_EQ(unit.Position(), TVector3(5.0f, 5.0f, 0.0f));
  EXPECT_EQ(unit.GetDestination(), TVector3(5.0f, 5.0f, 0.0f));
}

TEST_F(UnitEventsTest, SwitchingTheShieldOnRaisesItAndOnlyTheOwnerSeesIt) {
  Combatant& unit = PlaceUnit("Grunt", 1);
  unit.SetFlag(0, true);
  unit.RestoreCanFire(false);

  const TToggleShieldEvent on(1.0f, unit, world_, true);
  EXPECT_TRUE(unit.GetCanFire());
  EXPECT_TRUE(unit.IsShieldRaised());
  EXPECT_TRUE(on.IsOn());
  EXPECT_TRUE(on.TestFlag(1));
  EXPECT_FALSE(on.TestFlag(0));

  const TToggleShieldEvent off(2.0f, unit, world_, false);
  EXPECT_FALSE(unit.GetCanFire());

  const TRulesEvent rules(3.0f, unit, world_, "Pursue", "Combat", nullptr);
  EXPECT_TRUE(rules.TestFlag(1));
  EXPECT_FALSE(rules.TestFlag(0));
}

TEST_F(UnitEventsTest, OwnerOnlyEventsReachOnlyTheOwnersResults) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  unit.SetFlag(1, true);  // both players see the unit
  TEventList list;
  list.Add(std::make_unique<TFacingEvent>(1.0f, unit, world_, 2));
  list.Add(std::make_unique<TToggleShieldEvent>(2.0f, unit, world_, true));
  list.Add(std::make_unique<TRulesEvent>(3.0f, unit, world_, "FireAtWill", "Combat", nullptr));

  const auto owners = Receive(list, 0, world_);
  ASSERT_TRUE(owners->loaded);
  EXPECT_EQ(TypeNamesOf(owners->list), (std::vector<std::string>{"Facing", "ToggleShield", "Rules"}));

  const auto enemys = Receive(list, 1, world_);
  ASSERT_TRUE(enemys->loaded);
  EXPECT_EQ(TypeNamesOf(enemys->list), (std::vector<std::string>{"Facing"}));
}

TEST_F(UnitEventsTest, RulesAreLeftOutOfStreamsUpToVersionTwoPointZeroEightNine) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  const TRulesEvent rules(4.0f, unit, world_, "halt", "Sighting", nullptr);
  struct Case {
    const char* tag;
    std::size_t bytes;
  };
  const std::size_t full = kHeaderBytes + (4 + 4) + (4 + 8);
  const Case cases[] = {{"Vorhelm-2-08", 0}, {"Vorhelm-1-0", 0}, {"Vorhelm-2-09", full}, {kVersionTag, full}};
  for (const Case& c : cases) {
    TDataStream stream(c.tag);
    TStringList names;
    TRawIdMapper ids;
    EXPECT_TRUE(rules.Save(stream, ids, names)) << c.tag;
    EXPECT_EQ(stream.Body().size(), c.bytes) << c.tag;
    // Nothing written names nothing either.
    EXPECT_EQ(names.Count(), c.bytes == 0 ? 0 : 1) << c.tag;
  }

  // Whatever the version, a rules event in a stream reads both strings.
  TDataStream stream("Vorhelm-2-08");
  stream.WriteShort(0);
  stream.WriteFloat(4.0f);
  stream.WriteInt(static_cast<uint32_t>(unit.GetId()));
  stream.WriteString("halt");
  stream.WriteString("Sighting");
  stream.Rewind();
  stream.ReadShort();
  const TRulesEvent read(stream, Context(world_));
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_EQ(read.GetPolicy(), "halt");
  EXPECT_EQ(read.GetKind(), "Sighting");
  EXPECT_EQ(stream.Remaining(), 0u);
}

TEST_F(UnitEventsTest, AnOlderStreamCountsTurnsWithoutTheRulesItLeavesOut) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  // Two received turns, each a rules event and an ammunition event.
  TEventList list;
  for (float start : {0.0f, 10.0f}) {
    TEventList turn;
    turn.Add(std::make_unique<TRulesEvent>(start + 1.0f, unit, world_, "halt", "Sighting", nullptr));
    turn.Add(std::make_unique<TAmmoEvent>(start + 2.0f, unit, world_, -1));
    TDataStream sent(kVersionTag);
    TRawIdMapper ids;
    ASSERT_TRUE(turn.SaveForPlayer(sent, ids, 0));
    sent.Rewind();
    ASSERT_TRUE(list.LoadTurn(sent, Context(world_)));
  }
  ASSERT_EQ(list.GetTurnStart(2), 4);

  TDataStream old("Vorhelm-2-08");
  TRawIdMapper ids;
  ASSERT_TRUE(list.Save(old, ids));
  old.Rewind();
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(old, Context(world_)));
  EXPECT_EQ(loaded.GetEventCount(), 2);
  ASSERT_EQ(loaded.GetTurnCount(), 2);
  EXPECT_EQ(loaded.GetTurnStart(1), 1);
  EXPECT_EQ(loaded.GetTurnStart(2), 2);
}

TEST_F(UnitEventsTest, RulesSetTheUnitsReactionOfTheirKind) {
  TReactionManager reactions(2, &world_);
  Combatant& unit = PlaceUnit("Grunt", 0, TVector3(4.0f, 6.0f, 0.0f));
  const int32_t id = unit.GetId();

  const TRulesEvent sighting(1.0f, unit, world_, "halt", "Sighting", &reactions);
  EXPECT_TRUE(reactions.HasSightingCode(id, "halt"));
  ASSERT_NE(reactions.Find(id), nullptr);
  EXPECT_EQ(reactions.Find(id)->GetSightingPoint(), TVector3(4.0f, 6.0f, 0.0f));

  const TRulesEvent combat(1.0f, unit, world_, "FireAtWill", "Combat", &reactions);
  EXPECT_TRUE(reactions.HasCombatPolicy(id, "FireAtWill"));
  EXPECT_TRUE(reactions.HasSightingCode(id, "halt"));

  // A kind that is neither sets nothing.
  Combatant& other = PlaceUnit("Grunt", 0, TVector3(8.0f, 6.0f, 0.0f));
  const TRulesEvent odd(1.0f, other, world_, "halt", "Orders", &reactions);
  EXPECT_EQ(reactions.Find(other.GetId()), nullptr);
}

TEST_F(UnitEventsTest, ReplayedRulesUseTheLoadersReactionsAndCombatNeedsOnlyTheId) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  const int32_t id = unit.GetId();
  TEventList list;
  list.Add(std::make_unique<TRulesEvent>(1.0f, unit, world_, "retreat", "Sighting", nullptr));
  list.Add(std::make_unique<TRulesEvent>(2.0f, unit, world_, "Pursue", "Combat", nullptr));
  const std::vector<uint8_t> saved = SaveList(list, kVersionTag);
  world_.RemoveById(id);

  TReactionManager reactions(2, &world_);
  TEventFactoryContext context = Context(world_);
  context.reactionManager = &reactions;
  TDataStream stream(kVersionTag);
  stream.Body() = saved;
  stream.Rewind();
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(stream, context));
  loaded.PlayUntil(1.5f);
  // A sighting code needs the unit's position: a gone unit gets none.
  EXPECT_EQ(reactions.Find(id), nullptr);
  loaded.PlayUntil(2.5f);
  EXPECT_TRUE(reactions.HasCombatPolicy(id, "Pursue"));
  EXPECT_FALSE(reactions.HasSightingCode(id, "retreat"));
}

TEST_F(UnitEventsTest, VectorsCarryTheirComponentCountOnlyBelowVersionOnePointZeroFiveNine) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  const TMovementEvent move(1.0f, unit, world_, TVector3(5.5f, 5.0f, 0.0f), TVector3(5.0f, 5.0f, 0.25f));
  const TStopActionsEvent stop(2.0f, unit, world_);
  struct Case {
    const char* tag;
    bool counted;
  };
  const Case cases[] = {{"Vorhelm-1-05", true}, {"Vorhelm-1-06", false}, {kVersionTag, false}};
  for (const Case& c : cases) {
    const std::size_t vector = c.counted ? 16 : 12;
    TDataStream stream(c.tag);
    TStringList names;
    TRawIdMapper ids;
    ASSERT_TRUE(move.Save(stream, ids, names));
    EXPECT_EQ(stream.Body().size(), kHeaderBytes + 2 * vector) << c.tag;
    ASSERT_TRUE(stop.Save(stream, ids, names));
    EXPECT_EQ(stream.Body().size(), 2 * kHeaderBytes + 3 * vector) << c.tag;
    stream.Rewind();
    stream.ReadShort();
    const TMovementEvent readMove(stream, Context(world_));
    stream.ReadShort();
    const TStopActionsEvent readStop(stream, Context(world_));
    EXPECT_FALSE(stream.HasFailed()) << c.tag;
    EXPECT_EQ(readMove.GetDestination(), move.GetDestination()) << c.tag;
    EXPECT_EQ(readMove.GetPosition(), move.GetPosition()) << c.tag;
    EXPECT_EQ(readStop.GetPosition(), stop.GetPosition()) << c.tag;
    EXPECT_EQ(stream.Remaining(), 0u) << c.tag;
  }
}

TEST_F(UnitEventsTest, EveryTypeSavesAndLoadsThroughTheListUnchanged) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  TEventList list;
  std::vector<std::string> recorded;
  for (auto& event : RecordAll(unit)) {
    recorded.emplace_back(event->TypeName());
    list.Add(std::move(event));
  }
  ASSERT_EQ(recorded.size(), 12u);
  const std::vector<uint8_t> saved = SaveList(list, kVersionTag);

  TDataStream stream(kVersionTag);
  stream.Body() = saved;
  stream.Rewind();
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(stream, Context(world_)));
  EXPECT_EQ(loaded.GetCursor(), 0u);
  EXPECT_EQ(TypeNamesOf(loaded), recorded);
  for (int32_t i = 0; i < loaded.GetEventCount(); ++i) {
    const auto& event = static_cast<const TUnitEvent&>(*loaded.GetEvent(i));
    EXPECT_FLOAT_EQ(event.GetTime(), list.GetEvent(i)->GetTime()) << recorded[static_cast<std::size_t>(i)];
    EXPECT_EQ(event.SubjectId(), unit.GetId()) << recorded[static_cast<std::size_t>(i)];
    EXPECT_EQ(event.Subject(), &unit) << recorded[static_cast<std::size_t>(i)];
  }
  // Every field came back: the loaded list writes the same bytes.
  EXPECT_EQ(SaveList(loaded, kVersionTag), saved);

  const auto& name = static_cast<const TNameEvent&>(*loaded.GetEvent(7));
  EXPECT_EQ(name.GetName(), "Sergeant Vell");
  const auto& rules = static_cast<const TRulesEvent&>(*loaded.GetEvent(9));
  EXPECT_EQ(rules.GetPolicy(), "HoldFire");
  EXPECT_EQ(rules.GetKind(), "Combat");
}

TEST_F(UnitEventsTest, EveryTypeCutShortIsRejected) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  for (const auto& event : RecordAll(unit)) {
    TDataStream stream(kVersionTag);
    TStringList names;
    TRawIdMapper ids;
    ASSERT_TRUE(event->Save(stream, ids, names));
    std::vector<uint8_t> bytes = stream.Body();
    bytes.pop_back();
    TDataStream cut(kVersionTag);
    cut.Body() = bytes;
    cut.Rewind();
    TEventVector read;
    EXPECT_FALSE(TEventFactory::Instance().ReadEvents(Context(world_), read, cut, names)) << event->TypeName();
    EXPECT_TRUE(read.empty()) << event->TypeName();
  }
}

TEST_F(UnitEventsTest, AReplayingWorldEndsWhereTheComputingWorldDid) {
  TWorld replaying;
  Combatant& computed = PlaceUnit("Grunt", 0);
  Combatant& replayed = PlaceUnit(replaying, *data_, "Grunt", 0);
  ASSERT_EQ(computed.GetId(), replayed.GetId());

  TEventList list;
  for (auto& event : RecordAll(computed)) list.Add(std::move(event));
  const auto turn = Receive(list, 0, replaying);
  ASSERT_TRUE(turn->loaded);
  ASSERT_EQ(turn->list.GetEventCount(), 12);

  // Nothing is applied by loading; the clock applies what is due.
  EXPECT_EQ(replayed.GetName(), "");
  turn->list.PlayUntil(3.0f);
  EXPECT_EQ(turn->list.GetCursor(), 5u);
  EXPECT_EQ(replayed.GetFacing(), 5);
  EXPECT_EQ(replayed.GetName(), "");
  turn->list.PlayUntil(10.0f);

  EXPECT_EQ(replayed.GetWeapon()->GetAmmunition(), computed.GetWeapon()->GetAmmunition());
  EXPECT_FLOAT_EQ(replayed.GetFoodStore(), computed.GetFoodStore());
  EXPECT_EQ(replayed.GetFacing(), computed.GetFacing());
  EXPECT_FLOAT_EQ(replayed.GetEndurance(), computed.GetEndurance());
  EXPECT_EQ(replayed.Position(), computed.Position());
  EXPECT_EQ(replayed.GetDestination(), computed.GetDestination());
  EXPECT_EQ(replayed.GetName(), "Sergeant Vell");
  EXPECT_EQ(replayed.GetVisualState(), computed.GetVisualState());
  EXPECT_EQ(replayed.GetCanFire(), computed.GetCanFire());
}

TEST_F(UnitEventsTest, EventsOfARemovedUnitChangeNothingAndStillSave) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  const int32_t id = unit.GetId();
  Combatant& bystander = PlaceUnit("Grunt", 0, TVector3(9.0f, 9.0f, 0.0f));
  TEventList list;
  for (auto& event : RecordAll(unit)) list.Add(std::move(event));
  const std::vector<uint8_t> saved = SaveList(list, kVersionTag);

  world_.RemoveById(id);
  ASSERT_EQ(world_.GetUnits().FindById(id), nullptr);

  // The recorded events, written after their unit left the world, still
  // name it (the Name event holds the unit object itself).
  EXPECT_EQ(SaveList(list, kVersionTag), saved);

  TDataStream stream(kVersionTag);
  stream.Body() = saved;
  stream.Rewind();
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(stream, Context(world_)));
  ASSERT_EQ(loaded.GetEventCount(), 12);
  for (int32_t i = 0; i < loaded.GetEventCount(); ++i) {
    EXPECT_EQ(static_cast<const TUnitEvent&>(*loaded.GetEvent(i)).Subject(), nullptr);
  }
  loaded.PlayUntil(10.0f);
  EXPECT_EQ(loaded.GetCursor(), 12u);
  EXPECT_EQ(bystander.Position(), TVector3(9.0f, 9.0f, 0.0f));
  EXPECT_EQ(bystander.GetWeapon()->GetAmmunition(), 20);
  EXPECT_EQ(bystander.GetName(), "");
}

TEST_F(UnitEventsTest, ANameRecordedAgainstTheWorldFindsTheUnitByIdOnly) {
  Combatant& unit = PlaceUnit("Grunt", 0);
  const int32_t id = unit.GetId();
  TNameEvent event(1.0f, unit, world_, "Private Orr");
  EXPECT_EQ(unit.GetName(), "Private Orr");
  world_.RemoveById(id);
  EXPECT_EQ(event.Subject(), nullptr);
  EXPECT_EQ(event.SubjectId(), id);
  event.Apply();  // nothing to name
}

}  // namespace
