// Crafted map bodies: what a map file may not hold, and the door pairing and
// object bounds that keep a small file from costing much.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_counter.h"
#include "session/id_mapper.h"
#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/map_fixtures.h"
#include "world/object_list.h"
#include "world/surrogate.h"

namespace {

using map_test::MakeTestGameData;
using map_test::PlaceTile;

struct TTile {
  std::string type;
  float x;
  float y;
  int32_t id = -1;
};

// The body WriteMapBody makes of a map holding the tiles, as given.
TDataStream BodyOf(const TGameData& data, int32_t width, int32_t height, const std::vector<TTile>& tiles) {
  TMap map(width, height);
  for (const TTile& tile : tiles) PlaceTile(map, data, tile.type, tile.x, tile.y)->SetId(tile.id);
  TDataStream stream;
  EXPECT_TRUE(WriteMapBody(stream, map));
  stream.Rewind();
  return stream;
}

std::vector<TTile> Floors(int32_t width, int32_t height) {
  std::vector<TTile> tiles;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) tiles.push_back({"Floor", static_cast<float>(x), static_cast<float>(y)});
  }
  return tiles;
}

std::vector<TTile> With(std::vector<TTile> tiles, const std::vector<TTile>& more) {
  tiles.insert(tiles.end(), more.begin(), more.end());
  return tiles;
}

class MapHostileTest : public ::testing::Test {
 protected:
  bool Reads(TDataStream& stream, TMap& map) { return ReadMapBody(stream, *data_, map); }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeTestGameData();
};

TEST_F(MapHostileTest, CraftedObjectListsAreRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    int32_t width, height;
    std::vector<TTile> tiles;
    bool loads;
  } cases[] = {
      {"distinct ids", 4, 4, With(Floors(4, 4), {{"Door", 1.5f, 1.5f, 7}, {"Door", 2.5f, 1.5f, 8}}), true},
      {"two doors of one id", 4, 4, With(Floors(4, 4), {{"Door", 1.5f, 1.5f, 7}, {"Door", 2.5f, 2.5f, 7}}), false},
      {"the top storable id", 2, 2, {{"Floor", 0, 0, TIdCounter::kMaxStoredId}}, true},
      {"an id at the top of the range", 2, 2, {{"Floor", 0, 0, INT32_MAX}}, false},
      {"an id beyond the storable ones", 2, 2, {{"Floor", 0, 0, TIdCounter::kMaxStoredId + 1}}, false},
      {"a negative id", 2, 2, {{"Floor", 0, 0, -9}}, false},
      {"a point that is not finite", 2, 2, {{"Floor", nan, 0}}, false},
      {"four objects a cell", 1, 1, {{"Floor", 0, 0}, {"Post", 0, 0}, {"Post", 0, 0}, {"Post", 0, 0}}, true},
      {"more objects than four a cell", 1, 1,
       {{"Floor", 0, 0}, {"Post", 0, 0}, {"Post", 0, 0}, {"Post", 0, 0}, {"Post", 0, 0}}, false},
      {"a crowded cell", 16, 16, With(Floors(16, 16), std::vector<TTile>(TMap::kMaxObjectsInCell, {"Post", 3, 3})),
       false},
      {"a cell just within the bound", 16, 16,
       With(Floors(16, 16), std::vector<TTile>(TMap::kMaxObjectsInCell - 1, {"Post", 3, 3})), true},
  };
  for (const auto& c : cases) {
    TDataStream body = BodyOf(*data_, c.width, c.height, c.tiles);
    TMap map(1, 1);
    EXPECT_EQ(Reads(body, map), c.loads) << c.what;
    EXPECT_EQ(body.HasFailed(), !c.loads) << c.what;
  }
}

TEST_F(MapHostileTest, ARecordThatIsNotATerrainObjectFailsTheLoad) {
  TMap source(2, 2);
  TTerrainObject* floor = PlaceTile(source, *data_, "Floor", 0, 0);
  // The map's own list would drop the surrogate: its record is written by hand.
  TDataStream records;
  TStringList names;
  TRawIdMapper ids;
  records.WriteString("city");
  records.WriteInt(2);
  records.WriteInt(2);
  records.WriteByte(1);
  records.WriteInt(2);
  ASSERT_TRUE(floor->MakeRecord()->Save(records, ids, names));
  ASSERT_TRUE(Surrogate(*floor).MakeRecord()->Save(records, ids, names));
  TDataStream body;
  names.Save(body);
  ASSERT_TRUE(body.AppendStream(records));
  body.Rewind();
  TMap map(1, 1);
  EXPECT_FALSE(Reads(body, map));
}

TEST_F(MapHostileTest, BytesBehindTheRecordRefuseTheFile) {
  TDataStream body = BodyOf(*data_, 2, 2, Floors(2, 2));
  TMap whole(1, 1);
  ASSERT_TRUE(Reads(body, whole));
  body.SeekEnd();
  body.WriteByte(0);
  body.Rewind();
  TMap map(1, 1);
  EXPECT_FALSE(Reads(body, map));
}

TEST_F(MapHostileTest, CountsBeyondTheMapsBoundAreRefusedBeforeTheGridIsBuilt) {
  // A 1024 x 1024 map claiming more objects than its cells may hold: the
  // count decides, whatever bytes follow.
  TDataStream body;
  TStringList().Save(body);
  body.WriteString("city");
  body.WriteInt(1024);
  body.WriteInt(1024);
  body.WriteByte(1);
  body.WriteInt(static_cast<uint32_t>(TMap::MaxObjects(1024, 1024) + 1));
  body.Rewind();
  TMap map(3, 3);
  EXPECT_FALSE(Reads(body, map));
  EXPECT_EQ(map.GetWidth(), 3);
}

TEST_F(MapHostileTest, DoorsPairedAtLoadAreThePairsOfDoorsAddedOneByOne) {
  // Rows and columns of doors one cell apart, some stacked, in a mixed
  // order: which neighbour a door pairs with depends on the order.
  std::vector<TTile> tiles;
  uint32_t state = 12345;
  for (int32_t i = 0; i < 400; ++i) {
    state = state * 1103515245U + 12345U;
    const auto x = static_cast<float>((state >> 8U) % 12U) + 0.5f;
    const auto y = static_cast<float>((state >> 20U) % 12U) + 0.5f;
    tiles.push_back({(state & 1U) != 0 ? "Door" : "Open_Door", x, y});
  }
  TMap added(16, 16);
  for (const TTile& tile : tiles) PlaceTile(added, *data_, tile.type, tile.x, tile.y);
  TDataStream body = BodyOf(*data_, 16, 16, tiles);
  TMap loaded(1, 1);
  ASSERT_TRUE(Reads(body, loaded));

  // Objects are compared by their index in the list.
  const auto indexIn = [](const TMap& map, const TTerrainObject* door) {
    for (int32_t i = 0; i < map.Count(); ++i) {
      if (map.GetAt(i) == door) return i;
    }
    return -1;
  };
  ASSERT_EQ(loaded.GetDoubleDoors().size(), added.GetDoubleDoors().size());
  ASSERT_GT(added.GetDoubleDoors().size(), 20u);
  for (std::size_t i = 0; i < added.GetDoubleDoors().size(); ++i) {
    EXPECT_EQ(indexIn(loaded, loaded.GetDoubleDoors()[i].first), indexIn(added, added.GetDoubleDoors()[i].first));
    EXPECT_EQ(indexIn(loaded, loaded.GetDoubleDoors()[i].second), indexIn(added, added.GetDoubleDoors()[i].second));
  }
  ASSERT_EQ(loaded.GetSingleDoors().size(), added.GetSingleDoors().size());
  for (std::size_t i = 0; i < added.GetSingleDoors().size(); ++i) {
    EXPECT_EQ(indexIn(loaded, loaded.GetSingleDoors()[i]), indexIn(added, added.GetSingleDoors()[i]));
  }
}

TEST_F(MapHostileTest, ManyDoorsLoadAndPair) {
  // Rows of doors one cell apart over a large map: each row pairs off.
  constexpr int32_t kSize = 200;
  std::vector<TTile> tiles;
  for (int32_t y = 0; y < kSize; y += 2) {
    for (int32_t x = 0; x < kSize; ++x) tiles.push_back({"Door", static_cast<float>(x) + 0.5f, y + 0.5f});
  }
  TDataStream body = BodyOf(*data_, kSize, kSize, tiles);
  TMap map(1, 1);
  ASSERT_TRUE(Reads(body, map));
  EXPECT_EQ(map.GetDoubleDoors().size(), tiles.size() / 2);
  EXPECT_TRUE(map.GetSingleDoors().empty());
}

// --- successors the terrain set lacks ----------------------------------------------

class TStillUnit : public TGameObject {
 public:
  explicit TStillUnit(const TVector3& position) : TGameObject(position) {}
  std::string_view TypeName() const override { return "Combatant"; }
  void Update(float /*time*/) override {}
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override { return nullptr; }
  bool TakeDamage(float /*amount*/) override { return false; }
  bool IsDestroyed() const override { return false; }
  float GetRadius() const override { return 0.3f; }
};

class TUnits : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return "Combatant"; }
};

// A set whose door has no chain and no "Opening_" type, and whose relay has
// no "on" type.
const char* const kLackingSet =
    "# lacking set\n[Terrain Data]\n"
    "[Floor]\nType = ground\nDestroyed = none\n"
    "[Gate]\nDoor Type = closed\nMovement Type = blocked\nType = wall\nDestroyed = none\n"
    "[power_cell_on_1]\nType = object\nDestroyed = none\n"
    "[relay_post_off_1]\nType = object\nMovement Type = blocked\nDestroyed = none\n";

TEST_F(MapHostileTest, PendingSuccessorsOfUnknownTypesAreNotSet) {
  const std::unique_ptr<TGameData> data = std::make_unique<TGameData>("", "city", kLackingSet);
  TMap source(4, 4);
  for (const TTile& tile : Floors(4, 4)) PlaceTile(source, *data, tile.type, tile.x, tile.y);
  PlaceTile(source, *data, "Gate", 1.5f, 1.5f);
  PlaceTile(source, *data, "power_cell_on_1", 3, 3);
  PlaceTile(source, *data, "relay_post_off_1", 3, 2);
  TDataStream body;
  ASSERT_TRUE(WriteMapBody(body, source));
  body.Rewind();
  TMap map(1, 1);
  ASSERT_TRUE(ReadMapBody(body, *data, map));

  TUnits units;
  units.Add(std::make_unique<TStillUnit>(TVector3(1.5f, 1.0f, 0.0f)));
  map.UpdateDoors(0.0f, units, *data);
  map.UpdatePower();
  for (int32_t i = 0; i < map.Count(); ++i) {
    const auto* tile = static_cast<const TTerrainObject*>(map.GetAt(i));
    EXPECT_FALSE(tile->IsDestroyed()) << tile->GetTypeName() << " was given \"" << tile->GetPendingName() << "\"";
  }
  EXPECT_TRUE(map.GetToRemove().empty());
}

}  // namespace
