#include "units/deploy_orders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/resolver_test_world.h"
#include "sim/unit_events.h"
#include "support/vector_expect.h"
#include "units/order_factory.h"
#include "units/order_list.h"
#include "units/combatant_list.h"
#include "units/order_test_world.h"
#include "units/test_orders.h"
#include "units/unit_type.h"

namespace {

using order_test::TTestOrder;
using order_test::TTestOrderReaders;

const TVector3 kSpot(4.5f, 6.5f, 0.0f);

class DeployOrdersTest : public order_test::OrderWorldTest {
 protected:
  std::unique_ptr<TDeployOrder> MakeDeploy(const std::string& type, int32_t player = 1,
                                           const TVector3& at = kSpot) {
    return std::make_unique<TDeployOrder>(type, player, *resolver_, at);
  }
  // "Name" orders are made only from their stream form.
  std::unique_ptr<TNameOrder> MakeName(int32_t unitId, const std::string& name) {
    TDataStream stream;
    stream.WriteInt(static_cast<uint32_t>(unitId));
    stream.WriteString(name);
    stream.Rewind();
    TRawIdMapper ids;
    return std::make_unique<TNameOrder>(stream, *resolver_, ids);
  }

};

// --- Deploy ----------------------------------------------------------------------------------

TEST_F(DeployOrdersTest, DeployPlacesTheUnitAndTakesItsId) {
  auto order = MakeDeploy("Grunt", 1);
  order->SetUnitName("Brask");
  EXPECT_EQ(order->GetUnitId(), -1);
  EXPECT_FALSE(order->IsActive());

  EXPECT_TRUE(order->Update(2.0f));

  EXPECT_TRUE(order->IsActive());
  Combatant* unit = order->GetUnit();
  ASSERT_NE(unit, nullptr);
  EXPECT_NE(order->GetUnitId(), -1);
  EXPECT_EQ(unit->GetId(), order->GetUnitId());
  EXPECT_EQ(unit->GetOwner(), 1);
  EXPECT_EQ(unit->GetName(), "Brask");
  EXPECT_EQ(unit->GetType().GetName(), "Grunt");
  ExpectNear(unit->Position(), kSpot);
  EXPECT_EQ(RecordedTypes(), (resolver_test::Names{"Vision"}));

  // Done once: a further run places nothing more.
  const int32_t units = world_->GetUnits().Count();
  EXPECT_TRUE(order->Update(2.5f));
  EXPECT_EQ(world_->GetUnits().Count(), units);
}

TEST_F(DeployOrdersTest, DeployThatCannotPlaceItsUnitTriesAgainEveryUpdate) {
  TDeployOrder* deploy = MakeDeploy("No Such Unit").release();
  list_.Add(std::unique_ptr<TOrder>(deploy));
  auto follower = std::make_unique<TTestOrder>(-1, *resolver_, "after", TTestOrder::kAtOnce);
  TTestOrder* after = follower.get();
  list_.Add(std::move(follower));

  for (float now : {1.0f, 2.0f, 3.0f}) {
    list_.RunTick(now);
    EXPECT_FALSE(deploy->IsActive()) << now;
    EXPECT_EQ(deploy->GetUnitId(), -1) << now;
    EXPECT_TRUE(list_.HasOrders(-1)) << now;
  }
  EXPECT_TRUE(after->Times().empty());
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(DeployOrdersTest, TakingBackADeployHandsThePlacedUnitBack) {
  list_.Add(MakeDeploy("Grunt", 0));
  list_.RunTick(1.0f);
  TOrder* deploy = list_.LastOrder(list_.GetChain(0)->UnitId());
  ASSERT_NE(deploy, nullptr);
  Combatant* unit = deploy->GetUnit();
  ASSERT_NE(unit, nullptr);
  const int32_t id = unit->GetId();

  list_.Cancel(*unit);

  EXPECT_EQ(list_.GetChainCount(), 0);
  EXPECT_EQ(world_->GetUnits().FindById(id), nullptr);
}

TEST_F(DeployOrdersTest, TakingBackAnUnplacedDeployLeavesTheWorldAlone) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 1.5f, 0.0f));
  TDeployOrder order("Grunt", 0, *resolver_, kSpot);
  EXPECT_TRUE(order.CanRemove());
  EXPECT_NE(world_->GetUnits().FindById(grunt.GetId()), nullptr);
}

TEST_F(DeployOrdersTest, ResetLetsTheReplayPlaceTheUnitAgainUnderItsId) {
  list_.Add(MakeDeploy("Grunt", 0));
  list_.RunTick(1.0f);
  TOrder* deploy = list_.GetChain(0)->Head();
  const int32_t id = deploy->GetUnitId();
  world_->GetUnits().RemoveById(id);

  list_.Rewind();
  EXPECT_FALSE(deploy->IsActive());
  EXPECT_EQ(deploy->GetUnit(), nullptr);
  list_.RunTick(1.0f);

  EXPECT_TRUE(deploy->IsActive());
  EXPECT_EQ(deploy->GetUnitId(), id);
  EXPECT_NE(world_->GetUnits().FindById(id), nullptr);
}

TEST_F(DeployOrdersTest, CostAndRaceComeFromTheUnitType) {
  for (const std::string type : {"Grunt", "Queen", "Scanner"}) {
    const TUnitType* rules = world_->GetGameData().FindUnitType(type);
    ASSERT_NE(rules, nullptr) << type;
    auto order = MakeDeploy(type);
    EXPECT_EQ(order->GetCost(), rules->GetCost()) << type;
    EXPECT_EQ(order->GetRace(), rules->GetRace()) << type;
  }
  auto unknown = MakeDeploy("No Such Unit");
  EXPECT_EQ(unknown->GetCost(), 0.0f);
  EXPECT_EQ(unknown->GetRace(), "");
}

TEST_F(DeployOrdersTest, DeployStartsAndEndsAtItsPosition) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 1.5f, 0.0f));
  list_.Add(std::make_unique<TTestOrder>(grunt.GetId(), *resolver_, "walk", 1.0f));
  auto order = MakeDeploy("Grunt");
  TDeployOrder* deploy = order.get();
  list_.GetChain(0)->Append(std::move(order));
  ExpectNear(deploy->StartPosition(), kSpot);
  ExpectNear(deploy->EndPosition(), kSpot);
  EXPECT_EQ(deploy->PlannedTime(), 0.0f);
}

TEST_F(DeployOrdersTest, IsSameOrderComparesThePositionStrictlyWithinTheTolerance) {
  auto order = MakeDeploy("Grunt", 0, TVector3(3.0f, 4.0f, 0.0f));
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"order", "7", "Deploy"}, true},
      {{"order", "Deploy"}, false},
      {{"order", "7", "Hold"}, false},
      {{"order", "7", "Deploy", "3,4,0"}, true},
      {{"order", "7", "Deploy", "3,4"}, true},
      {{"order", "7", "Deploy", "3.00005,3.99995,0"}, true},
      {{"order", "7", "Deploy", "3.0002,4,0"}, false},
      {{"order", "7", "Deploy", "3,4,1"}, false},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& token : c.tokens) joined += token + " ";
    EXPECT_EQ(order->IsSameOrder(c.tokens), c.same) << joined;
  }
}

// --- Name ----------------------------------------------------------------------------------------

TEST_F(DeployOrdersTest, NameRecordsTheNameEventAndNamesTheUnit) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 1.5f, 0.0f));
  auto order = MakeName(grunt.GetId(), "Hadrek");
  EXPECT_FALSE(order->IsActive());
  EXPECT_EQ(order->PlannedTime(), 0.0f);

  EXPECT_TRUE(order->Update(1.75f));

  EXPECT_EQ(grunt.GetName(), "Hadrek");
  EXPECT_TRUE(order->IsActive());
  ASSERT_EQ(events_.GetEventCount(), 1);
  const auto& event = Recorded<TNameEvent>(0);
  EXPECT_EQ(event.GetName(), "Hadrek");
  EXPECT_FLOAT_EQ(event.GetTime(), 1.75f);
  EXPECT_EQ(event.SubjectId(), grunt.GetId());
}

TEST_F(DeployOrdersTest, NameForAGoneUnitEndsWithoutAnEvent) {
  auto order = MakeName(777, "Hadrek");
  EXPECT_TRUE(order->Update(1.0f));
  EXPECT_FALSE(order->IsActive());
  EXPECT_EQ(events_.GetEventCount(), 0);
}

// --- orders stream -----------------------------------------------------------------------------------

TEST_F(DeployOrdersTest, RecordsCarryTheirFieldsInOrder) {
  struct Case {
    std::string tag;
    bool countedPoint;
    bool unitName;
  };
  const Case cases[] = {{"Vorhelm-3-10", false, true}, {"Vorhelm-3-00", false, false}, {"Vorhelm-1-05", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 1.5f, 0.0f));
    auto deploy = MakeDeploy("Grunt", 1);
    deploy->SetUnitName("Brask");
    auto name = MakeName(grunt.GetId(), "Hadrek");

    TDataStream written(c.tag);
    deploy->Write(written);
    name->Write(written);

    TDataStream expected(c.tag);
    expected.WriteString("Deploy");
    expected.WriteInt(static_cast<uint32_t>(-1));
    if (c.countedPoint) expected.WriteInt(3);
    expected.WriteFloat(kSpot.x);
    expected.WriteFloat(kSpot.y);
    expected.WriteFloat(kSpot.z);
    expected.WriteString("Grunt");
    expected.WriteInt(1);
    if (c.unitName) expected.WriteString("Brask");
    expected.WriteString("Name");
    expected.WriteInt(static_cast<uint32_t>(grunt.GetId()));
    expected.WriteString("Hadrek");
    EXPECT_EQ(written.Body(), expected.Body());
  }
}

TEST_F(DeployOrdersTest, DeployAndNameReadBackFromTheStream) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 1.5f, 0.0f));
  auto deploy = MakeDeploy("Queen", 1);
  deploy->SetUnitName("Ysmer");
  list_.Add(std::move(deploy));
  list_.Add(MakeName(grunt.GetId(), "Hadrek"));

  TDataStream stream;
  list_.WriteOrders(stream);
  const TOrderVector read = ReadBack(stream);

  ASSERT_EQ(read.size(), 2u);
  const auto& deployRead = dynamic_cast<const TDeployOrder&>(*read[0]);
  EXPECT_EQ(deployRead.GetUnitId(), -1);
  EXPECT_EQ(deployRead.GetTypeName(), "Queen");
  EXPECT_EQ(deployRead.GetPlayer(), 1);
  ExpectNear(deployRead.GetPosition(), kSpot);
  EXPECT_EQ(deployRead.GetUnitName(), "Ysmer");
  EXPECT_FALSE(deployRead.IsDeployed());
  const auto& nameRead = dynamic_cast<const TNameOrder&>(*read[1]);
  EXPECT_EQ(nameRead.GetUnitId(), grunt.GetId());
  EXPECT_EQ(nameRead.GetName(), "Hadrek");
}

TEST_F(DeployOrdersTest, OlderStreamsReadTheDeployWithoutAUnitName) {
  // A record of version 3.0 ends with the player: the "Hold" entry after it
  // must read as an order of its own.
  TTestOrderReaders holds({"Hold"});
  for (const std::string tag : {"Vorhelm-3-00", "Vorhelm-1-05"}) {
    SCOPED_TRACE(tag);
    Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 1.5f, 0.0f));
    TDataStream stream(tag);
    auto deploy = MakeDeploy("Grunt", 1);
    deploy->SetUnitName("Lost");
    deploy->Write(stream);
    TTestOrder(grunt.GetId(), *resolver_, "hold", 2.0f).Write(stream);
    stream.WriteString("End");

    const TOrderVector read = ReadBack(stream);
    ASSERT_EQ(read.size(), 2u);
    const auto& deployRead = dynamic_cast<const TDeployOrder&>(*read[0]);
    EXPECT_EQ(deployRead.GetUnitName(), "");
    EXPECT_EQ(deployRead.GetPlayer(), 1);
    ExpectNear(deployRead.GetPosition(), kSpot);
    EXPECT_EQ(dynamic_cast<const TTestOrder&>(*read[1]).Label(), "hold");
  }
}

TEST_F(DeployOrdersTest, ADeployWrittenAfterPlacingKeepsItsUnitOnReading) {
  list_.Add(MakeDeploy("Grunt", 0));
  list_.RunTick(1.0f);
  const int32_t id = list_.GetChain(0)->UnitId();
  ASSERT_NE(id, -1);

  TDataStream stream;
  list_.WriteOrders(stream);
  const TOrderVector read = ReadBack(stream);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0]->GetUnitId(), id);
  EXPECT_FALSE(read[0]->IsActive());
}

}  // namespace
