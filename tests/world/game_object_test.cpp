#include "world/game_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "world/object_record.h"
#include "world/surrogate.h"
#include "world/test_world_objects.h"

using world_test::TTestCrate;
using world_test::TTestShot;

namespace {

void ExpectSamePoint(const TVector3& actual, const TVector3& expected) {
  EXPECT_FLOAT_EQ(actual.x, expected.x);
  EXPECT_FLOAT_EQ(actual.y, expected.y);
  EXPECT_FLOAT_EQ(actual.z, expected.z);
}

// A unit's second base with fixed answers: only HasTracking is under test.
class TFixedCombatant : public TCombatantInterface {
 public:
  using TCombatantInterface::TCombatantInterface;
  bool CanSee(const TGameObject& /*target*/, float /*factor*/) const override { return false; }
  bool CanTrack(const TGameObject& /*target*/, float /*factor*/) const override { return false; }
  int32_t GetOwner() const override { return 1; }
};

}  // namespace

TEST(GameObjectTest, NewObjectHasNoIdNoVisualsEmptyVolumesAndBaseAnswers) {
  const TTestCrate crate(TVector3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(crate.GetId(), -1);
  ExpectSamePoint(crate.Position(), TVector3(1.0f, 2.0f, 3.0f));
  EXPECT_TRUE(crate.GetVisuals().empty());
  EXPECT_TRUE(crate.GetLofVolume().IsEmpty());
  EXPECT_TRUE(crate.GetLosVolume().IsEmpty());
  EXPECT_FLOAT_EQ(crate.GetRadius(), 0.5f);
  EXPECT_FLOAT_EQ(crate.TGameObject::GetVisibility(), 1.0f);
  EXPECT_FLOAT_EQ(crate.TGameObject::GetSightWeight(), 0.0f);
  EXPECT_FLOAT_EQ(crate.GetStrength(), 0.0f);
  EXPECT_EQ(crate.SubtypeName(), "No subtype");
  EXPECT_EQ(crate.ActionName(), "normal");
  EXPECT_FALSE(crate.IsMapTile());
  EXPECT_FALSE(crate.IsOpaque());
  EXPECT_FLOAT_EQ(crate.SphereOverlap(TVector3(1.0f, 2.0f, 3.0f), 5.0f), 0.0f);
  EXPECT_FLOAT_EQ(crate.GetCreationTime(), 0.0f);
  EXPECT_EQ(crate.GetVisual(), nullptr);
  TVector3 direction;
  crate.GetDirection(direction);
  ExpectSamePoint(direction, TVector3(0.0f, 0.0f, 1.0f));
  TVector3 aim;
  crate.TGameObject::GetAimPoint(aim);
  ExpectSamePoint(aim, crate.Position());
  // Every player's bit starts clear.
  EXPECT_FALSE(crate.TestFlag(0));
  EXPECT_FALSE(crate.TestFlag(1));
}

TEST(GameObjectTest, LoseEnduranceDoesNothingInTheBase) {
  TTestCrate crate(TVector3(), "Crate", 4.0f);
  EXPECT_FALSE(crate.LoseEndurance(100.0f));
  EXPECT_FLOAT_EQ(crate.Endurance(), 4.0f);
}

TEST(GameObjectTest, PositionIsCopiedInAndOut) {
  TTestCrate crate{TVector3()};
  crate.SetPosition(TVector3(4.0f, 5.0f, 6.0f));
  TVector3 out;
  crate.GetPosition(out);
  ExpectSamePoint(out, TVector3(4.0f, 5.0f, 6.0f));
}

TEST(GameObjectTest, FlagsCommitAndReportChanges) {
  TTestCrate crate{TVector3()};
  crate.SetFlag(1, true);
  EXPECT_TRUE(crate.TestFlag(1));
  EXPECT_TRUE(crate.FlagChanged(1));
  EXPECT_FALSE(crate.FlagChanged(0));

  crate.CommitFlags();
  EXPECT_FALSE(crate.TestFlag(1));
  EXPECT_TRUE(crate.GetPreviousFlags().Test(1));
  // Cleared after a commit: the player no longer sees it, which is a change.
  EXPECT_TRUE(crate.FlagChanged(1));

  // Negative indices name no player.
  crate.SetFlag(-1, true);
  EXPECT_FALSE(crate.TestFlag(-1));
  EXPECT_FALSE(crate.FlagChanged(-1));
}

TEST(GameObjectTest, LockedFlagsIgnoreSetAndCommitButTakeAssignedBits) {
  TTestCrate crate{TVector3()};
  crate.SetFlag(0, true);
  crate.GetFlagSet().Lock();
  crate.SetFlag(1, true);
  EXPECT_FALSE(crate.TestFlag(1));
  crate.CommitFlags();
  EXPECT_TRUE(crate.TestFlag(0));
  EXPECT_FALSE(crate.FlagChanged(0));

  TBitSet bits(2);
  bits.Set(1, true);
  crate.AssignFlags(bits);
  EXPECT_FALSE(crate.TestFlag(0));
  EXPECT_TRUE(crate.TestFlag(1));
}

TEST(GameObjectTest, MergeObjectFlagsKeepsTheCurrentBits) {
  TTestCrate crate{TVector3()};
  crate.SetFlag(0, true);
  crate.MergeObjectFlags();
  EXPECT_TRUE(crate.TestFlag(0));
  EXPECT_TRUE(crate.GetPreviousFlags().Test(0));
  EXPECT_FALSE(crate.FlagChanged(0));
}

TEST(GameObjectTest, HandleDestroyedOfALiveObjectAppendsNothing) {
  TTestCrate crate(TVector3(1.0f, 1.0f, 0.0f), "Crate", 10.0f);
  const auto data = world_test::MakeTestGameData();
  TNewObjects newObjects;
  crate.HandleDestroyed(newObjects, *data, 1.0f);
  EXPECT_TRUE(newObjects.empty());
}

TEST(GameObjectTest, HandleDestroyedOfADestroyedObjectLeavesASurrogate) {
  TTestCrate crate(TVector3(1.0f, 1.0f, 0.0f), "Crate", 10.0f);
  crate.SetId(7);
  crate.SetFlag(1, true);
  EXPECT_TRUE(crate.TakeDamage(25.0f));
  const auto data = world_test::MakeTestGameData();
  TNewObjects newObjects;
  crate.HandleDestroyed(newObjects, *data, 1.0f);
  ASSERT_EQ(newObjects.size(), 1u);
  ASSERT_EQ(newObjects[0]->TypeName(), "Surrogate");
  const auto& surrogate = static_cast<const Surrogate&>(*newObjects[0]);
  EXPECT_EQ(surrogate.KeptRecordId(), 7);
  EXPECT_TRUE(surrogate.TestFlag(1));
}

TEST(GameObjectTest, SettingAVolumeReplacesTheOwnedOne) {
  TTestCrate crate(TVector3(2.0f, 2.0f, 0.0f));
  auto volume = std::make_unique<TCompoundVolume>();
  volume->Add(std::make_unique<TSphereVolume>(&crate.Position(), TVector3(), 0.3f));
  crate.SetLofVolume(std::move(volume));
  EXPECT_EQ(crate.GetLofVolume().Count(), 1u);
  EXPECT_FLOAT_EQ(crate.GetLofVolume().MaxGroundRadius(), 0.3f);
  EXPECT_TRUE(crate.GetLosVolume().IsEmpty());
  crate.SetLofVolume(nullptr);
  EXPECT_TRUE(crate.GetLofVolume().IsEmpty());
}

TEST(GameObjectTest, VisualsAreKeptInOrderAndNullIsRefused) {
  // Destruction hands the visuals back to the map view; without one, that
  // must be harmless for pointers the world never drew.
  alignas(8) static char storage[2];
  auto* first = reinterpret_cast<TVisual*>(&storage[0]);
  auto* second = reinterpret_cast<TVisual*>(&storage[1]);
  auto crate = std::make_unique<TTestCrate>(TVector3());
  crate->AddVisual(first);
  crate->AddVisual(nullptr);
  crate->AddVisual(second);
  ASSERT_EQ(crate->GetVisuals().size(), 2u);
  EXPECT_EQ(crate->GetVisuals()[0], first);
  EXPECT_EQ(crate->GetVisuals()[1], second);
  crate.reset();
}

// --- mobile objects ---------------------------------------------------------

TEST(MobileObjectTest, UpdateAtTheStartTimeIsAtTheStartPoint) {
  TTestShot shot(TVector3(1.0f, 2.0f, 0.5f), 4.0f, TVector3(1.0f, 0.0f, 0.0f), 3.0f);
  shot.SetPosition(TVector3(9.0f, 9.0f, 9.0f));
  shot.Update(3.0f);
  ExpectSamePoint(shot.Position(), TVector3(1.0f, 2.0f, 0.5f));
}

TEST(MobileObjectTest, UpdateFollowsThePathAndPositionAtDoesNotMove) {
  TTestShot shot(TVector3(1.0f, 2.0f, 0.0f), 4.0f, TVector3(0.0f, 2.0f, 0.0f), 1.0f);
  TVector3 ahead;
  shot.PositionAt(ahead, 1.5f);
  ExpectSamePoint(ahead, TVector3(1.0f, 4.0f, 0.0f));
  ExpectSamePoint(shot.Position(), TVector3(1.0f, 2.0f, 0.0f));
  shot.Update(2.0f);
  ExpectSamePoint(shot.Position(), TVector3(1.0f, 6.0f, 0.0f));
  EXPECT_FLOAT_EQ(shot.TimeToReach(TVector3(1.0f, 10.0f, 0.0f)), 3.0f);
}

TEST(MobileObjectTest, TrajectoryChangesKeepWhatTheyDoNotName) {
  TTestShot shot(TVector3(0.0f, 0.0f, 0.0f), 2.0f, TVector3(1.0f, 0.0f, 0.0f), 0.0f);
  shot.SetStartTime(1.0f);
  EXPECT_FLOAT_EQ(shot.GetTrajectory().GetStartTime(), 1.0f);
  ExpectSamePoint(shot.GetTrajectory().GetStart(), TVector3());
  shot.SetDirection(TVector3(0.0f, 3.0f, 0.0f));
  ExpectSamePoint(shot.GetTrajectory().GetDirection(), TVector3(0.0f, 1.0f, 0.0f));
  shot.SetTrajectory(TVector3(0.0f, 0.0f, -5.0f), TVector3(1.0f, 1.0f, 4.0f), 2.0f);
  shot.Update(3.0f);
  ExpectSamePoint(shot.Position(), TVector3(1.0f, 1.0f, 2.0f));
}

TEST(MobileObjectTest, RecordKeepsThePathAndSpawnsTheSameShot) {
  TTestShot shot(TVector3(1.0f, 2.0f, 0.5f), 4.0f, TVector3(0.0f, 1.0f, 0.0f), 3.0f);
  shot.SetId(12);
  shot.Update(3.5f);
  const auto record = shot.MakeRecord();
  const auto& mobile = static_cast<const TMobileObjectRecord&>(*record);
  ExpectSamePoint(mobile.GetStartPoint(), TVector3(1.0f, 2.0f, 0.5f));
  ExpectSamePoint(mobile.GetDirection(), TVector3(0.0f, 1.0f, 0.0f));
  EXPECT_FLOAT_EQ(mobile.GetStartTime(), 3.0f);
  EXPECT_FLOAT_EQ(mobile.GetSpeed(), 4.0f);
  ExpectSamePoint(mobile.GetPosition(), TVector3(1.0f, 4.0f, 0.5f));

  const auto copy = record->Clone();
  const auto& copied = static_cast<const TMobileObjectRecord&>(*copy);
  EXPECT_EQ(copied.GetId(), 12);
  ExpectSamePoint(copied.GetStartPoint(), mobile.GetStartPoint());
  ExpectSamePoint(copied.GetPosition(), mobile.GetPosition());
  EXPECT_FLOAT_EQ(copied.GetSpeed(), 4.0f);
}

// Old streams put the component count 3 before each point; the layout of
// the mobile record is parsed by hand here to see exactly where.
TEST(MobileObjectTest, RecordPointsCarryTheCountOnlyInOldStreams) {
  struct Case {
    const char* tag;
    bool counted;
  };
  const Case cases[] = {
      {"Vorhelm-1-05", true}, {"Vorhelm-1-058", true}, {"Vorhelm-1-059", false}, {"Vorhelm-3-10", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    TTestShot shot(TVector3(1.0f, 2.0f, 3.0f), 4.0f, TVector3(1.0f, 0.0f, 0.0f), 5.0f);
    shot.SetId(9);
    TDataStream stream(c.tag);
    TStringList names;
    TRawIdMapper ids;
    ASSERT_TRUE(shot.MakeRecord()->Save(stream, ids, names));
    stream.Rewind();
    EXPECT_EQ(names.At(stream.ReadShort()), "Projectile");
    EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), 9);
    auto readPoint = [&](const TVector3& expected) {
      if (c.counted) {
        EXPECT_EQ(stream.ReadInt(), 3u);
      }
      TVector3 point;
      point.x = stream.ReadFloat();
      point.y = stream.ReadFloat();
      point.z = stream.ReadFloat();
      ExpectSamePoint(point, expected);
    };
    readPoint(TVector3(1.0f, 2.0f, 3.0f));
    const uint32_t bitCount = stream.ReadInt();
    for (uint32_t i = 0; i < bitCount; ++i) stream.ReadByte();
    readPoint(TVector3(1.0f, 2.0f, 3.0f));
    readPoint(TVector3(1.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(stream.ReadFloat(), 5.0f);
    EXPECT_FLOAT_EQ(stream.ReadFloat(), 4.0f);
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_FALSE(stream.HasFailed());

    // The stream constructor reads the same layout back.
    stream.Rewind();
    stream.ReadShort();
    world_test::TTestShotRecord back(stream);
    EXPECT_FALSE(stream.HasFailed());
    ExpectSamePoint(back.GetDirection(), TVector3(1.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(back.GetSpeed(), 4.0f);
  }
}

// --- the unit's second base --------------------------------------------------

TEST(CombatantInterfaceTest, TrackingNeedsARangeAboveTheTolerance) {
  struct Case {
    float range;
    bool tracks;
  };
  const Case cases[] = {{0.0f, false}, {0.0001f, false}, {0.00011f, true}, {6.0f, true}};
  for (const Case& c : cases) {
    const TFixedCombatant unit(8.0f, c.range);
    EXPECT_EQ(unit.HasTracking(), c.tracks) << c.range;
    EXPECT_FLOAT_EQ(unit.GetVision(), 8.0f);
    EXPECT_FLOAT_EQ(unit.GetTrackingRange(), c.range);
  }
}
