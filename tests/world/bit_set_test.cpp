#include "world/bit_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/data_stream.h"
#include "session/sides.h"

namespace {

// Every test starts from a fresh side registry (two sides, side 0 current).
class SidesTest : public ::testing::Test {
 protected:
  void SetUp() override { TSides::Destroy(); }
  void TearDown() override { TSides::Destroy(); }
};

using SidesRegistryTest = SidesTest;
using BitSetTest = SidesTest;
using FlagSetTest = SidesTest;

void AppendU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

TDataStream StreamOf(const std::vector<uint8_t>& body) {
  TDataStream stream("Vorhelm-3-10");
  stream.Body() = body;
  stream.Rewind();
  return stream;
}

TEST_F(SidesRegistryTest, StartsWithTwoSidesAndSideZeroCurrent) {
  EXPECT_EQ(TSides::Instance()->GetSideCount(), 2);
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 0);
  TSides::Instance()->SetCurrentSide(1);
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 1);
  TSides::Destroy();
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 0);
}

TEST_F(SidesRegistryTest, SideCountIsKeptWithinOneToThirtyTwo) {
  const struct {
    int32_t requested;
    int32_t kept;
  } cases[] = {{-3, 1}, {0, 1}, {1, 1}, {4, 4}, {32, 32}, {33, 32}, {1000, 32}};
  for (const auto& c : cases) {
    TSides::Instance()->SetSideCount(c.requested);
    EXPECT_EQ(TSides::Instance()->GetSideCount(), c.kept) << c.requested;
  }
}

TEST_F(BitSetTest, DefaultHasOneFalseBitPerSide) {
  TSides::Instance()->SetSideCount(5);
  const TBitSet bits;
  ASSERT_EQ(bits.Size(), 5u);
  for (std::size_t i = 0; i < bits.Size(); ++i) EXPECT_FALSE(bits.Test(i)) << i;
  EXPECT_FALSE(bits.AllSet());
}

TEST_F(BitSetTest, BitsAcrossWordBoundariesAreIndependent) {
  TBitSet bits(70);
  for (const std::size_t index : {0u, 31u, 32u, 63u, 69u}) bits.Set(index, true);
  for (std::size_t i = 0; i < 70; ++i) {
    const bool expected = i == 0 || i == 31 || i == 32 || i == 63 || i == 69;
    EXPECT_EQ(bits.Test(i), expected) << i;
  }
  bits.Set(32, false);
  EXPECT_FALSE(bits.Test(32));
  EXPECT_TRUE(bits.Test(31));
  EXPECT_TRUE(bits.Test(63));
}

TEST_F(BitSetTest, FlipAllAndAllSetStayWithinTheCount) {
  TBitSet bits(33);
  bits.Set(3, true);
  bits.FlipAll();
  EXPECT_FALSE(bits.Test(3));
  EXPECT_TRUE(bits.Test(32));
  EXPECT_FALSE(bits.AllSet());
  bits.Set(3, true);
  EXPECT_TRUE(bits.AllSet());
  bits.FlipAll();
  for (std::size_t i = 0; i < 33; ++i) EXPECT_FALSE(bits.Test(i)) << i;
  bits.SetAll(true);
  EXPECT_TRUE(bits.AllSet());
  EXPECT_TRUE(TBitSet(0).AllSet());
}

TEST_F(BitSetTest, IndicesOutsideTheSetAreIgnoredAndAnswerFalse) {
  TBitSet bits(2);
  bits.SetAll(true);
  bits.Set(2, true);
  bits.Set(1000, true);
  EXPECT_EQ(bits.Size(), 2u);
  EXPECT_FALSE(bits.Test(2));
  EXPECT_FALSE(bits.Test(1000));
  EXPECT_TRUE(bits.AllSet());
}

TEST_F(BitSetTest, CopyAndAssignTakeSizeAndBits) {
  TBitSet source(40);
  source.Set(39, true);
  const TBitSet copy(source);
  EXPECT_EQ(copy, source);
  TBitSet target(3);
  target.Assign(source);
  EXPECT_EQ(target.Size(), 40u);
  EXPECT_TRUE(target.Test(39));
}

TEST_F(BitSetTest, SavesCountThenOneBytePerBit) {
  TBitSet bits(2);
  bits.Set(1, true);
  TDataStream stream("Vorhelm-3-10");
  bits.Save(stream);
  EXPECT_EQ(stream.Body(), (std::vector<uint8_t>{2, 0, 0, 0, 0, 1}));

  stream.Rewind();
  const TBitSet loaded(stream);
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_EQ(loaded, bits);
}

TEST_F(BitSetTest, AnyNonZeroByteReadsAsTrue) {
  std::vector<uint8_t> body;
  AppendU32(body, 3);
  body.insert(body.end(), {7, 0, 255});
  TDataStream stream = StreamOf(body);
  const TBitSet bits(stream);
  ASSERT_EQ(bits.Size(), 3u);
  EXPECT_TRUE(bits.Test(0));
  EXPECT_FALSE(bits.Test(1));
  EXPECT_TRUE(bits.Test(2));
}

TEST_F(BitSetTest, CountBeyondTheStreamOrTheLimitFailsAndLeavesTheSetEmpty) {
  const struct {
    uint32_t count;
    std::size_t bytesAfter;
  } cases[] = {{5, 4}, {0xFFFFFFFFu, 16}, {TBitSet::kMaxStreamBits + 1, TBitSet::kMaxStreamBits + 1}};
  for (const auto& c : cases) {
    std::vector<uint8_t> body;
    AppendU32(body, c.count);
    body.resize(body.size() + c.bytesAfter, 1);
    TDataStream stream = StreamOf(body);
    const TBitSet bits(stream);
    EXPECT_TRUE(stream.HasFailed()) << c.count;
    EXPECT_EQ(bits.Size(), 0u) << c.count;
  }
}

TEST_F(BitSetTest, LargestAllowedCountLoads) {
  std::vector<uint8_t> body;
  AppendU32(body, TBitSet::kMaxStreamBits);
  body.resize(body.size() + TBitSet::kMaxStreamBits, 1);
  TDataStream stream = StreamOf(body);
  const TBitSet bits(stream);
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_EQ(bits.Size(), TBitSet::kMaxStreamBits);
  EXPECT_TRUE(bits.AllSet());
}

TEST_F(BitSetTest, TruncatedCountFails) {
  TDataStream stream = StreamOf({2, 0});
  const TBitSet bits(stream);
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(bits.Size(), 0u);
}

TEST_F(FlagSetTest, NewFlagSetReportsNoChange) {
  const TFlagSet flags;
  for (std::size_t side = 0; side < 2; ++side) {
    EXPECT_FALSE(flags.Changed(side)) << side;
    EXPECT_FALSE(flags.Test(side)) << side;
  }
}

TEST_F(FlagSetTest, ChangeIsSeenUntilACommitWithoutANewSet) {
  TFlagSet flags;
  flags.Set(1, true);
  EXPECT_TRUE(flags.Test(1));
  EXPECT_TRUE(flags.Changed(1));
  EXPECT_FALSE(flags.Changed(0));

  flags.Commit();
  EXPECT_FALSE(flags.Test(1));
  EXPECT_TRUE(flags.Changed(1));

  flags.Set(1, true);  // seen again: no change
  EXPECT_FALSE(flags.Changed(1));
  flags.Commit();
  flags.Commit();  // not seen in a whole step: lost, then steady
  EXPECT_FALSE(flags.Changed(1));
}

TEST_F(FlagSetTest, LockedFlagSetIgnoresSetAndCommitAndReportsNoChange) {
  TFlagSet flags;
  flags.Set(0, true);
  flags.Lock();
  EXPECT_TRUE(flags.IsLocked());
  EXPECT_FALSE(flags.Changed(0));
  flags.Set(1, true);
  EXPECT_FALSE(flags.Test(1));
  flags.Commit();
  EXPECT_TRUE(flags.Test(0));

  flags.Unlock();
  EXPECT_TRUE(flags.Changed(0));  // the commit while locked did not happen
}

TEST_F(FlagSetTest, AssignActsAlsoWhileLocked) {
  TFlagSet flags;
  flags.Lock();
  TBitSet bits;
  bits.Set(1, true);
  flags.Assign(bits);
  EXPECT_TRUE(flags.Test(1));
  EXPECT_FALSE(flags.Test(0));
}

// --- the flag watch -------------------------------------------------------------

using FlagWatchTest = SidesTest;

// A watched flag set, committed so that its bits are steady, and a watch
// with nothing listed.
struct TWatched {
  TWatched() {
    flags.Set(0, true);
    flags.KeepAsPrevious();
    flags.Watch(watch, 7);
  }
  std::shared_ptr<TFlagWatch> watch = std::make_shared<TFlagWatch>();
  TFlagSet flags;
};

struct WatchCase {
  const char* name;
  std::function<void(TFlagSet&)> act;
  bool listed;
};

class FlagWatchEntryTest : public SidesTest, public ::testing::WithParamInterface<WatchCase> {};

// Whatever can make the current bits differ from the previous ones lists the
// set; what cannot leaves the watch empty.
TEST_P(FlagWatchEntryTest, ASetEntersTheWatchWhenItsBitsMayDiffer) {
  TWatched watched;
  GetParam().act(watched.flags);
  const std::vector<int32_t> expected = GetParam().listed ? std::vector<int32_t>{7} : std::vector<int32_t>{};
  EXPECT_EQ(watched.watch->Keys(), expected);
  // Nothing listed means nothing differs.
  if (!GetParam().listed) {
    EXPECT_EQ(watched.flags.Current(), watched.flags.Previous());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, FlagWatchEntryTest,
    ::testing::Values(WatchCase{"SetOfANewBit", [](TFlagSet& f) { f.Set(1, true); }, true},
                      WatchCase{"ClearOfASetBit", [](TFlagSet& f) { f.Set(0, false); }, true},
                      WatchCase{"SetOfABitAlreadySet", [](TFlagSet& f) { f.Set(0, true); }, false},
                      WatchCase{"SetOutsideTheSet", [](TFlagSet& f) { f.Set(40, false); }, false},
                      WatchCase{"SetWhileLocked",
                                [](TFlagSet& f) {
                                  f.Lock();
                                  f.Set(1, true);
                                },
                                false},
                      WatchCase{"AssignWhileLocked",
                                [](TFlagSet& f) {
                                  f.Lock();
                                  TBitSet bits;
                                  bits.Set(1, true);
                                  f.Assign(bits);
                                },
                                true},
                      WatchCase{"CommitClearingTheBits", [](TFlagSet& f) { f.Commit(); }, true},
                      WatchCase{"KeepAsPrevious", [](TFlagSet& f) { f.KeepAsPrevious(); }, false},
                      WatchCase{"LockAndUnlock",
                                [](TFlagSet& f) {
                                  f.Lock();
                                  f.Unlock();
                                },
                                false}),
    [](const ::testing::TestParamInfo<WatchCase>& info) { return info.param.name; });

TEST_F(FlagWatchTest, ASetIsListedOnceUntilUnlisted) {
  TWatched watched;
  watched.flags.Set(1, true);
  watched.flags.Set(0, false);
  EXPECT_EQ(watched.watch->Keys(), std::vector<int32_t>{7});
  watched.watch->Keys().clear();
  watched.flags.Set(1, false);
  EXPECT_TRUE(watched.watch->Keys().empty());  // still listed for the watcher
  watched.flags.Unlist();
  watched.flags.Set(1, true);
  EXPECT_EQ(watched.watch->Keys(), std::vector<int32_t>{7});
}

TEST_F(FlagWatchTest, WatchingASetWhoseBitsDifferListsItAtOnce) {
  auto watch = std::make_shared<TFlagWatch>();
  TFlagSet differing;
  differing.Set(1, true);
  differing.Watch(watch, 3);
  TFlagSet steady;
  steady.Watch(watch, 4);
  EXPECT_EQ(watch->Keys(), std::vector<int32_t>{3});
  EXPECT_EQ(differing.Watcher(), watch.get());
  EXPECT_EQ(differing.WatchKey(), 3);
}

TEST_F(FlagWatchTest, ACopyKeepsTheBitsButIsWatchedByNobody) {
  TWatched watched;
  TFlagSet copy(watched.flags);
  EXPECT_EQ(copy.Current(), watched.flags.Current());
  EXPECT_EQ(copy.Watcher(), nullptr);
  copy.Set(1, true);
  EXPECT_TRUE(watched.watch->Keys().empty());
}

TEST_F(FlagWatchTest, AWatchOutlivesTheWatcherThatLetGoOfIt) {
  TFlagSet flags;
  {
    auto watch = std::make_shared<TFlagWatch>();
    flags.Watch(watch, 1);
  }
  flags.Set(1, true);
  ASSERT_NE(flags.Watcher(), nullptr);
  EXPECT_EQ(const_cast<TFlagWatch*>(flags.Watcher())->Keys(), std::vector<int32_t>{1});
}

}  // namespace
