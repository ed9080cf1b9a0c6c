#include "world/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_folder.h"
#include "world/bounding_box.h"
#include "world/game_data.h"
#include "world/map_fixtures.h"
#include "world/object_ref.h"
#include "world/surrogate.h"
#include "world/volume.h"

namespace {

using map_test::MakeTestGameData;
using map_test::TypeNamesOf;
using Cell = std::pair<int32_t, int32_t>;
using Names = std::vector<std::string>;

class MapTest : public ::testing::Test {
 protected:
  TTerrainObject* Place(const std::string& type, float x, float y, float time = 0.0f) {
    return map_test::PlaceTile(map_, *data_, type, x, y, time);
  }

  // Floor on every cell.
  void Pave() {
    for (int32_t y = 0; y < map_.GetHeight(); ++y) {
      for (int32_t x = 0; x < map_.GetWidth(); ++x) Place("Floor", static_cast<float>(x), static_cast<float>(y));
    }
  }

  // The cells of the map that hold the object.
  std::vector<Cell> CellsHolding(const TGameObject* object) const {
    std::vector<Cell> cells;
    for (int32_t y = 0; y < map_.GetHeight(); ++y) {
      for (int32_t x = 0; x < map_.GetWidth(); ++x) {
        const auto& cell = map_.CellAt(x, y);
        if (std::find(cell.begin(), cell.end(), object) != cell.end()) cells.emplace_back(x, y);
      }
    }
    return cells;
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeTestGameData();
  map_test::TNoEffectMakers noEffects_;
  TMap map_{10, 10};
};

// A volume of its own position, as a mover has.
struct TMover {
  explicit TMover(float radius) { volume.Add(std::make_unique<TSphereVolume>(&position, TVector3(0, 0, 0.5f), radius)); }
  TVector3 position;
  TCompoundVolume volume;
};

// --- indexing ------------------------------------------------------------------

TEST_F(MapTest, WallBelongsToTheFourCellsAroundItsCorner) {
  const struct {
    float x, y;
    std::vector<Cell> cells;
  } cases[] = {
      {3.0f, 4.0f, {{3, 4}, {4, 4}, {3, 5}, {4, 5}}},
      {3.5f, 4.5f, {{3, 4}, {4, 4}, {3, 5}, {4, 5}}},
      {9.0f, 9.0f, {{9, 9}}},
      {9.5f, 2.5f, {{9, 2}, {9, 3}}},
  };
  for (const auto& c : cases) {
    const TTerrainObject* wall = Place("Wall", c.x, c.y);
    EXPECT_EQ(CellsHolding(wall), c.cells) << c.x << ", " << c.y;
  }
  const TTerrainObject* post = Place("Post", 3.0f, 4.0f);
  EXPECT_EQ(CellsHolding(post), (std::vector<Cell>{{3, 4}}));
}

TEST_F(MapTest, ObjectsOutsideTheGridAreKeptButNotIndexed) {
  const TTerrainObject* post = Place("Post", -3.0f, 12.0f);
  EXPECT_EQ(map_.Count(), 1);
  EXPECT_TRUE(CellsHolding(post).empty());
  map_.Remove(post);
  EXPECT_EQ(map_.Count(), 0);
}

TEST_F(MapTest, AddingAndRemovingMarkTheMapChangedAndGrowTheExtent) {
  EXPECT_FALSE(map_.IsChanged());
  Place("Post", 2.0f, 3.0f);
  EXPECT_TRUE(map_.IsChanged());
  EXPECT_EQ(map_.GetExtent().Min(), TVector3(2.0f, 3.0f, 0.0f));
  EXPECT_EQ(map_.GetExtent().Max(), TVector3(2.0f, 3.0f, 0.0f));
  TTerrainObject* other = Place("Post", 7.0f, 1.0f);
  EXPECT_EQ(map_.GetExtent().Min(), TVector3(2.0f, 1.0f, 0.0f));
  EXPECT_EQ(map_.GetExtent().Max(), TVector3(7.0f, 3.0f, 0.0f));
  map_.ClearChanged();
  map_.Remove(other);
  EXPECT_TRUE(map_.IsChanged());
}

TEST_F(MapTest, OnlyTerrainObjectsAreTaken) {
  map_.Add(std::make_unique<map_test::TTestEffect>("Smoke", TVector3(1, 1, 0), 0.0f, 1.0f, 0.0f));
  EXPECT_EQ(map_.Count(), 0);
}

TEST_F(MapTest, DoorsOneApartPairUpAndPartnersReturnWhenOneGoes) {
  TTerrainObject* first = Place("Door", 2.5f, 3.5f);
  TTerrainObject* second = Place("Door", 3.5f, 3.5f);
  TTerrainObject* third = Place("Door", 1.5f, 3.5f);
  ASSERT_EQ(map_.GetDoubleDoors().size(), 1u);
  EXPECT_EQ(map_.GetDoubleDoors()[0], std::make_pair(first, second));
  EXPECT_EQ(map_.GetSingleDoors(), std::vector<TTerrainObject*>{third});

  map_.Remove(second);
  EXPECT_TRUE(map_.GetDoubleDoors().empty());
  EXPECT_EQ(map_.GetSingleDoors(), (std::vector<TTerrainObject*>{third, first}));
}

TEST_F(MapTest, OnlyDoorsOneCellApartPair) {
  const struct {
    float dx, dy;
    bool paired;
  } cases[] = {
      {1.0f, 0.0f, true},      {0.0f, 1.0f, true},    {1.0f, 1.0f, false},
      {1.4f, 0.0f, false},     {1.4142f, 0.0f, false}, {0.998f, 0.0f, false},
      {1.002f, 0.0f, false},   {2.0f, 0.0f, false},
  };
  for (const auto& c : cases) {
    TMap map(10, 10);
    map_test::PlaceTile(map, *data_, "Door", 2.5f, 3.5f);
    map_test::PlaceTile(map, *data_, "Door", 2.5f + c.dx, 3.5f + c.dy);
    EXPECT_EQ(map.GetDoubleDoors().size(), c.paired ? 1u : 0u) << c.dx << ", " << c.dy;
    EXPECT_EQ(map.GetSingleDoors().size(), c.paired ? 0u : 2u) << c.dx << ", " << c.dy;
  }
}

TEST_F(MapTest, DestroyedDoorFindsNoPartner) {
  TTerrainObject* first = Place("Door", 2.5f, 3.5f);
  first->SetPendingName("Open_Door");
  Place("Door", 3.5f, 3.5f);
  EXPECT_TRUE(map_.GetDoubleDoors().empty());
  EXPECT_EQ(map_.GetSingleDoors().size(), 2u);
}

TEST_F(MapTest, RelayPostsAreRegistered) {
  TTerrainObject* off = Place("relay_post_off_1", 2.0f, 2.0f);
  TTerrainObject* on = Place("relay_post_on_1", 6.0f, 2.0f);
  Place("Post", 4.0f, 2.0f);
  EXPECT_EQ(map_.GetRelayPosts(), (std::vector<TTerrainObject*>{off, on}));
  map_.Remove(off);
  EXPECT_EQ(map_.GetRelayPosts(), std::vector<TTerrainObject*>{on});
}

// --- points ----------------------------------------------------------------------

TEST_F(MapTest, PointsRoundToTheirCell) {
  Pave();
  const struct {
    TVector3 point;
    bool found;
    Cell cell;
  } cases[] = {
      {TVector3(-0.4f, 2.6f, 0.0f), true, {0, 3}},
      {TVector3(-0.6f, 2.4f, 0.0f), false, {}},
      {TVector3(2.5f, 2.5f, 0.0f), true, {3, 3}},
      {TVector3(9.49f, 0.0f, 0.0f), true, {9, 0}},
      {TVector3(9.5f, 0.0f, 0.0f), false, {}},
  };
  for (const auto& c : cases) {
    const TTerrainObject* ground = map_.ObjectAtPoint(c.point);
    const TTerrainObject* top = map_.TopObjectAt(c.point);
    ASSERT_EQ(ground != nullptr, c.found) << c.point.x << ", " << c.point.y;
    EXPECT_EQ(top, ground);
    if (ground != nullptr) {
      EXPECT_EQ(ground->Position(), TVector3(static_cast<float>(c.cell.first), static_cast<float>(c.cell.second), 0));
    }
  }
}

TEST_F(MapTest, TopObjectIsTheLastNearOneOfTheCell) {
  Pave();
  Place("Post", 4.0f, 4.0f);
  TTerrainObject* rubble = Place("Rubble", 4.0f, 4.0f);
  TTerrainObject* wall = Place("Wall", 4.5f, 4.5f);
  EXPECT_EQ(map_.TopObjectAt(TVector3(4.0f, 4.0f, 0.0f)), rubble);
  EXPECT_EQ(map_.TopObjectAt(TVector3(4.3f, 4.4f, 0.0f)), wall);
  // The wall stands 0.707 from the tile centre: too far to be its top object.
  EXPECT_EQ(map_.TopObjectAt(TVector3(5.0f, 5.0f, 0.0f)), map_.ObjectAtPoint(TVector3(5.0f, 5.0f, 0.0f)));
}

TEST_F(MapTest, TopObjectMustStandWithinHalfACellOfThePoint) {
  Pave();
  // Off the cell's centre, so that points on either side of it round to its cell.
  TTerrainObject* post = Place("Post", 2.4f, 2.0f);
  const TTerrainObject* ground = map_.ObjectAtPoint(TVector3(2.0f, 2.0f, 0.0f));
  ASSERT_NE(ground, nullptr);
  const struct {
    float x;
    bool onPost;
  } cases[] = {{1.95f, true}, {1.92f, true}, {1.905f, true}, {1.89f, false}, {1.86f, false}, {1.6f, false}};
  for (const auto& c : cases) {
    const TVector3 probe(c.x, 2.0f, 0.0f);
    EXPECT_EQ(map_.TopObjectAt(probe), c.onPost ? post : ground) << "0.4 + " << 2.0f - c.x << " from the post";
  }
}

TEST_F(MapTest, InsideTestsAndClamping) {
  EXPECT_TRUE(map_.ContainsPoint(TVector3(0.0f, 9.99f, 0.0f)));
  EXPECT_FALSE(map_.ContainsPoint(TVector3(10.0f, 5.0f, 0.0f)));
  EXPECT_FALSE(map_.ContainsPoint(TVector3(-0.01f, 5.0f, 0.0f)));
  EXPECT_TRUE(map_.IsInside(9, 0));
  EXPECT_FALSE(map_.IsInside(0, 10));
  EXPECT_EQ(map_.ClampToMap(TVector3(-3.0f, 12.0f, 2.0f)), TVector3(0.0f, 9.0f, 2.0f));
}

// --- collections -----------------------------------------------------------------

TEST_F(MapTest, CollectionsHoldEachObjectOnce) {
  Pave();
  const TTerrainObject* wall = Place("Wall", 4.5f, 4.5f);
  std::vector<TGameObject*> around;
  map_.CollectWithinRadius(around, TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  EXPECT_EQ(std::count(around.begin(), around.end(), wall), 1);
  // Cells x 4..6 and y 4..6, their floors and the wall.
  EXPECT_EQ(around.size(), 10u);

  std::vector<TGameObject*> area;
  map_.CollectInArea(area, TBoundingBox(TVector3(3.6f, 3.6f, 0.0f), TVector3(5.4f, 5.4f, 2.0f)));
  EXPECT_EQ(std::count(area.begin(), area.end(), wall), 1);
  // Grid points 3.6 4.6 5.4 on each axis reach cells 4 5 5: four floors and the wall.
  EXPECT_EQ(area.size(), 5u);

  std::vector<TGameObject*> cell;
  map_.CollectAt(cell, 5, 5);
  map_.CollectAt(cell, 5, 5);
  map_.CollectAt(cell, -1, 5);
  EXPECT_EQ(cell.size(), 2u);
}

TEST_F(MapTest, RadiusCollectionsReachFromTheCellBelowToHalfACellBeyond) {
  Pave();
  const struct {
    float centre, r;
    int32_t from, to;  // cells on each axis
  } cases[] = {
      {5.0f, 1.0f, 4, 6},  {4.99f, 1.0f, 3, 6}, {5.2f, 1.0f, 4, 6}, {5.5f, 1.0f, 4, 7},
      {5.6f, 0.4f, 5, 6},  {0.3f, 1.0f, 0, 1},  {9.2f, 2.0f, 7, 9}, {5.0f, 0.0f, 5, 5},
  };
  for (const auto& c : cases) {
    std::vector<TGameObject*> near;
    map_.CollectWithinRadius(near, TVector3(c.centre, c.centre, 0.0f), c.r);
    std::vector<Cell> cells;
    for (const TGameObject* object : near) {
      cells.emplace_back(static_cast<int32_t>(object->Position().x), static_cast<int32_t>(object->Position().y));
    }
    std::sort(cells.begin(), cells.end());
    std::vector<Cell> expected;
    for (int32_t x = c.from; x <= c.to; ++x) {
      for (int32_t y = c.from; y <= c.to; ++y) expected.emplace_back(x, y);
    }
    EXPECT_EQ(cells, expected) << c.centre << " r " << c.r;
  }
}

TEST_F(MapTest, AreaFarBeyondTheMapReachesOnlyTheCellsItCovers) {
  Pave();
  std::vector<TGameObject*> area;
  map_.CollectInArea(area, TBoundingBox(TVector3(-1.0e5f, 1.7f, 0.0f), TVector3(1.0e5f, 1.7f, 1.0e5f)));
  // Row y = 2, every column once.
  EXPECT_EQ(area.size(), 10u);
}

TEST_F(MapTest, FlagsAroundAPointGoToTheGroundOfTheNearCells) {
  Pave();
  map_.SetFlagAround(TVector3(4.6f, 4.6f, 0.0f), 1);
  std::vector<Cell> flagged;
  for (int32_t i = 0; i < map_.Count(); ++i) {
    const TGameObject* object = map_.GetAt(i);
    if (object->TestFlag(1)) {
      flagged.emplace_back(static_cast<int32_t>(object->Position().x), static_cast<int32_t>(object->Position().y));
    }
  }
  EXPECT_EQ(flagged, (std::vector<Cell>{{4, 4}, {5, 4}, {4, 5}, {5, 5}}));
  map_.ResetTileFlags();
  for (int32_t i = 0; i < map_.Count(); ++i) EXPECT_FALSE(map_.GetAt(i)->TestFlag(1));
}

// --- places and steps ------------------------------------------------------------

TEST_F(MapTest, PlaceIsFreeOnPassableGroundWithoutBlockers) {
  Pave();
  Place("Pit", 7.0f, 7.0f);
  TMap bare(10, 10);
  Place("Post", 2.0f, 2.0f);
  Place("Open_Door", 5.5f, 5.5f);
  TMover mover(0.3f);
  EXPECT_TRUE(map_.IsPlaceFree(TVector3(4.0f, 4.0f, 0.0f), mover.volume));
  EXPECT_FALSE(map_.IsPlaceFree(TVector3(2.2f, 2.0f, 0.0f), mover.volume));
  EXPECT_TRUE(map_.IsPlaceFree(TVector3(5.5f, 5.5f, 0.0f), mover.volume));
  EXPECT_FALSE(map_.IsPlaceFree(TVector3(-1.0f, 4.0f, 0.0f), mover.volume));
  EXPECT_FALSE(bare.IsPlaceFree(TVector3(4.0f, 4.0f, 0.0f), mover.volume));
  // The pit's cell is only passable for flyers; the floor listed first is its ground.
  EXPECT_TRUE(map_.IsPlaceFree(TVector3(7.0f, 7.0f, 0.0f), mover.volume));
  // The test puts the volume back where it was.
  EXPECT_EQ(mover.volume.PositionRef(), &mover.position);
}

TEST_F(MapTest, ClosedDoorsBlockPlacesExceptForTheirAccess) {
  Pave();
  Place("Door", 5.5f, 5.5f);
  TMover mover(0.3f);
  EXPECT_FALSE(map_.IsPlaceFree(TVector3(5.5f, 5.5f, 0.0f), mover.volume));
  EXPECT_TRUE(map_.IsPlaceFreeFor(TVector3(5.5f, 5.5f, 0.0f), mover.volume, "0"));
}

TEST_F(MapTest, StepsAreTestedAlongTheWay) {
  Pave();
  Place("Post", 5.0f, 5.0f);
  Place("Door", 6.5f, 2.5f);
  TMover mover(0.25f);
  const TVector3 start(4.0f, 5.0f, 0.0f);
  EXPECT_FALSE(map_.CanStep(start, TVector3(6.0f, 5.0f, 0.0f), mover.volume, "0", nullptr));
  EXPECT_TRUE(map_.CanStep(start, TVector3(4.0f, 3.0f, 0.0f), mover.volume, "0", nullptr));
  // Every door admits every access.
  EXPECT_TRUE(map_.CanStep(TVector3(6.5f, 1.5f, 0.0f), TVector3(6.5f, 3.5f, 0.0f), mover.volume, "1", nullptr));
  EXPECT_EQ(mover.volume.PositionRef(), &mover.position);
}

TEST_F(MapTest, StepIgnoresABlockerAlreadyOverlappedAtTheStart) {
  Pave();
  Place("Post", 5.0f, 5.0f);
  TMover mover(0.25f);
  const TVector3 inside(5.3f, 5.0f, 0.0f);
  EXPECT_TRUE(map_.CanStep(inside, TVector3(6.0f, 5.0f, 0.0f), mover.volume, "0", nullptr));
  // Overlapped only at the via point: ignored as well.
  const TVector3 via(4.7f, 5.0f, 0.0f);
  EXPECT_TRUE(map_.CanStep(TVector3(4.0f, 5.0f, 0.0f), TVector3(4.6f, 5.0f, 0.0f), mover.volume, "0", &via));
  EXPECT_FALSE(map_.CanStep(TVector3(4.0f, 5.0f, 0.0f), TVector3(4.6f, 5.0f, 0.0f), mover.volume, "0", nullptr));
}

// The step test remembers its answers for lattice steps: over a field of
// posts, walls and a door, every answer must be the one a fresh test gives,
// for movers of two sizes, with and without a point whose blockers are
// passed over, and again once a blocker is added.
TEST_F(MapTest, RememberedStepAnswersAreTheFreshOnes) {
  Pave();
  Place("Post", 3.0f, 3.0f);
  Place("Post", 6.0f, 4.0f);
  Place("Wall", 4.5f, 6.5f);
  Place("Barrel", 7.0f, 7.0f);
  Place("Door", 2.5f, 7.5f);
  TMover small(0.25f);
  TMover large(0.45f);
  const TVector3 nearPost(3.3f, 3.0f, 0.0f);
  constexpr std::pair<int32_t, int32_t> kNeighbours[] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                                         {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
  struct TQuery {
    TVector3 from;
    TVector3 to;
    TMover* mover;
    const TVector3* via;
    std::string access;
  };
  std::vector<TQuery> queries;
  for (int32_t y = 2; y <= 16; ++y) {
    for (int32_t x = 2; x <= 16; ++x) {
      const TVector3 from(0.5f * static_cast<float>(x), 0.5f * static_cast<float>(y), 0.0f);
      for (int32_t d = 0; d < 8; ++d) {
        const auto [dx, dy] = kNeighbours[static_cast<std::size_t>(d)];
        const TVector3 to(from.x + 0.5f * static_cast<float>(dx), from.y + 0.5f * static_cast<float>(dy), 0.0f);
        TMover* mover = (x + y + d) % 2 == 0 ? &small : &large;
        queries.push_back({from, to, mover, (x * y + d) % 3 == 0 ? &nearPost : nullptr, d % 4 == 0 ? "1" : "0"});
      }
    }
  }
  const auto answers = [this, &queries] {
    std::vector<bool> out;
    for (const TQuery& q : queries) out.push_back(map_.CanStep(q.from, q.to, q.mover->volume, q.access, q.via));
    return out;
  };
  const auto check = [this, &answers] {
    ASSERT_TRUE(map_.HasStepMemory());
    const std::vector<bool> filled = answers();
    const std::vector<bool> remembered = answers();
    map_.SetStepMemory(false);
    const std::vector<bool> fresh = answers();
    map_.SetStepMemory(true);
    EXPECT_EQ(filled, fresh);
    EXPECT_EQ(remembered, fresh);
    // Not a field where every step goes or none does.
    EXPECT_NE(std::count(fresh.begin(), fresh.end(), true), 0);
    EXPECT_NE(std::count(fresh.begin(), fresh.end(), false), 0);
  };
  check();
  const TVector3 from(5.0f, 5.0f, 0.0f);
  const TVector3 to(5.5f, 5.0f, 0.0f);
  EXPECT_TRUE(map_.CanStep(from, to, small.volume, "0", nullptr));
  Place("Post", 5.5f, 5.0f);
  EXPECT_FALSE(map_.CanStep(from, to, small.volume, "0", nullptr));
  check();
  EXPECT_EQ(small.volume.PositionRef(), &small.position);
}

TEST_F(MapTest, ForceFieldTestFindsATouchedField) {
  Pave();
  Place("field_000", 5.0f, 5.0f);
  TMover near(0.2f);
  near.position = TVector3(5.0f, 5.2f, 0.0f);
  TMover away(0.2f);
  away.position = TVector3(5.0f, 6.0f, 0.0f);
  EXPECT_TRUE(map_.ForceFieldTest(near.volume));
  EXPECT_FALSE(map_.ForceFieldTest(away.volume));
}

TEST_F(MapTest, AFieldInTheSearchedAreaMustBeTouched) {
  Pave();
  const TTerrainObject* field = Place("field_000", 5.0f, 5.0f);
  TMover beside(0.2f);
  beside.position = TVector3(5.0f, 5.35f, 0.0f);
  std::vector<TGameObject*> area;
  map_.CollectInArea(area, TBoundingBox(TVector3(4.8f, 5.15f, 0.3f), TVector3(5.2f, 5.55f, 0.7f)));
  ASSERT_EQ(std::count(area.begin(), area.end(), field), 1);
  EXPECT_FALSE(map_.ForceFieldTest(beside.volume));
  beside.position = TVector3(5.0f, 5.2f, 0.0f);
  EXPECT_TRUE(map_.ForceFieldTest(beside.volume));
}

// --- removal and replacement -----------------------------------------------------

TEST_F(MapTest, DestroyedObjectsLeaveAtTheEndOfTheStep) {
  Pave();
  TTerrainObject* wall = Place("Wall", 3.5f, 3.5f);
  TTerrainObject* door = Place("Door", 5.5f, 5.5f);
  wall->TakeDamage(12.0f);
  map_.MarkForRemoval(wall);
  map_.MarkForRemoval(wall);
  door->SetPendingName("Open_Door");
  map_.MarkForRemoval(door);
  ASSERT_EQ(map_.GetToRemove(), (std::vector<TTerrainObject*>{wall, door}));

  TNewObjects out;
  map_.HandleDestroyedAll(out, *data_, 2.0f);
  EXPECT_EQ(TypeNamesOf(out), (Names{"Surrogate", "Rubble", "Surrogate", "Open_Door"}));
  const int32_t before = map_.Count();
  map_.RemoveDestroyed();
  EXPECT_EQ(map_.Count(), before - 2);
  EXPECT_TRUE(map_.GetToRemove().empty());
  EXPECT_TRUE(map_.GetSingleDoors().empty());
}

TEST_F(MapTest, ObjectAddedDestroyedIsQueuedAtOnce) {
  auto post = CreateTerrainObject("Post", *data_, TVector3(1, 1, 0), 0.0f);
  post->MarkRemoved();
  TTerrainObject* queued = post.get();
  map_.Add(std::move(post));
  EXPECT_EQ(map_.GetToRemove(), std::vector<TTerrainObject*>{queued});
}

TEST_F(MapTest, ReplacementsReplaceAndPassTheGroundsBitsToFields) {
  Pave();
  TTerrainObject* relay = Place("relay_post_off_1", 2.0f, 2.0f);
  map_.ObjectAtPoint(TVector3(4.0f, 2.0f, 0.0f))->SetFlag(1, true);
  map_.QueueReplacement(TVector3(2.0f, 2.0f, 0.0f), "relay_post_on_1", std::make_unique<TObjectRef>(relay));
  map_.QueueReplacement(TVector3(4.0f, 2.0f, 0.0f), "field_000", nullptr);

  TNewObjects out;
  map_.HandleDestroyedAll(out, *data_, 1.0f);
  ASSERT_EQ(TypeNamesOf(out), (Names{"Surrogate", "relay_post_on_1", "field_000"}));
  EXPECT_TRUE(relay->IsRemoved());
  EXPECT_EQ(map_.GetToRemove(), std::vector<TTerrainObject*>{relay});
  EXPECT_TRUE(out[2]->TestFlag(1));
  EXPECT_EQ(out[2]->Position(), TVector3(4.0f, 2.0f, 0.0f));
  EXPECT_EQ(static_cast<const Surrogate&>(*out[0]).GetLinks().at(0)->Resolve(), out[1].get());
  EXPECT_TRUE(map_.GetReplacements().empty());
}

TEST_F(MapTest, ReplacementOfAnUnknownTypeCreatesNothing) {
  Pave();
  TTerrainObject* post = Place("Post", 2.0f, 2.0f);
  map_.QueueReplacement(TVector3(2.0f, 2.0f, 0.0f), "No_Such_Type", std::make_unique<TObjectRef>(post));
  TNewObjects out;
  map_.HandleDestroyedAll(out, *data_, 1.0f);
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(post->IsDestroyed());
  EXPECT_TRUE(map_.GetReplacements().empty());
}

TEST_F(MapTest, ResizeAndDeleteAllEmptyEverything) {
  Place("Door", 2.5f, 2.5f);
  Place("relay_post_on_1", 4.0f, 4.0f);
  map_.QueueReplacement(TVector3(1, 1, 0), "Post", nullptr);
  map_.Resize(20, 5);
  EXPECT_EQ(map_.GetWidth(), 20);
  EXPECT_EQ(map_.GetHeight(), 5);
  EXPECT_EQ(map_.Count(), 0);
  EXPECT_TRUE(map_.GetSingleDoors().empty());
  EXPECT_TRUE(map_.GetRelayPosts().empty());
  EXPECT_TRUE(map_.GetReplacements().empty());
  EXPECT_TRUE(map_.CellAt(19, 4).empty());
  map_.Resize(0, 5000);
  EXPECT_EQ(map_.GetWidth(), TMap::kMinSize);
  EXPECT_EQ(map_.GetHeight(), TMap::kMaxSize);
}

TEST_F(MapTest, DisplayTogglesFlipAndStay) {
  EXPECT_FALSE(map_.WallsToggled());
  map_.ToggleWalls();
  map_.ToggleObjects();
  EXPECT_TRUE(map_.WallsToggled());
  EXPECT_TRUE(map_.ObjectsToggled());
  map_.ToggleWalls();
  EXPECT_FALSE(map_.WallsToggled());
}

}  // namespace
