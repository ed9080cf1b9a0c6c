#include "units/warp_attack_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/projectile.h"
#include "sim/resolver_test_world.h"
#include "units/order_test_world.h"
#include "sim/unit_events.h"
#include "support/vector_expect.h"
#include "units/order_factory.h"
#include "units/order_list.h"
#include "units/weapon.h"

namespace {

class WarpAttackOrderTest : public order_test::OrderWorldTest {
 protected:
  void SetUp() override {
    OrderWorldTest::SetUp();
    gunner_ = &Unit("Warp Gunner", 0, TVector3(2.0f, 2.0f, 0.0f));
  }

  TWarpAttackOrder* Add(const TVector3& target) {
    auto order = std::make_unique<TWarpAttackOrder>(gunner_->GetId(), *resolver_, target);
    TWarpAttackOrder* added = order.get();
    list_.Add(std::move(order));
    return added;
  }

  // "Animation" events by state, the others by type; turns to face left out.
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const TEvent& event = *events_.GetEvent(i);
      if (event.TypeName() == TFacingEvent::kTypeName) continue;
      const auto* animation = dynamic_cast<const TAnimationEvent*>(&event);
      kinds.push_back(animation != nullptr ? animation->GetState() : std::string(event.TypeName()));
    }
    return kinds;
  }

  Combatant* gunner_ = nullptr;
};

TEST_F(WarpAttackOrderTest, PointsAreAddedOnlyWhenTheRouteMovesOnTheGround) {
  TWarpAttackOrder* order = Add(TVector3(8.0f, 2.0f, 1.0f));
  EXPECT_EQ(order->Name(), "WarpAttack");
  ExpectNear(order->EndPoint(), TVector3(8.0f, 2.0f, 1.0f));
  order->AddPoint(TVector3(8.0f, 6.0f, 1.0f));
  order->AddPoint(TVector3(8.0f, 6.0f, 1.0f));      // the same point again
  order->AddPoint(TVector3(8.00005f, 6.0f, 3.0f));  // the same place on the ground
  order->AddPoint(TVector3(4.0f, 6.0f, 1.0f));
  ASSERT_EQ(order->GetExtraPoints().size(), 2u);
  ExpectNear(order->GetExtraPoints()[0], TVector3(8.0f, 6.0f, 1.0f));
  ExpectNear(order->EndPoint(), TVector3(4.0f, 6.0f, 1.0f));
  // A first point that repeats the target point is not added either.
  TWarpAttackOrder* other = Add(TVector3(9.0f, 9.0f, 1.0f));
  other->AddPoint(TVector3(9.0f, 9.0f, 0.0f));
  EXPECT_TRUE(other->GetExtraPoints().empty());

  // From the unit's place through the route: sqrt(36 + 1) + 4 + 4.
  EXPECT_NEAR(order->RouteLength(), std::sqrt(37.0f) + 8.0f, 1e-4f);
  EXPECT_FLOAT_EQ(order->PlannedTime(), gunner_->GetAimTime());
}

TEST_F(WarpAttackOrderTest, TheMarkerHasOneTintedLegPerStretchOfTheRoute) {
  TWarpAttackOrder* order = Add(TVector3(8.0f, 2.0f, 1.0f));
  const TAttackMarker& marker = *order->GetMarker();
  EXPECT_EQ(marker.GetName(), "WarpAttack");
  ASSERT_NE(marker.GetColour(), nullptr);
  EXPECT_FLOAT_EQ(marker.GetColour()->r, 0.8f);
  EXPECT_FLOAT_EQ(marker.GetColour()->g, 0.2f);
  EXPECT_FLOAT_EQ(marker.GetColour()->b, 0.2f);
  EXPECT_FLOAT_EQ(marker.GetColour()->a, 1.0f);
  ASSERT_EQ(marker.LegCount(), 1);
  order->AddPoint(TVector3(8.0f, 6.0f, 1.0f));
  order->AddPoint(TVector3(4.0f, 6.0f, 1.0f));
  ASSERT_EQ(marker.LegCount(), 3);
  struct Leg {
    TVector3 from;
    TVector3 to;
  };
  const Leg legs[] = {{TVector3(2.0f, 2.0f, 0.0f), TVector3(8.0f, 2.0f, 1.0f)},
                      {TVector3(8.0f, 2.0f, 1.0f), TVector3(8.0f, 6.0f, 1.0f)},
                      {TVector3(8.0f, 6.0f, 1.0f), TVector3(4.0f, 6.0f, 1.0f)}};
  for (int32_t k = 0; k < 3; ++k) {
    const Leg& leg = legs[k];
    for (int i = 0; i < TAttackMarker::kPartCount; ++i) {
      const TAttackMarker::TPart& part = marker.Leg(k)[static_cast<std::size_t>(i)];
      ExpectNear(part.from, TVector3(leg.from.x, leg.from.y, i < 2 ? 0.75f : 0.0f));
      ExpectNear(part.to, leg.to);
    }
  }
  list_.ShowMarkers(gunner_->GetId());
  EXPECT_TRUE(marker.IsShown());
  list_.ShowMarkers(-1);
  EXPECT_FALSE(marker.IsShown());
}

TEST_F(WarpAttackOrderTest, TakingTheOrderBackRemovesItsPointsOneByOneFirst) {
  TWarpAttackOrder* order = Add(TVector3(8.0f, 2.0f, 1.0f));
  order->AddPoint(TVector3(8.0f, 6.0f, 1.0f));
  order->AddPoint(TVector3(4.0f, 6.0f, 1.0f));
  list_.Cancel(*gunner_);
  ASSERT_EQ(list_.LastOrder(gunner_->GetId()), order);
  ASSERT_EQ(order->GetExtraPoints().size(), 1u);
  ExpectNear(order->EndPoint(), TVector3(8.0f, 6.0f, 1.0f));
  EXPECT_EQ(order->GetMarker()->LegCount(), 2);
  list_.Cancel(*gunner_);
  ASSERT_EQ(list_.LastOrder(gunner_->GetId()), order);
  EXPECT_TRUE(order->GetExtraPoints().empty());
  EXPECT_EQ(order->GetMarker()->LegCount(), 1);
  list_.Cancel(*gunner_);
  EXPECT_EQ(list_.LastOrder(gunner_->GetId()), nullptr);
  EXPECT_EQ(list_.GetChainCount(), 0);
}

TEST_F(WarpAttackOrderTest, TheEventsCarryTheShotTimeAndTheRouteStartsAtTheFiringTick) {
  TWarpAttackOrder* order = Add(TVector3(8.0f, 2.0f, 1.0f));
  order->AddPoint(TVector3(8.0f, 6.0f, 1.0f));
  order->SetAimJitter(0.05f);
  EXPECT_TRUE(order->CanShoot());
  const TWeapon& weapon = *gunner_->GetWeapon();
  const float start = 1.0f;
  const float shot = start + gunner_->GetAimTime() + 0.05f - TAttackOrder::kShotLead;
  float firingTick = -1.0f;
  for (float t = start; t < start + 5.0f && list_.HasOrders(gunner_->GetId()); t += 0.2f) {
    list_.RunTick(t);
    if (firingTick < 0.0f && weapon.HeldShotCount() > 0) firingTick = t;
  }
  EXPECT_FALSE(list_.HasOrders(gunner_->GetId()));
  // The ticks do not fall on the shot time, so the two times differ.
  ASSERT_GT(firingTick, shot + 1e-3f);
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim", "Fire", "Ammo", "Stand"}));
  for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
    const TEvent& event = *events_.GetEvent(i);
    if (event.TypeName() == TAmmoEvent::kTypeName) {
      EXPECT_NEAR(event.GetTime(), shot, 1e-5f);
    }
  }
  ASSERT_EQ(weapon.HeldShotCount(), 1);
  const auto& volley = static_cast<const Projectile&>(*weapon.HeldShot(0));
  EXPECT_FLOAT_EQ(volley.GetTrajectory().GetStartTime(), firingTick);
  // One leg per point of the route, the first arriving after the route began.
  ASSERT_EQ(volley.GetPathTimes().size(), 2u);
  EXPECT_GT(volley.GetPathTimes()[0], firingTick);
  EXPECT_NEAR(volley.GetPathTimes()[1] - volley.GetPathTimes()[0], 4.0f / weapon.GetSpeed(), 1e-4f);
}

TEST_F(WarpAttackOrderTest, ATargetPointInsideTheUnitsRadiusStopsTheAttack) {
  // At x = 0 the distance along x is the radius exactly.
  Combatant& gunner = Unit("Warp Gunner", 0, TVector3(0.0f, 8.0f, 0.0f));
  const TVector3 firing = gunner.GetFiringPoint();
  const float radius = gunner.GetRadius();
  TWarpAttackOrder order(gunner.GetId(), *resolver_, TVector3(8.0f, 8.0f, 1.0f));
  struct Case {
    TVector3 point;
    bool valid;
  };
  const Case cases[] = {
      {TVector3(radius * 0.5f, firing.y, firing.z), false},
      {TVector3(radius, firing.y, firing.z), true},  // only a shorter distance is inside
      {TVector3(radius * 2.0f, firing.y, firing.z), true},
      {firing, false},
  };
  for (const Case& c : cases) {
    order.SetTargetPoint(c.point);
    EXPECT_EQ(order.IsUnitValid(), c.valid) << c.point.x;
  }

  // In a chain the order ends at once, without a shot.
  auto inside = std::make_unique<TWarpAttackOrder>(gunner.GetId(), *resolver_,
                                                   TVector3(radius * 0.5f, firing.y, firing.z));
  list_.Add(std::move(inside));
  list_.RunTick(1.0f);
  EXPECT_FALSE(list_.HasOrders(gunner.GetId()));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Stand"}));
}

TEST_F(WarpAttackOrderTest, TheOrderIsKnownByItsTargetPointOnTheGround) {
  TWarpAttackOrder order(gunner_->GetId(), *resolver_, TVector3(8.0f, 2.0f, 1.0f));
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"x", "y"}, false},
      {{"x", "y", "WarpAttack"}, true},
      {{"x", "y", "WarpAttack", "8,2"}, true},
      {{"x", "y", "WarpAttack", "8,2,5"}, true},
      {{"x", "y", "WarpAttack", "8.001,2"}, false},
      {{"x", "y", "AttackPosition", "8,2"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(order.IsSameOrder(c.tokens), c.same) << c.tokens.back();
}

TEST_F(WarpAttackOrderTest, TheRouteTravelsThroughTheOrdersStream) {
  TWarpAttackOrder* order = Add(TVector3(8.0f, 2.0f, 1.0f));
  order->AddPoint(TVector3(8.0f, 6.0f, 1.0f));
  order->AddPoint(TVector3(4.0f, 6.0f, 0.5f));
  for (const char* tag : {"Vorhelm-1-058", "Vorhelm-3-10"}) {
    TDataStream stream(tag);
    list_.WriteOrders(stream);
    const bool counted = stream.GetVersion() < 1.059f;
    stream.Rewind();
    EXPECT_EQ(stream.ReadString(), "WarpAttack");
    EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), gunner_->GetId());
    if (counted) {
      EXPECT_EQ(stream.ReadInt(), 3u);
    }
    EXPECT_FLOAT_EQ(stream.ReadFloat(), 8.0f);
    stream.ReadFloat();
    stream.ReadFloat();
    EXPECT_EQ(stream.ReadInt(), 2u);

    TOrderVector out;
    stream.Rewind();
    TRawIdMapper ids;
    ASSERT_TRUE(TOrderList::ReadOrders(out, *resolver_, ids, stream)) << tag;
    ASSERT_EQ(out.size(), 1u);
    const auto& read = dynamic_cast<const TWarpAttackOrder&>(*out[0]);
    ExpectNear(read.GetTargetPoint(), TVector3(8.0f, 2.0f, 1.0f));
    ASSERT_EQ(read.GetExtraPoints().size(), 2u);
    ExpectNear(read.GetExtraPoints()[1], TVector3(4.0f, 6.0f, 0.5f));
    EXPECT_EQ(read.GetMarker()->LegCount(), 3);
  }
}

TEST_F(WarpAttackOrderTest, ACountTheDataCannotHoldRejectsTheStream) {
  struct Case {
    uint32_t count;
    int points;
  };
  // Negative, far too large, and one more than the data holds.
  const Case cases[] = {{0xFFFFFFFFu, 0}, {0x40000000u, 1}, {3u, 2}};
  for (const Case& c : cases) {
    TDataStream stream;
    stream.WriteString("WarpAttack");
    stream.WriteInt(static_cast<uint32_t>(gunner_->GetId()));
    TVector3(8.0f, 2.0f, 1.0f).Write(stream);
    stream.WriteInt(c.count);
    for (int i = 0; i < c.points; ++i) TVector3(1.0f, 1.0f, 1.0f).Write(stream);
    stream.WriteString("End");
    stream.Rewind();
    TOrderVector out;
    TRawIdMapper ids;
    EXPECT_FALSE(TOrderList::ReadOrders(out, *resolver_, ids, stream)) << c.count;
    EXPECT_TRUE(stream.HasFailed());
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
