#include "sim/turn_simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "sim/clock.h"
#include "sim/corpse.h"
#include "sim/event.h"
#include "sim/action_resolver.h"
#include "sim/event_list.h"
#include "sim/goo.h"
#include "sim/scenario.h"
#include "sim/world_effect.h"
#include "sound/ambient_sound.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order_list.h"
#include "units/reaction_manager.h"
#include "units/test_orders.h"
#include "units/unit_type.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

const char* const kOutpost = "Map\\Outpost.map";

// Counts the world's turn-end notifications: each one updates the ambient
// sound once.
class TCountingAmbient : public TAmbientSound {
 public:
  explicit TCountingAmbient(int& updates) : updates_(updates) {}
  void Play() override { playing_ = true; }
  bool IsPlaying() const override { return playing_; }
  void Update() override { ++updates_; }

 private:
  int& updates_;
  bool playing_ = false;
};

// A recorded change that notes the clock time at which playback applied it.
class TNoteEvent : public TEvent {
 public:
  // Any event type name will do: the list never reads these from a stream.
  static constexpr std::string_view kTypeName = "Score";

  TNoteEvent(float time, const TTurnClock& clock, std::vector<std::pair<float, float>>& applied)
      : TEvent(time), clock_(clock), applied_(applied) {}
  void Apply() override { applied_.emplace_back(GetTime(), clock_.GetTime()); }
  std::string_view TypeName() const override { return kTypeName; }

 private:
  const TTurnClock& clock_;
  std::vector<std::pair<float, float>>& applied_;
};

// Every test works on a copy of the shipped data set in a folder of its own.
class TurnSimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(DVX_DATA_DIR, folder_.Path(), fs::copy_options::recursive);
    DestroyGameDataConfig();
    sim_ = std::make_unique<TTurnSimulator>();
    sim_->GetWorld().SetAmbientSound(std::make_unique<TCountingAmbient>(turnEnds_));
  }
  void TearDown() override {
    sim_.reset();
    DestroyGameDataConfig();
  }

  TWorld& World() const { return sim_->GetWorld(); }
  TTurnClock& Clock() const { return sim_->GetClock(); }

  Combatant* PlaceUnit(const std::string& typeName, int32_t owner, const TVector3& position) const {
    const TGameData& data = World().GetGameData();
    const TUnitType* type = data.FindUnitType(typeName);
    if (type == nullptr) return nullptr;
    auto unit = std::make_unique<Combatant>(*type, data.FindWeaponType(typeName), owner, position, 0.0f);
    Combatant* placed = unit.get();
    TNewObjects objects;
    objects.push_back(std::move(unit));
    World().AddObjects(objects);
    return placed;
  }

  TSpecialEffectObject* AddEffect(const std::string& name, float startTime) const {
    auto effect = std::make_unique<TSpecialEffectObject>(TVector3(3.0f, 3.0f, 0.0f), name, "", startTime);
    TSpecialEffectObject* added = effect.get();
    sim_->GetEffects().Add(std::move(effect));
    return added;
  }

  std::vector<uint8_t> WorldBytes() const {
    TDataStream stream("Vorhelm-3-10");
    EXPECT_TRUE(World().Save(stream));
    return stream.Body();
  }

  TTempFolder folder_;
  int turnEnds_ = 0;
  std::unique_ptr<TTurnSimulator> sim_;
};

TEST_F(TurnSimulatorTest, NewSimulatorPlaysBackWithThePausedClockAtTurnZero) {
  EXPECT_EQ(sim_->GetMode(), TTurnSimulator::kPlayback);
  EXPECT_TRUE(Clock().IsPaused());
  EXPECT_EQ(Clock().GetTurn(), 0);
  EXPECT_EQ(Clock().GetTime(), 0.0f);
  EXPECT_TRUE(sim_->IsMovementPassDue());
  EXPECT_EQ(sim_->GetScenario(), nullptr);
  EXPECT_EQ(sim_->GetEvents().GetEventCount(), 0);
  EXPECT_EQ(sim_->GetEffects().Count(), 0);
  EXPECT_EQ(World().GetMap().Count(), 0);

  sim_->SetScenario(TScenario::CreateDefault());
  ASSERT_NE(sim_->GetScenario(), nullptr);
  EXPECT_EQ(sim_->GetScenario()->GetTurnLimit(), TScenario::kDefaultTurnLimit);
  sim_->SetScenario(nullptr);
  EXPECT_EQ(sim_->GetScenario(), nullptr);
}

// The two turn drivers on a world without units: the first tick at the
// turn's start, then one tick per advance until the clock stops at the turn
// end, which the last tick still simulates.
struct TDriverCase {
  const char* name;
  int32_t mode;
  float step;
  int advances;
  float lastButOne;
};

void PrintTo(const TDriverCase& c, std::ostream* os) { *os << c.name; }

class TurnDriverTest : public TurnSimulatorTest, public ::testing::WithParamInterface<TDriverCase> {};

TEST_P(TurnDriverTest, TurnTakesItsTicksAndEndsOnce) {
  const TDriverCase& c = GetParam();
  sim_->Start(c.mode);
  ASSERT_EQ(sim_->GetMode(), c.mode);
  const int startNotices = turnEnds_;
  Clock().Start();

  std::vector<float> tickTimes;
  tickTimes.push_back(Clock().GetTime());
  bool paused = sim_->Tick();
  while (!paused) {
    EXPECT_EQ(turnEnds_, startNotices) << "before the turn end, at " << Clock().GetTime();
    Clock().Advance(c.step);
    tickTimes.push_back(Clock().GetTime());
    paused = sim_->Tick();
    ASSERT_LE(tickTimes.size(), 1000u);
  }

  EXPECT_EQ(static_cast<int>(tickTimes.size()), 1 + c.advances);
  EXPECT_EQ(tickTimes.front(), 0.0f);
  ASSERT_GE(tickTimes.size(), 2u);
  EXPECT_EQ(tickTimes[tickTimes.size() - 2], c.lastButOne);
  EXPECT_EQ(tickTimes.back(), 10.0f);
  EXPECT_EQ(Clock().GetTime(), 10.0f);
  EXPECT_TRUE(Clock().IsPaused());
  EXPECT_EQ(turnEnds_, startNotices + 1);

  // Ticks between turns change nothing and notify nobody.
  EXPECT_TRUE(sim_->Tick());
  EXPECT_EQ(turnEnds_, startNotices + 1);

  // The next turn runs the same way from its own start.
  Clock().NextTurn();
  sim_->Start(c.mode);
  Clock().Start();
  int ticks = 1;
  for (bool ended = sim_->Tick(); !ended; ended = sim_->Tick()) {
    Clock().Advance(c.step);
    ++ticks;
    ASSERT_LE(ticks, 1000);
  }
  EXPECT_EQ(Clock().GetTime(), 20.0f);
  EXPECT_EQ(ticks, 1 + c.advances);
}

INSTANTIATE_TEST_SUITE_P(Drivers, TurnDriverTest,
                         ::testing::Values(TDriverCase{"Server", TTurnSimulator::kSimulateWithMovement,
                                                       TTurnSimulator::kServerStep, 304, 9.999f},
                                           TDriverCase{"Client", TTurnSimulator::kSimulate,
                                                       TTurnSimulator::kClientStep, 200, 9.95f},
                                           TDriverCase{"Playback", TTurnSimulator::kPlayback,
                                                       TTurnSimulator::kClientStep, 200, 9.95f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TurnSimulatorTest, TickWhilePausedChangesNothing) {
  ASSERT_TRUE(World().LoadMapFile(kOutpost));
  Combatant* victim = PlaceUnit("Grunt", 0, TVector3(10.0f, 10.0f, 0.0f));
  ASSERT_NE(victim, nullptr);
  victim->TakeDamage(1.0e6f);
  AddEffect("Spark", -5.0f);
  sim_->Start(TTurnSimulator::kSimulate);
  const std::vector<uint8_t> before = WorldBytes();
  const int notices = turnEnds_;
  const int32_t units = World().GetUnits().Count();

  for (int i = 0; i < 3; ++i) EXPECT_TRUE(sim_->Tick());

  EXPECT_EQ(Clock().GetTime(), 0.0f);
  EXPECT_TRUE(Clock().IsPaused());
  EXPECT_EQ(World().GetUnits().Count(), units);
  EXPECT_EQ(World().GetCorpses().Count(), 0);
  EXPECT_EQ(sim_->GetEffects().Count(), 1);
  EXPECT_EQ(WorldBytes(), before);
  EXPECT_EQ(turnEnds_, notices);
}

// One simulated tick on a shipped map: a door next to a unit opens (the
// world's update queues it, the hand-over builds its successor, the end of
// the step removes the old door); a killed unit leaves its surrogate and
// corpse and scores for the other side; the psychic attack it showed is
// taken into the effect list before the unit is removed; an effect whose
// time is over is updated and deleted within the same tick.
TEST_F(TurnSimulatorTest, OneSimulatedTickRunsTheStepsInOrder) {
  ASSERT_TRUE(World().LoadMapFile(kOutpost));
  ASSERT_FALSE(World().GetMap().GetSingleDoors().empty());
  const TTerrainObject* door = World().GetMap().GetSingleDoors().front();
  const TVector3 doorAt = door->Position();
  const std::string closedName = door->GetTypeName();
  ASSERT_NE(PlaceUnit("Grunt", 0, TVector3(doorAt.x + 1.0f, doorAt.y, 0.0f)), nullptr);

  Combatant* victim = PlaceUnit("Grunt", 1, TVector3(10.0f, 10.0f, 0.0f));
  ASSERT_NE(victim, nullptr);
  const int32_t victimId = victim->GetId();
  const TVector3 victimAt = victim->Position();
  const float cost = World().GetGameData().FindUnitType("Grunt")->GetCost();
  victim->TakeDamage(1.0e6f);
  ASSERT_TRUE(victim->IsDestroyed());
  victim->SetPsychicAttack(true);

  AddEffect("Spark", 0.0f);
  sim_->Start(TTurnSimulator::kSimulate);
  Clock().Start();
  Clock().Advance(1.0f);
  const float t = Clock().GetTime();
  const float scoreBefore = World().GetScore(0);

  EXPECT_FALSE(sim_->Tick());

  const TTerrainObject* now = World().GetMap().TopObjectAt(doorAt);
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(now->GetTypeName(), World().DoorStateTypeName(closedName, "Opening"));

  EXPECT_EQ(World().FindById(victimId), nullptr);
  ASSERT_EQ(World().GetCorpses().Count(), 1);
  ASSERT_EQ(World().GetSurrogates().Count(), 1);
  const auto* surrogate = static_cast<const Surrogate*>(World().GetSurrogates().GetAt(0));
  EXPECT_EQ(surrogate->KeptRecordId(), victimId);
  EXPECT_NE(World().GetCorpses().GetAt(0)->GetId(), -1);
  EXPECT_FLOAT_EQ(World().GetScore(0), scoreBefore + cost);
  EXPECT_FLOAT_EQ(World().GetScore(1), 0.0f);

  ASSERT_EQ(sim_->GetEffects().Count(), 1);
  const auto* effect = static_cast<const TSpecialEffectObject*>(sim_->GetEffects().GetAt(0));
  EXPECT_EQ(effect->GetName(), TSpecialEffectObject::kPsychicAttack);
  EXPECT_EQ(effect->GetStartTime(), t);
  EXPECT_EQ(effect->Position().x, victimAt.x);
  EXPECT_EQ(effect->Position().y, victimAt.y);
  EXPECT_FALSE(effect->IsDestroyed());
}

// Playback applies the recorded events up to the clock time (within the
// list's tolerance) and otherwise only lets the world and the effects run
// their own update: a killed unit is not handed over, an effect whose time
// is over goes.
TEST_F(TurnSimulatorTest, PlaybackAppliesRecordedEventsUpToTheClockTime) {
  std::vector<std::pair<float, float>> applied;
  for (float time : {0.0f, 0.5f, 1.0f, 1.00005f, 1.5f}) {
    sim_->GetEvents().Add(std::make_unique<TNoteEvent>(time, Clock(), applied));
  }
  Combatant* victim = PlaceUnit("Grunt", 1, TVector3(10.0f, 10.0f, 0.0f));
  ASSERT_NE(victim, nullptr);
  victim->TakeDamage(1.0e6f);
  AddEffect("Spark", 0.0f);

  sim_->Start(TTurnSimulator::kPlayback);
  Clock().Start();
  EXPECT_FALSE(sim_->Tick());
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(sim_->GetEffects().Count(), 1);

  Clock().Advance(1.0f);
  EXPECT_FALSE(sim_->Tick());
  const std::vector<std::pair<float, float>> expected = {
      {0.0f, 0.0f}, {0.5f, 1.0f}, {1.0f, 1.0f}, {1.00005f, 1.0f}};
  EXPECT_EQ(applied, expected);
  EXPECT_EQ(sim_->GetEvents().GetCursor(), 4u);
  EXPECT_EQ(sim_->GetEffects().Count(), 0);
  EXPECT_EQ(World().GetUnits().Count(), 1);
  EXPECT_EQ(World().GetCorpses().Count(), 0);

  Clock().Advance(0.499f);
  sim_->Tick();
  EXPECT_EQ(applied.size(), 4u);
  Clock().Advance(0.001f);
  sim_->Tick();
  ASSERT_EQ(applied.size(), 5u);
  EXPECT_EQ(applied.back(), std::make_pair(1.5f, 1.5f));
}

// Only the simulating modes begin the world's turn: units stop and stand.
TEST_F(TurnSimulatorTest, SimulatingModesBeginTheWorldsTurn) {
  struct TCase {
    int32_t mode;
    bool stops;
  };
  for (const TCase& c : {TCase{TTurnSimulator::kSimulate, true}, TCase{TTurnSimulator::kSimulateWithMovement, true},
                         TCase{TTurnSimulator::kPlayback, false}}) {
    SCOPED_TRACE(c.mode);
    Combatant* unit = PlaceUnit("Grunt", 0, TVector3(4.0f, 4.0f, 0.0f));
    ASSERT_NE(unit, nullptr);
    const TVector3 away(9.0f, 4.0f, 0.0f);
    unit->SetDestination(away);
    sim_->Start(c.mode);
    EXPECT_EQ(unit->GetDestination().x, c.stops ? 4.0f : away.x);
    World().RemoveById(unit->GetId());
  }
}

// The movement pass clears the map's changed mark on every other call, only
// in mode 1; a whole tick makes two calls, so the mark is cleared once per
// tick and the pass is due again at the next.
TEST_F(TurnSimulatorTest, MovementPassClearsTheMapMarkOnEveryOtherCallInModeOne) {
  ASSERT_TRUE(World().LoadMapFile(kOutpost));
  ASSERT_TRUE(World().GetMap().IsChanged());

  sim_->Start(TTurnSimulator::kSimulate);
  Clock().Start();
  sim_->Tick();
  EXPECT_TRUE(World().GetMap().IsChanged());
  sim_->AlternateUpdate(Clock().GetTime());
  EXPECT_TRUE(World().GetMap().IsChanged());
  EXPECT_TRUE(sim_->IsMovementPassDue());

  sim_->Start(TTurnSimulator::kSimulateWithMovement);
  sim_->Tick();
  EXPECT_FALSE(World().GetMap().IsChanged());
  EXPECT_TRUE(sim_->IsMovementPassDue());

  auto changeMap = [this] { World().GetMap().RemoveById(World().GetMap().GetAt(0)->GetId()); };
  changeMap();
  ASSERT_TRUE(World().GetMap().IsChanged());
  sim_->AlternateUpdate(Clock().GetTime());
  EXPECT_FALSE(World().GetMap().IsChanged());
  EXPECT_FALSE(sim_->IsMovementPassDue());
  changeMap();
  sim_->AlternateUpdate(Clock().GetTime());
  EXPECT_TRUE(World().GetMap().IsChanged());
  EXPECT_TRUE(sim_->IsMovementPassDue());
  sim_->AlternateUpdate(Clock().GetTime());
  EXPECT_FALSE(World().GetMap().IsChanged());
}

TEST_F(TurnSimulatorTest, AServerTurnRecordsSightGooAndEffectsThroughItsServices) {
  ASSERT_TRUE(World().LoadMapFile(kOutpost));
  Combatant* watcher = PlaceUnit("Grunt", 0, TVector3(1.0f, 10.0f, 0.0f));
  Combatant* target = PlaceUnit("Grunt", 1, TVector3(1.0f, 14.0f, 0.0f));
  ASSERT_NE(watcher, nullptr);
  ASSERT_NE(target, nullptr);
  TNewObjects goo;
  goo.push_back(std::make_unique<Goo>(watcher->Position(), 0.0f));
  World().AddObjects(goo);
  // A unit struck by a psychic attack shows the effect (and sights for the
  // other side, so it stands far off).
  Combatant* struck = PlaceUnit("Grunt", 0, TVector3(1.0f, 29.0f, 0.0f));
  ASSERT_NE(struck, nullptr);
  struck->SetPsychicAttack(true);

  sim_->Start(TTurnSimulator::kSimulateWithMovement);
  Clock().Start();
  for (bool ended = sim_->Tick(); !ended; ended = sim_->Tick()) Clock().Advance(TTurnSimulator::kServerStep);

  const TEventList& events = sim_->GetEvents();
  bool sawTarget = false;
  bool sawWatcher = false;
  int gooHits = 0;
  int effects = 0;
  for (int32_t i = 0; i < events.GetEventCount(); ++i) {
    const TEvent& event = *events.GetEvent(i);
    if (event.TypeName() == "Vision") {
      // Each side is told of the other's unit it now sees, and only itself.
      if (event.TestFlag(0) && !event.TestFlag(1)) sawTarget = true;
      if (event.TestFlag(1) && !event.TestFlag(0)) sawWatcher = true;
    }
    if (event.TypeName() == "Damage") ++gooHits;
    if (event.TypeName() == "SpecialEffect") ++effects;
  }
  EXPECT_TRUE(sawTarget);
  EXPECT_TRUE(sawWatcher);
  EXPECT_GT(gooHits, 100);  // about one a tick after the first
  EXPECT_LT(watcher->GetEndurance(), watcher->GetType().GetEndurance());
  EXPECT_GE(effects, 1);
}

TEST_F(TurnSimulatorTest, OrdersRunEveryTickAndARestartReplaysThem) {
  Combatant* unit = PlaceUnit("Grunt", 0, TVector3(3.0f, 3.0f, 0.0f));
  ASSERT_NE(unit, nullptr);
  order_test::TJournal journal;
  auto first = std::make_unique<order_test::TTestOrder>(unit->GetId(), sim_->GetResolver(), "A", 2.0f, &journal);
  auto* firstOrder = first.get();
  sim_->GetOrders().Add(std::move(first));
  sim_->GetOrders().Add(
      std::make_unique<order_test::TTestOrder>(unit->GetId(), sim_->GetResolver(), "B", 4.0f, &journal));

  auto runTurn = [this] {
    sim_->Start(TTurnSimulator::kSimulate);
    Clock().Start();
    for (bool ended = sim_->Tick(); !ended; ended = sim_->Tick()) Clock().Advance(TTurnSimulator::kClientStep);
  };
  runTurn();
  // The first order ran from the turn's start until 2.0, the second took
  // over within the same tick and ended at 4.0.
  EXPECT_FLOAT_EQ(firstOrder->Times().front(), 0.0f);
  EXPECT_FALSE(sim_->GetOrders().HasOrders(unit->GetId()));
  const auto runs = std::count(journal.begin(), journal.end(), "run A");
  EXPECT_EQ(runs, 41);  // 0.0, 0.05, ... 2.0

  // A restart of the turn rewinds the chain, so the same orders run again;
  // the reaction manager cancels through the same list.
  journal.clear();
  Clock().Reset();
  runTurn();
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "run A"), runs);
  sim_->GetOrders().Add(
      std::make_unique<order_test::TTestOrder>(unit->GetId(), sim_->GetResolver(), "C", 30.0f, &journal));
  ASSERT_TRUE(sim_->GetOrders().HasOrders(unit->GetId()));
  // The running order stays in the chain as done; the chain stops.
  sim_->GetReactions().CancelUnitOrders(unit->GetId());
  EXPECT_FALSE(sim_->GetOrders().HasOrders(unit->GetId()));
  sim_->GetOrders().Clear();  // the orders write into the journal when deleted
}

}  // namespace
