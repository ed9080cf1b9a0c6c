#include "sim/world_events.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "session/sides.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "sim/event_registration.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/projectile_events.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "world/bit_set.h"
#include "world/bounding_box.h"
#include "world/deploy_tile.h"
#include "world/game_data.h"
#include "world/object_record.h"
#include "world/terrain_object.h"
#include "world/test_world_objects.h"
#include "world/world.h"

namespace {

constexpr const char* kTag = "Vorhelm-3-10";

std::unique_ptr<TAreaList> AreaOf(const TVector3& a, const TVector3& b) {
  auto list = std::make_unique<TAreaList>();
  list->Add(std::make_unique<TBoundingBox>(a, b));
  return list;
}

TBitSet Bits(bool player0, bool player1) {
  TBitSet bits;
  bits.Set(0, player0);
  bits.Set(1, player1);
  return bits;
}

class WorldEventsTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    ShippedWorldTest::SetUp();
    RegisterEventReaders();
    context_.world = world_.get();
    context_.specialEffects = &effects_;
    context_.gameRecord = &record_;
  }
  void TearDown() override {
    for (const char* name : {"PsychicDamage", "Deployment", "RevealMap", "Score", "SpecialEffect", "Vision"}) {
      TEventFactory::Instance().Unregister(name);
    }
    ShippedWorldTest::TearDown();
  }

  Combatant* PlaceUnit(const TVector3& position, int32_t owner) {
    return test_world::PlaceUnit(*world_, "Grunt", owner, position);
  }

  // The event saved alone at the version (closed by "End"), ready to be read.
  struct TSaved {
    explicit TSaved(const std::string& tag) : stream(tag) {}
    TDataStream stream;
    TStringList names;
  };
  static std::unique_ptr<TSaved> SaveAlone(const TEvent& event, const std::string& tag) {
    auto saved = std::make_unique<TSaved>(tag);
    TRawIdMapper ids;
    EXPECT_TRUE(event.Save(saved->stream, ids, saved->names));
    saved->stream.WriteShort(static_cast<uint16_t>(saved->names.IndexOf(std::string(TEventFactory::kEndName))));
    saved->stream.Rewind();
    return saved;
  }
  // The one event the saved stream holds, read through the factory.
  std::unique_ptr<TEvent> ReadAlone(TSaved& saved) const {
    TEventVector events;
    if (!TEventFactory::Instance().ReadEvents(context_, events, saved.stream, saved.names) || events.size() != 1) {
      return nullptr;
    }
    return std::move(events[0]);
  }

  int32_t CountDeployTiles(int32_t owner) const {
    int32_t count = 0;
    const TDeployTileList& tiles = world_->GetDeployTiles();
    for (int32_t i = 0; i < tiles.Count(); ++i) {
      if (static_cast<const DeployTile*>(tiles.At(i))->GetOwner() == owner) ++count;
    }
    return count;
  }

  TSpecialEffectList effects_;
  TGameRecord record_;
  TEventFactoryContext context_;
};

// --- PsychicDamage ------------------------------------------------------------------

TEST_F(WorldEventsTest, PsychicDamageIgnoresTheArmourThatSoftensDamage) {
  struct Case {
    const char* kind;
    std::function<std::unique_ptr<TEvent>(const Combatant&, TWorld&)> make;
    bool appliedWhenRecorded;
    float loss;  // a Grunt (Endurance 100, Armour 3) hit for 10
  };
  const Case cases[] = {
      {"Damage", [](const Combatant& u, TWorld& w) { return std::make_unique<TDamageEvent>(1.0f, u, w, 10.0f); },
       true, 7.0f},
      {"PsychicDamage",
       [](const Combatant& u, TWorld& w) { return std::make_unique<TPsychicDamageEvent>(1.0f, u, w, 10.0f); },
       true, 10.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    Combatant* unit = PlaceUnit(TVector3(3.0f, 3.0f, 0.0f), 0);
    unit->SetFlag(0, false);
    unit->SetFlag(1, true);
    std::unique_ptr<TEvent> event = c.make(*unit, *world_);
    EXPECT_EQ(event->TypeName(), c.kind);
    EXPECT_FALSE(event->TestFlag(0));
    EXPECT_TRUE(event->TestFlag(1));
    EXPECT_FLOAT_EQ(unit->GetEndurance(), c.appliedWhenRecorded ? 100.0f - c.loss : 100.0f);
    if (!c.appliedWhenRecorded) event->Apply();
    EXPECT_FLOAT_EQ(unit->GetEndurance(), 100.0f - c.loss);
    // A replay on the other side's copy of the unit harms it the same way.
    event->Apply();
    EXPECT_FLOAT_EQ(unit->GetEndurance(), 100.0f - 2.0f * c.loss);

    // Once the unit is gone, a replay has nothing to harm.
    world_->RemoveById(unit->GetId());
    event->Apply();
  }
}

// --- Vision -----------------------------------------------------------------------------

TEST_F(WorldEventsTest, TwoVisionEventsForAnAbsentObjectCreateItAndThenRemoveIt) {
  world_test::TTestRecordReaders readers;
  auto crate = std::make_unique<world_test::TTestCrate>(TVector3(4.0f, 5.0f, 0.0f), "Crate", 6.0f);
  crate->SetFlag(1, true);
  TGameObject* placed = Place(std::move(crate));
  const int32_t id = placed->GetId();
  TVisionEvent shown(2.5f, *placed, *world_);
  TVisionEvent hidden(3.0f, *placed, *world_);
  EXPECT_FALSE(shown.TestFlag(0));
  EXPECT_TRUE(shown.TestFlag(1));
  EXPECT_EQ(shown.GetRecord().GetId(), id);

  // The replaying side does not hold the crate yet.
  world_->RemoveById(id);
  ASSERT_EQ(world_->FindById(id), nullptr);

  shown.Apply();
  auto* made = static_cast<world_test::TTestCrate*>(world_->FindById(id));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Position(), TVector3(4.0f, 5.0f, 0.0f));
  EXPECT_FLOAT_EQ(made->Endurance(), 6.0f);
  EXPECT_FLOAT_EQ(made->LastUpdate(), 2.5f);
  EXPECT_TRUE(made->TestFlag(1));

  hidden.Apply();
  EXPECT_EQ(world_->FindById(id), nullptr);
}

TEST_F(WorldEventsTest, AVisionEventCarriesTheRecordTypeNameInTheEventNameTable) {
  Combatant* unit = PlaceUnit(TVector3(2.0f, 2.0f, 0.0f), 1);
  const TVisionEvent event(1.0f, *unit, *world_);
  auto saved = SaveAlone(event, kTag);
  // The event type, then the record's type and what the record names.
  EXPECT_EQ(saved->names.At(0), "Vision");
  EXPECT_EQ(saved->names.At(1), "Combatant");
  EXPECT_EQ(saved->names.At(saved->names.Count() - 1), "End");
  std::unique_ptr<TEvent> read = ReadAlone(*saved);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(static_cast<const TVisionEvent&>(*read).GetRecord().GetId(), unit->GetId());
}

TEST_F(WorldEventsTest, RecordsOfEventsThatCostWithoutBoundOrAreNotFiniteAreRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    TVector3 centre;
    float radius;
    float pendingTime;
    bool reads;
  } cases[] = {
      {"a weapon's burst", TVector3(4, 4, 0), 1.5f, 2.0f, true},
      {"the largest burst", TVector3(4, 4, 0), GooExplosion::kMaxGooRadius, 2.0f, true},
      {"a burst of a million", TVector3(4, 4, 0), 1.0e6f, 2.0f, false},
      {"an endless burst", TVector3(4, 4, 0), INFINITY, 2.0f, false},
      {"a burst of NaN", TVector3(4, 4, 0), nan, 2.0f, false},
      {"a negative burst", TVector3(4, 4, 0), -1.0f, 2.0f, false},
      {"a centre of NaN", TVector3(nan, 4, 0), 1.5f, 2.0f, false},
      {"goo due at no time", TVector3(4, 4, 0), 1.5f, nan, false},
  };
  for (const auto& c : cases) {
    GooExplosion explosion(c.centre, c.radius, 1.0f);
    explosion.AddPendingGoo(TVector3(4.5f, 4, 0), c.pendingTime);
    const TVisionEvent event(1.0f, explosion, *world_);
    auto saved = SaveAlone(event, kTag);
    EXPECT_EQ(ReadAlone(*saved) != nullptr, c.reads) << c.what;
  }
}

TEST_F(WorldEventsTest, ADeploymentCarriesOneAreaListPerSide) {
  const int32_t sides = TSides::Instance()->GetSideCount();
  for (const int32_t lists : {sides - 1, sides, sides + 1, 5}) {
    std::vector<std::unique_ptr<TAreaList>> areas;
    for (int32_t i = 0; i < lists; ++i) areas.push_back(AreaOf(TVector3(0, 0, 0), TVector3(1, 1, 0)));
    const TDeploymentEvent event(0.0f, std::move(areas), *world_);
    auto saved = SaveAlone(event, kTag);
    EXPECT_EQ(ReadAlone(*saved) != nullptr, lists == sides) << lists << " lists";
  }
}

TEST_F(WorldEventsTest, SpecialEffectsAtPointsThatAreNotFiniteAreRefused) {
  for (const float x : {std::numeric_limits<float>::quiet_NaN(), INFINITY}) {
    const TSpecialEffectEvent event(1.0f, TBitSet(), TVector3(x, 1, 0), "Spark", "", nullptr);
    auto saved = SaveAlone(event, kTag);
    EXPECT_EQ(ReadAlone(*saved), nullptr) << x;
  }
}

// --- RevealMap -------------------------------------------------------------------------

TEST_F(WorldEventsTest, RevealMapIsSentToItsPlayerOnlyAndItsTilesAreSeenByBoth) {
  TEventList recorded;
  recorded.Add(std::make_unique<TRevealMapEvent>(
      0.0f, std::vector<std::string>{"Wall", "Floor"}, std::vector<int32_t>{900, 901},
      std::vector<TVector3>{TVector3(5.0f, 5.0f, 0.0f), TVector3(6.0f, 5.0f, 0.0f)}, *world_, 1));
  EXPECT_FALSE(recorded.GetEvent(0)->TestFlag(0));
  EXPECT_TRUE(recorded.GetEvent(0)->TestFlag(1));

  TRawIdMapper ids;
  TDataStream forOther(kTag);
  ASSERT_TRUE(recorded.SaveForPlayer(forOther, ids, 0));
  // A table of "End" alone, then its index.
  EXPECT_EQ(forOther.Body(), (std::vector<uint8_t>{1, 0, 3, 0, 0, 0, 'E', 'n', 'd', 0, 0}));

  TDataStream forOwner(kTag);
  ASSERT_TRUE(recorded.SaveForPlayer(forOwner, ids, 1));
  forOwner.Rewind();
  TStringList table;
  ASSERT_TRUE(table.Load(forOwner));
  // Names in the order of first use: the type, its terrain types, "End".
  EXPECT_EQ(table.Count(), 4);
  EXPECT_EQ(table.At(0), "RevealMap");
  EXPECT_EQ(table.At(1), "Wall");
  EXPECT_EQ(table.At(2), "Floor");
  EXPECT_EQ(table.At(3), "End");

  forOwner.Rewind();
  TEventList replayed;
  ASSERT_TRUE(replayed.LoadTurn(forOwner, context_));
  ASSERT_EQ(replayed.GetEventCount(), 1);
  replayed.PlayUntil(0.0f);

  for (const int32_t id : {900, 901}) {
    auto* tile = dynamic_cast<TTerrainObject*>(world_->FindById(id));
    ASSERT_NE(tile, nullptr) << id;
    EXPECT_TRUE(tile->TestFlag(0));
    EXPECT_TRUE(tile->TestFlag(1));
  }
  EXPECT_EQ(static_cast<TTerrainObject*>(world_->FindById(900))->GetTypeName(), "Wall");
  EXPECT_EQ(world_->FindById(901)->Position(), TVector3(6.0f, 5.0f, 0.0f));
  // The world's next ids stay clear of the revealed ones.
  EXPECT_GT(world_->PeekNextId(), 901);
}

TEST_F(WorldEventsTest, RevealMapMakesNothingForAHeldIdOrAnUnknownType) {
  Combatant* unit = PlaceUnit(TVector3(1.0f, 1.0f, 0.0f), 0);
  const int32_t before = world_->Count();
  TRevealMapEvent event(0.0f, {"Wall", "NoSuchTerrain", "Floor"}, {unit->GetId(), 950, 951},
                        {TVector3(1.0f, 1.0f, 0.0f), TVector3(2.0f, 1.0f, 0.0f), TVector3(3.0f, 1.0f, 0.0f)},
                        *world_, 0);
  event.Apply();
  EXPECT_EQ(world_->Count(), before + 1);
  EXPECT_EQ(world_->FindById(unit->GetId()), unit);
  EXPECT_EQ(world_->FindById(950), nullptr);
  ASSERT_NE(world_->FindById(951), nullptr);

  // Entries are as many as the shortest of the three vectors holds.
  const TRevealMapEvent uneven(0.0f, {"Wall", "Floor"}, {960}, {TVector3(), TVector3()}, *world_, 0);
  EXPECT_EQ(uneven.GetNames().size(), 1u);
  EXPECT_EQ(uneven.GetPositions().size(), 1u);
}

// --- Deployment ------------------------------------------------------------------------

TEST_F(WorldEventsTest, DeploymentAreasAreWalkedInWholeStepsUpToTheirFarCorner) {
  struct Case {
    const char* what;
    TVector3 a, b;
    std::vector<TVector3> points;
  };
  const Case cases[] = {
      {"2 x 1 area",
       {0, 0, 0},
       {2, 1, 0},
       {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}}},
      {"half a step left over", {0, 0, 0}, {2.5f, 0, 0}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2.5f, 0, 0}}},
      {"corners given far first", {1, 2, 1}, {0, 2, 0}, {{0, 2, 0}, {1, 2, 0}, {0, 2, 1}, {1, 2, 1}}},
      {"one point", {7, 7, 0}, {7, 7, 0}, {{7, 7, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<TVector3> points;
    ASSERT_TRUE(TDeploymentEvent::AreaPoints(TBoundingBox(c.a, c.b), points));
    EXPECT_EQ(points, c.points);
  }

  const float infinity = std::numeric_limits<float>::infinity();
  const TBoundingBox unbounded[] = {
      TBoundingBox(TVector3(0, 0, 0), TVector3(infinity, 0, 0)),
      TBoundingBox(TVector3(std::nanf(""), 0, 0), TVector3(1, 1, 0)),
      TBoundingBox(TVector3(0, 0, 0), TVector3(1.0e6f, 1.0e6f, 0)),
      TBoundingBox(TVector3(-1.0e30f, 0, 0), TVector3(1.0e30f, 0, 0)),
  };
  for (const TBoundingBox& box : unbounded) {
    std::vector<TVector3> points{TVector3()};
    EXPECT_FALSE(TDeploymentEvent::AreaPoints(box, points));
    EXPECT_TRUE(points.empty());
  }
}

TEST_F(WorldEventsTest, DeploymentLaysEachPlayersSquaresAtRoundedPoints) {
  std::vector<std::unique_ptr<TAreaList>> areas;
  areas.push_back(AreaOf(TVector3(0, 0, 0), TVector3(2, 1, 0)));
  areas.push_back(AreaOf(TVector3(10, 10, 0), TVector3(12.5f, 10, 0)));
  // Recording lays the squares.
  const TDeploymentEvent event(0.0f, std::move(areas), *world_);
  EXPECT_TRUE(event.TestFlag(0));
  EXPECT_TRUE(event.TestFlag(1));

  EXPECT_EQ(CountDeployTiles(0), 6);
  EXPECT_EQ(CountDeployTiles(1), 4);
  const TDeployTileList& tiles = world_->GetDeployTiles();
  EXPECT_TRUE(tiles.AnyCovers(TVector3(2, 1, 0), 0));
  EXPECT_FALSE(tiles.AnyCovers(TVector3(2, 1, 0), 1));
  // 12.5 rounds away from zero: the last square of the row lies at 13.
  EXPECT_TRUE(tiles.AnyCovers(TVector3(13, 10, 0), 1));
  EXPECT_FALSE(tiles.AnyCovers(TVector3(14, 10, 0), 1));
}

// --- Score -----------------------------------------------------------------------------

TEST_F(WorldEventsTest, ScoreChangesOnlyItsPlayersValue) {
  record_.SetSideValue(4.0f, 0);
  // Recording sets the score.
  const TScoreEvent event(5.0f, 12.5f, 1, &record_);
  EXPECT_TRUE(event.TestFlag(0));
  EXPECT_TRUE(event.TestFlag(1));
  EXPECT_FLOAT_EQ(record_.GetScore(0), 4.0f);
  EXPECT_FLOAT_EQ(record_.GetScore(1), 12.5f);

  // The replaying side's record changes when the event is played, not read.
  auto saved = SaveAlone(event, kTag);
  record_.SetSideValue(0.0f, 1);
  std::unique_ptr<TEvent> read = ReadAlone(*saved);
  ASSERT_NE(read, nullptr);
  EXPECT_FLOAT_EQ(record_.GetScore(1), 0.0f);
  read->Apply();
  EXPECT_FLOAT_EQ(record_.GetScore(0), 4.0f);
  EXPECT_FLOAT_EQ(record_.GetScore(1), 12.5f);

  const TScoreEvent unrecorded(5.0f, 3.0f, 0, nullptr);
  EXPECT_FLOAT_EQ(record_.GetScore(0), 4.0f);
}

// --- SpecialEffect -----------------------------------------------------------------------

TEST_F(WorldEventsTest, ASpecialEffectEventStartsItsEffectWhenReplayed) {
  TSpecialEffectEvent event(4.25f, Bits(true, false), TVector3(3, 4, 0), "Psychic Attack", "greyVisual",
                            &effects_);
  EXPECT_TRUE(event.TestFlag(0));
  EXPECT_FALSE(event.TestFlag(1));
  event.Apply();
  ASSERT_EQ(effects_.Count(), 1);
  const auto* effect = static_cast<const TSpecialEffectObject*>(effects_.At(0));
  EXPECT_EQ(effect->GetName(), "Psychic Attack");
  EXPECT_EQ(effect->GetVisualGroup(), "greyVisual");
  EXPECT_FLOAT_EQ(effect->GetStartTime(), 4.25f);
  EXPECT_EQ(effect->Position(), TVector3(3, 4, 0));

  TSpecialEffectEvent unlisted(1.0f, Bits(true, true), TVector3(), "Spark", "", nullptr);
  unlisted.Apply();
  EXPECT_EQ(effects_.Count(), 1);
}

TEST_F(WorldEventsTest, TheEffectRecorderKeepsEachEffectTakenOverAsAnEvent) {
  TEventList events;
  TNewObjects made;
  auto spark = std::make_unique<TSpecialEffectObject>(TVector3(1, 2, 0), "Spark", "", 3.5f);
  spark->SetFlag(1, true);
  made.push_back(std::move(spark));
  made.push_back(std::make_unique<TSpecialEffectObject>(TVector3(5, 6, 0), "Psychic Attack", "greyVisual", 1.25f));

  effects_.TakeEffects(made, MakeSpecialEffectRecorder(events, effects_));
  EXPECT_EQ(effects_.Count(), 2);
  ASSERT_EQ(events.GetEventCount(), 2);
  // In time order: the later spark goes behind the psychic attack.
  const auto& attack = static_cast<const TSpecialEffectEvent&>(*events.GetEvent(0));
  const auto& sparkEvent = static_cast<const TSpecialEffectEvent&>(*events.GetEvent(1));
  EXPECT_FLOAT_EQ(attack.GetTime(), 1.25f);
  EXPECT_EQ(attack.GetName(), "Psychic Attack");
  EXPECT_EQ(attack.GetVisualName(), "greyVisual");
  EXPECT_FALSE(attack.TestFlag(0));
  EXPECT_FALSE(attack.TestFlag(1));
  EXPECT_FLOAT_EQ(sparkEvent.GetTime(), 3.5f);
  EXPECT_EQ(sparkEvent.GetPosition(), TVector3(1, 2, 0));
  EXPECT_FALSE(sparkEvent.TestFlag(0));
  EXPECT_TRUE(sparkEvent.TestFlag(1));

  // Replayed, the recorded events make the effects again.
  events.PlayUntil(10.0f);
  EXPECT_EQ(effects_.Count(), 4);
}

// --- version rules -------------------------------------------------------------------------

TEST_F(WorldEventsTest, BounceNamesAndEffectVisualNamesFollowTheFormatVersion) {
  world_test::TTestShot shot(TVector3(1, 1, 1), 2.0f, TVector3(1, 0, 0), 0.0f);
  shot.SetId(77);
  const TBounceEvent bounce(2.0f, shot, &world_->GetProjectiles(), TVector3(-1, 0, 0), "normal");
  const TSpecialEffectEvent effect(2.0f, Bits(true, true), TVector3(1, 1, 0), "Spark", "marnVisual", nullptr);

  struct Case {
    const char* tag;
    const TEvent* event;
    std::size_t bytes;  // header 6, then the fields
    std::string versioned;
  };
  const Case cases[] = {
      {"Vorhelm-2-07", &bounce, 6 + 4 + 12, ""},
      {"Vorhelm-2-08", &bounce, 6 + 4 + 12 + 4 + 6, "normal"},
      {"Vorhelm-1-05", &effect, 6 + 16 + 4 + 5, ""},
      {"Vorhelm-2-08", &effect, 6 + 12 + 4 + 5, ""},
      {"Vorhelm-2-09", &effect, 6 + 12 + 4 + 5 + 4 + 10, "marnVisual"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + std::string(c.event->TypeName()));
    auto saved = SaveAlone(*c.event, c.tag);
    EXPECT_EQ(saved->stream.Body().size(), c.bytes + 2);  // and the closing index
    std::unique_ptr<TEvent> read = ReadAlone(*saved);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(saved->stream.Remaining(), 0u);
    if (const auto* readBounce = dynamic_cast<const TBounceEvent*>(read.get())) {
      EXPECT_EQ(readBounce->GetName(), c.versioned);
      EXPECT_EQ(readBounce->GetProjectileId(), 77);
    } else {
      const auto& readEffect = dynamic_cast<const TSpecialEffectEvent&>(*read);
      EXPECT_EQ(readEffect.GetVisualName(), c.versioned);
      EXPECT_EQ(readEffect.GetName(), "Spark");
      EXPECT_EQ(readEffect.GetPosition(), TVector3(1, 1, 0));
    }
  }
}

// --- streams -------------------------------------------------------------------------------

class WorldEventStreamTest : public WorldEventsTest {
 protected:
  struct Case {
    const char* name;
    std::function<std::unique_ptr<TEvent>()> make;
    // What the read event must hold besides its bytes.
    std::function<void(const TEvent&)> check;
    TEventReader read;
  };

  std::vector<Case> Cases() {
    Combatant* unit = PlaceUnit(TVector3(3, 4, 0), 1);
    return {
        {"PsychicDamage", [this, unit] { return std::make_unique<TPsychicDamageEvent>(1.5f, *unit, *world_, 7.0f); },
         [unit](const TEvent& e) {
           const auto& d = static_cast<const TPsychicDamageEvent&>(e);
           EXPECT_EQ(d.ResolveTarget(), unit);
           EXPECT_FLOAT_EQ(d.GetAmount(), 7.0f);
         },
         &TPsychicDamageEvent::Read},
        {"Deployment",
         [this] {
           std::vector<std::unique_ptr<TAreaList>> areas;
           areas.push_back(AreaOf(TVector3(0, 0, 0), TVector3(2, 1, 0)));
           areas.push_back(AreaOf(TVector3(5, 5, 0), TVector3(6, 6, 0)));
           return std::make_unique<TDeploymentEvent>(0.0f, std::move(areas), *world_);
         },
         [](const TEvent& e) {
           const auto& d = static_cast<const TDeploymentEvent&>(e);
           ASSERT_EQ(d.GetAreas().size(), 2u);
           EXPECT_EQ(d.GetAreas()[1]->At(0)->Max(), TVector3(6, 6, 0));
         },
         &TDeploymentEvent::Read},
        {"RevealMap",
         [this] {
           return std::make_unique<TRevealMapEvent>(0.0f, std::vector<std::string>{"Wall", "Crate", "Wall"},
                                                    std::vector<int32_t>{500, 501, 502},
                                                    std::vector<TVector3>{{1, 1, 0}, {2, 1, 0}, {3, 1, 0}}, *world_, 0);
         },
         [](const TEvent& e) {
           const auto& r = static_cast<const TRevealMapEvent&>(e);
           EXPECT_EQ(r.GetNames(), (std::vector<std::string>{"Wall", "Crate", "Wall"}));
           EXPECT_EQ(r.GetIds(), (std::vector<int32_t>{500, 501, 502}));
           EXPECT_EQ(r.GetPositions()[2], TVector3(3, 1, 0));
         },
         &TRevealMapEvent::Read},
        {"Score", [this] { return std::make_unique<TScoreEvent>(9.0f, 21.5f, 1, &record_); },
         [](const TEvent& e) {
           const auto& s = static_cast<const TScoreEvent&>(e);
           EXPECT_FLOAT_EQ(s.GetScore(), 21.5f);
           EXPECT_EQ(s.GetPlayer(), 1);
         },
         &TScoreEvent::Read},
        {"SpecialEffect",
         [this] {
           return std::make_unique<TSpecialEffectEvent>(2.75f, Bits(true, true), TVector3(8, 9, 0), "Ricochet",
                                                        "marnVisual", &effects_);
         },
         [](const TEvent& e) {
           const auto& s = static_cast<const TSpecialEffectEvent&>(e);
           EXPECT_EQ(s.GetName(), "Ricochet");
           EXPECT_EQ(s.GetVisualName(), "marnVisual");
         },
         &TSpecialEffectEvent::Read},
        {"Vision", [this, unit] { return std::make_unique<TVisionEvent>(4.0f, *unit, *world_); },
         [unit](const TEvent& e) {
           const auto& v = static_cast<const TVisionEvent&>(e);
           EXPECT_EQ(v.GetRecord().TypeName(), "Combatant");
           EXPECT_EQ(v.GetRecord().GetId(), unit->GetId());
           EXPECT_EQ(v.GetRecord().GetPosition(), TVector3(3, 4, 0));
         },
         &TVisionEvent::Read},
    };
  }
};

TEST_F(WorldEventStreamTest, EachTypeSavesAndLoadsWithTheWholeList) {
  TEventList all;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    TEventList list;
    list.Add(c.make());
    all.Add(c.make());
    TRawIdMapper ids;
    TDataStream saved(kTag);
    ASSERT_TRUE(list.Save(saved, ids));
    saved.Rewind();

    TEventList loaded;
    ASSERT_TRUE(loaded.Load(saved, context_));
    EXPECT_EQ(saved.Remaining(), 0u);
    ASSERT_EQ(loaded.GetEventCount(), 1);
    const TEvent& read = *loaded.GetEvent(0);
    EXPECT_EQ(read.TypeName(), c.name);
    EXPECT_FLOAT_EQ(read.GetTime(), list.GetEvent(0)->GetTime());
    c.check(read);

    TDataStream again(kTag);
    ASSERT_TRUE(loaded.Save(again, ids));
    EXPECT_EQ(again.Body(), saved.Body());
  }

  // All six in one list keep their order.
  TRawIdMapper ids;
  TDataStream saved(kTag);
  ASSERT_TRUE(all.Save(saved, ids));
  saved.Rewind();
  TEventList loaded;
  ASSERT_TRUE(loaded.Load(saved, context_));
  ASSERT_EQ(loaded.GetEventCount(), all.GetEventCount());
  for (int32_t i = 0; i < all.GetEventCount(); ++i) {
    EXPECT_EQ(loaded.GetEvent(i)->TypeName(), all.GetEvent(i)->TypeName());
  }
}

TEST_F(WorldEventStreamTest, AnEventCutShortDoesNotRead) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TEvent> event = c.make();
    TDataStream whole(kTag);
    TStringList names;
    TRawIdMapper ids;
    ASSERT_TRUE(event->Save(whole, ids, names));
    TDataStream cut(kTag);
    cut.WriteBytes(whole.Body().data(), whole.Body().size() - 1);
    cut.Rewind();
    cut.ReadShort();  // the type index
    EXPECT_EQ(c.read(cut, context_, names), nullptr);
    EXPECT_TRUE(cut.HasFailed());
  }
}

TEST_F(WorldEventStreamTest, CraftedCountsAndNamesAreRejected) {
  struct Case {
    const char* what;
    TEventReader read;
    std::vector<uint8_t> fields;  // after the time
  };
  const Case cases[] = {
      {"RevealMap name outside the table", &TRevealMapEvent::Read,
       {1, 0, 0, 0, 9, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"RevealMap count beyond the data", &TRevealMapEvent::Read, {0xFF, 0xFF, 0xFF, 0x0F, 0, 0, 0, 0}},
      {"RevealMap negative count", &TRevealMapEvent::Read, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"Deployment count beyond the data", &TDeploymentEvent::Read, {0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0}},
      {"Deployment box count beyond the data", &TDeploymentEvent::Read, {1, 0, 0, 0, 0xFF, 0xFF, 0, 0}},
      {"Vision record of an unknown type", &TVisionEvent::Read, {5, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TStringList names;
    names.IndexOf("Vision");
    TDataStream stream(kTag);
    stream.WriteFloat(1.0f);
    stream.WriteBytes(c.fields.data(), c.fields.size());
    stream.Rewind();
    EXPECT_EQ(c.read(stream, context_, names), nullptr);
    EXPECT_TRUE(stream.HasFailed());
  }
}

TEST_F(WorldEventsTest, TheWorldEventReadersAreRegistered) {
  TEventFactory& factory = TEventFactory::Instance();
  const char* const names[] = {"PsychicDamage", "Deployment", "RevealMap", "Score", "SpecialEffect", "Vision"};
  for (const char* name : names) factory.Unregister(name);
  RegisterWorldEventReaders();
  for (const char* name : names) EXPECT_TRUE(factory.IsRegistered(name)) << name;
}

}  // namespace
