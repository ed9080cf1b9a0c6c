// A battle on each shipped map, shown through a map view over the recording
// display: every unit, HQ and egg gets its composite visual with the parts
// its visual state controller drives, orders get their markers, effects and
// the map cursor their visuals, and everything leaves the draw layers when it
// goes. Without a map view the same battle builds no visual at all.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/interface_cursor.h"
#include "app/mouse.h"
#include "display/colour.h"
#include "display/map_view.h"
#include "display/mapview/draw_layer.h"
#include "display/unit_visual_hooks.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/visual_node.h"
#include "session/battle.h"
#include "session/battle_session.h"
#include "sim/action_resolver.h"
#include "sim/corpse.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/smoke.h"
#include "sim/turn_simulator.h"
#include "support/game_folder_test.h"
#include "support/recording_display.h"
#include "support/reference_battle.h"
#include "units/attack_orders.h"
#include "units/combatant.h"
#include "units/hold_orders.h"
#include "units/order_list.h"
#include "units/reaction_manager.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "units/walk_orders.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"

namespace {

using testing_display::RecordingDisplay;
using testing_display::RecordingOptions;

constexpr int32_t kFacings = 8;

// Every race's mobile units, spread over both players.
const std::vector<reference_battle::TArmy>& Armies() {
  static const std::vector<reference_battle::TArmy> armies = {
      {{"Grunt", "Grenadier", "Psyker", "Warp Gunner", "Scanner"}, 0, 2.0f},
      {{"Missile Tank", "Spiker", "Queen", "Splatter", "Goo Spitter", "Drone", "Guardian"}, 1, 6.0f},
  };
  return armies;
}

TDrawLayer& Layer() { return *TMapView::Instance()->GetCurrentLayer(); }

class UnitVisualsTest : public GameFolderTest, public ::testing::WithParamInterface<std::tuple<const char*, bool>> {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    RecordingOptions options;
    options.is3D = std::get<1>(GetParam());
    TMapView::Create(std::make_unique<RecordingDisplay>(options));
  }
  void TearDown() override {
    battle_.reset();
    TMapView::Destroy();
    GameFolderTest::TearDown();
  }

  // The map with both armies, two HQs and an egg.
  void LoadBattle() {
    battle_ = std::make_unique<TBattle>();
    TWorld& world = battle_->GetWorld();
    ASSERT_TRUE(world.LoadMapFile(std::string("Map\\") + std::get<0>(GetParam()) + ".map"));
    for (const reference_battle::TArmy& army : Armies()) {
      const std::vector<Combatant*> placed =
          reference_battle::PlaceArmy(world, army, static_cast<int32_t>(army.types.size()));
      units_.insert(units_.end(), placed.begin(), placed.end());
    }
    const TGameData& data = world.GetGameData();
    TNewObjects others;
    others.push_back(std::make_unique<AmmoDump>(TVector3(3.0f, 3.0f, 0.0f), *data.FindUnitType("Marine HQ"), 0));
    others.push_back(std::make_unique<AmmoDump>(TVector3(7.0f, 3.0f, 0.0f), *data.FindUnitType("Regenerator"), 1));
    others.push_back(std::make_unique<Egg>(TVector3(5.0f, 4.0f, 0.0f), *data.FindUnitType("Egg"), 1, 0.0f));
    for (const auto& object : others) others_.push_back(object.get());
    world.AddObjects(others);
  }

  std::unique_ptr<TBattle> battle_;
  std::vector<Combatant*> units_;
  std::vector<TGameObject*> others_;
};

TEST_P(UnitVisualsTest, EveryUnitHasItsCompositeWithTheControllersParts) {
  const std::size_t before = Layer().EntryCount();
  LoadBattle();
  ASSERT_EQ(units_.size(), 12u);
  for (Combatant* unit : units_) {
    SCOPED_TRACE(unit->GetType().GetName());
    TUnitAnimator& animator = unit->GetAnimator();
    TVisual* visual = animator.GetVisual();
    ASSERT_NE(visual, nullptr);
    EXPECT_TRUE(Layer().Contains(visual));
    const bool armed = unit->GetType().GetName() != "Splatter";
    EXPECT_EQ(GetVisualPartCount(visual), armed ? 6 : 5);
    EXPECT_EQ(animator.GetWeaponBar() != nullptr, armed);
    EXPECT_TRUE(animator.GetSelectionMarker()->IsHidden());
    EXPECT_NE(dynamic_cast<TStatBar*>(animator.GetHealthBar()), nullptr);

    TVisual* body = GetVisualPart(visual, kBodyPart);
    const int32_t animations = GetVisualChildCount(body);
    EXPECT_EQ(animations, unit->GetType().GetName() == "Queen" ? 6 : 5);
    for (int32_t a = 0; a < animations; ++a) EXPECT_EQ(GetVisualChildCount(GetVisualChild(body, a)), kFacings);

    // The controller's choices reach the tree.
    animator.SetFacing(5);
    animator.SetState("Run", 1.0f);
    const auto* bodySwitch = dynamic_cast<TVisualSwitch*>(body);
    ASSERT_NE(bodySwitch, nullptr);
    EXPECT_EQ(bodySwitch->GetSelectedIndex(), TUnitAnimator::kRunAnimation);
    const auto* running = dynamic_cast<TVisualSwitch*>(GetVisualChild(body, TUnitAnimator::kRunAnimation));
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->GetSelectedIndex(), 5);
    EXPECT_FLOAT_EQ(running->GetSelected()->GetStartTime(), 1.0f);
    animator.ShowSelected(true);
    EXPECT_FALSE(animator.GetSelectionMarker()->IsHidden());
  }
  for (TGameObject* object : others_) {
    ASSERT_NE(object->GetVisual(), nullptr);
    EXPECT_TRUE(Layer().Contains(object->GetVisual()));
  }

  battle_.reset();
  EXPECT_EQ(Layer().EntryCount(), before);
}

TEST_P(UnitVisualsTest, SightingAndCombatMarkersTakeTheReactionColours) {
  LoadBattle();
  Combatant& unit = *units_.front();
  TReactionSettings& settings = battle_->GetReactionManager().FindOrCreate(unit.GetId());
  settings.SetSightingCode(std::string(TReactionSettings::kHalt));
  settings.RefreshMarkers();
  const TVisual* visual = unit.GetAnimator().GetVisual();
  const auto* sighting = dynamic_cast<const TBarVisual*>(GetVisualPart(const_cast<TVisual*>(visual), kSightingMarkerPart));
  const auto* combat = dynamic_cast<const TBarVisual*>(GetVisualPart(const_cast<TVisual*>(visual), kCombatMarkerPart));
  ASSERT_NE(sighting, nullptr);
  ASSERT_NE(combat, nullptr);
  ASSERT_TRUE(settings.GetSightingMarkerColour().has_value());
  ASSERT_NE(sighting->GetColour(), nullptr);
  EXPECT_EQ(*sighting->GetColour(), *settings.GetSightingMarkerColour());
  ASSERT_TRUE(settings.GetCombatMarkerColour().has_value());
  ASSERT_NE(combat->GetColour(), nullptr);
  EXPECT_EQ(*combat->GetColour(), *settings.GetCombatMarkerColour());
}

TEST_P(UnitVisualsTest, GivenOrdersShowTheirMarkersAndTakeThemAlong) {
  LoadBattle();
  const std::size_t withUnits = Layer().EntryCount();
  TActionResolver& resolver = battle_->GetActionResolver();
  TOrderList& orders = battle_->GetOrderList();
  Combatant& walker = *units_[0];
  Combatant& holder = *units_[1];
  Combatant& shooter = *units_[2];
  Combatant& target = *units_.back();
  auto walk = std::make_unique<TMovementOrder>(walker.GetId(), resolver, TVector3(4.0f, 8.0f, 0.0f), false);
  auto hold = std::make_unique<THoldOrder>(holder.GetId(), resolver, 1.0f);
  auto attack = std::make_unique<TAttackElementOrder>(shooter.GetId(), resolver, target.GetId());
  const TMovementOrder* walkOrder = walk.get();
  const THoldOrder* holdOrder = hold.get();
  const TAttackElementOrder* attackOrder = attack.get();
  orders.Add(std::move(walk));
  orders.Add(std::move(hold));
  orders.Add(std::move(attack));

  ASSERT_NE(walkOrder->GetMarker(), nullptr);
  TVisual* waypoint = walkOrder->GetMarker()->GetVisual();
  TVisual* holdPoint = holdOrder->GetMarker().GetVisual();
  ASSERT_NE(attackOrder->GetMarker(), nullptr);
  TVisual* attackMarker = attackOrder->GetMarker()->GetVisual();
  for (TVisual* marker : {waypoint, holdPoint, attackMarker}) {
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(Layer().Contains(marker));
  }
  // A marker lies where its order acts.
  EXPECT_EQ(holdPoint->GetPosition(), holdOrder->GetMarker().GetPosition());
  for (TOrder* order : orders.CollectOrders()) order->ShowMarker(true);
  EXPECT_FALSE(holdPoint->IsHidden());
  EXPECT_FALSE(attackMarker->IsHidden());
  EXPECT_EQ(GetVisualChildCount(attackMarker), TAttackMarker::kPartCount);

  orders.Clear();
  EXPECT_EQ(Layer().EntryCount(), withUnits);
}

TEST_P(UnitVisualsTest, EffectsBuildTheirVisualsAndLeaveTheLayersWithThem) {
  LoadBattle();
  const std::size_t withUnits = Layer().EntryCount();
  const TGameData& data = battle_->GetWorld().GetGameData();
  const TVector3 at(5.0f, 5.0f, 0.0f);
  {
    Corpse corpse(at, *data.FindUnitType("Grunt"), 3, 1.0f, 0);
    Smoke smoke(at, 1.0f, 1.0f);
    Explosion blast(at, 10.0f, 2.0f, 1.0f, false);
    Explosion implosion(at, 10.0f, 2.0f, 1.0f, true);
    Goo goo(at, 1.0f);
    for (const TGameObject* effect :
         std::vector<const TGameObject*>{&corpse, &smoke, &blast, &implosion, &goo}) {
      ASSERT_NE(effect->GetVisual(), nullptr) << effect->TypeName();
      EXPECT_TRUE(Layer().Contains(effect->GetVisual())) << effect->TypeName();
    }
    // The corpse falls the way the unit faced.
    const auto* falls = dynamic_cast<const TVisualSwitch*>(corpse.GetVisual());
    ASSERT_NE(falls, nullptr);
    EXPECT_EQ(falls->GetSelectedIndex(), 3);
    EXPECT_EQ(falls->GetChildCount(), kFacings);
  }
  EXPECT_EQ(Layer().EntryCount(), withUnits);
}

TEST_P(UnitVisualsTest, TheMapCursorFollowsTheMouseInHalfUnits) {
  const std::size_t before = Layer().EntryCount();
  {
    TInterfaceCursor cursor;
    ASSERT_NE(cursor.GetTopVisual(), nullptr);
    ASSERT_NE(cursor.GetBottomVisual(), nullptr);
    for (const TVisual* visual : {cursor.GetTopVisual(), cursor.GetBottomVisual()}) {
      EXPECT_TRUE(Layer().Contains(visual));
      EXPECT_FALSE(visual->GetRenderFlag());
    }
    EXPECT_EQ(cursor.GetTopVisual()->GetPosition(), cursor.GetTopPosition());
    cursor.SetVisible(false);
    EXPECT_TRUE(cursor.GetTopVisual()->IsHidden());
    EXPECT_TRUE(cursor.GetBottomVisual()->IsHidden());
    cursor.SetVisible(true);
    EXPECT_FALSE(cursor.GetBottomVisual()->IsHidden());

    GetMouse()->SetPosition(400, 300);
    const TVector3 camera = TMapView::Instance()->GetCameraPosition();
    const TVector3 top = cursor.UpdateTop();
    EXPECT_EQ(top, TInterfaceCursor::SnapTop(MouseWorldX(), MouseWorldY(), 0.0f, camera, false));
    const TVector3 bottom = cursor.UpdateBottom();
    EXPECT_FLOAT_EQ(bottom.x, MouseWorldX() - 0.25f + camera.x);
    EXPECT_FLOAT_EQ(bottom.y, MouseWorldY() - 0.25f + camera.y);
  }
  EXPECT_EQ(Layer().EntryCount(), before);
}

TEST_P(UnitVisualsTest, AShownBattleSessionOwnsTheMapCursor) {
  const std::size_t before = Layer().EntryCount();
  auto session = std::make_unique<TBattleSession>(0);
  ASSERT_NE(session->GetCursor(), nullptr);
  EXPECT_TRUE(Layer().Contains(session->GetCursor()->GetTopVisual()));
  session.reset();
  EXPECT_EQ(Layer().EntryCount(), before);
}

std::string Name(const ::testing::TestParamInfo<std::tuple<const char*, bool>>& info) {
  return std::string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "3D" : "2D");
}

INSTANTIATE_TEST_SUITE_P(ShippedMaps, UnitVisualsTest,
                         ::testing::Combine(::testing::Values("Foundry", "Outpost"), ::testing::Bool()), Name);

// The snapping of the top cursor: doubled, rounded down and halved, or
// rounded down to whole units for the map designer.
TEST(InterfaceCursorSnap, SnapsToHalfOrWholeUnits) {
  struct TCase {
    float x, y;
    TVector3 camera;
    bool whole;
    TVector3 expected;
  };
  const TCase cases[] = {
      {1.2f, 3.7f, TVector3(), false, TVector3(1.0f, 3.5f, 0.0f)},
      {1.2f, 3.7f, TVector3(), true, TVector3(1.0f, 3.0f, 0.0f)},
      {-0.2f, 0.6f, TVector3(), false, TVector3(-0.5f, 0.5f, 0.0f)},
      {0.3f, 0.3f, TVector3(2.0f, -1.0f, 0.0f), false, TVector3(2.0f, -1.0f, 0.0f)},
      {0.3f, 0.3f, TVector3(2.4f, -1.0f, 0.0f), true, TVector3(2.0f, -1.0f, 0.0f)},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(TInterfaceCursor::SnapTop(c.x, c.y, 0.0f, c.camera, c.whole), c.expected) << c.x << ", " << c.y;
  }
}

// A world without a display stays as it was: no visual, no marker, no
// cursor.
class HeadlessVisualsTest : public GameFolderTest {};

TEST_F(HeadlessVisualsTest, ABattleWithoutAMapViewBuildsNoVisual) {
  ASSERT_FALSE(TMapView::Exists());
  TBattle battle;
  TWorld& world = battle.GetWorld();
  ASSERT_TRUE(world.LoadMapFile("Map\\Foundry.map"));
  const std::vector<Combatant*> units = reference_battle::PlaceArmy(world, Armies().front(), 5);
  ASSERT_FALSE(units.empty());
  auto hold = std::make_unique<THoldOrder>(units.front()->GetId(), battle.GetActionResolver(), 1.0f);
  const THoldOrder* holdOrder = hold.get();
  battle.GetOrderList().Add(std::move(hold));
  for (const Combatant* unit : units) EXPECT_EQ(unit->GetAnimator().GetVisual(), nullptr);
  EXPECT_EQ(holdOrder->GetMarker().GetVisual(), nullptr);
  const TInterfaceCursor cursor;
  EXPECT_EQ(cursor.GetTopVisual(), nullptr);
  EXPECT_EQ(TBattleSession(0).GetCursor(), nullptr);
  const Smoke smoke(TVector3(2.0f, 2.0f, 0.0f), 0.0f, 1.0f);
  EXPECT_EQ(smoke.GetVisual(), nullptr);
}

}  // namespace
