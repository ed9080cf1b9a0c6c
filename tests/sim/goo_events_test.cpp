#include "sim/goo_events.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "sim/event_factory.h"
#include "sim/goo.h"
#include "support/temp_folder.h"
#include "world/world.h"

namespace {

class GooEventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterGooEventReaders();
    world_ = std::make_unique<TWorld>();
  }
  void TearDown() override { TEventFactory::Instance().Unregister(TRenewGooEvent::kTypeName); }

  Goo& AddGoo(const TVector3& position, float startTime) {
    auto goo = std::make_unique<Goo>(position, startTime);
    Goo& added = *goo;
    world_->Add(std::move(goo));
    return added;
  }

  TTempFolder folder_;
  std::unique_ptr<TWorld> world_;
};

TEST_F(GooEventTest, IsSeenByThePatchsPlayersAndRenewsItWhenApplied) {
  AddGoo(TVector3(1.0f, 1.0f, 0.0f), 0.5f);
  Goo& goo = AddGoo(TVector3(2.0f, 1.0f, 0.0f), 1.0f);
  goo.SetFlag(1, true);
  goo.TakeDamage(7.5f);
  goo.Update(4.0f);

  TRenewGooEvent event(4.0f, goo, *world_);
  EXPECT_FALSE(event.TestFlag(0));
  EXPECT_TRUE(event.TestFlag(1));
  EXPECT_EQ(event.GetGooId(), goo.GetId());
  EXPECT_EQ(event.ResolveGoo(), &goo);

  event.Apply();
  EXPECT_FLOAT_EQ(goo.GetStartTime(), 4.0f);
  EXPECT_FLOAT_EQ(goo.GetGooStrength(), Goo::kFullStrength);
  EXPECT_FLOAT_EQ(goo.GetDamageTaken(), 0.0f);
  EXPECT_FALSE(goo.IsDestroyed());
}

TEST_F(GooEventTest, APatchThatIsGoneIsNotRenewed) {
  Goo& goo = AddGoo(TVector3(2.0f, 1.0f, 0.0f), 1.0f);
  TRenewGooEvent event(4.0f, goo, *world_);
  const int32_t id = goo.GetId();
  world_->RemoveById(id);
  EXPECT_EQ(event.ResolveGoo(), nullptr);
  event.Apply();
  EXPECT_EQ(event.GetGooId(), id);
}

TEST_F(GooEventTest, RoundTripsThroughTheFactoryAndFindsThePatchInTheWorld) {
  AddGoo(TVector3(1.0f, 1.0f, 0.0f), 0.5f);
  Goo& goo = AddGoo(TVector3(3.0f, 2.0f, 0.0f), 1.0f);
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  TRawIdMapper ids;
  // Recording renews the patch at once.
  goo.TakeDamage(2.0f);
  ASSERT_TRUE(TRenewGooEvent(6.5f, goo, *world_).Save(stream, ids, names));
  EXPECT_FLOAT_EQ(goo.GetStartTime(), 6.5f);
  EXPECT_FLOAT_EQ(goo.GetDamageTaken(), 0.0f);
  goo.TakeDamage(2.0f);
  // Type index, time, id.
  EXPECT_EQ(stream.Body().size(), 2u + 4u + 4u);
  stream.WriteShort(static_cast<uint16_t>(names.IndexOf("End")));
  stream.Rewind();

  TEventVector events;
  TEventFactoryContext context;
  context.world = world_.get();
  ASSERT_TRUE(TEventFactory::Instance().ReadEvents(context, events, stream, names));
  ASSERT_EQ(events.size(), 1u);
  ASSERT_EQ(events[0]->TypeName(), TRenewGooEvent::kTypeName);
  const auto& read = static_cast<const TRenewGooEvent&>(*events[0]);
  EXPECT_FLOAT_EQ(read.GetTime(), 6.5f);
  EXPECT_EQ(read.GetGooId(), goo.GetId());
  // Loading never applies an event; replaying does.
  EXPECT_FLOAT_EQ(goo.GetDamageTaken(), 2.0f);
  events[0]->Apply();
  EXPECT_FLOAT_EQ(goo.GetStartTime(), 6.5f);
  EXPECT_FLOAT_EQ(goo.GetDamageTaken(), 0.0f);
}

TEST_F(GooEventTest, ReadWithoutAWorldFindsNothing) {
  Goo& goo = AddGoo(TVector3(3.0f, 2.0f, 0.0f), 1.0f);
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  TRawIdMapper ids;
  ASSERT_TRUE(TRenewGooEvent(6.5f, goo, *world_).Save(stream, ids, names));
  stream.WriteShort(static_cast<uint16_t>(names.IndexOf("End")));
  stream.Rewind();
  TEventVector events;
  ASSERT_TRUE(TEventFactory::Instance().ReadEvents(TEventFactoryContext{}, events, stream, names));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(static_cast<const TRenewGooEvent&>(*events[0]).ResolveGoo(), nullptr);
  goo.TakeDamage(1.0f);
  events[0]->Apply();
  EXPECT_FLOAT_EQ(goo.GetDamageTaken(), 1.0f);
}

TEST_F(GooEventTest, ATruncatedEventIsRejected) {
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  stream.WriteShort(static_cast<uint16_t>(names.IndexOf(std::string(TRenewGooEvent::kTypeName))));
  stream.WriteFloat(1.0f);
  stream.WriteShort(0);  // half an id
  stream.Rewind();
  TEventVector events;
  EXPECT_FALSE(TEventFactory::Instance().ReadEvents(TEventFactoryContext{}, events, stream, names));
  EXPECT_TRUE(events.empty());
}

}  // namespace
