#include "world/terrain_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/random.h"
#include "session/id_mapper.h"
#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/surrogate.h"
#include "world/terrain_type.h"
#include "world/world_effects.h"
#include "world/map_fixtures.h"

namespace {

using map_test::MakeTestGameData;
using map_test::TTestEffect;
using map_test::TTestEffectMakers;
using map_test::TypeNamesOf;
using Names = std::vector<std::string>;

class TerrainObjectTest : public ::testing::Test {
 protected:
  std::unique_ptr<TTerrainObject> Make(const std::string& type, const TVector3& at = TVector3(4.0f, 5.0f, 0.0f),
                                       float time = 0.0f) {
    auto object = CreateTerrainObject(type, *data_, at, time);
    EXPECT_NE(object, nullptr) << type;
    return object;
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeTestGameData();
  map_test::TNoEffectMakers noEffects_;
};

// --- damage --------------------------------------------------------------------

struct DamageCase {
  const char* type;
  float amount;
  bool destroyed;
  Names remains;  // after the surrogate, with a smoke maker registered
};

class TerrainDamageTest : public TerrainObjectTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(TerrainDamageTest, LeavesTheRemainsTheLeftoverDamageAllows) {
  const DamageCase& c = GetParam();
  TTestEffectMakers makers;
  auto object = Make(c.type);
  EXPECT_EQ(object->TakeDamage(c.amount), c.destroyed);
  EXPECT_EQ(object->IsDestroyed(), c.destroyed);

  TNewObjects out;
  object->HandleDestroyed(out, *data_, 3.0f);
  Names expected;
  if (c.destroyed) {
    expected.push_back("Surrogate");
    expected.insert(expected.end(), c.remains.begin(), c.remains.end());
  }
  EXPECT_EQ(TypeNamesOf(out), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TerrainDamageTest,
    ::testing::Values(
        // 17 - 10 = 7 destroys the rubble (strength 5) too: only smoke is left.
        DamageCase{"Wall", 17.0f, true, {"Smoke"}},
        // 12 - 10 = 2 is below the rubble's 5: the rubble stays.
        DamageCase{"Wall", 12.0f, true, {"Rubble", "Smoke"}},
        // A hit equal to the strength destroys (leftover 0.0).
        DamageCase{"Wall", 10.0f, true, {"Rubble", "Smoke"}},
        DamageCase{"Wall", 9.99f, false, {}},
        // A ground tile that nothing replaces never breaks; one that is replaced does.
        DamageCase{"Floor", 1000.0f, false, {}},
        DamageCase{"Dirt", 2.5f, true, {"Floor", "Smoke"}},
        // A cycle in the data ends at the first repeated type.
        DamageCase{"LoopA", 1.0f, true, {"LoopA", "Smoke"}},
        // A name that no type bears leaves nothing in its place.
        DamageCase{"Broken", 5.0f, true, {"Smoke"}},
        DamageCase{"Barrel", 3.0f, true, {"Smoke", "Explosion"}}));

TEST_F(TerrainObjectTest, SuccessorIsHandedOverAndNeverMadeInPlace) {
  TMap map(10, 10);
  map.Add(Make("Wall", TVector3(3.5f, 4.5f, 0.0f)));
  auto* wall = static_cast<TTerrainObject*>(map.GetAt(0));
  wall->TakeDamage(12.0f);
  map.MarkForRemoval(wall);

  TNewObjects out;
  map.HandleDestroyedAll(out, *data_, 7.5f);
  EXPECT_EQ(wall->GetTypeName(), "Wall");
  EXPECT_EQ(map.Count(), 1);
  ASSERT_EQ(TypeNamesOf(out), (Names{"Surrogate", "Rubble"}));
  const auto& rubble = static_cast<const TTerrainObject&>(*out[1]);
  EXPECT_EQ(rubble.Position(), wall->Position());
  EXPECT_FLOAT_EQ(rubble.GetCreationTime(), 7.5f);
  // The surrogate passes what the players see on to the successor.
  const auto& surrogate = static_cast<const Surrogate&>(*out[0]);
  ASSERT_EQ(surrogate.GetLinks().size(), 1u);
  EXPECT_EQ(surrogate.GetLinks()[0]->Resolve(), out[1].get());
}

TEST_F(TerrainObjectTest, EffectsAreLeftOutWhileNoMakerIsRegistered) {
  auto object = Make("Barrel");
  object->TakeDamage(5.0f);
  TNewObjects out;
  object->HandleDestroyed(out, *data_, 1.0f);
  EXPECT_EQ(TypeNamesOf(out), (Names{"Surrogate"}));
}

TEST_F(TerrainObjectTest, SmokeAndBlastAreDrawnInTheFixedOrder) {
  TTestEffectMakers makers;
  GetRandom()->Seed(1234);
  auto object = Make("Barrel");
  object->TakeDamage(5.0f);
  TNewObjects out;
  object->HandleDestroyed(out, *data_, 2.0f);
  ASSERT_EQ(TypeNamesOf(out), (Names{"Surrogate", "Smoke", "Explosion"}));

  GetRandom()->Seed(1234);
  const float dz = GetRandom()->FloatRange(-0.25f, 0.25f);
  const float dy = GetRandom()->FloatRange(-0.25f, 0.25f);
  const float dx = GetRandom()->FloatRange(-0.25f, 0.25f);
  const float duration = GetRandom()->FloatRange(0.5f, 1.0f);
  const auto& smoke = static_cast<const TTestEffect&>(*out[1]);
  EXPECT_EQ(smoke.Position(), TVector3(4.0f + dx, 5.0f + dy, 0.0f + dz));
  EXPECT_EQ(smoke.A(), duration);
  EXPECT_FLOAT_EQ(smoke.GetCreationTime(), 2.0f);

  const auto& blast = static_cast<const TTestEffect&>(*out[2]);
  EXPECT_EQ(blast.Position(), TVector3(4.0f, 5.0f, 0.5f));
  EXPECT_FLOAT_EQ(blast.A(), 25.0f);
  EXPECT_FLOAT_EQ(blast.B(), 1.5f);
}

TEST_F(TerrainObjectTest, RunsWithAndWithoutEffectsDrawAlike) {
  const auto nextDrawAfterDestruction = [this](bool withMakers) {
    std::unique_ptr<TTestEffectMakers> makers = withMakers ? std::make_unique<TTestEffectMakers>() : nullptr;
    GetRandom()->Seed(99);
    auto object = Make("Wall");
    object->TakeDamage(50.0f);
    TNewObjects out;
    object->HandleDestroyed(out, *data_, 0.0f);
    return GetRandom()->GetGenerator().Next();
  };
  EXPECT_EQ(nextDrawAfterDestruction(true), nextDrawAfterDestruction(false));
}

// --- pending names -------------------------------------------------------------

TEST_F(TerrainObjectTest, PendingNameReportsDestroyedAndNamesTheSuccessor) {
  auto door = Make("Open_Door", TVector3(2.5f, 2.5f, 0.0f), 1.0f);
  door->SetFlag(1, true);
  EXPECT_FALSE(door->IsDestroyed());
  door->SetPendingName("Door");
  EXPECT_TRUE(door->IsDestroyed());

  TNewObjects out;
  door->HandleDestroyed(out, *data_, 4.0f);
  ASSERT_EQ(TypeNamesOf(out), (Names{"Surrogate", "Door"}));
  // A door that was not closed hands its bits on to the next state.
  EXPECT_TRUE(out[1]->TestFlag(1));
  EXPECT_FLOAT_EQ(out[1]->GetCreationTime(), 4.0f);
}

TEST_F(TerrainObjectTest, ClosedDoorSuccessorStartsWithoutBits) {
  auto door = Make("Door");
  door->SetFlag(1, true);
  door->SetPendingName("Open_Door");
  TNewObjects out;
  door->HandleDestroyed(out, *data_, 0.0f);
  ASSERT_EQ(TypeNamesOf(out), (Names{"Surrogate", "Open_Door"}));
  EXPECT_FALSE(out[1]->TestFlag(1));
}

TEST_F(TerrainObjectTest, RemovedObjectGoesWithoutSuccessor) {
  auto field = Make("field_000");
  field->MarkRemoved();
  EXPECT_TRUE(field->IsDestroyed());
  TNewObjects out;
  field->HandleDestroyed(out, *data_, 0.0f);
  EXPECT_EQ(TypeNamesOf(out), (Names{"Surrogate"}));
}

TEST_F(TerrainObjectTest, UnknownPendingNameCreatesNothing) {
  auto post = Make("Post");
  post->SetPendingName("No_Such_Type");
  TNewObjects out;
  post->HandleDestroyed(out, *data_, 0.0f);
  EXPECT_EQ(TypeNamesOf(out), (Names{"Surrogate"}));
}

TEST_F(TerrainObjectTest, NetworkTilesPassTheirBitsToTheSurrogate) {
  auto relay = Make("relay_post_on_1");
  relay->SetFlag(0, true);
  relay->SetFlag(1, true);
  relay->SetPendingName("relay_post_off_1");
  TNewObjects out;
  relay->HandleDestroyed(out, *data_, 0.0f);
  ASSERT_EQ(TypeNamesOf(out), (Names{"Surrogate", "relay_post_off_1"}));
  EXPECT_TRUE(out[0]->TestFlag(0));
  EXPECT_TRUE(out[0]->TestFlag(1));
  EXPECT_TRUE(out[1]->TestFlag(1));
}

TEST_F(TerrainObjectTest, ObjectThatIsNotDestroyedHandsOverNothing) {
  auto wall = Make("Wall");
  TNewObjects out;
  wall->HandleDestroyed(out, *data_, 0.0f);
  EXPECT_TRUE(out.empty());
}

// --- shape, kind and flags -----------------------------------------------------

TEST_F(TerrainObjectTest, AnswersFromItsType) {
  auto wall = Make("Wall");
  auto window = Make("Wall_window");
  auto field = Make("field_000");
  auto floor = Make("Floor");
  EXPECT_EQ(wall->TypeName(), "MapTile");
  EXPECT_TRUE(wall->IsMapTile());
  EXPECT_EQ(wall->SubtypeName(), "Wall");
  EXPECT_FLOAT_EQ(wall->GetStrength(), 10.0f);
  EXPECT_FLOAT_EQ(wall->GetRadius(), 0.5f);
  EXPECT_TRUE(wall->IsOpaque());
  EXPECT_FALSE(window->IsOpaque());
  EXPECT_EQ(field->ActionName(), "forceField");
  EXPECT_EQ(wall->ActionName(), "normal");
  EXPECT_TRUE(wall->IsWall());
  EXPECT_TRUE(floor->IsGround());
  EXPECT_TRUE(wall->SameKind(*window));
  EXPECT_FALSE(wall->SameKind(*floor));
  EXPECT_EQ(wall->MovementType(), kTerrainMovementBlocked);
  EXPECT_EQ(wall->GetVisual(), nullptr);
  EXPECT_FALSE(wall->IsAnimated());
}

TEST_F(TerrainObjectTest, CanBeDestroyedFollowsStrengthExceptForLastingGround) {
  auto wall = Make("Wall");
  auto floor = Make("Floor");
  EXPECT_TRUE(wall->CanBeDestroyed(10.0f));
  EXPECT_FALSE(wall->CanBeDestroyed(9.0f));
  EXPECT_FALSE(floor->CanBeDestroyed(1.0e6f));
}

TEST_F(TerrainObjectTest, SphereOverlapAndAimPointFollowTheFireShape) {
  auto post = Make("Post", TVector3(4.0f, 5.0f, 0.0f));
  EXPECT_EQ(post->SphereOverlap(TVector3(4.0f, 5.6f, 0.5f), 0.5f), 1.0f);
  EXPECT_EQ(post->SphereOverlap(TVector3(4.0f, 6.0f, 0.5f), 0.5f), 0.0f);
  TVector3 aim;
  post->GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(4.0f, 5.0f, 0.5f));
  // Moving the object moves its shape with it.
  post->SetPosition(TVector3(8.0f, 8.0f, 0.0f));
  EXPECT_EQ(post->SphereOverlap(TVector3(8.0f, 8.6f, 0.5f), 0.5f), 1.0f);
}

struct DirectionCase {
  TVector3 toward;
  TVector3 face;
};

TEST_F(TerrainObjectTest, FacesTheSideThePointLiesOn) {
  auto wall = Make("Wall", TVector3(0.0f, 0.0f, 0.0f));
  const DirectionCase cases[] = {
      {TVector3(0.0f, -2.0f, 0.0f), TVector3(0.0f, -1.0f, 0.0f)},
      {TVector3(2.0f, 0.5f, 0.0f), TVector3(1.0f, 0.0f, 0.0f)},
      {TVector3(-2.0f, 0.5f, 0.0f), TVector3(-1.0f, 0.0f, 0.0f)},
      {TVector3(0.5f, 2.0f, 0.0f), TVector3(0.0f, 1.0f, 0.0f)},
      // The diagonals belong to the north face (toward -y) and the east face.
      {TVector3(1.0f, -1.0f, 0.0f), TVector3(0.0f, -1.0f, 0.0f)},
      {TVector3(-1.0f, -1.0f, 0.0f), TVector3(0.0f, -1.0f, 0.0f)},
      {TVector3(1.0f, 1.0f, 0.0f), TVector3(1.0f, 0.0f, 0.0f)},
      {TVector3(-1.0f, 1.0f, 0.0f), TVector3(-1.0f, 0.0f, 0.0f)},
  };
  for (const DirectionCase& c : cases) {
    TVector3 face;
    wall->GetDirection(face, c.toward);
    EXPECT_EQ(face, c.face) << c.toward.x << ", " << c.toward.y;
  }
  TVector3 up;
  Make("Floor")->GetDirection(up, TVector3(9.0f, 9.0f, 0.0f));
  EXPECT_EQ(up, TVector3(0.0f, 0.0f, 1.0f));
}

TEST_F(TerrainObjectTest, CommitKeepsTheBitsATileWasFlaggedWith) {
  auto wall = Make("Wall");
  wall->SetFlag(1, true);
  wall->CommitFlags();
  EXPECT_TRUE(wall->TestFlag(1));
  EXPECT_TRUE(wall->GetPreviousFlags().Test(1));
}

// --- templates -----------------------------------------------------------------

TEST_F(TerrainObjectTest, UnknownTypeMakesNoObject) {
  EXPECT_EQ(CreateTerrainObject("Nowhere", *data_, TVector3(), 0.0f), nullptr);
}

TEST_F(TerrainObjectTest, TemplatesOutliveTheGameDataTheyWereMadeFrom) {
  TTerrainTemplates::Clear();
  auto first = std::make_unique<TGameData>(
      "", "city", "# a\n[Terrain Data]\n[Post]\nLOS Shape = Box | -0.2,-0.2,0 | 0.2,0.2,1\nType = object\n");
  EXPECT_NE(CreateTerrainObject("Post", *first, TVector3(), 0.0f), nullptr);
  EXPECT_EQ(TTerrainTemplates::Count(), 1);
  first.reset();

  // Another game data of the same set, with another shape for the type.
  auto second = std::make_unique<TGameData>(
      "", "city", "# b\n[Terrain Data]\n[Post]\nLOS Shape = Box | 0.8,-0.2,0 | 1.2,0.2,1\nType = object\n");
  auto post = CreateTerrainObject("Post", *second, TVector3(), 0.0f);
  ASSERT_NE(post, nullptr);
  EXPECT_EQ(&post->GetType(), second->FindTerrainType("Post"));
  EXPECT_EQ(post->SphereOverlap(TVector3(1.0f, 0.0f, 0.5f), 0.1f), 1.0f);
  EXPECT_EQ(post->SphereOverlap(TVector3(0.0f, 0.0f, 0.5f), 0.1f), 0.0f);
  EXPECT_EQ(TTerrainTemplates::Count(), 1);
}

TEST_F(TerrainObjectTest, ObjectsCopiedFromATemplateFollowTheirOwnPosition) {
  const TTerrainType& type = *data_->FindTerrainType("Post");
  const TTerrainObject templateObject(type);
  EXPECT_TRUE(templateObject.IsDetached());
  const TTerrainObject placed(templateObject, TVector3(6.0f, 2.0f, 0.0f), 1.5f);
  EXPECT_FALSE(placed.IsDetached());
  EXPECT_FLOAT_EQ(placed.GetCreationTime(), 1.5f);
  EXPECT_EQ(placed.SphereOverlap(TVector3(6.0f, 2.0f, 0.5f), 0.1f), 1.0f);
  EXPECT_EQ(templateObject.SphereOverlap(TVector3(6.0f, 2.0f, 0.5f), 0.1f), 0.0f);
}

// --- records -------------------------------------------------------------------

// A record written at the version and read back.
std::unique_ptr<TGameObjectRecord> RoundTrip(const TGameObjectRecord& record, const std::string& tag,
                                             std::size_t* bytes = nullptr) {
  RegisterMapTileRecord();
  TDataStream stream(tag);
  TStringList names;
  TRawIdMapper ids;
  EXPECT_TRUE(record.Save(stream, ids, names));
  if (bytes != nullptr) *bytes = stream.Body().size();
  stream.Rewind();
  return CreateObjectRecord(stream, names);
}

TEST_F(TerrainObjectTest, RecordKeepsTypeNameAndCreationTime) {
  auto wall = Make("Wall", TVector3(1.5f, 2.5f, 0.0f), 6.25f);
  wall->SetId(41);
  wall->SetFlag(1, true);
  const TMapTileRecord record(*wall);
  auto loaded = RoundTrip(record, "Vorhelm-3-10");
  ASSERT_NE(loaded, nullptr);
  const auto& tile = static_cast<const TMapTileRecord&>(*loaded);
  EXPECT_EQ(tile.GetTerrainTypeName(), "Wall");
  EXPECT_FLOAT_EQ(tile.GetCreationTime(), 6.25f);

  TMap map(4, 4);
  auto spawned = loaded->Spawn(*data_, map);
  ASSERT_NE(spawned, nullptr);
  EXPECT_EQ(spawned->GetId(), 41);
  EXPECT_EQ(spawned->Position(), wall->Position());
  EXPECT_TRUE(spawned->TestFlag(1));
  EXPECT_FLOAT_EQ(spawned->GetCreationTime(), 6.25f);
}

TEST_F(TerrainObjectTest, RecordOfVersion110HasNoCreationTime) {
  auto wall = Make("Wall", TVector3(1.5f, 2.5f, 0.0f), 6.25f);
  const TMapTileRecord record(*wall);
  std::size_t oldBytes = 0;
  std::size_t newBytes = 0;
  auto old = RoundTrip(record, "Vorhelm-1-10", &oldBytes);
  RoundTrip(record, "Vorhelm-3-10", &newBytes);
  ASSERT_NE(old, nullptr);
  EXPECT_FLOAT_EQ(static_cast<const TMapTileRecord&>(*old).GetCreationTime(), 0.0f);
  EXPECT_EQ(newBytes, oldBytes + 4);
}

TEST_F(TerrainObjectTest, CloneIsAnExactCopy) {
  auto door = Make("Door", TVector3(2.5f, 0.5f, 0.0f), 3.0f);
  door->SetId(7);
  const TMapTileRecord record(*door);
  auto copy = record.Clone();
  ASSERT_NE(copy, nullptr);
  const auto& tile = static_cast<const TMapTileRecord&>(*copy);
  EXPECT_EQ(tile.GetId(), 7);
  EXPECT_EQ(tile.GetTerrainTypeName(), "Door");
  EXPECT_FLOAT_EQ(tile.GetCreationTime(), 3.0f);
  EXPECT_EQ(tile.GetPosition(), door->Position());
}

TEST_F(TerrainObjectTest, RecordOfAnUnknownTypeSpawnsNothing) {
  auto wall = Make("Wall");
  const TMapTileRecord record(*wall);
  const auto other = std::make_unique<TGameData>("", "city", "# c\n[Terrain Data]\n[Floor]\nType = ground\n");
  TMap map(4, 4);
  EXPECT_EQ(record.Spawn(*other, map), nullptr);
}

TEST_F(TerrainObjectTest, RecordWithANameIndexOutsideTheTableFailsTheStream) {
  RegisterMapTileRecord();
  TDataStream stream;
  TStringList names;
  TRawIdMapper ids;
  ASSERT_TRUE(TMapTileRecord(*Make("Wall")).Save(stream, ids, names));
  // The terrain name is the table's second entry; a table without it cannot name it.
  TStringList shortTable;
  shortTable.IndexOf("MapTile");
  stream.Rewind();
  EXPECT_EQ(CreateObjectRecord(stream, shortTable), nullptr);
  EXPECT_TRUE(stream.HasFailed());
}

}  // namespace
