#include "units/order.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/action_resolver.h"
#include "sim/event_list.h"
#include "sim/unit_events.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/test_orders.h"
#include "units/unit_test_rules.h"
#include "world/world.h"

namespace {

using order_test::TJournal;
using order_test::TTestOrder;

constexpr int32_t kUnitId = 7;

class OrderChainTest : public ::testing::Test {
 protected:
  // The order goes to the caller; `placed` keeps a way to reach it.
  std::unique_ptr<TTestOrder> Make(const std::string& label, float end = TTestOrder::kAtOnce,
                                   TTestOrder** placed = nullptr) {
    auto order = std::make_unique<TTestOrder>(kUnitId, resolver_, label, end, &journal_);
    if (placed != nullptr) *placed = order.get();
    return order;
  }

  // A chain of orders completing at the end times, labelled A, B, C ...
  std::unique_ptr<TOrderChain> MakeChain(const std::vector<float>& ends, std::vector<TTestOrder*>& orders) {
    std::unique_ptr<TOrderChain> chain;
    for (std::size_t i = 0; i < ends.size(); ++i) {
      TTestOrder* order = nullptr;
      std::unique_ptr<TTestOrder> made = Make(std::string(1, static_cast<char>('A' + i)), ends[i], &order);
      if (chain == nullptr) {
        chain = std::make_unique<TOrderChain>(std::move(made));
      } else {
        chain->Append(std::move(made));
      }
      orders.push_back(order);
    }
    return chain;
  }

  Combatant& AddUnit(const TVector3& position) { return order_test::AddGrunt(world_, *data_, position); }

  // The lines of the journal that start with the word.
  std::vector<std::string> Journal(const std::string& word) const {
    std::vector<std::string> lines;
    for (const std::string& line : journal_) {
      if (line.rfind(word + " ", 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  TTempFolder folder_;
  unit_test::TUnitWorldMakers makers_;
  std::unique_ptr<TGameData> data_ = unit_test::MakeRules();
  TWorld world_;
  TActionResolver resolver_{world_, nullptr};
  TJournal journal_;
};

using Lines = std::vector<std::string>;

TEST_F(OrderChainTest, TimeLeftByACompletedOrderIsHandedOnInTheSameTick) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({4.7f, TTestOrder::kAtOnce, TTestOrder::kAtOnce, 10.0f}, orders);

  chain->Run(5.0f);

  ASSERT_EQ(orders[0]->Times().size(), 1u);
  EXPECT_FLOAT_EQ(orders[0]->Times()[0], 5.0f);
  EXPECT_NEAR(orders[0]->GetTimeUsed(), 0.3f, 1e-6f);
  // Orders that take no time all run at the moment the first one ended.
  for (int i = 1; i < 4; ++i) {
    ASSERT_EQ(orders[i]->Times().size(), 1u) << i;
    EXPECT_FLOAT_EQ(orders[i]->Times()[0], 5.0f - orders[0]->GetTimeUsed()) << i;
    EXPECT_NEAR(orders[i]->Times()[0], 4.7f, 1e-5f) << i;
  }
  EXPECT_EQ(chain->Current(), orders[3]);
  EXPECT_TRUE(chain->IsRunning());

  // Work that remains goes on in the next tick at that tick's time.
  chain->Run(5.1f);
  ASSERT_EQ(orders[3]->Times().size(), 2u);
  EXPECT_FLOAT_EQ(orders[3]->Times()[1], 5.1f);
  EXPECT_EQ(orders[0]->Times().size(), 1u);
}

TEST_F(OrderChainTest, AnOrderThatEndsTheChainStopsItUntilRewound) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 9.0f, 10.0f}, orders);
  orders[1]->SetEndsChain();

  chain->Run(2.0f);
  EXPECT_TRUE(orders[1]->IsFinished());
  EXPECT_FALSE(chain->IsRunning());
  EXPECT_TRUE(orders[2]->Times().empty());
  // The orders stay for writing and replay.
  EXPECT_EQ(chain->Last(), orders[2]);

  chain->Run(3.0f);
  EXPECT_EQ(orders[1]->Times().size(), 1u);

  chain->Rewind();
  EXPECT_EQ(chain->Current(), orders[0]);
  EXPECT_FALSE(orders[1]->IsFinished());
  EXPECT_FALSE(orders[0]->IsActive());
  EXPECT_EQ(Journal("reset"), (Lines{"reset A", "reset B", "reset C"}));
}

TEST_F(OrderChainTest, ARunOutChainRunsAgainFromAnAppendedOrderInTheNextTick) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f}, orders);
  chain->Run(2.0f);
  ASSERT_FALSE(chain->IsRunning());

  TTestOrder* appended = nullptr;
  chain->Append(Make("B", 3.0f, &appended));
  EXPECT_EQ(chain->Current(), appended);
  EXPECT_TRUE(appended->Times().empty());

  chain->Run(3.5f);
  ASSERT_EQ(appended->Times().size(), 1u);
  EXPECT_FLOAT_EQ(appended->Times()[0], 3.5f);
  EXPECT_EQ(orders[0]->Times().size(), 1u);
  EXPECT_FALSE(chain->IsRunning());
}

TEST_F(OrderChainTest, EveryOrderBeginsOnceWhenItJoinsTheChain) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f}, orders);
  chain->Rewind();
  chain->Run(5.0f);
  EXPECT_EQ(Journal("begin"), (Lines{"begin A", "begin B", "begin C"}));
  EXPECT_EQ(orders[1]->Prev(), orders[0]);
  EXPECT_EQ(orders[1]->Next(), orders[2]);
  EXPECT_EQ(orders[0]->Prev(), nullptr);
  EXPECT_EQ(orders[0]->Last(), orders[2]);
}

TEST_F(OrderChainTest, RemoveLastTakesBackTheLastOrderItAllows) {
  {
    std::vector<TTestOrder*> orders;
    auto chain = MakeChain({1.0f}, orders);
    chain->RemoveLast();
    EXPECT_TRUE(chain->IsEmpty());
    EXPECT_EQ(chain->Head(), nullptr);
    EXPECT_EQ(chain->Current(), nullptr);
    EXPECT_EQ(chain->UnitId(), -1);
    EXPECT_EQ(Journal("delete"), (Lines{"delete A"}));
  }
  journal_.clear();
  {
    std::vector<TTestOrder*> orders;
    auto chain = MakeChain({1.0f, 2.0f, 3.0f}, orders);
    chain->RemoveLast();
    EXPECT_EQ(chain->Last(), orders[1]);
    EXPECT_EQ(orders[1]->Next(), nullptr);
    EXPECT_EQ(chain->Current(), orders[0]);
    EXPECT_EQ(Journal("delete"), (Lines{"delete C"}));

    // An order that refuses stays.
    orders[1]->SetRemovable(false);
    chain->RemoveLast();
    EXPECT_EQ(chain->Last(), orders[1]);

    // Taking back the running last order leaves its prev as the current one.
    orders[1]->SetRemovable(true);
    chain->Run(1.5f);
    ASSERT_EQ(chain->Current(), orders[1]);
    chain->RemoveLast();
    EXPECT_EQ(chain->Current(), orders[0]);
    EXPECT_EQ(chain->Last(), orders[0]);
  }
}

TEST_F(OrderChainTest, IsSameOrderComparesTheThirdTokenWithTheName) {
  struct TCase {
    std::vector<std::string> tokens;
    bool same;
  };
  const TCase cases[] = {
      {{}, false},
      {{"order", "Hold"}, false},
      {{"order", "7", "Hold"}, true},
      {{"order", "7", "Hold", "1,2,0"}, true},
      {{"order", "7", "hold"}, false},
      {{"order", "7", "Hold "}, false},
      {{"order", "7", "Movement"}, false},
  };
  auto order = Make("A");
  for (const TCase& c : cases) {
    EXPECT_EQ(order->IsSameOrder(c.tokens), c.same) << c.tokens.size();
  }
}

TEST_F(OrderChainTest, SetTimeUsedKeepsRoundingBelowZeroOnly) {
  struct TCase {
    float given;
    float stored;
  };
  const TCase cases[] = {
      {0.3f, 0.3f}, {0.0f, 0.0f}, {-0.00005f, -0.00005f}, {-0.0001f, -0.0001f}, {-0.00011f, 0.0f}, {-0.5f, 0.0f},
  };
  auto order = Make("A");
  for (const TCase& c : cases) {
    order->SetTimeUsed(c.given);
    EXPECT_EQ(order->GetTimeUsed(), c.stored) << c.given;
  }
}

TEST_F(OrderChainTest, DeletingAnOrderDeletesEveryOrderAfterIt) {
  TTestOrder* a = nullptr;
  TTestOrder* b = nullptr;
  std::unique_ptr<TTestOrder> first = Make("A", 1.0f, &a);
  first->Append(Make("B", 2.0f, &b));
  first->AppendAtEnd(Make("C", 3.0f));
  first->AppendAtEnd(Make("D", 4.0f));

  // An order deleted on its own leaves its prev without a next.
  b->Next()->Next()->Prev()->DeleteNext();
  EXPECT_EQ(Journal("delete"), (Lines{"delete D"}));
  delete b->Next();
  EXPECT_EQ(b->Next(), nullptr);
  EXPECT_EQ(Journal("delete"), (Lines{"delete D", "delete C"}));

  first.reset();
  EXPECT_EQ(Journal("delete"), (Lines{"delete D", "delete C", "delete A", "delete B"}));
}

TEST_F(OrderChainTest, DeletingTheChainDeletesAllItsOrders) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f}, orders);
  chain.reset();
  EXPECT_EQ(Journal("delete").size(), 3u);
}

TEST_F(OrderChainTest, AVeryLongChainIsDeletedWithoutDeepRecursion) {
  auto chain = std::make_unique<TOrderChain>(std::make_unique<TTestOrder>(kUnitId, resolver_, "first", 1.0f));
  TOrder* last = chain->Head();
  for (int i = 0; i < 200000; ++i) {
    last->Append(std::make_unique<TTestOrder>(kUnitId, resolver_, "more", 1.0f));
    last = last->Next();
  }
  EXPECT_EQ(chain->Last(), last);
  chain.reset();
  SUCCEED() << "the chain went without exhausting the stack";
}

TEST_F(OrderChainTest, RewindDropsReactionOrdersFromTheMarkOn) {
  {
    std::vector<TTestOrder*> orders;
    auto chain = MakeChain({1.0f}, orders);
    chain->MarkReactionStart();
    EXPECT_EQ(chain->ReactionMark(), orders[0]);
    chain->Rewind();
    EXPECT_TRUE(chain->IsEmpty());
    EXPECT_EQ(chain->Current(), nullptr);
    EXPECT_EQ(chain->ReactionMark(), nullptr);
  }
  journal_.clear();
  {
    std::vector<TTestOrder*> orders;
    auto chain = MakeChain({1.0f, 2.0f}, orders);
    chain->MarkReactionStart();
    TTestOrder* later = nullptr;
    chain->Append(Make("C", 3.0f, &later));
    // A second mark does not move the first.
    chain->MarkReactionStart();
    EXPECT_EQ(chain->ReactionMark(), orders[1]);

    std::vector<TOrder*> collected;
    chain->Collect(collected);
    EXPECT_EQ(collected, (std::vector<TOrder*>{orders[0]}));

    chain->Run(5.0f);
    chain->Rewind();
    EXPECT_EQ(Journal("delete"), (Lines{"delete B", "delete C"}));
    EXPECT_EQ(chain->Last(), orders[0]);
    EXPECT_EQ(chain->Current(), orders[0]);
    EXPECT_EQ(chain->ReactionMark(), nullptr);
  }
}

TEST_F(OrderChainTest, RemoveRelinksTheChainAroundTheOrder) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f, 4.0f}, orders);

  chain->Remove(orders[1]);
  EXPECT_EQ(orders[0]->Next(), orders[2]);
  EXPECT_EQ(orders[2]->Prev(), orders[0]);
  EXPECT_EQ(Journal("delete"), (Lines{"delete B"}));
  // Relinked orders do not begin again.
  EXPECT_EQ(Journal("begin").size(), 4u);

  // The first order: the next one becomes first and current.
  chain->Remove(orders[0]);
  EXPECT_EQ(chain->Head(), orders[2]);
  EXPECT_EQ(chain->Current(), orders[2]);
  EXPECT_EQ(orders[2]->Prev(), nullptr);

  // An order of another chain is left alone.
  std::vector<TTestOrder*> others;
  auto other = MakeChain({1.0f}, others);
  chain->Remove(others[0]);
  EXPECT_EQ(other->Head(), others[0]);
  chain->Remove(nullptr);
  EXPECT_EQ(Journal("delete"), (Lines{"delete B", "delete A"}));
}

TEST_F(OrderChainTest, RemovingTheCurrentOrMarkedOrderHandsOnToTheNext) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f}, orders);
  chain->Run(1.5f);
  ASSERT_EQ(chain->Current(), orders[1]);
  chain->MarkReactionStart();
  ASSERT_EQ(chain->ReactionMark(), orders[2]);

  chain->Remove(orders[1]);
  EXPECT_EQ(chain->Current(), orders[2]);
  chain->Remove(orders[2]);
  EXPECT_EQ(chain->Current(), nullptr);
  EXPECT_EQ(chain->ReactionMark(), nullptr);
  chain->Rewind();
  EXPECT_EQ(chain->Last(), orders[0]);
}

TEST_F(OrderChainTest, StopAfterCurrentKeepsTheRunningOrderAsDone) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f, 4.0f}, orders);
  chain->Run(1.5f);
  ASSERT_EQ(chain->Current(), orders[1]);
  chain->MarkReactionStart();

  chain->StopAfterCurrent();
  EXPECT_FALSE(chain->IsRunning());
  EXPECT_EQ(chain->Last(), orders[1]);
  EXPECT_EQ(Journal("delete"), (Lines{"delete C", "delete D"}));
  // The mark went with the orders it stood on.
  EXPECT_EQ(chain->ReactionMark(), nullptr);

  chain->Rewind();
  EXPECT_EQ(chain->Current(), orders[0]);
  EXPECT_EQ(chain->Last(), orders[1]);

  // A chain that has run out is not touched.
  chain->Run(9.0f);
  chain->StopAfterCurrent();
  EXPECT_EQ(chain->Last(), orders[1]);
}

TEST_F(OrderChainTest, MarkersAreShownFromTheCurrentOrderOn) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f}, orders);
  chain->Run(1.5f);
  journal_.clear();
  chain->ShowMarkers(false);
  EXPECT_EQ(journal_, (Lines{"show B 0", "show C 0"}));
}

TEST_F(OrderChainTest, PlannedTimeSumsEveryOrder) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f, 2.0f, 3.0f}, orders);
  orders[1]->SetPlannedTime(10.0f);
  chain->Run(9.0f);
  EXPECT_FLOAT_EQ(chain->PlannedTime(), 12.0f);
}

TEST_F(OrderChainTest, PositionsFollowTheChainFromWhereTheUnitStands) {
  const Combatant& unit = AddUnit(TVector3(3.0f, 4.0f, 0.0f));
  auto first = std::make_unique<TTestOrder>(unit.GetId(), resolver_, "A", 1.0f);
  TTestOrder* a = first.get();
  TOrderChain chain(std::move(first));
  auto second = std::make_unique<TTestOrder>(unit.GetId(), resolver_, "B", 2.0f);
  TTestOrder* b = second.get();
  chain.Append(std::move(second));
  chain.Append(std::make_unique<TTestOrder>(unit.GetId(), resolver_, "C", 3.0f));

  EXPECT_EQ(a->StartPosition(), TVector3(3.0f, 4.0f, 0.0f));
  EXPECT_EQ(chain.EndPosition(), TVector3(3.0f, 4.0f, 0.0f));
  b->SetEndPosition(TVector3(6.0f, 1.0f, 0.0f));
  EXPECT_EQ(chain.EndPosition(), TVector3(6.0f, 1.0f, 0.0f));
  EXPECT_EQ(b->StartPosition(), TVector3(3.0f, 4.0f, 0.0f));
  EXPECT_EQ(chain.UnitId(), unit.GetId());
  EXPECT_FALSE(a->StartPoint().has_value());
  EXPECT_EQ(a->TargetId(), -1);
}

TEST_F(OrderChainTest, TheUnitIsFoundByIdAmongTheResolversUnits) {
  Combatant& unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f));
  TTestOrder order(unit.GetId(), resolver_, "A", 1.0f);
  EXPECT_EQ(order.GetUnit(), &unit);
  EXPECT_TRUE(order.IsUnitValid());
  EXPECT_EQ(order.GetResolver(), &resolver_);

  TTestOrder missing(unit.GetId() + 100, resolver_, "B", 1.0f);
  EXPECT_EQ(missing.GetUnit(), nullptr);
  EXPECT_FALSE(missing.IsUnitValid());
  // The unit of a Deploy order exists only once the order has placed it.
  missing.SetUnitId(unit.GetId());
  EXPECT_EQ(missing.GetUnit(), &unit);

  world_.RemoveById(unit.GetId());
  EXPECT_EQ(order.GetUnit(), nullptr);
  EXPECT_EQ(order.GetUnitId(), missing.GetUnitId());
}

TEST_F(OrderChainTest, AnIdleUnitStandsFromTheMomentItsLastOrderEnded) {
  Combatant& unit = AddUnit(TVector3(1.0f, 1.0f, 0.0f));
  TEventList events;
  resolver_.SetEvents(&events);
  TTestOrder first(unit.GetId(), resolver_, "A", 1.0f);
  first.Append(std::make_unique<TTestOrder>(unit.GetId(), resolver_, "B", 2.0f));

  // Not while another order follows.
  first.IdleRest(2.0f);
  EXPECT_EQ(events.GetEventCount(), 0);

  TOrder* last = first.Next();
  last->SetTimeUsed(0.25f);
  last->IdleRest(2.0f);
  ASSERT_EQ(events.GetEventCount(), 1);
  const auto* animation = dynamic_cast<const TAnimationEvent*>(events.GetEvent(0));
  ASSERT_NE(animation, nullptr);
  EXPECT_FLOAT_EQ(animation->GetTime(), 1.75f);
  EXPECT_EQ(animation->GetState(), "Stand");
  EXPECT_EQ(unit.GetVisualState(), "Stand");

  // Nothing for a unit that is gone.
  world_.RemoveById(unit.GetId());
  last->IdleRest(3.0f);
  EXPECT_EQ(events.GetEventCount(), 1);
  resolver_.SetEvents(nullptr);
}

TEST_F(OrderChainTest, AnEmptiedChainTakesAnAppendedOrderAsItsFirst) {
  std::vector<TTestOrder*> orders;
  auto chain = MakeChain({1.0f}, orders);
  chain->Remove(orders[0]);
  ASSERT_TRUE(chain->IsEmpty());
  TTestOrder* next = nullptr;
  chain->Append(Make("B", 2.0f, &next));
  EXPECT_EQ(chain->Head(), next);
  EXPECT_EQ(chain->Current(), next);
  EXPECT_EQ(Journal("begin"), (Lines{"begin A", "begin B"}));
}

}  // namespace
