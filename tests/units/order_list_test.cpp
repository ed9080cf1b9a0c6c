#include "units/order_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/test_orders.h"
#include "units/unit_test_rules.h"
#include "world/world.h"

namespace {

using order_test::TJournal;
using order_test::TTestOrder;
using order_test::TTestOrderReaders;
using Lines = std::vector<std::string>;

class OrderListTest : public ::testing::Test {
 protected:
  std::unique_ptr<TTestOrder> Make(int32_t unitId, const std::string& label, float end = TTestOrder::kAtOnce,
                                   const std::string& name = "Hold") {
    return std::make_unique<TTestOrder>(unitId, resolver_, label, end, &journal_, name);
  }
  TTestOrder* Add(int32_t unitId, const std::string& label, float end = TTestOrder::kAtOnce,
                  const std::string& name = "Hold") {
    auto order = Make(unitId, label, end, name);
    TTestOrder* added = order.get();
    list_.Add(std::move(order));
    return added;
  }

  Combatant& AddUnit(const TVector3& position) { return order_test::AddGrunt(world_, *data_, position); }

  static std::vector<std::string> Labels(const std::vector<TOrder*>& orders) {
    std::vector<std::string> labels;
    for (const TOrder* order : orders) labels.push_back(static_cast<const TTestOrder*>(order)->Label());
    return labels;
  }
  static std::vector<std::string> Labels(const TOrderVector& orders) {
    std::vector<std::string> labels;
    for (const auto& order : orders) labels.push_back(static_cast<const TTestOrder&>(*order).Label());
    return labels;
  }
  static std::vector<std::string> ChainLabels(const TOrderChain& chain) {
    std::vector<TOrder*> orders;
    for (TOrder* order = chain.Head(); order != nullptr; order = order->Next()) orders.push_back(order);
    return Labels(orders);
  }

  // One entry of the orders stream in the test orders' form.
  static void WriteEntry(TDataStream& stream, const std::string& name, int32_t unitId, const std::string& label,
                         float end = 1.0f) {
    stream.WriteString(name);
    stream.WriteInt(static_cast<uint32_t>(unitId));
    stream.WriteString(label);
    stream.WriteFloat(end);
  }

  TTempFolder folder_;
  unit_test::TUnitWorldMakers makers_;
  std::unique_ptr<TGameData> data_ = unit_test::MakeRules();
  TWorld world_;
  TActionResolver resolver_{world_, nullptr};
  TJournal journal_;
  TOrderList list_;
};

TEST_F(OrderListTest, EachUnitHasOneChainInTheOrderOfItsFirstOrder) {
  Add(7, "7a");
  Add(3, "3a");
  Add(7, "7b");

  ASSERT_EQ(list_.GetChainCount(), 2);
  EXPECT_EQ(list_.GetChain(0)->UnitId(), 7);
  EXPECT_EQ(ChainLabels(*list_.GetChain(0)), (Lines{"7a", "7b"}));
  EXPECT_EQ(list_.GetChain(1)->UnitId(), 3);
  EXPECT_EQ(ChainLabels(*list_.GetChain(1)), (Lines{"3a"}));
  EXPECT_EQ(Labels(list_.CollectOrders()), (Lines{"7a", "7b", "3a"}));

  list_.Add(nullptr);
  EXPECT_EQ(list_.GetChainCount(), 2);
}

TEST_F(OrderListTest, GetChainIsNullOutsideTheChains) {
  Add(7, "7a");
  Add(3, "3a");
  const int32_t indices[] = {-1, 2, 1000};
  for (int32_t index : indices) EXPECT_EQ(list_.GetChain(index), nullptr) << index;
  EXPECT_NE(list_.GetChain(0), nullptr);
  EXPECT_NE(list_.GetChain(1), nullptr);
}

TEST_F(OrderListTest, CancelTakesBackTheUnitsLastOrder) {
  Combatant& lone = AddUnit(TVector3(1.0f, 1.0f, 0.0f));
  Combatant& busy = AddUnit(TVector3(2.0f, 1.0f, 0.0f));
  Combatant& idle = AddUnit(TVector3(3.0f, 1.0f, 0.0f));
  Add(lone.GetId(), "L");
  Add(busy.GetId(), "B1");
  Add(busy.GetId(), "B2");
  Add(busy.GetId(), "B3");

  list_.Cancel(lone);
  ASSERT_EQ(list_.GetChainCount(), 1);
  list_.Cancel(busy);
  EXPECT_EQ(ChainLabels(*list_.GetChain(0)), (Lines{"B1", "B2"}));
  list_.Cancel(idle);
  EXPECT_EQ(list_.GetChainCount(), 1);
  EXPECT_EQ(list_.LastOrder(busy.GetId())->Next(), nullptr);
  EXPECT_EQ(static_cast<TTestOrder*>(list_.LastOrder(busy.GetId()))->Label(), "B2");
}

TEST_F(OrderListTest, CancelUnitOrdersStopsTheChainAfterTheRunningOrder) {
  Add(7, "A", 1.0f);
  Add(7, "B", 5.0f);
  Add(7, "C", 6.0f);
  list_.RunTick(2.0f);
  ASSERT_TRUE(list_.HasOrders(7));

  list_.CancelUnitOrders(7);
  EXPECT_FALSE(list_.HasOrders(7));
  EXPECT_FALSE(list_.HasOrdersInFirstChain(7));
  ASSERT_EQ(list_.GetChainCount(), 1);
  EXPECT_EQ(ChainLabels(*list_.GetChain(0)), (Lines{"A", "B"}));
  list_.CancelUnitOrders(99);
  EXPECT_EQ(list_.GetChainCount(), 1);
}

TEST_F(OrderListTest, RunTickRunsEveryChainAtTheClockTime) {
  TTestOrder* a = Add(7, "A", 1.0f);
  TTestOrder* b = Add(3, "B", 4.0f);
  TTestOrder* c = Add(7, "C", 4.0f);
  list_.RunTick(1.5f);
  EXPECT_EQ(a->Times(), (std::vector<float>{1.5f}));
  EXPECT_EQ(b->Times(), (std::vector<float>{1.5f}));
  EXPECT_EQ(c->Times(), (std::vector<float>{1.0f}));
  list_.RunTick(4.0f);
  EXPECT_FALSE(list_.HasOrders(7));
  EXPECT_FALSE(list_.HasOrders(3));
  // The orders stay for writing and replay.
  EXPECT_EQ(list_.CollectOrders().size(), 3u);
}

TEST_F(OrderListTest, ReactionOrdersAreNeitherWrittenNorKeptByRewind) {
  Add(7, "planned", 1.0f);
  // A reaction gives orders only to a unit without running orders.
  list_.RunTick(2.0f);
  ASSERT_FALSE(list_.HasOrdersInFirstChain(7));
  Add(7, "reaction", 3.0f);
  list_.MarkReactionStart(7);
  // A unit whose only order is a reaction's.
  Add(3, "alone", 3.0f);
  list_.MarkReactionStart(3);
  list_.MarkReactionStart(99);

  TDataStream written;
  list_.WriteOrders(written);
  TDataStream expected;
  WriteEntry(expected, "Hold", 7, "planned", 1.0f);
  expected.WriteString("End");
  EXPECT_EQ(written.Body(), expected.Body());

  list_.Rewind();
  ASSERT_EQ(list_.GetChainCount(), 1);
  EXPECT_EQ(ChainLabels(*list_.GetChain(0)), (Lines{"planned"}));
  EXPECT_TRUE(list_.HasOrders(7));
}

TEST_F(OrderListTest, ShowMarkersShowsOnlyTheGivenUnitsRemainingOrders) {
  Add(7, "A", 1.0f);
  Add(7, "B", 5.0f);
  Add(3, "C", 5.0f);
  list_.RunTick(2.0f);
  journal_.clear();
  list_.ShowMarkers(7);
  EXPECT_EQ(journal_, (Lines{"show B 1", "show C 0"}));
}

TEST_F(OrderListTest, QueriesOfAUnitWithoutOrdersFindNothing) {
  Add(7, "A");
  EXPECT_FALSE(list_.HasOrders(3));
  EXPECT_FLOAT_EQ(list_.PlannedTime(3), 0.0f);
  EXPECT_FALSE(list_.EndPosition(3).has_value());
  EXPECT_EQ(list_.LastOrder(3), nullptr);

  EXPECT_FLOAT_EQ(list_.PlannedTime(7), 1.0f);
  EXPECT_TRUE(list_.HasOrders(7));
}

TEST_F(OrderListTest, EndPositionIsWhereTheUnitsLastOrderLeavesIt) {
  Combatant& unit = AddUnit(TVector3(2.0f, 5.0f, 0.0f));
  Add(unit.GetId(), "A");
  EXPECT_EQ(list_.EndPosition(unit.GetId()), TVector3(2.0f, 5.0f, 0.0f));
  Add(unit.GetId(), "B")->SetEndPosition(TVector3(8.0f, 5.0f, 0.0f));
  EXPECT_EQ(list_.EndPosition(unit.GetId()), TVector3(8.0f, 5.0f, 0.0f));
}

TEST_F(OrderListTest, RemoveOrderDropsAChainItEmpties) {
  TTestOrder* a = Add(7, "A");
  TTestOrder* b = Add(3, "B");
  TTestOrder* c = Add(3, "C");
  list_.RemoveOrder(b);
  EXPECT_EQ(ChainLabels(*list_.GetChain(1)), (Lines{"C"}));
  list_.RemoveOrder(a);
  ASSERT_EQ(list_.GetChainCount(), 1);
  EXPECT_EQ(list_.GetChain(0)->Head(), c);

  // The unit's next order makes a chain again.
  Add(7, "D");
  EXPECT_EQ(list_.GetChainCount(), 2);
  list_.RemoveChain(0);
  EXPECT_EQ(list_.GetChainCount(), 2);
  list_.Clear();
  EXPECT_EQ(list_.GetChainCount(), 0);
}

// --- the orders stream ------------------------------------------------------------

class OrdersStreamTest : public OrderListTest {
 protected:
  bool Read(TDataStream& stream, TOrderVector& out) {
    stream.Rewind();
    return TOrderList::ReadOrders(out, resolver_, ids_, stream);
  }

  TTestOrderReaders readers_{{"Hold", "Retreat", "Deploy"}};
  TRawIdMapper ids_;
};

TEST_F(OrdersStreamTest, OnlyTheNamesOfTheOrderClassesCanBeRegistered) {
  const auto names = TOrderFactory::OrderNames();
  ASSERT_EQ(names.size(), 26u);
  EXPECT_EQ(names.front(), "Movement");
  EXPECT_EQ(names[10], "OpportunityAttack");
  EXPECT_EQ(names.back(), "Retreat");
  EXPECT_FALSE(TOrderFactory::IsKnownOrderName("End"));
  EXPECT_FALSE(TOrderFactory::IsKnownOrderName("hold"));
  EXPECT_FALSE(TOrderFactory::Instance().Register("Bogus", [](TDataStream&, TActionResolver&, TIdMapper&) {
    return std::unique_ptr<TOrder>();
  }));
  EXPECT_TRUE(TOrderFactory::Instance().IsRegistered("Hold"));
  EXPECT_FALSE(TOrderFactory::Instance().IsRegistered("Movement"));
}

TEST_F(OrdersStreamTest, AStreamOfOnlyEndHoldsNoOrders) {
  TDataStream stream;
  stream.WriteString("End");
  TOrderVector out;
  EXPECT_TRUE(Read(stream, out));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(stream.Remaining(), 0u);
  EXPECT_FALSE(stream.HasFailed());
}

TEST_F(OrdersStreamTest, RetreatEntriesAreReadAndDropped) {
  const int32_t unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f)).GetId();
  TDataStream stream;
  WriteEntry(stream, "Hold", unit, "first", 2.0f);
  WriteEntry(stream, "Retreat", unit, "away");
  WriteEntry(stream, "Hold", unit, "second", 3.0f);
  stream.WriteString("End");
  stream.WriteInt(12345);

  TOrderVector out;
  ASSERT_TRUE(Read(stream, out));
  ASSERT_EQ(Labels(out), (Lines{"first", "second"}));
  EXPECT_FLOAT_EQ(static_cast<TTestOrder&>(*out[1]).End(), 3.0f);
  EXPECT_EQ(out[0]->GetUnitId(), unit);
  // Reading stops after "End".
  EXPECT_EQ(stream.Remaining(), 4u);
}

TEST_F(OrdersStreamTest, OrdersOfUnitsNotInTheWorldAreDroppedButDeployStays) {
  Combatant& living = AddUnit(TVector3(1.0f, 1.0f, 0.0f));
  Combatant& dead = AddUnit(TVector3(2.0f, 1.0f, 0.0f));
  const int32_t deadId = dead.GetId();
  world_.RemoveById(deadId);
  const int32_t unborn = world_.PeekNextId() + 10;

  TDataStream stream;
  WriteEntry(stream, "Hold", deadId, "dead");
  WriteEntry(stream, "Hold", living.GetId(), "living");
  WriteEntry(stream, "Deploy", unborn, "deploy");
  WriteEntry(stream, "Retreat", unborn, "retreat");
  WriteEntry(stream, "Hold", unborn, "unborn");
  stream.WriteString("End");

  TOrderVector out;
  ASSERT_TRUE(Read(stream, out));
  ASSERT_EQ(Labels(out), (Lines{"living", "deploy"}));
  EXPECT_EQ(out[1]->GetUnitId(), unborn);
  EXPECT_EQ(out[1]->GetUnit(), nullptr);
}

TEST_F(OrdersStreamTest, UnitIdsAreReadThroughTheIdMapper) {
  const int32_t unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f)).GetId();
  TIdMapper translating;
  translating.Bind(500, unit);
  TDataStream stream;
  WriteEntry(stream, "Hold", 500, "mapped");
  stream.WriteString("End");
  stream.Rewind();

  TOrderVector out;
  ASSERT_TRUE(TOrderList::ReadOrders(out, resolver_, translating, stream));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0]->GetUnitId(), unit);
}

TEST_F(OrdersStreamTest, StreamsWithinTheBoundsOfOrdersAreRead) {
  const int32_t unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f)).GetId();
  TDataStream stream;
  for (int32_t i = 0; i < TOrderList::kMaxOrdersPerUnit; ++i) WriteEntry(stream, "Hold", unit, "kept");
  stream.WriteString("End");
  TOrderVector out;
  ASSERT_TRUE(Read(stream, out));
  EXPECT_EQ(out.size(), static_cast<std::size_t>(TOrderList::kMaxOrdersPerUnit));
}

TEST_F(OrdersStreamTest, ARefusedStreamAddsNothing) {
  const int32_t unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f)).GetId();
  struct TCase {
    const char* what;
    void (*write)(TDataStream&, int32_t);
  };
  const TCase cases[] = {
      // A known order this program has no reader for: its fields could not
      // be told from the next entry.
      {"unreadable order",
       [](TDataStream& s, int32_t id) {
         WriteEntry(s, "Hold", id, "before");
         WriteEntry(s, "Movement", id, "moving");
         WriteEntry(s, "Hold", id, "after");
         s.WriteString("End");
       }},
      // Names of no order carry no fields to pass over: whatever follows
      // would be read as orders.
      {"name of no order",
       [](TDataStream& s, int32_t id) {
         s.WriteString("Bogus");
         WriteEntry(s, "Hold", id, "after");
         s.WriteString("End");
       }},
      {"name in the wrong case",
       [](TDataStream& s, int32_t id) {
         s.WriteString("HOLD");
         WriteEntry(s, "Hold", id, "after");
         s.WriteString("End");
       }},
      {"too many orders for one unit",
       [](TDataStream& s, int32_t id) {
         for (int32_t i = 0; i <= TOrderList::kMaxOrdersPerUnit; ++i) WriteEntry(s, "Hold", id, "again");
         s.WriteString("End");
       }},
      {"too many orders in all",
       [](TDataStream& s, int32_t id) {
         for (int32_t i = 0; i <= TOrderList::kMaxOrders; ++i) {
           WriteEntry(s, "Hold", id + 1 + i / (TOrderList::kMaxOrdersPerUnit / 2), "many");
         }
         s.WriteString("End");
       }},
      {"no End",
       [](TDataStream& s, int32_t id) {
         WriteEntry(s, "Hold", id, "before");
       }},
      {"cut inside an order",
       [](TDataStream& s, int32_t id) {
         WriteEntry(s, "Hold", id, "before");
         s.WriteString("Hold");
         s.WriteInt(static_cast<uint32_t>(id));
       }},
      {"name longer than the data",
       [](TDataStream& s, int32_t) {
         s.WriteInt(1000);
         s.WriteString("End");
       }},
  };
  for (const TCase& c : cases) {
    TDataStream stream;
    c.write(stream, unit);
    TOrderVector out;
    out.push_back(Make(unit, "already there"));
    EXPECT_FALSE(Read(stream, out)) << c.what;
    EXPECT_TRUE(stream.HasFailed()) << c.what;
    EXPECT_EQ(Labels(out), (Lines{"already there"})) << c.what;
  }
}

TEST_F(OrdersStreamTest, AnEntryItsClassRefusesIsDroppedAndReadingGoesOn) {
  const int32_t unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f)).GetId();
  // Like an order that is made empty and then refuses what it loads.
  TOrderFactory::Instance().Register("OpportunityAttack", [](TDataStream& s, TActionResolver& r, TIdMapper& ids) {
    auto order = std::make_unique<TTestOrder>(s, r, ids, "OpportunityAttack");
    return order->End() < 0.0f ? std::unique_ptr<TOrder>() : std::unique_ptr<TOrder>(std::move(order));
  });
  TDataStream stream;
  WriteEntry(stream, "OpportunityAttack", unit, "refused", -5.0f);
  WriteEntry(stream, "OpportunityAttack", unit, "taken", 5.0f);
  stream.WriteString("End");
  TOrderVector out;
  const bool read = Read(stream, out);
  TOrderFactory::Instance().Unregister("OpportunityAttack");
  ASSERT_TRUE(read);
  EXPECT_EQ(Labels(out), (Lines{"taken"}));
}

TEST_F(OrdersStreamTest, WrittenOrdersReadBackToTheSameOrders) {
  const int32_t first = AddUnit(TVector3(1.0f, 1.0f, 0.0f)).GetId();
  const int32_t second = AddUnit(TVector3(2.0f, 1.0f, 0.0f)).GetId();
  Add(first, "a", 1.0f);
  Add(second, "b", 2.0f, "Deploy");
  Add(first, "c", 3.0f);
  TDataStream written;
  list_.WriteOrders(written);

  TOrderVector out;
  ASSERT_TRUE(Read(written, out));
  EXPECT_EQ(Labels(out), (Lines{"a", "c", "b"}));
  TOrderList reread;
  reread.AddOrders(std::move(out));
  EXPECT_EQ(reread.GetChainCount(), 2);
  TDataStream again;
  reread.WriteOrders(again);
  EXPECT_EQ(again.Body(), written.Body());
}

}  // namespace
