#include "session/id_mapper.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "session/id_counter.h"
#include "support/temp_folder.h"
#include "world/world.h"

namespace {

static_assert(std::has_virtual_destructor_v<TIdMapper>, "mappers are deleted through the base");

using TPairs = std::map<int32_t, int32_t>;

std::vector<int32_t> ReadAll(TDataStream& stream) {
  stream.Rewind();
  std::vector<int32_t> values;
  while (stream.Remaining() >= 4) values.push_back(static_cast<int32_t>(stream.ReadInt()));
  return values;
}

TDataStream StreamOf(const std::vector<int32_t>& values) {
  TDataStream stream;
  for (int32_t value : values) stream.WriteInt(static_cast<uint32_t>(value));
  stream.Rewind();
  return stream;
}

// --- TIdCounter --------------------------------------------------------------------

struct ReserveCase {
  int32_t id;
  int32_t returned;
  int32_t nextAfter;
};

TEST(IdCounterTest, ReserveKeepsFreshIdsClearOfGivenOnes) {
  // Ids no file may carry are renumbered rather than pin the counter.
  const ReserveCase cases[] = {{-1, 5, 6},
                               {3, 3, 5},
                               {9, 9, 10},
                               {5, 5, 6},
                               {TIdCounter::kMaxStoredId, TIdCounter::kMaxStoredId, TIdCounter::kMaxStoredId + 1},
                               {TIdCounter::kMaxStoredId + 1, 5, 6},
                               {INT32_MAX, 5, 6},
                               {-7, 5, 6}};
  for (const ReserveCase& c : cases) {
    TIdCounter counter;
    for (int i = 0; i < 5; ++i) counter.Next();
    EXPECT_EQ(counter.Reserve(c.id), c.returned) << c.id;
    EXPECT_EQ(counter.Next(), c.nextAfter) << c.id;
  }
}

TEST(IdCounterTest, MarkRestoreAndStreamKeepTheNextId) {
  TIdCounter counter;
  EXPECT_EQ(counter.Next(), 0);
  EXPECT_EQ(counter.Next(), 1);
  counter.Mark();
  counter.Next();
  counter.Restore();
  EXPECT_EQ(counter.Peek(), 2);

  TDataStream stream;
  counter.Write(stream);
  EXPECT_EQ(ReadAll(stream), std::vector<int32_t>({2}));
  stream.Rewind();
  TIdCounter read;
  EXPECT_TRUE(read.Read(stream));
  EXPECT_EQ(read.Next(), 2);

  // A truncated stream leaves the counter where it was.
  TDataStream empty;
  EXPECT_FALSE(read.Read(empty));
  EXPECT_EQ(read.Peek(), 3);
}

// --- TIdMapper: writing ----------------------------------------------------------------

TEST(IdMapperTest, WriteIdNumbersObjectsInTheOrderTheyAreFirstWritten) {
  TIdMapper mapper;
  TDataStream stream;
  mapper.WriteId(stream, 42);
  mapper.WriteId(stream, 42);
  mapper.WriteId(stream, 7);
  EXPECT_EQ(ReadAll(stream), std::vector<int32_t>({0, 0, 1}));
  EXPECT_EQ(mapper.Entries(), TPairs({{0, 42}, {1, 7}}));
  EXPECT_EQ(mapper.GetNextExternalId(), 2);
}

TEST(IdMapperTest, WriteIdKeepsNoObjectAsNoObject) {
  TIdMapper mapper;
  TDataStream stream;
  mapper.WriteId(stream, -1);
  mapper.WriteId(stream, 42);
  mapper.WriteId(stream, -1);
  EXPECT_EQ(ReadAll(stream), std::vector<int32_t>({-1, 0, -1}));
  EXPECT_FALSE(mapper.HasInternalId(-1));
  EXPECT_EQ(mapper.Count(), 1u);
}

TEST(IdMapperTest, BindReplacesAndKeepsTheNextExternalIdAboveEveryKey) {
  TIdMapper mapper;
  mapper.Bind(5, 100);
  EXPECT_EQ(mapper.GetNextExternalId(), 6);
  mapper.Bind(2, 200);
  EXPECT_EQ(mapper.GetNextExternalId(), 6);
  mapper.Bind(5, 300);
  mapper.BindNext(400);
  EXPECT_EQ(mapper.Entries(), TPairs({{2, 200}, {5, 300}, {6, 400}}));
  EXPECT_TRUE(mapper.HasExternalId(2));
  EXPECT_FALSE(mapper.HasExternalId(3));
  EXPECT_TRUE(mapper.HasInternalId(400));
  EXPECT_FALSE(mapper.HasInternalId(100));
}

TEST(IdMapperTest, ToExternalGivesTheLowestKeyOfAnInternalId) {
  TIdMapper mapper;
  mapper.Bind(8, 50);
  mapper.Bind(3, 50);
  EXPECT_EQ(mapper.ToExternal(50), 3);
  EXPECT_EQ(mapper.ToExternal(60), 9);
}

// Rebinding keys moves them between internal ids; the lowest key of each
// internal id must follow, as a walk over the table in key order finds it.
TEST(IdMapperTest, ToExternalFollowsRebindsAsAWalkOverTheTableWould) {
  TIdMapper mapper;
  uint32_t seed = 12345u;
  const auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int32_t>((seed >> 8) % range);
  };
  for (int32_t round = 0; round < 2000; ++round) {
    mapper.Bind(next(40), next(12));
    const int32_t asked = next(14);
    int32_t expected = -1;
    for (const auto& [key, value] : mapper.Entries()) {
      if (value == asked) {
        expected = key;
        break;
      }
    }
    ASSERT_EQ(mapper.HasInternalId(asked), expected >= 0) << "round " << round;
    if (expected >= 0) {
      ASSERT_EQ(mapper.ToExternal(asked), expected) << "round " << round;
    }
  }
}

TEST(IdMapperTest, AKeyAtTheTopOfTheRangeDoesNotWrapTheNextId) {
  TIdMapper mapper;
  mapper.Bind(INT32_MAX, 1);
  EXPECT_EQ(mapper.GetNextExternalId(), INT32_MAX);
}

// --- TIdMapper: reading ----------------------------------------------------------------

// A world of its own, in a folder of its own (it logs its missing rules there).
class IdMapperWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DestroyGameDataConfig();
    world_ = std::make_unique<TWorld>();
    for (int i = 0; i < 20; ++i) world_->NextId();
  }
  void TearDown() override {
    world_.reset();
    DestroyGameDataConfig();
  }

  TTempFolder folder_;
  std::unique_ptr<TWorld> world_;
};

TEST_F(IdMapperWorldTest, ReadIdOfNoObjectTouchesNothing) {
  TIdMapper mapper;
  TDataStream stream = StreamOf({-1});
  EXPECT_EQ(mapper.ReadId(stream, *world_), -1);
  EXPECT_EQ(mapper.Count(), 0u);
  EXPECT_EQ(world_->PeekNextId(), 20);
}

TEST_F(IdMapperWorldTest, ReadIdBindsANewExternalIdToAFreshWorldId) {
  TIdMapper mapper;
  TDataStream stream = StreamOf({10, 10, 4});
  EXPECT_EQ(mapper.ReadId(stream, *world_), 20);
  EXPECT_EQ(mapper.GetNextExternalId(), 11);
  EXPECT_EQ(mapper.ReadId(stream, *world_), 20);
  EXPECT_EQ(mapper.ReadId(stream, *world_), 21);
  EXPECT_EQ(mapper.Entries(), TPairs({{4, 21}, {10, 20}}));
  EXPECT_EQ(world_->PeekNextId(), 22);

  // What the player's files carried comes back under the same numbers.
  TDataStream written;
  mapper.WriteId(written, 21);
  mapper.WriteId(written, 20);
  EXPECT_EQ(ReadAll(written), std::vector<int32_t>({4, 10}));
}

TEST_F(IdMapperWorldTest, ExternalIdsBeyondTheStorableRangeAreRefused) {
  for (const int32_t bad : {INT32_MAX, TIdCounter::kMaxStoredId + 1, -2, INT32_MIN}) {
    TIdMapper mapper;
    TDataStream stream = StreamOf({bad, 3});
    EXPECT_EQ(mapper.ReadId(stream, *world_), -1) << bad;
    EXPECT_TRUE(stream.HasFailed()) << bad;
    EXPECT_EQ(mapper.Count(), 0u) << bad;
    EXPECT_EQ(mapper.GetNextExternalId(), 0) << bad;
    TDataStream plain = StreamOf({bad});
    EXPECT_EQ(mapper.ReadId(plain), -1) << bad;
    EXPECT_TRUE(plain.HasFailed()) << bad;
  }
  EXPECT_EQ(world_->PeekNextId(), 20);
  // The top storable id still reads.
  TIdMapper mapper;
  TDataStream stream = StreamOf({TIdCounter::kMaxStoredId});
  EXPECT_EQ(mapper.ReadId(stream, *world_), 20);
  EXPECT_FALSE(stream.HasFailed());
}

TEST_F(IdMapperWorldTest, ReadIdPastTheEndBindsNothing) {
  TIdMapper mapper;
  TDataStream stream = StreamOf({});
  EXPECT_EQ(mapper.ReadId(stream, *world_), -1);
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(mapper.Count(), 0u);
  EXPECT_EQ(world_->PeekNextId(), 20);
}

TEST_F(IdMapperWorldTest, RawMapperPassesEveryValueAndNeverTouchesTheWorld) {
  const std::vector<int32_t> values = {-1, 0, 5, 20, INT32_MIN, INT32_MAX};
  std::unique_ptr<TIdMapper> mapper = std::make_unique<TRawIdMapper>();
  EXPECT_TRUE(mapper->PassesIdsUnchanged());
  TDataStream stream;
  for (int32_t value : values) mapper->WriteId(stream, value);
  EXPECT_EQ(ReadAll(stream), values);

  stream.Rewind();
  for (int32_t value : values) EXPECT_EQ(mapper->ReadId(stream, *world_), value);
  stream.Rewind();
  for (int32_t value : values) EXPECT_EQ(mapper->ReadId(stream), value);
  EXPECT_EQ(mapper->Count(), 0u);
  EXPECT_EQ(world_->PeekNextId(), 20);
}

TEST(IdMapperTest, ReadIdWithoutAWorldTranslatesOnlyKnownIds) {
  TIdMapper mapper;
  EXPECT_FALSE(mapper.PassesIdsUnchanged());
  mapper.Bind(3, 30);
  TDataStream stream = StreamOf({3, 4, -1});
  EXPECT_EQ(mapper.ReadId(stream), 30);
  EXPECT_EQ(mapper.ReadId(stream), -1);
  EXPECT_EQ(mapper.ReadId(stream), -1);
  EXPECT_EQ(mapper.Entries(), TPairs({{3, 30}}));
}

// --- TIdMapper: saving and loading ------------------------------------------------------

TEST(IdMapperTest, SaveWritesCountPairsAndNextIdAndLoadsBack) {
  TIdMapper mapper;
  mapper.Bind(4, 40);
  mapper.Bind(1, 10);
  TDataStream stream;
  mapper.Save(stream);
  EXPECT_EQ(ReadAll(stream), std::vector<int32_t>({2, 1, 10, 4, 40, 5}));

  stream.Rewind();
  TIdMapper loaded;
  ASSERT_TRUE(loaded.Load(stream));
  EXPECT_EQ(loaded.Entries(), mapper.Entries());
  EXPECT_EQ(loaded.GetNextExternalId(), mapper.GetNextExternalId());
}

TEST(IdMapperTest, LoadAddsToTheTableAndFollowsTheKeysNotTheSavedNextId) {
  TIdMapper mapper;
  mapper.Bind(0, 7);
  TDataStream stream = StreamOf({1, 2, 20, 99});
  ASSERT_TRUE(mapper.Load(stream));
  EXPECT_EQ(mapper.Entries(), TPairs({{0, 7}, {2, 20}}));
  EXPECT_EQ(mapper.GetNextExternalId(), 3);

  TIdMapper empty;
  TDataStream none = StreamOf({0, 99});
  ASSERT_TRUE(empty.Load(none));
  EXPECT_EQ(empty.GetNextExternalId(), 0);
}

struct BadMapperCase {
  const char* what;
  std::vector<int32_t> values;
};

TEST(IdMapperTest, LoadRejectsCountsTheBytesCannotHoldAndUnstorableKeys) {
  const BadMapperCase cases[] = {
      {"negative count", {-1, 0}},
      {"huge count", {INT32_MAX, 1, 2, 0}},
      {"one pair short", {2, 1, 10, 0}},
      {"no next id", {1, 1, 10}},
      {"nothing", {}},
      {"a key at the top of the range", {2, 1, 10, INT32_MAX, 11, 0}},
      {"a key below no object", {1, -5, 10, 0}},
      {"a key of no object", {1, -1, 10, 0}},
  };
  for (const BadMapperCase& c : cases) {
    TIdMapper mapper;
    mapper.Bind(0, 5);
    TDataStream stream = StreamOf(c.values);
    EXPECT_FALSE(mapper.Load(stream)) << c.what;
    EXPECT_TRUE(stream.HasFailed()) << c.what;
    EXPECT_EQ(mapper.Entries(), TPairs({{0, 5}})) << c.what;
  }
}

// --- TIdMapperTable ----------------------------------------------------------------

TEST(IdMapperTableTest, GetMapperMakesOneMapperPerKey) {
  TIdMapperTable table;
  TIdMapper& first = table.GetMapper(1);
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(&table.GetMapper(1), &first);
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_NE(&table.GetMapper(0), &first);
  EXPECT_EQ(table.Count(), 2u);
  table.Clear();
  EXPECT_EQ(table.Count(), 0u);
}

TEST(IdMapperTableTest, SaveAndLoadKeepEveryPlayersNumbering) {
  TIdMapperTable table;
  table.GetMapper(1).Bind(0, 12);
  table.GetMapper(0).Bind(3, 4);
  TDataStream stream;
  table.Save(stream);
  EXPECT_EQ(ReadAll(stream), std::vector<int32_t>({2, 0, 1, 3, 4, 4, 1, 1, 0, 12, 1}));

  // Loading replaces the mapper of a saved key and keeps the others.
  stream.Rewind();
  TIdMapperTable loaded;
  loaded.GetMapper(0).Bind(9, 9);
  loaded.GetMapper(5).Bind(1, 1);
  ASSERT_TRUE(loaded.Load(stream));
  EXPECT_EQ(loaded.Count(), 3u);
  EXPECT_EQ(loaded.GetMapper(0).Entries(), TPairs({{3, 4}}));
  EXPECT_EQ(loaded.GetMapper(1).Entries(), TPairs({{0, 12}}));
  EXPECT_EQ(loaded.GetMapper(5).Entries(), TPairs({{1, 1}}));
}

TEST(IdMapperTableTest, LoadRejectsBadCountsAndLeavesTheTableAsItWas) {
  const BadMapperCase cases[] = {
      {"negative count", {-2}},
      {"huge count", {1000, 0, 0, 0}},
      {"second mapper cut short", {2, 0, 0, 0, 1, 1, 3}},
      {"mapper count beyond the bytes", {1, 0, 50, 0}},
  };
  for (const BadMapperCase& c : cases) {
    TIdMapperTable table;
    table.GetMapper(0).Bind(1, 2);
    TDataStream stream = StreamOf(c.values);
    EXPECT_FALSE(table.Load(stream)) << c.what;
    EXPECT_TRUE(stream.HasFailed()) << c.what;
    EXPECT_EQ(table.Count(), 1u) << c.what;
    EXPECT_EQ(table.GetMapper(0).Entries(), TPairs({{1, 2}})) << c.what;
  }
}

}  // namespace
