#include "world/map_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_fixtures.h"

namespace {

using map_test::MakeCityGameData;

const std::string kFixtures = std::string(DVX_TEST_FIXTURES) + "/maps/";
const std::string kShippedMaps = std::string(DVX_DATA_DIR) + "/Map/";

class MapFileTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> SaveBytes(TMap& map, const std::string& name, const std::string& tag = "Vorhelm-3-10") {
    EXPECT_TRUE(SaveMapFile(name, map, tag));
    return folder_.ReadBytes(name);
  }

  // A ".map" file whose body the caller writes, at the version of the tag.
  void WriteBody(const std::string& name, const std::string& tag,
                 const std::function<void(TDataStream&)>& write) {
    TDataStream stream(tag);
    write(stream);
    ASSERT_TRUE(stream.Save(name));
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeCityGameData();
};

// The decoded body of a stream file and its tag: what the map code wrote,
// whatever the compressor made of it.
std::pair<std::string, std::vector<uint8_t>> Content(const std::string& path) {
  TDataStream stream;
  EXPECT_TRUE(stream.Load(path)) << path;
  return {stream.GetVersionTag(), stream.Body()};
}

int32_t CountType(const TMap& map, const std::string& typeName) {
  int32_t count = 0;
  for (int32_t i = 0; i < map.Count(); ++i) count += map.GetAt(i)->SubtypeName() == typeName ? 1 : 0;
  return count;
}

// --- the shipped maps and the fixtures -------------------------------------------

struct MapCase {
  std::string path;
  int32_t width;
  int32_t height;
  int32_t relays;
  int32_t doublesDoors;
  int32_t singleDoors;
};

class MapFileLoadTest : public MapFileTest, public ::testing::WithParamInterface<MapCase> {};

TEST_P(MapFileLoadTest, LoadsIntoTheGrid) {
  const MapCase& c = GetParam();
  TMap map(1, 1);
  ASSERT_TRUE(LoadMapFile(c.path, *data_, map)) << c.path;
  EXPECT_EQ(map.GetWidth(), c.width);
  EXPECT_EQ(map.GetHeight(), c.height);
  EXPECT_EQ(map.GetTerrainSet(), "city");
  EXPECT_EQ(static_cast<int32_t>(map.GetRelayPosts().size()), c.relays);
  EXPECT_EQ(static_cast<int32_t>(map.GetDoubleDoors().size()), c.doublesDoors);
  EXPECT_EQ(static_cast<int32_t>(map.GetSingleDoors().size()), c.singleDoors);
  // Every cell has its ground.
  for (int32_t y = 0; y < map.GetHeight(); ++y) {
    for (int32_t x = 0; x < map.GetWidth(); ++x) {
      EXPECT_NE(map.ObjectAtPoint(TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f)), nullptr)
          << c.path << " " << x << ", " << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Maps, MapFileLoadTest,
    ::testing::Values(MapCase{kShippedMaps + "Outpost.map", 30, 30, 2, 1, 1},
                      // Doors: two ordinary pairs and the green military pair; the
                      // open door and the vault's south door stand alone.
                      MapCase{kShippedMaps + "Foundry.map", 50, 50, 2, 3, 2},
                      MapCase{kFixtures + "small.map", 10, 10, 2, 1, 1},
                      MapCase{kFixtures + "edges.map", 1, 1, 0, 0, 0},
                      MapCase{kFixtures + "versions-1-05.map", 4, 3, 0, 0, 1},
                      MapCase{kFixtures + "versions-1-10.map", 4, 3, 0, 0, 1},
                      MapCase{kFixtures + "versions-2-0.map", 4, 3, 0, 0, 1},
                      MapCase{kFixtures + "versions-2-1.map", 4, 3, 0, 0, 1}));

TEST_F(MapFileTest, ShippedMapsHoldEveryKindOfTile) {
  TMap outpost(1, 1);
  TMap foundry(1, 1);
  ASSERT_TRUE(LoadMapFile(kShippedMaps + "Outpost.map", *data_, outpost));
  ASSERT_TRUE(LoadMapFile(kShippedMaps + "Foundry.map", *data_, foundry));
  const char* const kinds[] = {"Floor", "Pit", "Rubble", "Wall", "Wall_window", "Crate", "Crate_explosive", "Door",
                               "Open_Door", "mil_door_red_1", "mil_door_green_1_closed", "door_control_north",
                               "door_control_east", "door_control_south", "door_control_west", "power_cell_on_1",
                               "power_cell_off_1", "power_control_on_1", "power_control_off_1", "conduit_ns",
                               "conduit_ew", "conduit_ne", "conduit_es", "conduit_sw", "conduit_wn", "conduit_cross",
                               "relay_post_on_1", "relay_post_off_1", "field_000"};
  for (const char* kind : kinds) {
    EXPECT_GT(CountType(outpost, kind) + CountType(foundry, kind), 0) << kind;
  }
}

TEST_F(MapFileTest, ShippedMapsSaveToTheSameBytes) {
  for (const char* name : {"Outpost.map", "Foundry.map"}) {
    TMap map(1, 1);
    ASSERT_TRUE(LoadMapFile(kShippedMaps + name, *data_, map));
    const std::vector<uint8_t> first = SaveBytes(map, "first.map");
    EXPECT_EQ(Content("first.map"), Content(kShippedMaps + name)) << name << " differs from what the map code writes";

    TMap again(1, 1);
    ASSERT_TRUE(LoadMapFile("first.map", *data_, again));
    EXPECT_EQ(SaveBytes(again, "second.map"), first) << name;
  }
}

// --- versions --------------------------------------------------------------------

struct VersionCase {
  std::string file;
  bool hasSetName;
  uint8_t flag;
};

class MapFileVersionTest : public MapFileTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(MapFileVersionTest, CarriesTheFieldsOfItsVersion) {
  const VersionCase& c = GetParam();
  TMap map(1, 1);
  ASSERT_TRUE(LoadMapFile(kFixtures + c.file, *data_, map));
  EXPECT_EQ(map.GetMapFlag(), c.flag);
  EXPECT_EQ(map.Count(), 15);
  const TTerrainObject* crate = map.TopObjectAt(TVector3(3.0f, 2.0f, 0.0f));
  ASSERT_NE(crate, nullptr);
  EXPECT_EQ(crate->SubtypeName(), "Crate");

  // The body itself: the name table, then the set name only from 2.08 on.
  TDataStream stream;
  ASSERT_TRUE(stream.Load(kFixtures + c.file));
  TStringList names;
  ASSERT_TRUE(names.Load(stream));
  if (c.hasSetName) {
    EXPECT_EQ(stream.ReadString(), "city");
  }
  EXPECT_EQ(stream.ReadInt(), 4u);
  EXPECT_EQ(stream.ReadInt(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Versions, MapFileVersionTest,
                         ::testing::Values(VersionCase{"versions-1-05.map", false, 0},
                                           VersionCase{"versions-1-10.map", false, 0},
                                           VersionCase{"versions-2-0.map", false, 1},
                                           VersionCase{"versions-2-1.map", true, 1}));

TEST_F(MapFileTest, OlderVersionsWriteWhatTheirFixturesHold) {
  TMap map(1, 1);
  ASSERT_TRUE(LoadMapFile(kFixtures + "versions-2-1.map", *data_, map));
  for (const char* version : {"1-05", "1-10", "2-0", "2-1"}) {
    const std::string tag = std::string("Vorhelm-") + version;
    SaveBytes(map, "old.map", tag);
    EXPECT_EQ(Content("old.map"), Content(kFixtures + "versions-" + version + ".map")) << tag;
  }
}

TEST_F(MapFileTest, VersionsThisProgramCannotWriteAreRefusedAndTheOldFileStays) {
  TMap map(3, 3);
  folder_.Write("kept.map", "previous");
  for (const char* tag : {"Vorhelm-9-0", "Vorhelm-0-5", "nonsense"}) {
    EXPECT_FALSE(SaveMapFile("kept.map", map, tag)) << tag;
  }
  EXPECT_EQ(folder_.Read("kept.map"), "previous");
}

// --- damaged files ---------------------------------------------------------------

void WriteMapHeader(TDataStream& stream, int32_t width, int32_t height) {
  TStringList names;
  names.Save(stream);
  stream.WriteString("city");
  stream.WriteInt(static_cast<uint32_t>(width));
  stream.WriteInt(static_cast<uint32_t>(height));
  stream.WriteByte(1);
  stream.WriteInt(0);
}

TEST_F(MapFileTest, SizesOutsideOneTo1024AreRefused) {
  const struct {
    int32_t width, height;
    bool loads;
  } cases[] = {{1, 1, true}, {1024, 1024, true}, {0, 5, false}, {5, 0, false},
               {1025, 5, false}, {5, -1, false}, {-2147483647 - 1, 3, false}};
  for (const auto& c : cases) {
    WriteBody("sized.map", "Vorhelm-3-10", [&](TDataStream& s) { WriteMapHeader(s, c.width, c.height); });
    TMap map(1, 1);
    EXPECT_EQ(LoadMapFile("sized.map", *data_, map), c.loads) << c.width << " x " << c.height;
  }
}

// A map body with one "MapTile" record naming `terrainIndex` in the table.
void WriteOneTile(TDataStream& stream, const std::vector<std::string>& table, uint16_t terrainIndex,
                  int32_t count = 1) {
  TStringList names;
  for (const std::string& name : table) names.IndexOf(name);
  names.Save(stream);
  stream.WriteString("city");
  stream.WriteInt(2);
  stream.WriteInt(2);
  stream.WriteByte(1);
  stream.WriteInt(static_cast<uint32_t>(count));
  stream.WriteShort(0);  // "MapTile"
  stream.WriteInt(static_cast<uint32_t>(-1));
  TVector3(1.0f, 1.0f, 0.0f).Write(stream);
  stream.WriteInt(2);  // two flag bits
  stream.WriteByte(0);
  stream.WriteByte(0);
  stream.WriteShort(terrainIndex);
  stream.WriteFloat(0.0f);
}

TEST_F(MapFileTest, DamagedObjectListsFailTheLoad) {
  const struct {
    const char* what;
    std::vector<std::string> table;
    uint16_t index;
    int32_t count;
    bool loads;
  } cases[] = {
      {"a good tile", {"MapTile", "Floor"}, 1, 1, true},
      {"a type the terrain set lacks", {"MapTile", "Lava"}, 1, 1, false},
      {"a name index outside the table", {"MapTile", "Floor"}, 7, 1, false},
      {"a count beyond the records", {"MapTile", "Floor"}, 1, 100000, false},
      {"a negative count", {"MapTile", "Floor"}, 1, -1, false},
      {"a record type no reader knows", {"Banana", "Floor"}, 1, 1, false},
  };
  for (const auto& c : cases) {
    WriteBody("tile.map", "Vorhelm-3-10", [&](TDataStream& s) { WriteOneTile(s, c.table, c.index, c.count); });
    TMap map(1, 1);
    EXPECT_EQ(LoadMapFile("tile.map", *data_, map), c.loads) << c.what;
  }
}

TEST_F(MapFileTest, TruncatedAndForeignFilesFail) {
  const std::vector<uint8_t> good = folder_.ReadBytes(kFixtures + "small.map");
  TMap map(1, 1);
  EXPECT_FALSE(LoadMapFile("missing.map", *data_, map));

  // An uncompressed body cut short.
  WriteBody("short.map", "Vorhelm-1-05", [](TDataStream& s) { WriteMapHeader(s, 4, 4); });
  std::vector<uint8_t> cut = folder_.ReadBytes("short.map");
  cut.resize(cut.size() - 3);
  folder_.WriteBytes("short.map", cut);
  EXPECT_FALSE(LoadMapFile("short.map", *data_, map));

  std::vector<uint8_t> half(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
  folder_.WriteBytes("half.map", half);
  EXPECT_FALSE(LoadMapFile("half.map", *data_, map));
}

TEST_F(MapFileTest, MapOfAnUnknownTerrainSetFails) {
  WriteBody("set.map", "Vorhelm-3-10", [](TDataStream& s) {
    TStringList names;
    names.Save(s);
    s.WriteString("..\\secret");
    s.WriteInt(2);
    s.WriteInt(2);
    s.WriteByte(1);
    s.WriteInt(0);
  });
  TMap map(1, 1);
  EXPECT_FALSE(LoadMapFile("set.map", *data_, map));
  EXPECT_EQ(data_->GetTerrainSetName(), "city");
}

TEST_F(MapFileTest, ListLoadWithTheWorldsGameDataKeepsItsSet) {
  TMap source(1, 1);
  ASSERT_TRUE(LoadMapFile(kFixtures + "small.map", *data_, source));
  TDataStream stream;
  TStringList names;
  ASSERT_TRUE(source.Save(stream, names));
  stream.Rewind();
  TMap copy(1, 1);
  ASSERT_TRUE(copy.Load(stream, *data_, names));
  EXPECT_EQ(copy.Count(), source.Count());
  EXPECT_EQ(copy.GetMapFlag(), source.GetMapFlag());
  EXPECT_EQ(copy.GetDoubleDoors().size(), source.GetDoubleDoors().size());
}

}  // namespace
