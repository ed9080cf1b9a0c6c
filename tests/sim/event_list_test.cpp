#include "sim/event_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "support/temp_folder.h"

namespace {

// What the test events did when applied: each notes its tag and the list's
// cursor at that moment.
struct TPlayLog {
  const TEventList* list = nullptr;
  std::vector<std::pair<int32_t, uint32_t>> applied;
};

// Test event borrowing the name "Score": a tag, and the players who see it.
class TMarkEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Score";

  TMarkEvent(float time, int32_t tag, TPlayLog& log) : TEvent(time), tag_(tag), log_(log) {}
  TMarkEvent(TDataStream& stream, TPlayLog& log)
      : TEvent(stream), tag_(static_cast<int32_t>(stream.ReadInt())), log_(log) {}

  void Apply() override { log_.applied.emplace_back(tag_, log_.list != nullptr ? log_.list->GetCursor() : 0u); }
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
    if (!TEvent::Save(stream, idWriter, nameTable)) return false;
    stream.WriteInt(static_cast<uint32_t>(tag_));
    return true;
  }
  std::string_view TypeName() const override { return kTypeName; }

  int32_t Tag() const { return tag_; }

 private:
  int32_t tag_;
  TPlayLog& log_;
};

// Test event borrowing the name "RevealMap": a field that names a thing
// through the stream's name table, as terrain names are written.
class TNamingEvent : public TMarkEvent {
 public:
  static constexpr std::string_view kTypeName = "RevealMap";

  TNamingEvent(float time, int32_t tag, std::string thing, TPlayLog& log)
      : TMarkEvent(time, tag, log), thing_(std::move(thing)) {}
  TNamingEvent(TDataStream& stream, const TStringList& names, TPlayLog& log)
      : TMarkEvent(stream, log), thing_(names.At(stream.ReadShort())) {}

  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
    if (!TMarkEvent::Save(stream, idWriter, nameTable)) return false;
    stream.WriteShort(static_cast<uint16_t>(nameTable.IndexOf(thing_)));
    return true;
  }
  std::string_view TypeName() const override { return kTypeName; }

  const std::string& Thing() const { return thing_; }

 private:
  std::string thing_;
};

using TPlayers = std::initializer_list<int32_t>;

class EventListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_.list = &list_;
    TEventFactory::Instance().Register(
        TMarkEvent::kTypeName,
        [this](TDataStream& stream, const TEventFactoryContext&, const TStringList&) -> std::unique_ptr<TEvent> {
          return std::make_unique<TMarkEvent>(stream, log_);
        });
    TEventFactory::Instance().Register(
        TNamingEvent::kTypeName,
        [this](TDataStream& stream, const TEventFactoryContext&, const TStringList& names) -> std::unique_ptr<TEvent> {
          return std::make_unique<TNamingEvent>(stream, names, log_);
        });
  }
  void TearDown() override {
    TEventFactory::Instance().Unregister(TMarkEvent::kTypeName);
    TEventFactory::Instance().Unregister(TNamingEvent::kTypeName);
  }

  std::unique_ptr<TEvent> Mark(float time, int32_t tag, TPlayers players = {0, 1}) {
    auto event = std::make_unique<TMarkEvent>(time, tag, log_);
    for (int32_t player : players) event->SetFlag(player);
    return event;
  }

  static std::vector<int32_t> Tags(const TEventList& list) {
    std::vector<int32_t> tags;
    for (int32_t i = 0; i < list.GetEventCount(); ++i)
      tags.push_back(static_cast<TMarkEvent*>(list.GetEvent(i))->Tag());
    return tags;
  }

  static std::vector<int32_t> TurnStarts(const TEventList& list) {
    std::vector<int32_t> starts;
    for (int32_t i = 0; i <= list.GetTurnCount(); ++i) starts.push_back(list.GetTurnStart(i));
    return starts;
  }

  std::vector<int32_t> AppliedTags() const {
    std::vector<int32_t> tags;
    for (const auto& [tag, cursor] : log_.applied) tags.push_back(tag);
    return tags;
  }

  // One computed turn as a player's results carry it: the events recorded
  // from `firstTag` on, one per time, seen by both players.
  TDataStream TurnForPlayer(const std::vector<float>& times, int32_t firstTag, int32_t player = 0) {
    TEventList computed;
    int32_t tag = firstTag;
    for (float time : times) computed.Add(Mark(time, tag++));
    TDataStream stream;
    TRawIdMapper ids;
    EXPECT_TRUE(computed.SaveForPlayer(stream, ids, player));
    stream.Rewind();
    return stream;
  }

  // Table, events and end marker of a list of marks at times 1, 2, 3 (no
  // turn starts): a body to append hand-made turn starts to.
  TDataStream ThreeEventsWithoutTurnStarts() { return TurnForPlayer({1.0f, 2.0f, 3.0f}, 1); }

  TPlayLog log_;
  TEventList list_;
  TEventFactoryContext context_;
  TRawIdMapper ids_;
};

// --- insertion ---------------------------------------------------------------------

struct TAddCase {
  const char* label;
  float time;
  std::vector<int32_t> order;  // the new event is tag 9
};

class EventListAddTest : public EventListTest, public ::testing::WithParamInterface<TAddCase> {};

TEST_P(EventListAddTest, InsertsInTimeOrderWithinTheTolerance) {
  list_.Add(Mark(1.0f, 1));
  list_.Add(Mark(5.0f, 2));
  list_.Add(Mark(5.0f, 3));
  list_.Add(Mark(GetParam().time, 9));
  EXPECT_EQ(Tags(list_), GetParam().order);
  EXPECT_EQ(list_.GetCursor(), 0u);
  EXPECT_TRUE(log_.applied.empty());  // adding is not applying
}

INSTANTIATE_TEST_SUITE_P(Times, EventListAddTest,
                         ::testing::Values(TAddCase{"SameTimeGoesBehind", 5.0f, {1, 2, 3, 9}},
                                           TAddCase{"HalfToleranceEarlierStillBehind", 5.0f - 0.00005f, {1, 2, 3, 9}},
                                           TAddCase{"ClearlyEarlierGoesBefore", 5.0f - 0.001f, {1, 9, 2, 3}},
                                           TAddCase{"EarliestGoesFirst", 0.5f, {9, 1, 2, 3}},
                                           TAddCase{"LaterGoesLast", 7.0f, {1, 2, 3, 9}}),
                         [](const ::testing::TestParamInfo<TAddCase>& info) { return std::string(info.param.label); });

TEST_F(EventListTest, AddAllKeepsTheVectorOrderForEqualTimes) {
  list_.Add(Mark(2.0f, 1));
  TEventVector more;
  more.push_back(Mark(2.0f, 2));
  more.push_back(Mark(1.0f, 3));
  more.push_back(Mark(2.0f, 4));
  list_.AddAll(more);
  EXPECT_TRUE(more.empty());
  EXPECT_EQ(Tags(list_), (std::vector<int32_t>{3, 1, 2, 4}));
}

// The place of each new event as the list has always chosen it: in front of
// the first event clearly later than it, found from the front.
std::vector<int32_t> PlacedFromTheFront(const std::vector<float>& times) {
  std::vector<std::pair<float, int32_t>> placed;
  for (std::size_t i = 0; i < times.size(); ++i) {
    auto place = placed.begin();
    while (place != placed.end() && !(place->first - TEventList::kTimeTolerance > times[i])) ++place;
    placed.insert(place, {times[i], static_cast<int32_t>(i)});
  }
  std::vector<int32_t> tags;
  for (const auto& entry : placed) tags.push_back(entry.second);
  return tags;
}

// Times that meet the tolerance's odd cases: near-ties either way, runs that
// go back in time, and a NaN and infinities as computed times can be.
std::vector<float> AwkwardTimes(std::size_t count, uint32_t seed) {
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY};
  std::vector<float> times;
  for (std::size_t i = 0; i < count; ++i) {
    seed = seed * 1664525U + 1013904223U;
    const uint32_t pick = seed >> 24U;
    if (pick < 3U) {
      times.push_back(specials[pick]);
    } else {
      times.push_back(static_cast<float>((seed >> 8U) % 40U) * 0.25f + static_cast<float>(pick % 4U) * 0.00004f);
    }
  }
  return times;
}

TEST_F(EventListTest, AddAndAddAllPlaceEveryEventWhereTheScanFromTheFrontDid) {
  for (const uint32_t seed : {1U, 2U, 3U}) {
    const std::vector<float> times = AwkwardTimes(600, seed);
    TEventList oneByOne;
    for (std::size_t i = 0; i < times.size(); ++i) oneByOne.Add(Mark(times[i], static_cast<int32_t>(i)));
    EXPECT_EQ(Tags(oneByOne), PlacedFromTheFront(times)) << seed;

    // Part one by one, the rest as one batch large enough for the tree.
    TEventList batched;
    TEventVector batch;
    for (std::size_t i = 0; i < times.size(); ++i) {
      if (i < 100) {
        batched.Add(Mark(times[i], static_cast<int32_t>(i)));
      } else {
        batch.push_back(Mark(times[i], static_cast<int32_t>(i)));
      }
    }
    batched.AddAll(batch);
    EXPECT_EQ(Tags(batched), PlacedFromTheFront(times)) << seed;
    // And the list goes on placing as before after a batch.
    batched.Add(Mark(2.0f, 9999));
    std::vector<float> more = times;
    more.push_back(2.0f);
    std::vector<int32_t> expected = PlacedFromTheFront(more);
    std::replace(expected.begin(), expected.end(), static_cast<int32_t>(times.size()), 9999);
    EXPECT_EQ(Tags(batched), expected) << seed;
  }
}

TEST_F(EventListTest, ATurnOfEventsInFallingTimeOrderLoadsInOrder) {
  // The worst order for placing one by one: every event goes to the front.
  constexpr int32_t kCount = 50000;
  std::vector<float> times;
  for (int32_t i = 0; i < kCount; ++i) times.push_back(static_cast<float>(kCount - i) * 0.001f);
  TEventVector events;
  for (int32_t i = 0; i < kCount; ++i) events.push_back(Mark(times[static_cast<std::size_t>(i)], i));
  TEventList computed;
  computed.AddAll(events);
  ASSERT_EQ(computed.GetEventCount(), kCount);
  for (int32_t i = 0; i < kCount; ++i) EXPECT_EQ(static_cast<TMarkEvent*>(computed.GetEvent(i))->Tag(), kCount - 1 - i);
}

TEST_F(EventListTest, TurnsWithTimesThatAreNotFiniteOrTooManyEventsAreRefused) {
  for (const float bad : {std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY}) {
    TDataStream turn = TurnForPlayer({1.0f, bad, 3.0f}, 1);
    EXPECT_FALSE(list_.LoadTurn(turn, context_)) << bad;
    EXPECT_EQ(list_.GetEventCount(), 0) << bad;
  }
  // One event beyond the bound, written by hand: the table, the events, End.
  TDataStream many;
  TStringList names;
  names.IndexOf(std::string(TMarkEvent::kTypeName));
  names.IndexOf("End");
  names.Save(many);
  for (std::size_t i = 0; i <= TEventFactory::kMaxEventsPerTurn; ++i) {
    many.WriteShort(0);
    many.WriteFloat(1.0f);
    many.WriteInt(0);
  }
  many.WriteShort(1);
  many.Rewind();
  EXPECT_FALSE(list_.LoadTurn(many, context_));
  EXPECT_EQ(list_.GetEventCount(), 0);
}

// --- playback ----------------------------------------------------------------------

TEST_F(EventListTest, PlayUntilAppliesWhatIsDueWithinTheToleranceOnce) {
  list_.Add(Mark(1.0f, 1));
  list_.Add(Mark(3.0f + 0.00009f, 2));
  list_.Add(Mark(3.0f + 0.001f, 3));

  list_.PlayUntil(3.0f);
  EXPECT_EQ(AppliedTags(), (std::vector<int32_t>{1, 2}));
  // The cursor has moved past each event when it is applied.
  EXPECT_EQ(log_.applied[0].second, 1u);
  EXPECT_EQ(log_.applied[1].second, 2u);
  EXPECT_EQ(list_.GetCursor(), 2u);

  list_.PlayUntil(3.0f);
  EXPECT_EQ(log_.applied.size(), 2u);
  list_.PlayUntil(3.001f);
  EXPECT_EQ(AppliedTags(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(list_.GetCursor(), 3u);
}

// --- saving --------------------------------------------------------------------------

TEST_F(EventListTest, PlayerSavesKeepOnlyWhatThatPlayerSees) {
  TEventList computed;
  computed.Add(Mark(1.0f, 1, {0}));
  computed.Add(Mark(2.0f, 2, {1}));
  computed.Add(Mark(3.0f, 3, {0, 1}));
  computed.Add(Mark(4.0f, 4, {}));

  for (const auto& [player, expected] :
       {std::pair{0, std::vector<int32_t>{1, 3}}, std::pair{1, std::vector<int32_t>{2, 3}}}) {
    TDataStream stream;
    ASSERT_TRUE(computed.SaveForPlayer(stream, ids_, player));
    stream.Rewind();
    TEventList received;
    ASSERT_TRUE(received.LoadTurn(stream, context_));
    EXPECT_EQ(Tags(received), expected) << "player " << player;
    EXPECT_EQ(stream.Remaining(), 0u) << "no turn starts in a player's save";
  }
}

TEST_F(EventListTest, PlayerWhoSeesNothingGetsTheEndTableAndMarkerOnly) {
  list_.Add(Mark(1.0f, 1, {0}));
  list_.Add(Mark(2.0f, 2, {0}));
  TDataStream stream;
  ASSERT_TRUE(list_.SaveForPlayer(stream, ids_, 1));

  TDataStream expected;
  expected.WriteShort(1);
  expected.WriteString("End");
  expected.WriteShort(0);
  EXPECT_EQ(stream.Body(), expected.Body());

  TEventList empty;
  TDataStream whole;
  ASSERT_TRUE(empty.Save(whole, ids_));
  expected.WriteInt(1);  // one turn start, 0
  expected.WriteInt(0);
  EXPECT_EQ(whole.Body(), expected.Body());
}

TEST_F(EventListTest, NameTableListsNamesInOrderOfFirstUseWithEndLast) {
  list_.Add(Mark(1.0f, 1));
  list_.Add(std::make_unique<TNamingEvent>(2.0f, 2, "Rubble", log_));
  list_.Add(Mark(3.0f, 3));
  list_.Add(std::make_unique<TNamingEvent>(4.0f, 4, "Crater", log_));
  TDataStream stream;
  ASSERT_TRUE(list_.Save(stream, ids_));
  stream.Rewind();

  TStringList names;
  ASSERT_TRUE(names.Load(stream));
  ASSERT_EQ(names.Count(), 5);
  const std::vector<std::string> table = {names.At(0), names.At(1), names.At(2), names.At(3), names.At(4)};
  EXPECT_EQ(table, (std::vector<std::string>{"Score", "RevealMap", "Rubble", "Crater", "End"}));
  // The first event follows the table at once: index 0, its time, its tag.
  EXPECT_EQ(stream.ReadShort(), 0);
  EXPECT_FLOAT_EQ(stream.ReadFloat(), 1.0f);
  EXPECT_EQ(stream.ReadInt(), 1u);

  stream.Rewind();
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(stream, context_));
  EXPECT_EQ(static_cast<TNamingEvent*>(loaded.GetEvent(3))->Thing(), "Crater");
}

TEST_F(EventListTest, SaveInsertsAtThePositionAndEndsBehindWhatItWrote) {
  list_.Add(Mark(1.0f, 1));
  list_.Add(Mark(2.0f, 2));
  TDataStream stream;
  stream.WriteInt(0x11111111u);
  stream.WriteInt(0x33333333u);
  stream.Seek(4);
  ASSERT_TRUE(list_.Save(stream, ids_));
  stream.WriteInt(0x22222222u);

  stream.Rewind();
  EXPECT_EQ(stream.ReadInt(), 0x11111111u);
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(stream, context_));
  EXPECT_EQ(Tags(loaded), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(stream.ReadInt(), 0x22222222u);
  EXPECT_EQ(stream.ReadInt(), 0x33333333u);
  EXPECT_EQ(stream.Remaining(), 0u);
}

TEST_F(EventListTest, SeveralTurnsRoundTripThroughACompressedFileToIdenticalBytes) {
  TTempFolder folder;
  TDataStream turn1 = TurnForPlayer({10.5f, 11.0f, 11.0f, 14.25f}, 1);
  TDataStream turn2 = TurnForPlayer({20.0f, 29.9f}, 11);
  TDataStream turn3 = TurnForPlayer({30.0f, 31.0f, 32.0f}, 21);
  for (TDataStream* turn : {&turn1, &turn2, &turn3}) ASSERT_TRUE(list_.LoadTurn(*turn, context_));
  list_.Add(std::make_unique<TNamingEvent>(33.0f, 31, "Rubble", log_));  // unfinished turn

  TDataStream saved;
  saved.SetCompressed(true);
  ASSERT_TRUE(list_.Save(saved, ids_));
  ASSERT_TRUE(saved.SaveToFile("events.dvx"));
  EXPECT_NE(folder.ReadBytes("events.dvx").size(), 0u);

  TDataStream read;
  ASSERT_TRUE(read.LoadFromFile("events.dvx"));
  ASSERT_EQ(read.Body(), saved.Body());
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(read, context_));
  EXPECT_EQ(Tags(loaded), Tags(list_));
  EXPECT_EQ(TurnStarts(loaded), (std::vector<int32_t>{0, 4, 6, 9}));
  EXPECT_EQ(loaded.GetCursor(), 0u);
  for (int32_t i = 0; i < loaded.GetEventCount(); ++i) {
    EXPECT_EQ(loaded.GetEvent(i)->GetTime(), list_.GetEvent(i)->GetTime()) << i;
  }
  EXPECT_TRUE(log_.applied.empty());  // loading applies nothing

  TDataStream again;
  ASSERT_TRUE(loaded.Save(again, ids_));
  EXPECT_EQ(again.Body(), saved.Body());
}

TEST_F(EventListTest, FailedEventSaveLeavesTheStreamAsItWas) {
  // An event that wrote part of itself and then found the name table full.
  class TCrowdEvent : public TMarkEvent {
   public:
    using TMarkEvent::TMarkEvent;
    bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
      TMarkEvent::Save(stream, idWriter, nameTable);
      return false;
    }
  };
  list_.Add(Mark(1.0f, 1));
  list_.Add(std::make_unique<TCrowdEvent>(2.0f, 2, log_));
  TDataStream stream;
  stream.WriteInt(0x11111111u);
  stream.WriteInt(0x33333333u);
  stream.Seek(4);
  const std::vector<uint8_t> before = stream.Body();

  EXPECT_FALSE(list_.Save(stream, ids_));
  EXPECT_EQ(stream.Body(), before);
  EXPECT_EQ(stream.GetPosition(), 4u);
}

// --- turns ---------------------------------------------------------------------------

TEST_F(EventListTest, LoadTurnAppendsTurnsAndRewindReplaysOne) {
  TDataStream turn1 = TurnForPlayer({10.0f, 12.0f, 19.0f}, 1);
  TDataStream turn2 = TurnForPlayer({20.0f, 25.0f}, 11);

  list_.Clear();
  ASSERT_TRUE(list_.LoadTurn(turn1, context_));
  EXPECT_EQ(list_.GetCursor(), 0u);
  list_.PlayUntil(20.0f);
  ASSERT_TRUE(list_.LoadTurn(turn2, context_));
  EXPECT_EQ(list_.GetCursor(), 3u);  // playback resumes at the new turn
  EXPECT_EQ(TurnStarts(list_), (std::vector<int32_t>{0, 3, 5}));
  EXPECT_EQ(list_.GetTurnCount(), 2);
  EXPECT_EQ(log_.applied.size(), 3u);  // appending applied nothing

  log_.applied.clear();
  ASSERT_TRUE(list_.RewindToTurn(1));
  EXPECT_EQ(list_.GetCursor(), 3u);
  list_.PlayUntil(30.0f);
  EXPECT_EQ(AppliedTags(), (std::vector<int32_t>{11, 12}));

  ASSERT_TRUE(list_.RewindToTurn(0));
  EXPECT_EQ(list_.GetCursor(), 0u);
  ASSERT_TRUE(list_.RewindToTurn(2));
  EXPECT_EQ(list_.GetCursor(), 5u);
  for (int32_t beyond : {3, -1}) {
    EXPECT_FALSE(list_.RewindToTurn(beyond)) << beyond;
    EXPECT_EQ(list_.GetCursor(), 5u);
  }
}

TEST_F(EventListTest, DiscardUnfinishedTurnDropsOnlyEventsAfterTheLastTurn) {
  TDataStream turn1 = TurnForPlayer({10.0f, 12.0f}, 1);
  ASSERT_TRUE(list_.LoadTurn(turn1, context_));
  list_.DiscardUnfinishedTurn();
  EXPECT_EQ(Tags(list_), (std::vector<int32_t>{1, 2}));

  list_.Add(Mark(21.0f, 3));
  list_.Add(Mark(22.0f, 4));
  list_.PlayUntil(30.0f);
  EXPECT_EQ(list_.GetCursor(), 4u);
  list_.DiscardUnfinishedTurn();
  EXPECT_EQ(Tags(list_), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(list_.GetCursor(), 2u);
  EXPECT_EQ(TurnStarts(list_), (std::vector<int32_t>{0, 2}));

  TEventList computing;
  computing.Add(Mark(1.0f, 1));
  computing.DiscardUnfinishedTurn();
  EXPECT_EQ(computing.GetEventCount(), 0);
}

TEST_F(EventListTest, ClearLeavesAFreshList) {
  TDataStream turn1 = TurnForPlayer({10.0f, 12.0f}, 1);
  ASSERT_TRUE(list_.LoadTurn(turn1, context_));
  list_.PlayUntil(11.0f);
  list_.Clear();
  EXPECT_EQ(list_.GetEventCount(), 0);
  EXPECT_EQ(list_.GetCursor(), 0u);
  EXPECT_EQ(TurnStarts(list_), (std::vector<int32_t>{0}));
  EXPECT_EQ(list_.GetEvent(0), nullptr);
  EXPECT_EQ(list_.GetTurnStart(1), -1);
}

// --- hostile streams -----------------------------------------------------------------

struct TTurnTableCase {
  const char* label;
  std::vector<uint32_t> words;  // what follows the end marker
  bool accepted;
  std::vector<int32_t> starts;  // when accepted
};

class EventListTurnTableTest : public EventListTest, public ::testing::WithParamInterface<TTurnTableCase> {};

TEST_P(EventListTurnTableTest, LoadBoundsTheTurnStarts) {
  const TTurnTableCase& table = GetParam();
  TDataStream stream = ThreeEventsWithoutTurnStarts();
  stream.SeekEnd();
  for (uint32_t word : table.words) stream.WriteInt(word);
  stream.Rewind();

  list_.Add(Mark(50.0f, 50));  // replaced either way
  EXPECT_EQ(list_.Load(stream, context_), table.accepted);
  EXPECT_EQ(stream.HasFailed(), !table.accepted);
  EXPECT_EQ(list_.GetCursor(), 0u);
  if (table.accepted) {
    EXPECT_EQ(Tags(list_), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(TurnStarts(list_), table.starts);
  } else {
    EXPECT_EQ(list_.GetEventCount(), 0);
    EXPECT_EQ(TurnStarts(list_), (std::vector<int32_t>{0}));
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, EventListTurnTableTest,
                         ::testing::Values(TTurnTableCase{"Whole", {3, 0, 1, 3}, true, {0, 1, 3}},
                                           TTurnTableCase{"EqualStarts", {3, 0, 2, 2}, true, {0, 2, 2}},
                                           TTurnTableCase{"NoStartsGiveTheFreshTable", {0}, true, {0}},
                                           TTurnTableCase{"MissingCount", {}, false, {}},
                                           TTurnTableCase{"NegativeCount", {0xFFFFFFFFu, 0}, false, {}},
                                           TTurnTableCase{"CountBeyondTheBytes", {3, 0, 1}, false, {}},
                                           TTurnTableCase{"HugeCount", {0x7FFFFFFFu, 0, 1}, false, {}},
                                           TTurnTableCase{"Decreasing", {3, 0, 2, 1}, false, {}},
                                           TTurnTableCase{"PastTheEvents", {2, 0, 4}, false, {}}),
                         [](const ::testing::TestParamInfo<TTurnTableCase>& info) {
                           return std::string(info.param.label);
                         });

TEST_F(EventListTest, RejectedEventsLeaveAClearedListOrAnUnchangedTurn) {
  TDataStream turn1 = TurnForPlayer({10.0f, 12.0f}, 1);
  ASSERT_TRUE(list_.LoadTurn(turn1, context_));
  list_.PlayUntil(11.0f);

  // A turn whose event names a type that no reader knows ("Heal").
  TDataStream unknown;
  unknown.WriteShort(2);
  unknown.WriteString("Heal");
  unknown.WriteString("End");
  unknown.WriteShort(0);
  unknown.WriteFloat(21.0f);
  unknown.WriteShort(1);
  unknown.Rewind();
  EXPECT_FALSE(list_.LoadTurn(unknown, context_));
  EXPECT_TRUE(unknown.HasFailed());
  EXPECT_EQ(Tags(list_), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(list_.GetCursor(), 1u);
  EXPECT_EQ(TurnStarts(list_), (std::vector<int32_t>{0, 2}));

  // A whole list cut short before its end marker.
  TDataStream cut = ThreeEventsWithoutTurnStarts();
  cut.Body().resize(cut.Body().size() - 2);
  EXPECT_FALSE(list_.Load(cut, context_));
  EXPECT_EQ(list_.GetEventCount(), 0);
  EXPECT_EQ(TurnStarts(list_), (std::vector<int32_t>{0}));
  EXPECT_EQ(log_.applied.size(), 1u);  // only what playback reached
}

}  // namespace
