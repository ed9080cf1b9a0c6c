#include "world/deploy_tile.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "support/temp_folder.h"
#include "world/test_world_objects.h"

namespace {

class DeployTileTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterDeployTileRecordReader(); }

  // A square of the player at (x, y, 0) with the id, added to the list.
  void AddTile(TDeployTileList& list, int32_t id, float x, float y, int32_t owner) {
    auto tile = std::make_unique<DeployTile>(TVector3(x, y, 0.0f), owner);
    tile->SetId(id);
    list.Add(std::move(tile));
  }

  // The rules and failed spawns are logged into the working folder.
  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = world_test::MakeTestGameData();
};

}  // namespace

TEST_F(DeployTileTest, ASquareIsAHarmlessUnseenMarker) {
  DeployTile tile(TVector3(3.5f, 4.5f, 0.0f), 1);
  EXPECT_EQ(tile.TypeName(), "DeployTile");
  EXPECT_EQ(tile.GetOwner(), 1);
  EXPECT_FALSE(tile.IsDestroyed());
  EXPECT_FALSE(tile.TakeDamage(1000.0f));
  EXPECT_FALSE(tile.IsDestroyed());
  EXPECT_FLOAT_EQ(tile.GetVisibility(), 0.0f);
  // Headless: there is no visual library to draw the square.
  EXPECT_EQ(tile.GetTileVisual(), nullptr);
  tile.Update(5.0f);
  tile.SetRemoved(true);
  EXPECT_TRUE(tile.IsDestroyed());
}

TEST_F(DeployTileTest, CoversPointsOfTheOwnerWithinTheHalfDiagonal) {
  const DeployTile tile(TVector3(2.5f, 2.5f, 0.0f), 0);
  struct Case {
    TVector3 point;
    int32_t player;
    bool covered;
  };
  const Case cases[] = {
      {TVector3(2.5f, 2.5f, 0.0f), 0, true},   // the centre
      {TVector3(3.2f, 2.5f, 0.0f), 0, true},   // 0.7 away
      {TVector3(3.21f, 2.5f, 0.0f), 0, false}, // 0.71 away
      {TVector3(2.0f, 2.0f, 0.0f), 0, true},   // a corner: 0.7071 away
      {TVector3(2.5f, 2.5f, 0.0f), 1, false},  // not the owner
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tile.Covers(c.point, c.player), c.covered) << c.point.x << "," << c.point.y << " p" << c.player;
  }
}

TEST_F(DeployTileTest, ListAnswersCoverAndZoneCentrePerPlayer) {
  TDeployTileList list;
  AddTile(list, 1, 1.5f, 1.5f, 0);
  AddTile(list, 2, 4.5f, 2.5f, 0);
  AddTile(list, 3, 2.5f, 6.5f, 0);
  AddTile(list, 4, 9.5f, 9.5f, 1);

  EXPECT_TRUE(list.AnyCovers(TVector3(4.6f, 2.4f, 0.0f), 0));
  EXPECT_FALSE(list.AnyCovers(TVector3(4.6f, 2.4f, 0.0f), 1));
  EXPECT_FALSE(list.AnyCovers(TVector3(8.0f, 8.0f, 0.0f), 1));

  TVector3 centre;
  list.ZoneCentre(centre, 0);
  EXPECT_FLOAT_EQ(centre.x, 3.0f);
  EXPECT_FLOAT_EQ(centre.y, 4.0f);
  list.ZoneCentre(centre, 1);
  EXPECT_FLOAT_EQ(centre.x, 9.5f);
  EXPECT_FLOAT_EQ(centre.y, 9.5f);
  list.ZoneCentre(centre, 2);
  EXPECT_EQ(centre, TVector3(0.0f, 0.0f, 0.0f));
}

TEST_F(DeployTileTest, RecordRoundTripsOwnerRemovedIdAndBits) {
  DeployTile tile(TVector3(1.5f, 7.5f, 0.0f), 1);
  tile.SetId(42);
  tile.SetFlag(0, true);
  tile.SetRemoved(true);

  const auto record = tile.MakeRecord();
  const auto clone = record->Clone();
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->TypeName(), "DeployTile");

  TDeployTileList list;
  const auto spawned = clone->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  const auto& copy = static_cast<const DeployTile&>(*spawned);
  EXPECT_EQ(copy.GetId(), 42);
  EXPECT_EQ(copy.Position(), TVector3(1.5f, 7.5f, 0.0f));
  EXPECT_EQ(copy.GetOwner(), 1);
  EXPECT_TRUE(copy.IsRemoved());
  EXPECT_TRUE(copy.TestFlag(0));
  EXPECT_FALSE(copy.TestFlag(1));
}

TEST_F(DeployTileTest, ListIsStreamedOnlyUpToVersion203) {
  struct Case {
    const char* tag;
    bool carriesTiles;
  };
  const Case cases[] = {{"Vorhelm-2-03", true}, {"Vorhelm-2-04", false}, {"Vorhelm-3-10", false}};
  for (const Case& c : cases) {
    TDeployTileList list;
    AddTile(list, 7, 1.5f, 1.5f, 0);
    AddTile(list, 8, 2.5f, 1.5f, 1);
    TDataStream stream(c.tag);
    TStringList names;
    ASSERT_TRUE(list.Save(stream, names)) << c.tag;
    stream.WriteInt(0xC0FFEEu);  // what follows the list in a world stream
    stream.Rewind();

    TDeployTileList loaded;
    AddTile(loaded, 99, 0.5f, 0.5f, 0);  // replaced in every case
    ASSERT_TRUE(loaded.Load(stream, *data_, names)) << c.tag;
    EXPECT_EQ(stream.ReadInt(), 0xC0FFEEu) << c.tag;
    EXPECT_FALSE(stream.HasFailed()) << c.tag;
    if (c.carriesTiles) {
      ASSERT_EQ(loaded.Count(), 2) << c.tag;
      EXPECT_EQ(loaded.GetAt(0)->GetId(), 7);
      EXPECT_EQ(static_cast<const DeployTile*>(loaded.GetAt(1))->GetOwner(), 1);
    } else {
      EXPECT_EQ(loaded.Count(), 0) << c.tag;
    }
  }
}

TEST_F(DeployTileTest, TruncatedRecordFailsTheLoad) {
  TDeployTileList list;
  AddTile(list, 7, 1.5f, 1.5f, 0);
  TDataStream stream("Vorhelm-2-03");
  TStringList names;
  ASSERT_TRUE(list.Save(stream, names));
  TDataStream truncated("Vorhelm-2-03");
  stream.Rewind();
  // Everything but the removed byte.
  std::vector<uint8_t> bytes(stream.Remaining() - 1);
  stream.ReadBytes(bytes.data(), bytes.size());
  truncated.WriteBytes(bytes.data(), bytes.size());
  truncated.Rewind();

  TDeployTileList loaded;
  EXPECT_FALSE(loaded.Load(truncated, *data_, names));
  EXPECT_TRUE(truncated.HasFailed());
  EXPECT_EQ(loaded.Count(), 0);
}
