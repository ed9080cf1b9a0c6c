#include "sim/event_factory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_test_rules.h"
#include "world/bit_set.h"
#include "world/world.h"

namespace {

// Test events: a plain event carrying a number, and a unit event that notes
// which unit it finds when applied. They borrow the names "Score" and
// "Facing" and are registered only while a test runs.
class TNumberEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Score";

  TNumberEvent(float time, int32_t number) : TEvent(time), number_(number) {}
  TNumberEvent(float time, int32_t number, const TBitSet& bits) : TEvent(time, bits), number_(number) {}
  explicit TNumberEvent(TDataStream& stream) : TEvent(stream), number_(static_cast<int32_t>(stream.ReadInt())) {}

  void Apply() override {}
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
    if (!TEvent::Save(stream, idWriter, nameTable)) return false;
    stream.WriteInt(static_cast<uint32_t>(number_));
    return true;
  }
  std::string_view TypeName() const override { return kTypeName; }

  int32_t Number() const { return number_; }

 private:
  int32_t number_;
};

class TTurnEvent : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Facing";

  TTurnEvent(float time, TGameObject& unit, TWorld& world) : TUnitEvent(time, unit, world) {}
  TTurnEvent(float time, TGameObject& unit) : TUnitEvent(time, unit) {}
  TTurnEvent(TDataStream& stream, TWorld* world) : TUnitEvent(stream, world) {}

  void Apply() override {
    const Combatant* unit = Subject();
    found_ = unit != nullptr ? unit->GetId() : -1;
  }
  std::string_view TypeName() const override { return kTypeName; }

  int32_t Found() const { return found_; }

 private:
  int32_t found_ = -2;
};

class EventFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Factory().Register(
        TNumberEvent::kTypeName,
        [](TDataStream& stream, const TEventFactoryContext&, const TStringList&) -> std::unique_ptr<TEvent> {
          return std::make_unique<TNumberEvent>(stream);
        });
    Factory().Register(
        TTurnEvent::kTypeName,
        [](TDataStream& stream, const TEventFactoryContext& context, const TStringList&) -> std::unique_ptr<TEvent> {
          return std::make_unique<TTurnEvent>(stream, context.world);
        });
  }
  void TearDown() override {
    Factory().Unregister(TNumberEvent::kTypeName);
    Factory().Unregister(TTurnEvent::kTypeName);
  }

  static TEventFactory& Factory() { return TEventFactory::Instance(); }

  // A stream of number events in the given order, closed by "End".
  static void WriteNumbers(TDataStream& stream, TStringList& names, const std::vector<std::pair<float, int>>& events) {
    TRawIdMapper ids;
    for (const auto& [time, number] : events) TNumberEvent(time, number).Save(stream, ids, names);
    stream.WriteShort(static_cast<uint16_t>(names.IndexOf("End")));
  }

  static int32_t NumberOf(const std::unique_ptr<TEvent>& event) {
    return static_cast<const TNumberEvent&>(*event).Number();
  }
};

TEST_F(EventFactoryTest, KnowsTheTwentyOneTypeNamesInTheirOrder) {
  const std::vector<std::string_view> expected = {
      "Facing",    "Movement",  "Damage",      "Vision",        "Heal",         "Ammo",          "Bounce",
      "Animation", "Resupply",  "StopActions", "SpecialEffect", "Score",        "Calorie",       "LayEgg",
      "RenewGoo",  "RevealMap", "Deployment",  "Rules",         "ToggleShield", "PsychicDamage", "Name"};
  const auto names = TEventFactory::TypeNames();
  EXPECT_EQ(std::vector<std::string_view>(names.begin(), names.end()), expected);
}

TEST_F(EventFactoryTest, RegistersOnlyUnderEventTypeNames) {
  const auto reader = [](TDataStream& stream, const TEventFactoryContext&, const TStringList&) {
    return std::unique_ptr<TEvent>(std::make_unique<TNumberEvent>(stream));
  };
  for (std::string_view name : {"End", "MapTile", "Combatant", "movement", "", "Facing "}) {
    EXPECT_FALSE(TEventFactory::IsKnownTypeName(name)) << name;
    EXPECT_FALSE(Factory().Register(name, reader)) << name;
    EXPECT_FALSE(Factory().IsRegistered(name)) << name;
  }
  EXPECT_TRUE(Factory().IsRegistered("Score"));
  // Another suite of the same process may have filed the real reader.
  Factory().Unregister("Movement");
  EXPECT_FALSE(Factory().IsRegistered("Movement"));
  EXPECT_TRUE(Factory().Register("Movement", reader));
  EXPECT_TRUE(Factory().IsRegistered("Movement"));
  Factory().Unregister("Movement");
  EXPECT_FALSE(Factory().IsRegistered("Movement"));
}

TEST_F(EventFactoryTest, ReadsUntilEndInStreamOrder) {
  TDataStream stream;
  TStringList names;
  WriteNumbers(stream, names, {{3.0f, 30}, {1.0f, 10}, {2.0f, 20}});
  stream.WriteInt(0xABCDu);  // what follows the events is not theirs
  stream.Rewind();

  TEventVector events;
  events.push_back(std::make_unique<TNumberEvent>(0.5f, 5));
  ASSERT_TRUE(Factory().ReadEvents(TEventFactoryContext{}, events, stream, names));

  ASSERT_EQ(events.size(), 4u);
  const std::vector<int32_t> numbers = {NumberOf(events[0]), NumberOf(events[1]), NumberOf(events[2]),
                                        NumberOf(events[3])};
  EXPECT_EQ(numbers, (std::vector<int32_t>{5, 30, 10, 20}));
  EXPECT_FLOAT_EQ(events[1]->GetTime(), 3.0f);
  EXPECT_EQ(stream.ReadInt(), 0xABCDu);
  EXPECT_FALSE(stream.HasFailed());
}

// A stream the factory cannot read whole is rejected, and nothing of it is
// kept: no event has a length, so one unreadable event spoils the rest.
struct TBadStreamCase {
  const char* label;
  std::vector<std::string> table;
  std::vector<uint16_t> indices;  // each "Score" index is followed by a good event body
  bool truncateLast;
};

class EventFactoryRejectTest : public EventFactoryTest, public ::testing::WithParamInterface<TBadStreamCase> {};

TEST_P(EventFactoryRejectTest, RejectsTheWholeStream) {
  const TBadStreamCase& bad = GetParam();
  TStringList names;
  for (const std::string& name : bad.table) names.IndexOf(name);
  TDataStream stream;
  for (uint16_t index : bad.indices) {
    stream.WriteShort(index);
    if (names.At(index) == "Score") {
      stream.WriteFloat(1.0f);
      stream.WriteInt(7);
    }
  }
  if (bad.truncateLast) stream.Body().pop_back();
  stream.Rewind();

  TEventVector events;
  events.push_back(std::make_unique<TNumberEvent>(0.5f, 5));
  EXPECT_FALSE(Factory().ReadEvents(TEventFactoryContext{}, events, stream, names));
  EXPECT_TRUE(stream.HasFailed());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(NumberOf(events[0]), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, EventFactoryRejectTest,
    ::testing::Values(TBadStreamCase{"NoEnd", {"Score", "End"}, {0, 0}, false},
                      TBadStreamCase{"EmptyData", {"Score", "End"}, {}, false},
                      TBadStreamCase{"CutInsideEvent", {"Score", "End"}, {0, 0, 1}, true},
                      TBadStreamCase{"CutInsideEndIndex", {"Score", "End"}, {0, 1}, true},
                      TBadStreamCase{"IndexOutsideTable", {"Score", "End"}, {0, 2, 1}, false},
                      TBadStreamCase{"EmptyTable", {}, {0}, false},
                      TBadStreamCase{"NotAnEventName", {"Score", "MapTile", "End"}, {0, 1, 2}, false},
                      TBadStreamCase{"EventNameWithoutReader", {"Score", "Heal", "End"}, {0, 1, 2}, false}),
    [](const ::testing::TestParamInfo<TBadStreamCase>& info) { return std::string(info.param.label); });

TEST_F(EventFactoryTest, EventVisibilityHasOneBitPerPlayer) {
  TNumberEvent event(1.0f, 1);
  EXPECT_EQ(event.GetFlags().Size(), 2u);
  EXPECT_FALSE(event.TestFlag(0));
  EXPECT_FALSE(event.TestFlag(1));

  event.SetFlag(1);
  event.SetFlag(5);   // no such player
  event.SetFlag(-1);  // no such player
  EXPECT_FALSE(event.TestFlag(0));
  EXPECT_TRUE(event.TestFlag(1));
  EXPECT_FALSE(event.TestFlag(5));
  EXPECT_FALSE(event.TestFlag(-1));
  event.ClearFlag(1);
  EXPECT_FALSE(event.TestFlag(1));

  TBitSet bits(2);
  bits.Set(0, true);
  event.AssignFlags(bits);
  bits.Set(1, true);  // a copy was taken
  EXPECT_TRUE(event.TestFlag(0));
  EXPECT_FALSE(event.TestFlag(1));

  TBitSet both(2);
  both.SetAll(true);
  const TNumberEvent given(2.0f, 2, both);
  both.Set(0, false);
  EXPECT_TRUE(given.TestFlag(0));
  EXPECT_TRUE(given.TestFlag(1));
}

TEST_F(EventFactoryTest, EventHeaderIsTypeIndexAndTimeAndReadsBackWithoutVisibility) {
  TNumberEvent event(12.5f, -3);
  event.SetFlag(0);
  TStringList names;
  names.IndexOf("Vision");  // the table may already hold other names
  TDataStream stream;
  TRawIdMapper ids;
  ASSERT_TRUE(event.Save(stream, ids, names));

  TDataStream expected;
  expected.WriteShort(1);
  expected.WriteFloat(12.5f);
  expected.WriteInt(static_cast<uint32_t>(-3));
  EXPECT_EQ(stream.Body(), expected.Body());

  stream.Rewind();
  EXPECT_EQ(stream.ReadShort(), 1);
  const TNumberEvent read(stream);
  EXPECT_FLOAT_EQ(read.GetTime(), 12.5f);
  EXPECT_EQ(read.Number(), -3);
  EXPECT_FALSE(read.TestFlag(0));
  EXPECT_FALSE(read.TestFlag(1));
}

// Unit events against a world holding real units.
class UnitEventTest : public EventFactoryTest {
 protected:
  void SetUp() override {
    EventFactoryTest::SetUp();
    rules_ = unit_test::MakeRules();
    world_ = std::make_unique<TWorld>();
  }

  Combatant& AddUnit(int32_t owner) {
    auto unit = std::make_unique<Combatant>(*rules_->FindUnitType("Grunt"), rules_->FindWeaponType("Grunt"), owner,
                                            TVector3(3.0f, 4.0f, 0.0f), 0.0f);
    Combatant& added = *unit;
    world_->Add(std::move(unit));
    return added;
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> rules_;
  std::unique_ptr<TWorld> world_;
};

TEST_F(UnitEventTest, TakesTheUnitsFlagsAndFindsItByIdInTheUnitList) {
  AddUnit(0);
  Combatant& unit = AddUnit(1);
  unit.SetFlag(1, true);
  ASSERT_GE(unit.GetId(), 0);

  TTurnEvent byId(4.0f, unit, *world_);
  TTurnEvent byObject(4.0f, unit);
  unit.SetFlag(0, true);  // later sightings do not reach recorded events
  for (TTurnEvent* event : {&byId, &byObject}) {
    EXPECT_FALSE(event->TestFlag(0));
    EXPECT_TRUE(event->TestFlag(1));
    EXPECT_EQ(event->SubjectId(), unit.GetId());
    EXPECT_EQ(event->Subject(), &unit);
  }

  const int32_t id = unit.GetId();
  world_->RemoveById(id);
  byId.Apply();
  EXPECT_EQ(byId.Found(), -1);
  EXPECT_EQ(byId.SubjectId(), id);
}

TEST_F(UnitEventTest, WritesTheSubjectThroughTheIdWriterAndReadsItUnchanged) {
  AddUnit(0);
  AddUnit(0);
  Combatant& unit = AddUnit(1);
  const TTurnEvent event(6.0f, unit, *world_);

  // A translating writer gives the first object it meets the external id 0.
  TIdMapper writer;
  TStringList names;
  TDataStream stream;
  ASSERT_TRUE(event.Save(stream, writer, names));
  stream.WriteShort(static_cast<uint16_t>(names.IndexOf("End")));
  TDataStream expected;
  expected.WriteShort(0);
  expected.WriteFloat(6.0f);
  expected.WriteInt(0);
  expected.WriteShort(1);
  EXPECT_EQ(stream.Body(), expected.Body());

  // The stream's id is taken as it stands: raw ids find the unit again.
  TDataStream raw;
  TRawIdMapper rawIds;
  TStringList rawNames;
  ASSERT_TRUE(event.Save(raw, rawIds, rawNames));
  raw.WriteShort(static_cast<uint16_t>(rawNames.IndexOf("End")));
  raw.Rewind();
  TEventFactoryContext context;
  context.world = world_.get();
  TEventVector events;
  ASSERT_TRUE(Factory().ReadEvents(context, events, raw, rawNames));
  ASSERT_EQ(events.size(), 1u);
  auto& read = static_cast<TTurnEvent&>(*events[0]);
  EXPECT_EQ(read.SubjectId(), unit.GetId());
  read.Apply();
  EXPECT_EQ(read.Found(), unit.GetId());
  EXPECT_FALSE(read.TestFlag(1));
}

TEST_F(UnitEventTest, SubjectIsNullWithoutAWorldOrForAnIdThatIsNoUnit) {
  Combatant& unit = AddUnit(0);
  TDataStream stream;
  stream.WriteFloat(1.0f);
  stream.WriteInt(static_cast<uint32_t>(unit.GetId()));
  stream.WriteFloat(1.0f);
  stream.WriteInt(static_cast<uint32_t>(unit.GetId() + 100));
  stream.Rewind();
  const TTurnEvent noWorld(stream, nullptr);
  const TTurnEvent noUnit(stream, world_.get());
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_EQ(noWorld.SubjectId(), unit.GetId());
  EXPECT_EQ(noWorld.Subject(), nullptr);
  EXPECT_EQ(noUnit.Subject(), nullptr);
}

}  // namespace
