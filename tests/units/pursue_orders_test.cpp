#include "units/pursue_orders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/config_parser.h"
#include "sim/corpse.h"
#include "sim/event.h"
#include "sim/unit_events.h"
#include "units/combatant.h"
#include "units/order_test_world.h"
#include "units/weapon.h"

namespace {

TVector3 Plus(TVector3 a, const TVector3& b) {
  a.Add(b);
  return a;
}

class PursueOrderTest : public order_test::OrderWorldTest {
 protected:
  void SetUp() override {
    OrderWorldTest::SetUp();
    hunter_ = &Unit("Grunt", 0, TVector3(2, 5, 0));
  }

  Combatant& Enemy(const TVector3& at, bool seen = true) {
    Combatant& enemy = Unit("Grunt", 1, at);
    enemy.SetFlag(0, seen);
    return enemy;
  }
  // A Grunt carrying a weapon of the range, for player 0.
  Combatant& Shooter(float range, const TVector3& at) {
    const std::string text = "[Short]\nWeapon Range = " + std::to_string(range) +
                             "\nWeapon Speed = 250\nDamage = 10\nExplosive Radius = 0\n"
                             "Damage Effect = Bullet\nAmmunition = 40\n";
    TConfigParser parser(text, true);
    weapon_ = std::make_unique<TWeaponType>(parser);
    const TGameData& data = world_->GetGameData();
    auto unit = std::make_unique<Combatant>(*data.FindUnitType("Grunt"), weapon_.get(), 0, at, 0.0f);
    Combatant* placed = unit.get();
    world_->Add(std::move(unit));
    return *placed;
  }

  std::vector<std::string> Animations(std::string_view state) const {
    std::vector<std::string> lines;
    for (const std::string& line : Journal()) {
      if (line.rfind("Animation", 0) == 0 && line.size() >= state.size() &&
          line.compare(line.size() - state.size(), state.size(), state) == 0) {
        lines.push_back(line);
      }
    }
    return lines;
  }
  std::vector<float> Shots() const {
    std::vector<float> times;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const auto* animation = dynamic_cast<const TAnimationEvent*>(events_.GetEvent(i));
      if (animation != nullptr && animation->GetState() == "Fire") times.push_back(animation->GetTime());
    }
    return times;
  }

  Combatant* hunter_ = nullptr;
  std::unique_ptr<TWeaponType> weapon_;
};

TEST_F(PursueOrderTest, ShootsFromHalfItsRangeOrItsWholeRangeWhenHalfIsShort) {
  struct Case {
    const char* name;
    float weaponRange;
    float distance;
    bool shoots;
  };
  const Case cases[] = {
      {"range 3: just inside", 3.0f, 2.99f, true}, {"range 3: exactly at range", 3.0f, 3.0f, false},
      {"range 10: below half", 10.0f, 4.99f, true}, {"range 10: at half", 10.0f, 5.0f, false},
      {"range 10: beyond half", 10.0f, 6.0f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.Clear();
    Combatant& shooter = Shooter(c.weaponRange, TVector3(2, 2, 0));
    Combatant& target = Enemy(TVector3(2 + c.distance, 2, 0));
    TPursueOrder pursue(shooter.GetId(), *resolver_, target.GetId(), *world_);
    EXPECT_EQ(pursue.ActAtTarget(1.0f), c.shoots);
    EXPECT_EQ(pursue.IsAiming(), c.shoots);
    world_->Remove(&target);
    world_->Remove(&shooter);
  }
}

TEST_F(PursueOrderTest, FiresOncePerAimTimeHalfATimeUnitBeforeEachCycleEnds) {
  Combatant& target = Enemy(TVector3(5, 5, 0));
  TPursueOrder pursue(hunter_->GetId(), *resolver_, target.GetId(), *world_);
  const float aim = hunter_->GetAimTime();
  ASSERT_FLOAT_EQ(aim, 1.0f);
  ASSERT_TRUE(pursue.ActAtTarget(1.0f));
  const float jitter = pursue.GetJitter();
  EXPECT_GE(jitter, -0.1f);
  EXPECT_LT(jitter, 0.1f);
  EXPECT_FLOAT_EQ(pursue.GetCycleStart(), 1.0f);
  EXPECT_TRUE(Shots().empty());
  // 0.4 before the cycle's end: the shot is due, stamped 0.5 before it.
  ASSERT_TRUE(pursue.ActAtTarget(1.6f + jitter));
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_NEAR(Shots()[0], 1.5f + jitter, 1e-4f);
  EXPECT_TRUE(pursue.HasFired());
  // Past the end: the next cycle starts where this one ended.
  ASSERT_TRUE(pursue.ActAtTarget(2.1f + jitter));
  EXPECT_NEAR(pursue.GetCycleStart(), 2.0f + jitter, 1e-4f);
  EXPECT_FALSE(pursue.HasFired());
  EXPECT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Animations("Aim").size(), 1u);
}

TEST_F(PursueOrderTest, AnEmptyWeaponFollowsButNeverFiresAndStands) {
  Combatant& target = Enemy(TVector3(5, 5, 0));
  TPursueOrder pursue(hunter_->GetId(), *resolver_, target.GetId(), *world_);
  ASSERT_TRUE(pursue.ActAtTarget(1.0f));
  ASSERT_TRUE(pursue.IsAiming());
  hunter_->SpendAmmunition(static_cast<float>(hunter_->GetWeapon()->GetAmmunition()));
  ASSERT_LT(hunter_->GetWeapon()->GetAmmunition(), hunter_->GetWeapon()->GetAmmoPerShot());
  EXPECT_TRUE(pursue.ActAtTarget(1.7f));
  EXPECT_FALSE(pursue.IsAiming());
  EXPECT_EQ(Animations("Stand").size(), 1u);
  EXPECT_TRUE(pursue.ActAtTarget(2.5f));
  EXPECT_TRUE(Shots().empty());
}

TEST_F(PursueOrderTest, ATargetOutOfPositionEndsTheCycle) {
  Combatant& target = Enemy(TVector3(5, 5, 0));
  TPursueOrder pursue(hunter_->GetId(), *resolver_, target.GetId(), *world_);
  ASSERT_TRUE(pursue.ActAtTarget(1.0f));
  target.SetFlag(0, false);
  EXPECT_FALSE(pursue.ActAtTarget(1.2f));
  EXPECT_FALSE(pursue.IsAiming());
  EXPECT_EQ(Animations("Stand").size(), 1u);
  // Not aiming: nothing more to stop.
  EXPECT_FALSE(pursue.ActAtTarget(1.3f));
  EXPECT_EQ(Animations("Stand").size(), 1u);
}

TEST_F(PursueOrderTest, IsOverOnceTheTargetIsLostOrDeadWhereItWasLastSeen) {
  struct Case {
    const char* name;
    bool seen;
    bool corpse;
    TVector3 hunterAt;  // relative to the place the target was last seen
    bool over;
  };
  const Case cases[] = {
      {"seen", true, false, TVector3(-3, 0, 0), false},
      {"unseen, far", false, false, TVector3(-3, 0, 0), false},
      {"unseen, arrived", false, false, TVector3(0, 0.4f, 0), true},
      {"dead where last seen", false, true, TVector3(-3, 0, 0), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Combatant& target = Enemy(TVector3(8, 8, 0));
    TPursueOrder pursue(hunter_->GetId(), *resolver_, target.GetId(), *world_);
    const TVector3 last = *pursue.GetLastTargetPosition();
    hunter_->SetPosition(Plus(last, c.hunterAt));
    target.SetFlag(0, c.seen);
    if (c.corpse) {
      world_->Add(std::make_unique<Corpse>(last, target.GetType(), 0, 1.0f, 1));
      world_->Remove(&target);
    }
    EXPECT_EQ(pursue.IsOver(), c.over);
    if (c.corpse) {
      TCorpseList& corpses = world_->GetCorpses();
      corpses.Remove(corpses.At(0));
    } else {
      world_->Remove(&target);
    }
  }
  // A target that never existed leaves nowhere to look.
  EXPECT_TRUE(TPursueOrder(hunter_->GetId(), *resolver_, 9999, *world_).IsOver());
}

TEST_F(PursueOrderTest, RoundTripsThroughTheOrdersStream) {
  Combatant& target = Enemy(TVector3(9, 5, 0));
  TPursueOrder* pursue = Add(std::make_unique<TPursueOrder>(hunter_->GetId(), *resolver_, target.GetId(), *world_));
  EXPECT_EQ(pursue->Name(), "Pursue");
  EXPECT_FLOAT_EQ(pursue->PlannedTime(), 10.0f);
  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 1u);
  const auto* back = dynamic_cast<const TPursueOrder*>(read[0].get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetUnitId(), hunter_->GetId());
  EXPECT_EQ(back->GetTargetId(), target.GetId());
}

TEST_F(PursueOrderTest, APursuerWalksUpAndShootsThroughTheOrderList) {
  Combatant& target = Enemy(TVector3(10, 5, 0));
  Add(std::make_unique<TPursueOrder>(hunter_->GetId(), *resolver_, target.GetId(), *world_));
  for (float t = 0.1f; t < 6.0f; t += 0.1f) {
    world_->Update(t);
    list_.RunTick(t);
  }
  // It closed in below half its range and fired.
  EXPECT_LT(hunter_->Position().DistanceTo(target.Position()), TPursueOrder::ShootingRange(*hunter_));
  EXPECT_FALSE(Shots().empty());
  EXPECT_TRUE(list_.HasOrders(hunter_->GetId()));
}

}  // namespace
