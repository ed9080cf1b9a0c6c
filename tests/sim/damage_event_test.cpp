#include "sim/damage_event.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "session/id_mapper.h"
#include "sim/event_factory.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

class DamageEventTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    ShippedWorldTest::SetUp();
    RegisterDamageEventReader();
  }
  void TearDown() override {
    TEventFactory::Instance().Unregister(TDamageEvent::kTypeName);
    ShippedWorldTest::TearDown();
  }

  Combatant* PlaceUnit(const TVector3& position, int32_t owner) {
    return test_world::PlaceUnit(*world_, "Grunt", owner, position);
  }

};

TEST_F(DamageEventTest, IsSeenByWhoSeesTheTargetAndHurtsItWhenApplied) {
  Combatant* unit = PlaceUnit(TVector3(3.0f, 3.0f, 0.0f), 0);
  unit->SetFlag(0, false);
  unit->SetFlag(1, true);
  const float before = unit->HealthFraction();

  TDamageEvent event(2.5f, *unit, *world_, 12.0f);
  EXPECT_FALSE(event.TestFlag(0));
  EXPECT_TRUE(event.TestFlag(1));
  EXPECT_EQ(event.TypeName(), "Damage");
  event.Apply();
  EXPECT_LT(unit->HealthFraction(), before);
}

TEST_F(DamageEventTest, RoundTripsThroughTheFactoryAndFindsItsTargetAnywhereInTheWorld) {
  const TTerrainType* wall = world_->GetGameData().FindTerrainType("Wall");
  ASSERT_NE(wall, nullptr);
  TGameObject* tile = Place(std::make_unique<TTerrainObject>(*wall, TVector3(4.0f, 4.0f, 0.0f), 0.0f));
  const TDamageEvent original(7.25f, *tile, *world_, 3.5f);

  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  TRawIdMapper ids;
  ASSERT_TRUE(original.Save(stream, ids, names));
  stream.WriteShort(static_cast<uint16_t>(names.IndexOf(std::string(TEventFactory::kEndName))));
  // Header 6 bytes, id 4, amount 4, then the closing index.
  EXPECT_EQ(stream.Body().size(), 6u + 4u + 4u + 2u);
  stream.Rewind();

  TEventFactoryContext context;
  context.world = world_.get();
  TEventVector events;
  ASSERT_TRUE(TEventFactory::Instance().ReadEvents(context, events, stream, names));
  ASSERT_EQ(events.size(), 1u);
  const auto& read = static_cast<const TDamageEvent&>(*events[0]);
  EXPECT_FLOAT_EQ(read.GetTime(), 7.25f);
  EXPECT_FLOAT_EQ(read.GetAmount(), 3.5f);
  EXPECT_EQ(read.GetTargetId(), tile->GetId());
  EXPECT_EQ(read.ResolveTarget(), tile);
}

TEST_F(DamageEventTest, ATruncatedEventDoesNotRead) {
  Combatant* unit = PlaceUnit(TVector3(3.0f, 3.0f, 0.0f), 0);
  const TDamageEvent original(1.0f, *unit, *world_, 2.0f);
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  TRawIdMapper ids;
  ASSERT_TRUE(original.Save(stream, ids, names));
  std::vector<uint8_t> bytes = stream.Body();
  bytes.resize(bytes.size() - 2);
  TDataStream cut("Vorhelm-3-10");
  for (uint8_t byte : bytes) cut.WriteByte(byte);
  cut.Rewind();

  TEventFactoryContext context;
  context.world = world_.get();
  TEventVector events;
  EXPECT_FALSE(TEventFactory::Instance().ReadEvents(context, events, cut, names));
  EXPECT_TRUE(events.empty());
}

TEST_F(DamageEventTest, AGoneTargetIsLeftAloneAndATileIsQueuedOnce) {
  Combatant* unit = PlaceUnit(TVector3(3.0f, 3.0f, 0.0f), 0);
  TDamageEvent orphan(1.0f, *unit, *world_, 5.0f);
  world_->RemoveById(unit->GetId());
  EXPECT_EQ(orphan.ResolveTarget(), nullptr);
  orphan.Apply();  // nothing to hurt

  const TTerrainType* wall = world_->GetGameData().FindTerrainType("Wall");
  TGameObject* tile = Place(std::make_unique<TTerrainObject>(*wall, TVector3(6.0f, 6.0f, 0.0f), 0.0f));
  TDamageEvent first(2.0f, *tile, *world_, 50.0f);
  first.Apply();
  ASSERT_TRUE(tile->IsDestroyed());
  TDamageEvent second(2.1f, *tile, *world_, 50.0f);
  second.Apply();
  const auto& queued = world_->GetMap().GetToRemove();
  EXPECT_EQ(std::count(queued.begin(), queued.end(), tile), 1);
}

}  // namespace
