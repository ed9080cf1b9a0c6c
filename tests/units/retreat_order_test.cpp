#include "units/retreat_order.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "units/combatant.h"
#include "units/order_test_world.h"
#include "units/unit_type.h"

namespace {

class RetreatOrderTest : public order_test::OrderWorldTest {
 protected:
  void SetUp() override {
    OrderWorldTest::SetUp();
    unit_ = &Unit("Grunt", 0, TVector3(2, 5, 0));
    reaction_ = unit_->GetType().GetReactionTime();
  }
  std::unique_ptr<TRetreatOrder> Retreat(std::vector<TVector3> points, std::vector<int32_t> ids = {}) {
    return std::make_unique<TRetreatOrder>(unit_->GetId(), *resolver_, std::move(points), std::move(ids), *world_);
  }

  Combatant* unit_ = nullptr;
  float reaction_ = 0.0f;
};

TEST_F(RetreatOrderTest, WaitsItsReactionTimeThenWalksToItsPoint) {
  ASSERT_GT(reaction_, 0.0f);
  const TVector3 start = unit_->Position();
  TRetreatOrder* retreat = Add(Retreat({TVector3(6, 5, 0)}));
  EXPECT_EQ(retreat->Name(), "Retreat");
  EXPECT_FLOAT_EQ(retreat->PlannedTime(), 10.0f);
  Tick(1.0f);
  EXPECT_FLOAT_EQ(retreat->GetReactionStart(), 1.0f);
  // Exactly at the end of the reaction time it still waits.
  Tick(1.0f + reaction_);
  EXPECT_FALSE(retreat->IsMoving());
  EXPECT_TRUE(unit_->GetDestination().IsWithin(start, 1e-4f));
  EXPECT_TRUE(events_.GetEventCount() == 0);

  const float moving = 1.0f + reaction_ + 0.001f;
  Tick(moving);
  EXPECT_TRUE(retreat->IsMoving());
  EXPECT_FLOAT_EQ(unit_->GetTrajectory().GetStartTime(), moving);
  for (float t = moving + 0.1f; t < 12.0f && list_.HasOrders(unit_->GetId()); t += 0.1f) Tick(t);
  EXPECT_FALSE(list_.HasOrders(unit_->GetId()));
  EXPECT_TRUE(unit_->Position().IsWithin(TVector3(6, 5, 0), 1e-4f));
}

TEST_F(RetreatOrderTest, AnOrderWithNothingLeftToWalkFinishesInTheFirstTickAfterTheReactionTime) {
  struct Case {
    const char* name;
    std::vector<TVector3> points;
  };
  // An order without points (a crafted stream) has nowhere to lead.
  const Case cases[] = {{"at its point", {unit_->Position()}}, {"no points", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TRetreatOrder> retreat = Retreat(c.points);
    EXPECT_FALSE(retreat->Update(1.0f));
    EXPECT_FALSE(retreat->Update(1.0f + reaction_));
    EXPECT_TRUE(retreat->Update(1.0f + reaction_ + 0.01f));
  }
}

TEST_F(RetreatOrderTest, TheStreamCarriesItsPointsAndKnownIdsInEveryVersion) {
  for (const char* tag : {"Vorhelm-1-058", "Vorhelm-3-10"}) {
    SCOPED_TRACE(tag);
    std::unique_ptr<TRetreatOrder> retreat = Retreat({TVector3(6, 5, 0), TVector3(7, 8, 0.5f)}, {4, 9, 12});
    TDataStream stream(tag);
    retreat->Write(stream);
    stream.Rewind();
    EXPECT_EQ(stream.ReadString(), "Retreat");
    TRawIdMapper ids;
    TRetreatOrder back(stream, *resolver_, ids);
    EXPECT_FALSE(stream.HasFailed());
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_EQ(back.GetUnitId(), unit_->GetId());
    EXPECT_EQ(back.GetPoints(), retreat->GetPoints());
    EXPECT_EQ(back.GetKnownIds(), retreat->GetKnownIds());
    EXPECT_TRUE(back.GetSecondIds().empty());
    EXPECT_FALSE(back.IsMoving());
  }
}

TEST_F(RetreatOrderTest, CountsBeyondTheStreamFailItAndReadNothing) {
  TDataStream stream;
  stream.WriteInt(static_cast<uint32_t>(unit_->GetId()));
  stream.WriteInt(1000000);  // points that are not there
  stream.WriteFloat(1.0f);
  stream.Rewind();
  TRawIdMapper ids;
  TRetreatOrder back(stream, *resolver_, ids);
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_TRUE(back.GetPoints().empty());
  EXPECT_TRUE(back.GetKnownIds().empty());
}

TEST_F(RetreatOrderTest, TheOrdersStreamReadsARetreatAndDropsIt) {
  Add(Retreat({TVector3(6, 5, 0)}, {3}));
  EXPECT_TRUE(RoundTrip().empty());
}

}  // namespace
