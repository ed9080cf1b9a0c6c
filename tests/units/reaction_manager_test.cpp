#include "units/reaction_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "display/colour.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "sim/event.h"
#include "sim/event_list.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/reaction_policy.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

const char* const kCurrentTag = "Vorhelm-3-10";

struct TRgba {
  float r, g, b, a;
};

void ExpectColour(const TColour& colour, const TRgba& expected) {
  EXPECT_FLOAT_EQ(colour.r, expected.r);
  EXPECT_FLOAT_EQ(colour.g, expected.g);
  EXPECT_FLOAT_EQ(colour.b, expected.b);
  EXPECT_FLOAT_EQ(colour.a, expected.a);
}

void ExpectColour(const std::optional<TColour>& colour, const TRgba& expected) {
  ASSERT_TRUE(colour.has_value());
  ExpectColour(*colour, expected);
}

void ExpectPoint(const TVector3& point, const TVector3& expected) {
  EXPECT_FLOAT_EQ(point.x, expected.x);
  EXPECT_FLOAT_EQ(point.y, expected.y);
  EXPECT_FLOAT_EQ(point.z, expected.z);
}

// --- policies -------------------------------------------------------------------------

struct TPolicyCase {
  const char* name;
  int32_t code;
  const char* next;
  TRgba colour;
};

class ReactionPolicyTable : public ::testing::TestWithParam<TPolicyCase> {};

TEST_P(ReactionPolicyTable, NameCodeColourAndCycle) {
  const TPolicyCase& c = GetParam();
  std::unique_ptr<TReactionPolicy> policy = CreateReactionPolicy(c.name);
  ASSERT_NE(policy, nullptr);
  EXPECT_EQ(policy->Name(), c.name);
  EXPECT_EQ(policy->Code(), c.code);
  ExpectColour(policy->Colour(), c.colour);
  std::unique_ptr<TReactionPolicy> next = policy->Next();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->Name(), c.next);

  // The stream form is the name, and reads back as the same class.
  TDataStream stream(kCurrentTag);
  ASSERT_TRUE(policy->Write(stream));
  stream.Rewind();
  EXPECT_EQ(stream.ReadString(), c.name);
  stream.Rewind();
  std::unique_ptr<TReactionPolicy> read = ReadReactionPolicy(stream);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Name(), c.name);
  EXPECT_FALSE(stream.HasFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Policies, ReactionPolicyTable,
    ::testing::Values(TPolicyCase{"HoldFire", 0, "FireAtWill", {0.0f, 0.9f, 0.0f, 1.0f}},
                      TPolicyCase{"FireAtWill", 1, "HoldFire", {1.0f, 0.0f, 0.0f, 1.0f}},
                      TPolicyCase{"Pursue", 2, "Retreat", {0.0f, 0.0f, 1.0f, 1.0f}},
                      TPolicyCase{"Retreat", 3, "FireAtWill", {0.1f, 0.1f, 0.1f, 1.0f}}));

TEST(ReactionPolicy, UnknownNamesGiveNoPolicy) {
  for (const char* name : {"", "holdfire", "HOLDFIRE", "Hold Fire", "FireAtWill ", "Pursuer", "continue"}) {
    EXPECT_EQ(CreateReactionPolicy(name), nullptr) << '"' << name << '"';
    TDataStream stream(kCurrentTag);
    stream.WriteString(name);
    stream.Rewind();
    EXPECT_EQ(ReadReactionPolicy(stream), nullptr) << '"' << name << '"';
  }
  // A name cut off by the end of the stream names nothing either.
  TDataStream truncated(kCurrentTag);
  truncated.WriteInt(40);
  truncated.WriteBytes("Pursue", 6);
  truncated.Rewind();
  EXPECT_EQ(ReadReactionPolicy(truncated), nullptr);
  EXPECT_TRUE(truncated.HasFailed());
}

// --- the manager over a world -------------------------------------------------------------

// Every test works on a copy of the shipped data set in a folder of its own.
class ReactionManagerTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    ShippedWorldTest::SetUp();
    ASSERT_TRUE(world_->HasRules());
    manager_ = std::make_unique<TReactionManager>(2, world_.get(), nullptr);
  }
  void TearDown() override {
    manager_.reset();
    ShippedWorldTest::TearDown();
  }

  Combatant* PlaceUnit(const std::string& typeName, int32_t owner, const TVector3& position) {
    return test_world::PlaceUnit(*world_, typeName, owner, position);
  }

  // The ids of the entries (or saved records), in order.
  static std::vector<int32_t> Ids(const TReactionManager::TSettingsList& list) {
    std::vector<int32_t> ids;
    for (const auto& settings : list) ids.push_back(settings->GetUnitId());
    return ids;
  }

  static std::vector<int32_t> SeenIds(const TReactionManager& manager, int32_t player) {
    std::vector<int32_t> ids;
    for (const auto& ref : manager.GetSeen(player)) ids.push_back(ref->GetId());
    return ids;
  }

  std::vector<uint8_t> Written(const TReactionManager& manager, const char* tag) const {
    TDataStream stream(tag);
    EXPECT_TRUE(manager.Write(stream));
    return stream.Body();
  }

  // A manager of the same world filled from the bytes at the version.
  std::unique_ptr<TReactionManager> ReadBack(const std::vector<uint8_t>& bytes, const char* tag) {
    auto manager = std::make_unique<TReactionManager>(2, world_.get(), nullptr);
    TDataStream stream(tag);
    stream.Body() = bytes;
    stream.Rewind();
    TRawIdMapper mapper;
    EXPECT_TRUE(manager->Read(stream, mapper));
    EXPECT_FALSE(stream.HasFailed());
    EXPECT_EQ(stream.Remaining(), 0u);
    return manager;
  }

  std::unique_ptr<TReactionManager> manager_;
};

TEST_F(ReactionManagerTest, NewRecordHasTheDefaultsAndIsFoundAgain) {
  Combatant* unit = PlaceUnit("Grunt", 0, TVector3(3.0f, 4.0f, 0.0f));
  ASSERT_NE(unit, nullptr);
  TReactionSettings& settings = manager_->FindOrCreate(unit->GetId());
  EXPECT_EQ(settings.GetUnitId(), unit->GetId());
  EXPECT_EQ(settings.ResolveUnit(), unit);
  EXPECT_EQ(settings.GetSightingCode(), "continue");
  EXPECT_FALSE(settings.IsTriggered());
  ASSERT_NE(settings.GetPolicy(), nullptr);
  EXPECT_EQ(settings.GetPolicy()->Name(), "HoldFire");
  ExpectPoint(settings.GetSightingPoint(), TVector3(0.0f, 0.0f, 0.0f));

  EXPECT_EQ(&manager_->FindOrCreate(unit->GetId()), &settings);
  EXPECT_EQ(manager_->GetEntries().size(), 1u);
  // A unit without a record answers 0 and false.
  const int32_t other = unit->GetId() + 100;
  EXPECT_EQ(manager_->Find(other), nullptr);
  EXPECT_EQ(manager_->GetSightingCode(other), 0);
  EXPECT_EQ(manager_->GetCombatCode(other), 0);
  EXPECT_FALSE(manager_->HasSightingCode(other, "continue"));
  EXPECT_FALSE(manager_->HasCombatPolicy(other, "HoldFire"));
  EXPECT_EQ(manager_->GetEntries().size(), 1u);
}

struct TSightingCase {
  const char* code;
  int32_t number;
};

TEST_F(ReactionManagerTest, SightingCodesAnswerTheirNumbers) {
  const TSightingCase cases[] = {{"continue", 0}, {"halt", 1}, {"retreat", 2}, {"Halt", 0}, {"", 0}, {"wander", 0}};
  for (const TSightingCase& c : cases) {
    manager_->SetSightingReaction(5, c.code, TVector3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(manager_->GetSightingCode(5), c.number) << c.code;
    EXPECT_TRUE(manager_->HasSightingCode(5, c.code)) << c.code;
    EXPECT_FALSE(manager_->HasSightingCode(5, std::string(c.code) + "x")) << c.code;
  }
  ExpectPoint(manager_->Find(5)->GetSightingPoint(), TVector3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(manager_->GetEntries().size(), 1u);
}

TEST_F(ReactionManagerTest, CombatReactionReplacesThePolicyAndAnUnknownNameLeavesNone) {
  manager_->SetCombatReaction(5, "Pursue");
  EXPECT_EQ(manager_->GetCombatCode(5), 2);
  EXPECT_TRUE(manager_->HasCombatPolicy(5, "Pursue"));
  EXPECT_FALSE(manager_->HasCombatPolicy(5, "HoldFire"));

  manager_->SetCombatReaction(5, "Charge");
  ASSERT_NE(manager_->Find(5), nullptr);
  EXPECT_EQ(manager_->Find(5)->GetPolicy(), nullptr);
  EXPECT_EQ(manager_->GetCombatCode(5), 0);
  EXPECT_FALSE(manager_->HasCombatPolicy(5, "Charge"));
  EXPECT_FALSE(manager_->HasCombatPolicy(5, ""));
}

TEST_F(ReactionManagerTest, MarkersFollowCodeAndPolicyWhileTheUnitExists) {
  Combatant* unit = PlaceUnit("Grunt", 0, TVector3(3.0f, 4.0f, 0.0f));
  ASSERT_NE(unit, nullptr);
  const int32_t id = unit->GetId();
  struct {
    const char* code;
    TRgba colour;
  } const sightings[] = {{"halt", {1.0f, 0.0f, 0.0f, 1.0f}},
                         {"retreat", {0.0f, 0.0f, 1.0f, 1.0f}},
                         {"continue", {0.0f, 0.9f, 0.0f, 1.0f}},
                         // Another code leaves the marker as it was.
                         {"wander", {0.0f, 0.9f, 0.0f, 1.0f}}};
  for (const auto& c : sightings) {
    manager_->SetSightingReaction(id, c.code, TVector3());
    ExpectColour(manager_->Find(id)->GetSightingMarkerColour(), c.colour);
  }
  manager_->SetCombatReaction(id, "Retreat");
  ExpectColour(manager_->Find(id)->GetCombatMarkerColour(), {0.1f, 0.1f, 0.1f, 1.0f});
  manager_->SetCombatReaction(id, "Nothing");
  EXPECT_FALSE(manager_->Find(id)->GetCombatMarkerColour().has_value());

  // A record whose unit is not in the world has no markers to colour.
  manager_->SetSightingReaction(id + 50, "halt", TVector3());
  manager_->SetCombatReaction(id + 50, "Pursue");
  manager_->RefreshMarkers();
  EXPECT_FALSE(manager_->Find(id + 50)->GetSightingMarkerColour().has_value());
  EXPECT_FALSE(manager_->Find(id + 50)->GetCombatMarkerColour().has_value());
}

TEST_F(ReactionManagerTest, StreamRoundTripAtTheCurrentVersion) {
  Combatant* grunt = PlaceUnit("Grunt", 0, TVector3(3.0f, 4.0f, 0.0f));
  Combatant* scanner = PlaceUnit("Scanner", 1, TVector3(8.0f, 2.0f, 0.0f));
  ASSERT_TRUE(grunt != nullptr && scanner != nullptr);
  manager_->SetSightingReaction(scanner->GetId(), "retreat", TVector3(7.5f, 2.25f, 0.5f));
  manager_->SetCombatReaction(scanner->GetId(), "Retreat");
  manager_->SetSightingReaction(grunt->GetId(), "halt", TVector3(-1.0f, 0.125f, 0.0f));
  manager_->SetCombatReaction(grunt->GetId(), "FireAtWill");
  // A unit that is gone keeps its record, without a policy.
  manager_->SetSightingReaction(77, "wander", TVector3(1.0f, 1.0f, 1.0f));
  manager_->SetCombatReaction(77, "Unknown");
  manager_->FindOrCreate(scanner->GetId()).SetTriggered(true);

  const std::vector<uint8_t> bytes = Written(*manager_, kCurrentTag);
  std::unique_ptr<TReactionManager> read = ReadBack(bytes, kCurrentTag);
  ASSERT_EQ(Ids(read->GetEntries()), Ids(manager_->GetEntries()));
  for (std::size_t i = 0; i < read->GetEntries().size(); ++i) {
    const TReactionSettings& a = *manager_->GetEntries()[i];
    const TReactionSettings& b = *read->GetEntries()[i];
    EXPECT_EQ(b.GetSightingCode(), a.GetSightingCode()) << i;
    EXPECT_EQ(b.GetPolicy() == nullptr, a.GetPolicy() == nullptr) << i;
    if (a.GetPolicy() != nullptr && b.GetPolicy() != nullptr) {
      EXPECT_EQ(b.GetPolicy()->Name(), a.GetPolicy()->Name());
    }
    ExpectPoint(b.GetSightingPoint(), a.GetSightingPoint());
    // Read records start untriggered.
    EXPECT_FALSE(b.IsTriggered()) << i;
  }
  // Read records refresh their markers.
  ExpectColour(read->Find(scanner->GetId())->GetSightingMarkerColour(), {0.0f, 0.0f, 1.0f, 1.0f});
  ExpectColour(read->Find(grunt->GetId())->GetCombatMarkerColour(), {1.0f, 0.0f, 0.0f, 1.0f});
  EXPECT_EQ(Written(*read, kCurrentTag), bytes);
}

TEST_F(ReactionManagerTest, VersionOneStoresTheSightingCodeAsOneByte) {
  struct {
    const char* code;
    uint8_t byte;
    const char* readBack;
  } const cases[] = {{"continue", 0, "continue"}, {"halt", 1, "halt"}, {"retreat", 0, "continue"}, {"x", 0, "continue"}};
  for (const char* tag : {"Vorhelm-1-0", "Vorhelm-1-09"}) {
    for (const auto& c : cases) {
      TReactionManager manager(2, world_.get(), nullptr);
      manager.SetSightingReaction(12, c.code, TVector3(4.0f, 4.0f, 0.0f));
      manager.SetCombatReaction(12, "Pursue");
      const std::vector<uint8_t> bytes = Written(manager, tag);
      // Count, id, the code byte, then the policy name.
      ASSERT_EQ(bytes.size(), 4u + 4u + 1u + 4u + 6u) << tag << ' ' << c.code;
      EXPECT_EQ(bytes[8], c.byte) << tag << ' ' << c.code;
      std::unique_ptr<TReactionManager> read = ReadBack(bytes, tag);
      ASSERT_EQ(read->GetEntries().size(), 1u);
      EXPECT_EQ(read->GetEntries()[0]->GetSightingCode(), c.readBack) << tag << ' ' << c.code;
      EXPECT_TRUE(read->HasCombatPolicy(12, "Pursue"));
    }
  }
  // From 1.10 on the code is a string.
  TReactionManager manager(2, world_.get(), nullptr);
  manager.SetSightingReaction(12, "retreat", TVector3());
  std::unique_ptr<TReactionManager> read = ReadBack(Written(manager, "Vorhelm-1-10"), "Vorhelm-1-10");
  EXPECT_TRUE(read->HasSightingCode(12, "retreat"));
}

TEST_F(ReactionManagerTest, ThePointIsStoredOnlyAfterVersion3_0499) {
  Combatant* unit = PlaceUnit("Grunt", 0, TVector3(6.0f, 9.0f, 0.0f));
  ASSERT_NE(unit, nullptr);
  const int32_t missing = unit->GetId() + 40;
  TReactionManager manager(2, world_.get(), nullptr);
  manager.SetSightingReaction(unit->GetId(), "halt", TVector3(1.0f, 2.0f, 3.0f));
  manager.SetSightingReaction(missing, "halt", TVector3(1.0f, 2.0f, 3.0f));

  const std::vector<uint8_t> withoutPoint = Written(manager, "Vorhelm-3-04");
  const std::vector<uint8_t> withPoint = Written(manager, "Vorhelm-3-05");
  EXPECT_EQ(withPoint.size(), withoutPoint.size() + 2 * 12);

  // Without a point the record starts where its unit stands, or at the
  // origin when the unit does not resolve.
  std::unique_ptr<TReactionManager> old = ReadBack(withoutPoint, "Vorhelm-3-04");
  ExpectPoint(old->Find(unit->GetId())->GetSightingPoint(), TVector3(6.0f, 9.0f, 0.0f));
  ExpectPoint(old->Find(missing)->GetSightingPoint(), TVector3(0.0f, 0.0f, 0.0f));
  std::unique_ptr<TReactionManager> current = ReadBack(withPoint, "Vorhelm-3-05");
  ExpectPoint(current->Find(unit->GetId())->GetSightingPoint(), TVector3(1.0f, 2.0f, 3.0f));
  ExpectPoint(current->Find(missing)->GetSightingPoint(), TVector3(1.0f, 2.0f, 3.0f));
}

TEST_F(ReactionManagerTest, ReadingARecordMovesTheUnitsRecordToTheEnd) {
  for (int32_t id : {1, 2, 3}) manager_->SetSightingReaction(id, "continue", TVector3());
  TReactionManager incoming(2, world_.get(), nullptr);
  incoming.SetSightingReaction(1, "halt", TVector3());
  incoming.SetSightingReaction(4, "retreat", TVector3());
  TDataStream stream(kCurrentTag);
  ASSERT_TRUE(incoming.Write(stream));
  stream.Rewind();
  TRawIdMapper mapper;
  ASSERT_TRUE(manager_->Read(stream, mapper));
  EXPECT_EQ(Ids(manager_->GetEntries()), (std::vector<int32_t>{2, 3, 1, 4}));
  EXPECT_TRUE(manager_->HasSightingCode(1, "halt"));

  // Two records of one unit in one stream: the later one stays.
  TDataStream twice(kCurrentTag);
  twice.WriteInt(2);
  for (const char* code : {"retreat", "halt"}) {
    twice.WriteInt(3);
    twice.WriteString(code);
    twice.WriteString("Pursue");
    TVector3(0.0f, 0.0f, 0.0f).Write(twice);
  }
  twice.Rewind();
  ASSERT_TRUE(manager_->Read(twice, mapper));
  EXPECT_EQ(Ids(manager_->GetEntries()), (std::vector<int32_t>{2, 1, 4, 3}));
  EXPECT_TRUE(manager_->HasSightingCode(3, "halt"));
}

TEST_F(ReactionManagerTest, ReadPassesIdsThroughTheMapper) {
  Combatant* unit = PlaceUnit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  ASSERT_NE(unit, nullptr);
  TDataStream stream(kCurrentTag);
  stream.WriteInt(1);
  stream.WriteInt(900);
  stream.WriteString("halt");
  stream.WriteString("Retreat");
  TVector3(1.0f, 1.0f, 0.0f).Write(stream);
  stream.Rewind();
  TIdMapper mapper;
  mapper.Bind(900, unit->GetId());
  ASSERT_TRUE(manager_->Read(stream, mapper));
  ASSERT_NE(manager_->Find(unit->GetId()), nullptr);
  EXPECT_EQ(manager_->Find(unit->GetId())->ResolveUnit(), unit);
  EXPECT_EQ(manager_->GetCombatCode(unit->GetId()), 3);
}

TEST_F(ReactionManagerTest, DamagedStreamsFailAndChangeNothing) {
  manager_->SetSightingReaction(1, "halt", TVector3());
  TReactionManager incoming(2, world_.get(), nullptr);
  incoming.SetSightingReaction(1, "retreat", TVector3());
  incoming.SetSightingReaction(2, "retreat", TVector3());
  const std::vector<uint8_t> good = Written(incoming, kCurrentTag);

  std::vector<std::vector<uint8_t>> damaged;
  damaged.push_back({});                                         // no count
  damaged.push_back({0xFF, 0xFF, 0xFF, 0xFF});                   // negative count
  damaged.push_back({0x00, 0x00, 0x00, 0x10});                   // a count far beyond the bytes
  damaged.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1));  // last record cut short
  std::vector<uint8_t> longName = good;
  longName[8] = 0xF0;  // the first code's length runs past the end
  damaged.push_back(longName);
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    TDataStream stream(kCurrentTag);
    stream.Body() = damaged[i];
    stream.Rewind();
    TRawIdMapper mapper;
    EXPECT_FALSE(manager_->Read(stream, mapper)) << i;
    EXPECT_TRUE(stream.HasFailed()) << i;
    EXPECT_EQ(Ids(manager_->GetEntries()), std::vector<int32_t>{1}) << i;
    EXPECT_TRUE(manager_->HasSightingCode(1, "halt")) << i;
  }
}

TEST_F(ReactionManagerTest, SaveCopyAndRestoreSavedMakeUntriggeredCopies) {
  manager_->SetSightingReaction(1, "halt", TVector3(1.0f, 0.0f, 0.0f));
  manager_->SetCombatReaction(1, "Pursue");
  manager_->SetSightingReaction(2, "retreat", TVector3(2.0f, 0.0f, 0.0f));
  manager_->SetCombatReaction(2, "Nothing");
  for (const auto& entry : manager_->GetEntries()) entry->SetTriggered(true);

  manager_->SaveCopy();
  ASSERT_EQ(Ids(manager_->GetSaved()), (std::vector<int32_t>{1, 2}));
  const TReactionSettings& saved = *manager_->GetSaved()[0];
  EXPECT_FALSE(saved.IsTriggered());
  EXPECT_EQ(saved.GetSightingCode(), "halt");
  ExpectPoint(saved.GetSightingPoint(), TVector3(1.0f, 0.0f, 0.0f));
  ASSERT_NE(saved.GetPolicy(), nullptr);
  EXPECT_EQ(saved.GetPolicy()->Name(), "Pursue");
  EXPECT_NE(saved.GetPolicy(), manager_->Find(1)->GetPolicy());
  EXPECT_EQ(manager_->GetSaved()[1]->GetPolicy(), nullptr);
  // The entries themselves stay triggered.
  EXPECT_TRUE(manager_->Find(1)->IsTriggered());

  // A turn changes the records; the saved ones come back untriggered.
  manager_->SetSightingReaction(1, "continue", TVector3());
  manager_->SetSightingReaction(3, "halt", TVector3());
  manager_->RestoreSaved();
  EXPECT_EQ(Ids(manager_->GetEntries()), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(manager_->HasSightingCode(1, "halt"));
  EXPECT_TRUE(manager_->HasCombatPolicy(1, "Pursue"));
  for (const auto& entry : manager_->GetEntries()) EXPECT_FALSE(entry->IsTriggered());
  EXPECT_EQ(manager_->GetSaved().size(), 2u);

  // Saving again drops the earlier copies.
  manager_->SetSightingReaction(9, "halt", TVector3());
  manager_->SaveCopy();
  EXPECT_EQ(Ids(manager_->GetSaved()), (std::vector<int32_t>{1, 2, 9}));
}

TEST_F(ReactionManagerTest, BeginTurnRecordsWhatEachPlayerSeesAndMovesSightingPoints) {
  Combatant* own = PlaceUnit("Grunt", 0, TVector3(2.0f, 3.0f, 0.0f));
  Combatant* enemy = PlaceUnit("Spiker", 1, TVector3(9.0f, 3.0f, 0.0f));
  const TUnitType* hqType = world_->GetGameData().FindUnitType("Marine HQ");
  ASSERT_TRUE(own != nullptr && enemy != nullptr && hqType != nullptr);
  TGameObject* dump = Place(std::make_unique<AmmoDump>(TVector3(1.0f, 1.0f, 0.0f), *hqType, 0));
  TGameObject* egg = Place(Egg::Lay(world_->GetGameData(), TVector3(5.0f, 5.0f, 0.0f), 1, 0.0f));
  ASSERT_NE(egg, nullptr);
  for (TGameObject* object : {static_cast<TGameObject*>(own), static_cast<TGameObject*>(enemy), dump, egg}) {
    object->SetFlag(0, false);
    object->SetFlag(1, false);
  }
  own->SetFlag(0, true);
  own->SetFlag(1, true);
  enemy->SetFlag(1, true);
  dump->SetFlag(1, true);
  egg->SetFlag(0, true);
  egg->SetFlag(1, true);

  manager_->SetSightingReaction(own->GetId(), "retreat", TVector3(0.0f, 0.0f, 0.0f));
  manager_->SetSightingReaction(500, "retreat", TVector3(4.0f, 4.0f, 0.0f));
  manager_->BeginTurn();
  // Units, then dumps, then eggs.
  EXPECT_EQ(SeenIds(*manager_, 0), (std::vector<int32_t>{own->GetId(), egg->GetId()}));
  EXPECT_EQ(SeenIds(*manager_, 1), (std::vector<int32_t>{own->GetId(), enemy->GetId(), dump->GetId(), egg->GetId()}));
  EXPECT_TRUE(manager_->WasSeenAtTurnStart(1, dump->GetId()));
  EXPECT_FALSE(manager_->WasSeenAtTurnStart(0, enemy->GetId()));
  EXPECT_TRUE(manager_->GetSeen(2).empty());
  ExpectPoint(manager_->Find(own->GetId())->GetSightingPoint(), TVector3(2.0f, 3.0f, 0.0f));
  // A record whose unit is gone keeps its point.
  ExpectPoint(manager_->Find(500)->GetSightingPoint(), TVector3(4.0f, 4.0f, 0.0f));

  // The next turn's picture replaces the last one.
  own->SetFlag(1, false);
  enemy->SetFlag(1, false);
  dump->SetFlag(1, false);
  egg->SetFlag(1, false);
  manager_->BeginTurn();
  EXPECT_TRUE(manager_->GetSeen(1).empty());
  EXPECT_EQ(SeenIds(*manager_, 0), (std::vector<int32_t>{own->GetId(), egg->GetId()}));
}

TEST_F(ReactionManagerTest, ResetForgetsRecordsCopiesAndTheTurnsPicture) {
  Combatant* unit = PlaceUnit("Grunt", 0, TVector3(2.0f, 3.0f, 0.0f));
  ASSERT_NE(unit, nullptr);
  unit->SetFlag(1, true);
  manager_->SetSightingReaction(unit->GetId(), "halt", TVector3());
  manager_->SaveCopy();
  manager_->BeginTurn();
  ASSERT_FALSE(manager_->GetSeen(1).empty());
  // Without an order list there are no orders to cancel; the records stay.
  manager_->CancelUnitOrders(unit->GetId());
  EXPECT_TRUE(manager_->HasSightingCode(unit->GetId(), "halt"));

  manager_->Reset();
  EXPECT_TRUE(manager_->GetEntries().empty());
  EXPECT_TRUE(manager_->GetSaved().empty());
  EXPECT_TRUE(manager_->GetSeen(0).empty());
  EXPECT_TRUE(manager_->GetSeen(1).empty());
  EXPECT_EQ(manager_->GetPlayerCount(), 2);
}

TEST_F(ReactionManagerTest, DefaultReactionsFromTime20ForTheUnitsAfterTheLastRecord) {
  TEventList events;
  TActionResolver resolver(*world_, manager_.get());
  resolver.SetEvents(&events);
  Combatant* first = PlaceUnit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant* scanner = PlaceUnit("Scanner", 1, TVector3(6.0f, 3.0f, 0.0f));
  ASSERT_TRUE(first != nullptr && scanner != nullptr);

  manager_->AssignDefaultReactions(&resolver, 19.9999f);
  EXPECT_TRUE(manager_->GetEntries().empty());
  EXPECT_EQ(events.GetEventCount(), 0);

  // From the last unit backwards, sighting then combat for each.
  manager_->AssignDefaultReactions(&resolver, 20.0f);
  EXPECT_EQ(Ids(manager_->GetEntries()), (std::vector<int32_t>{scanner->GetId(), first->GetId()}));
  EXPECT_TRUE(manager_->HasSightingCode(scanner->GetId(), "retreat"));
  EXPECT_TRUE(manager_->HasCombatPolicy(scanner->GetId(), "HoldFire"));
  ExpectPoint(manager_->Find(scanner->GetId())->GetSightingPoint(), TVector3(6.0f, 3.0f, 0.0f));
  EXPECT_TRUE(manager_->HasSightingCode(first->GetId(), "halt"));
  EXPECT_TRUE(manager_->HasCombatPolicy(first->GetId(), "FireAtWill"));
  ASSERT_EQ(events.GetEventCount(), 4);
  for (int32_t i = 0; i < events.GetEventCount(); ++i) EXPECT_EQ(events.GetEvent(i)->TypeName(), "Rules") << i;

  // Every unit has its record now: nothing more is made.
  manager_->AssignDefaultReactions(&resolver, 21.0f);
  EXPECT_EQ(events.GetEventCount(), 4);

  // A unit that joins later gets its defaults; a unit without a record
  // before the last one that has a record is not reached.
  Combatant* skipped = PlaceUnit("Spiker", 0, TVector3(3.0f, 7.0f, 0.0f));
  Combatant* chosen = PlaceUnit("Grunt", 1, TVector3(8.0f, 7.0f, 0.0f));
  Combatant* spiker = PlaceUnit("Spiker", 1, TVector3(9.0f, 8.0f, 0.0f));
  ASSERT_TRUE(skipped != nullptr && chosen != nullptr && spiker != nullptr);
  manager_->SetCombatReaction(chosen->GetId(), "Retreat");
  manager_->AssignDefaultReactions(&resolver, 22.0f);
  EXPECT_EQ(Ids(manager_->GetEntries()),
            (std::vector<int32_t>{scanner->GetId(), first->GetId(), chosen->GetId(), spiker->GetId()}));
  EXPECT_TRUE(manager_->HasSightingCode(spiker->GetId(), "continue"));
  EXPECT_TRUE(manager_->HasCombatPolicy(spiker->GetId(), "Pursue"));
  EXPECT_TRUE(manager_->HasCombatPolicy(chosen->GetId(), "Retreat"));
  EXPECT_EQ(manager_->Find(skipped->GetId()), nullptr);
  EXPECT_EQ(events.GetEventCount(), 6);
}

}  // namespace
