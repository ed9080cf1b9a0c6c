// The terrain walk along a segment passes over cells and tiles by the cell
// index and the box filter; it must name the same tile as a plain walk that
// tests every non-ground tile of every cell it crosses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "units/cell_walker.h"
#include "units/sight_resolver.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/terrain_walk_index.h"
#include "world/volume.h"
#include "world/world.h"
#include "support/shipped_world.h"

namespace {

// The walk as it was before the index: every tile of every column.
TTerrainObject* PlainWalk(const TMap& map, const TVector3& from, const TVector3& to, bool lineOfFire) {
  if (from.IsWithin(to, 0.0001f)) return nullptr;
  TSegmentVolume segment(nullptr, from, to);
  TCellWalker walker;
  walker.Start(from, to);
  do {
    TTerrainObject* best = nullptr;
    float bestDistance = 0.0f;
    for (TTerrainObject* tile : map.CellAt(walker.GetX(), walker.GetY())) {
      if (tile->IsGround()) continue;
      TCompoundVolume& shape = lineOfFire ? tile->GetLofVolume() : tile->GetLosVolume();
      if (shape.IsEmpty() || !shape.IntersectsVolume(segment)) continue;
      TVector3 centre;
      tile->GetLofVolume().Centre(centre);
      const float distance = from.DistanceTo(centre);
      if (best == nullptr || distance <= bestDistance) {
        best = tile;
        bestDistance = distance;
      }
    }
    if (best != nullptr) return best;
  } while (walker.StepColumn());
  return nullptr;
}

// Points on and just around the faces and corners of the tile's shapes,
// where the filter's widening must keep every hit the shape test finds.
std::vector<TVector3> PointsAroundShapes(TTerrainObject& tile, std::mt19937& random) {
  std::vector<TVector3> points;
  std::uniform_real_distribution<float> nudge(-0.0003f, 0.0003f);
  TCompoundVolume& shape = tile.GetLofVolume();
  for (std::size_t i = 0; i < shape.Count(); ++i) {
    TVector3 low;
    TVector3 high;
    if (const auto* box = dynamic_cast<const TBoxVolume*>(shape.At(i))) {
      low = box->WorldMin();
      high = box->WorldMax();
    } else if (const auto* sphere = dynamic_cast<const TSphereVolume*>(shape.At(i))) {
      const TVector3 c = sphere->WorldCentre();
      const float r = sphere->Radius();
      low = TVector3(c.x - r, c.y - r, c.z - r);
      high = TVector3(c.x + r, c.y + r, c.z + r);
      points.push_back(TVector3(c.x + r * 0.7071068f, c.y + r * 0.7071068f, c.z));
    } else {
      continue;
    }
    for (int corner = 0; corner < 8; ++corner) {
      points.push_back(TVector3(((corner & 1) != 0 ? high.x : low.x) + nudge(random),
                                ((corner & 2) != 0 ? high.y : low.y) + nudge(random),
                                ((corner & 4) != 0 ? high.z : low.z) + nudge(random)));
    }
  }
  return points;
}

class TerrainWalkTest : public test_world::ShippedWorldTest {
 protected:
  void LoadMap(const std::string& name) { world_ = std::make_unique<TWorld>("Map\\" + name + ".map"); }

  std::vector<TTerrainObject*> NonGroundTiles() const {
    std::vector<TTerrainObject*> tiles;
    for (const auto& object : world_->GetMap().Tiles()) {
      auto* tile = static_cast<TTerrainObject*>(object.get());
      if (!tile->IsGround()) tiles.push_back(tile);
    }
    return tiles;
  }

  // Every segment against the plain walk, for both kinds of shape; counts
  // the segments that met something.
  int32_t CompareAll(const std::vector<std::pair<TVector3, TVector3>>& segments) {
    TSightResolver sight(*world_, nullptr);
    int32_t hits = 0;
    for (const auto& [from, to] : segments) {
      for (const bool lineOfFire : {false, true}) {
        TTerrainObject* expected = PlainWalk(world_->GetMap(), from, to, lineOfFire);
        EXPECT_EQ(sight.FirstTerrainHit(from, to, lineOfFire), expected)
            << "from (" << from.x << ", " << from.y << ", " << from.z << ") to (" << to.x << ", " << to.y << ", "
            << to.z << ") lineOfFire " << lineOfFire;
        if (expected != nullptr) ++hits;
      }
    }
    return hits;
  }
};

class TerrainWalkMapTest : public TerrainWalkTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TerrainWalkMapTest, NamesTheSameTileAsAPlainWalkOverEveryCell) {
  LoadMap(GetParam());
  const TMap& map = world_->GetMap();
  const std::vector<TTerrainObject*> tiles = NonGroundTiles();
  ASSERT_FALSE(tiles.empty());
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> x(-0.5f, static_cast<float>(map.GetWidth()) - 0.5f);
  std::uniform_real_distribution<float> y(-0.5f, static_cast<float>(map.GetHeight()) - 0.5f);
  std::uniform_real_distribution<float> z(0.0f, 2.0f);
  std::uniform_int_distribution<std::size_t> pick(0, tiles.size() - 1);
  std::vector<std::pair<TVector3, TVector3>> segments;
  for (int32_t i = 0; i < 3000; ++i) {
    const TVector3 from(x(random), y(random), z(random));
    // Sight lines to a tile's aim point, as the sight pass casts them.
    TVector3 aim;
    tiles[pick(random)]->GetAimPoint(aim);
    segments.emplace_back(from, aim);
    // Lines that graze the faces and corners of a tile's shapes.
    for (const TVector3& point : PointsAroundShapes(*tiles[pick(random)], random)) {
      segments.emplace_back(from, point);
      segments.emplace_back(point, from);
    }
    // Lines between any two points over the map, short ones among them.
    const TVector3 other(x(random), y(random), z(random));
    segments.emplace_back(from, other);
    segments.emplace_back(from, TVector3(from.x + (other.x - from.x) * 0.05f, from.y + (other.y - from.y) * 0.05f,
                                         other.z));
  }
  const int32_t hits = CompareAll(segments);
  // Both answers must have been exercised.
  const int32_t questions = static_cast<int32_t>(segments.size()) * 2;
  EXPECT_GT(hits, questions / 10);
  EXPECT_LT(hits, questions - questions / 10);
}

INSTANTIATE_TEST_SUITE_P(ShippedMaps, TerrainWalkMapTest, ::testing::Values("Foundry", "Outpost"));

TEST_F(TerrainWalkTest, FollowsTheGridWhenTilesComeAndGo) {
  LoadMap("Outpost");
  TSightResolver sight(*world_, nullptr);
  // A wall of the map's own kind put down on the line near its start is
  // met first; once it is taken away again the old answer returns.
  const TTerrainType* wall = nullptr;
  for (TTerrainObject* tile : NonGroundTiles()) {
    if (!tile->GetLofVolume().IsEmpty() && !tile->GetLosVolume().IsEmpty()) {
      wall = &tile->GetType();
      break;
    }
  }
  ASSERT_NE(wall, nullptr);
  const float row = std::round(static_cast<float>(world_->GetMap().GetHeight()) / 2.0f);
  const TVector3 from(1.0f, row, 0.5f);
  const TVector3 to(static_cast<float>(world_->GetMap().GetWidth()) - 2.0f, row, 0.5f);
  TTerrainObject* before = sight.FirstTerrainHit(from, to, true);
  EXPECT_EQ(before, PlainWalk(world_->GetMap(), from, to, true));
  auto* near = static_cast<TTerrainObject*>(Place(std::make_unique<TTerrainObject>(*wall, TVector3(2.0f, row, 0.0f), 0.0f)));
  EXPECT_EQ(PlainWalk(world_->GetMap(), from, to, true), near);
  EXPECT_EQ(sight.FirstTerrainHit(from, to, true), near);
  world_->GetMap().Remove(near);
  EXPECT_EQ(sight.FirstTerrainHit(from, to, true), before);
}

// The column walk as Step defines it: step until x or y changes.
bool StepToNextColumn(TCellWalker& walker) {
  const int32_t x = walker.GetX();
  const int32_t y = walker.GetY();
  while (walker.Step()) {
    if (walker.GetX() != x || walker.GetY() != y) return true;
  }
  return false;
}

TEST(CellWalkerColumnTest, StepColumnEndsInTheCellsStepReaches) {
  std::mt19937 random(777);
  std::uniform_real_distribution<float> coordinate(-20.0f, 60.0f);
  std::uniform_real_distribution<float> height(-3.0f, 8.0f);
  std::vector<std::pair<TVector3, TVector3>> segments = {
      {TVector3(0.0f, 0.0f, 0.0f), TVector3(2.0f, 0.0f, 2.2f)},
      {TVector3(0.5f, 0.5f, 0.5f), TVector3(3.5f, 3.5f, 3.5f)},
      {TVector3(1.0f, 1.0f, 0.0f), TVector3(1.0f, 1.0f, 9.0f)},
      {TVector3(-1.0e9f, 3.0f, 0.0f), TVector3(1.0e9f, -3.0f, 50.0f)},
  };
  for (int32_t i = 0; i < 2000; ++i) {
    const TVector3 from(coordinate(random), coordinate(random), height(random));
    // Steep and nearly flat lines, and lines along the grid.
    const TVector3 to = (i % 3 == 0) ? TVector3(from.x, coordinate(random), height(random))
                                     : TVector3(coordinate(random), coordinate(random), height(random) * 4.0f);
    segments.emplace_back(from, to);
  }
  for (const auto& [from, to] : segments) {
    TCellWalker quick;
    TCellWalker plain;
    quick.Start(from, to);
    plain.Start(from, to);
    bool more = true;
    while (more) {
      more = quick.StepColumn();
      ASSERT_EQ(more, StepToNextColumn(plain));
      ASSERT_EQ(quick.GetX(), plain.GetX());
      ASSERT_EQ(quick.GetY(), plain.GetY());
      ASSERT_EQ(quick.GetZ(), plain.GetZ());
    }
  }
}

TEST(SegmentBoxFilterTest, PassesEveryEntryForSegmentsItCannotBound) {
  TTerrainWalkIndex::TEntry entry;
  entry.bounded = true;
  const float huge = 1.0e9f;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const TVector3 cases[][2] = {
      {TVector3(0.0f, 0.0f, 0.0f), TVector3(huge, 0.0f, 0.0f)},
      {TVector3(nan, 0.0f, 0.0f), TVector3(1.0f, 0.0f, 0.0f)},
      {TVector3(1.0f, 1.0f, 1.0f), TVector3(1.0f, 1.0f, 1.0f)},
  };
  for (const auto& c : cases) {
    // No tile is looked at: the filter gives up before it.
    EXPECT_TRUE(TSegmentBoxFilter(c[0], c[1]).MayMeet(entry, true));
  }
}

}  // namespace
