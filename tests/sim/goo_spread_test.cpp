#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/vector3.h"
#include "sim/event.h"
#include "sim/goo.h"
#include "sim/goo_events.h"
#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

constexpr float kStart = 2.0f;

// A world of the shipped rules whose map is bare floor, 12 x 12 squares.
class GooSpreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(DVX_DATA_DIR, folder_.Path(), fs::copy_options::recursive);
    DestroyGameDataConfig();
    world_ = std::make_unique<TWorld>();
    world_->ResizeMap(12, 12);
    const TTerrainType* floor = world_->GetGameData().FindTerrainType("Floor");
    ASSERT_NE(floor, nullptr);
    ASSERT_TRUE(floor->IsGround());
    for (int32_t y = 0; y < 12; ++y) {
      for (int32_t x = 0; x < 12; ++x) {
        world_->Add(std::make_unique<TTerrainObject>(
            *floor, TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f), 0.0f));
      }
    }
  }
  void TearDown() override {
    world_.reset();
    DestroyGameDataConfig();
  }

  GooExplosion& Burst(const TVector3& centre, float radius) {
    auto explosion = std::make_unique<GooExplosion>(centre, radius, kStart);
    GooExplosion& placed = *explosion;
    world_->Add(std::move(explosion));
    return placed;
  }

  static const TPendingGoo* PendingAt(const GooExplosion& explosion, float x, float y) {
    for (const TPendingGoo& goo : explosion.GetPendingGoo()) {
      if (std::fabs(goo.position.x - x) < 1e-4f && std::fabs(goo.position.y - y) < 1e-4f) return &goo;
    }
    return nullptr;
  }

  int32_t PatchesAt(float x, float y) const {
    int32_t count = 0;
    const TGooList& goo = world_->GetGoo();
    for (int32_t i = 0; i < goo.Count(); ++i) {
      const TVector3& p = goo.GetAt(i)->Position();
      if (std::fabs(p.x - x) < 1e-4f && std::fabs(p.y - y) < 1e-4f) ++count;
    }
    return count;
  }

  TTempFolder folder_;
  std::unique_ptr<TWorld> world_;
};

TEST_F(GooSpreadTest, TheWorldUpdateSpreadsGooOnTheHalfGridWithinTheRadiusNearestFirst) {
  GooExplosion& explosion = Burst(TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  world_->Update(kStart);
  ASSERT_TRUE(explosion.HasSpread());

  // Every half-grid point within 1.0 of the centre: the nine around the
  // centre's own tile as the burst lands, the four a whole square away when
  // the front reaches their tiles.
  struct Expected {
    float x, y, due;
  };
  const float ring = kStart + 1.0f / 3.0f;
  const std::vector<Expected> expected = {
      {4.5f, 4.5f, kStart}, {5.0f, 4.5f, kStart}, {5.5f, 4.5f, kStart}, {4.5f, 5.0f, kStart}, {5.0f, 5.0f, kStart},
      {5.5f, 5.0f, kStart}, {4.5f, 5.5f, kStart}, {5.0f, 5.5f, kStart}, {5.5f, 5.5f, kStart}, {4.0f, 5.0f, ring},
      {6.0f, 5.0f, ring},   {5.0f, 4.0f, ring},   {5.0f, 6.0f, ring}};
  EXPECT_EQ(explosion.GetPendingGoo().size(), expected.size());
  for (const Expected& e : expected) {
    const TPendingGoo* goo = PendingAt(explosion, e.x, e.y);
    ASSERT_NE(goo, nullptr) << e.x << "," << e.y;
    EXPECT_NEAR(goo->time, e.due, 1e-5f) << e.x << "," << e.y;
    EXPECT_FLOAT_EQ(goo->position.z, 0.0f);
  }
}

TEST_F(GooSpreadTest, GooReachedAtDistanceZeroPointSixIsDueAFifthAfterTheBurst) {
  GooExplosion& explosion = Burst(TVector3(5.0f, 5.6f, 0.0f), 1.0f);
  world_->GetGooExplosions().Update(*world_);
  const TPendingGoo* goo = PendingAt(explosion, 5.0f, 5.0f);
  ASSERT_NE(goo, nullptr);
  EXPECT_NEAR(goo->time, kStart + 0.2f, 1e-5f);
  for (const TPendingGoo& pending : explosion.GetPendingGoo()) {
    EXPECT_LE(pending.position.DistanceTo(explosion.Position()), 1.0f + 1e-5f);
  }
}

TEST_F(GooSpreadTest, SpreadsOnlyOnce) {
  GooExplosion& explosion = Burst(TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  world_->GetGooExplosions().Update(*world_);
  explosion.DropDueHits(kStart + 1.0f);
  ASSERT_TRUE(explosion.GetPendingGoo().empty());
  world_->GetGooExplosions().Update(*world_);
  EXPECT_TRUE(explosion.GetPendingGoo().empty());
}

TEST_F(GooSpreadTest, AWallEndsTheRaysThatMeetItAndTakesNoGoo) {
  const TTerrainType* wall = world_->GetGameData().FindTerrainType("Wall");
  ASSERT_NE(wall, nullptr);
  world_->Add(std::make_unique<TTerrainObject>(*wall, TVector3(6.0f, 5.0f, 0.0f), 0.0f));
  GooExplosion& explosion = Burst(TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  world_->GetGooExplosions().Update(*world_);
  EXPECT_EQ(PendingAt(explosion, 6.0f, 5.0f), nullptr);
  EXPECT_NE(PendingAt(explosion, 4.0f, 5.0f), nullptr);
  EXPECT_EQ(explosion.GetPendingGoo().size(), 12u);
}

TEST_F(GooSpreadTest, ABurstHighAboveTheGroundLaysNoGoo) {
  GooExplosion& high = Burst(TVector3(5.0f, 5.0f, 3.0f), 1.0f);
  world_->GetGooExplosions().Update(*world_);
  EXPECT_TRUE(high.HasSpread());
  EXPECT_TRUE(high.GetPendingGoo().empty());
}

struct SnapCase {
  float x, y, snappedX, snappedY;
};

class GooLandingTest : public GooSpreadTest, public ::testing::WithParamInterface<SnapCase> {};

TEST_P(GooLandingTest, DueGooLandsSnappedToTheHalfGrid) {
  const SnapCase& c = GetParam();
  GooExplosion& explosion = Burst(TVector3(3.0f, 3.0f, 0.0f), 1.0f);
  explosion.SetSpread(true);
  explosion.AddPendingGoo(TVector3(c.x, c.y, 0.0f), kStart + 0.1f);
  world_->AddNewObjects(kStart + 0.1f);
  ASSERT_EQ(world_->GetGoo().Count(), 1);
  const TVector3& laid = world_->GetGoo().GetAt(0)->Position();
  EXPECT_FLOAT_EQ(laid.x, c.snappedX);
  EXPECT_FLOAT_EQ(laid.y, c.snappedY);
  EXPECT_FLOAT_EQ(static_cast<const Goo*>(world_->GetGoo().GetAt(0))->GetStartTime(), kStart + 0.1f);
}

INSTANTIATE_TEST_SUITE_P(Points, GooLandingTest,
                         ::testing::Values(SnapCase{3.26f, 3.74f, 3.5f, 3.5f}, SnapCase{3.24f, 2.74f, 3.0f, 2.5f},
                                           SnapCase{0.26f, 0.24f, 0.5f, 0.0f}));

TEST_F(GooSpreadTest, FreshGooOnAPatchRenewsItInsteadOfLayingASecond) {
  auto old = std::make_unique<Goo>(TVector3(5.0f, 5.0f, 0.0f), 0.5f);
  Goo& patch = *old;
  world_->Add(std::move(old));
  patch.TakeDamage(4.0f);
  Burst(TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  world_->Update(kStart);

  // The tick of the burst: the patch is renewed, the bare ground gets goo.
  TEventVector events;
  world_->GetGooExplosions().CollectDamage(kStart, *world_, events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->TypeName(), TRenewGooEvent::kTypeName);
  EXPECT_FLOAT_EQ(events[0]->GetTime(), kStart);
  EXPECT_EQ(static_cast<const TRenewGooEvent&>(*events[0]).GetGooId(), patch.GetId());
  events[0]->Apply();
  EXPECT_FLOAT_EQ(patch.GetStartTime(), kStart);
  EXPECT_FLOAT_EQ(patch.GetDamageTaken(), 0.0f);
  world_->AddNewObjects(kStart);
  EXPECT_EQ(PatchesAt(5.0f, 5.0f), 1);
  EXPECT_EQ(world_->GetGoo().Count(), 9);

  // A third of a unit later the front reaches the next squares: no patch
  // lies there, so nothing is renewed and four new patches are laid.
  const float later = kStart + 0.34f;
  events.clear();
  world_->GetGooExplosions().CollectDamage(later, *world_, events);
  EXPECT_TRUE(events.empty());
  world_->AddNewObjects(later);
  EXPECT_EQ(world_->GetGoo().Count(), 13);
  EXPECT_EQ(PatchesAt(6.0f, 5.0f), 1);
}

TEST_F(GooSpreadTest, GooNotYetDueIsNeitherRenewedNorLaid) {
  world_->Add(std::make_unique<Goo>(TVector3(6.0f, 5.0f, 0.0f), 0.5f));
  GooExplosion& explosion = Burst(TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  world_->Update(kStart);
  TEventVector events;
  world_->GetGooExplosions().CollectDamage(kStart + 0.3f, *world_, events);
  EXPECT_TRUE(events.empty());
  ASSERT_NE(PendingAt(explosion, 6.0f, 5.0f), nullptr);
}

// --- the goo-damage clock ---------------------------------------------------------------

TEST_F(GooSpreadTest, GooDamageFollowsTheClock) {
  TGooList& goo = world_->GetGoo();
  EXPECT_FLOAT_EQ(goo.GooDamageSince(2.5f), 0.0f);
  goo.StartGooClock(2.0f);
  EXPECT_NEAR(goo.GooDamageSince(2.5f), 0.1f, 1e-6f);
  goo.StartGooClock(2.5f);
  EXPECT_NEAR(goo.GooDamageSince(2.55f), 0.01f, 1e-6f);
}

TEST_F(GooSpreadTest, ALoadedWorldsFirstTickDealsNoGooDamage) {
  world_->Add(std::make_unique<Goo>(TVector3(5.0f, 5.0f, 0.0f), 1.0f));
  world_->GetGoo().StartGooClock(2.0f);
  TDataStream stream("Vorhelm-3-10");
  ASSERT_TRUE(world_->Save(stream));
  stream.Rewind();

  // Loading into a world whose clock runs: the clock is cleared all the same.
  world_->GetGoo().StartGooClock(1.0f);
  ASSERT_TRUE(world_->Load(stream));
  ASSERT_EQ(world_->GetGoo().Count(), 1);
  EXPECT_FALSE(world_->GetGoo().IsGooClockSet());
  EXPECT_FLOAT_EQ(world_->GetGoo().GooDamageSince(2.5f), 0.0f);
}

}  // namespace
