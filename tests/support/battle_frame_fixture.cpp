#include "support/battle_frame_fixture.h"

#include <string>
#include <vector>
#include <utility>

#include "app/game_data.h"
#include "display/colour.h"
#include "display/d3d/d3d_display.h"
#include "display/d3d/map_view_d3d_view.h"
#include "display/display.h"
#include "display/map_view.h"
#include "display/mapview/lighting_grid.h"
#include "session/battle.h"
#include "support/reference_battle.h"
#include "units/attack_orders.h"
#include "units/combatant.h"
#include "units/order_list.h"
#include "units/unit_visual_state.h"
#include "world/map.h"
#include "world/world.h"

namespace battle_frame {

std::unique_ptr<TDisplay> MakeDisplay(TFrameDisplay kind) {
  if (kind == TFrameDisplay::k2D) return CreateDisplay("DIRECTDRAW_2D", false, kWidth, kHeight);
  TD3DDisplayOptions options;
  options.createDevice = kind == TFrameDisplay::k3DSoftware ? platform::CreateSoftwareDevice
                                                            : platform::CreateOpenGLDevice;
  auto display = std::make_unique<TDirect3D8Display>(false, kWidth, kHeight, std::move(options));
  display->AdoptView(std::make_unique<TMapViewD3DView>(display.get()));
  return display;
}

TBattleFrame::TBattleFrame(std::unique_ptr<TDisplay> display, const TBattleFrameOptions& options) {
  DestroyGameDataConfig();
  TMapView::Create(std::move(display));
  battle_ = std::make_unique<TBattle>();
  TWorld& world = battle_->GetWorld();
  loaded_ = world.LoadMapFile("Map\\Foundry.map");
  if (!loaded_) return;
  const float width = static_cast<float>(world.GetMap().GetWidth());
  const float height = static_cast<float>(world.GetMap().GetHeight());
  const TVector3 centre(width * 0.5f, height * 0.5f, 0.0f);
  if (options.skirmish) {
    PlaceSkirmish(centre);
    GiveOrdersAndShowMarkers();
    LightFires(centre);
  } else {
    attackers_ = reference_battle::PlaceArmy(world, reference_battle::FoundryAttackers(), kUnitsASide);
    defenders_ = reference_battle::PlaceArmy(world, reference_battle::FoundryDefenders(width), kUnitsASide);
  }
  TMapView::Instance()->CentreOn(centre);
}

TBattleFrame::~TBattleFrame() {
  // The lights leave the layers before they go.
  for (const std::unique_ptr<TLight>& fire : fires_) TMapView::Instance()->RemoveLight(fire.get());
  fires_.clear();
  battle_.reset();
  TMapView::Destroy();
  DestroyGameDataConfig();
}

bool TBattleFrame::IsReady() const {
  const TDisplay* display = TMapView::Instance()->GetDisplay();
  return loaded_ && display != nullptr && display->IsInitialised();
}

std::size_t TBattleFrame::VisualCount() const { return TMapView::Instance()->GetCurrentLayer()->EntryCount(); }

void TBattleFrame::Draw() {
  TMapView& view = *TMapView::Instance();
  view.BeginFrame();
  view.Draw();
}

void TBattleFrame::Present() { TMapView::Instance()->EndFrame(); }

void TBattleFrame::Frame() {
  Draw();
  Present();
}

platform::RenderDevice* TBattleFrame::Device() const {
  auto* display = dynamic_cast<TDirect3D8Display*>(TMapView::Instance()->GetDisplay());
  return display != nullptr ? display->GetRenderDevice() : nullptr;
}

void TBattleFrame::ShowOrderMarkers(bool show) {
  for (TOrder* order : battle_->GetSimulator().GetOrders().CollectOrders()) order->ShowMarker(show);
}

void TBattleFrame::PlaceSkirmish(const TVector3& centre) {
  constexpr int32_t kRows = 4;
  constexpr float kGap = 1.5f;
  TWorld& world = battle_->GetWorld();
  const TGameData& data = world.GetGameData();
  const struct {
    reference_battle::TArmy army;
    float firstColumn;
    std::vector<Combatant*>* placed;
  } sides[] = {{reference_battle::FoundryAttackers(), -3.0f * kGap, &attackers_},
               {reference_battle::FoundryDefenders(0.0f), 1.0f * kGap, &defenders_}};
  TNewObjects objects;
  for (const auto& side : sides) {
    for (int32_t i = 0; i < kUnitsASide; ++i) {
      const std::string& typeName = side.army.types[static_cast<std::size_t>(i) % side.army.types.size()];
      const TUnitType* type = data.FindUnitType(typeName);
      if (type == nullptr) continue;
      const TVector3 at(centre.x + side.firstColumn + kGap * static_cast<float>(i / kRows),
                        centre.y + kGap * (static_cast<float>(i % kRows) - 1.5f), 0.0f);
      auto unit = std::make_unique<Combatant>(*type, data.FindWeaponType(typeName), side.army.owner, at, 0.0f);
      side.placed->push_back(unit.get());
      objects.push_back(std::move(unit));
    }
  }
  world.AddObjects(objects);
}

void TBattleFrame::LightFires(const TVector3& centre) {
  // A grid of fires of different strengths over the whole view: every floor
  // tile in sight gets its own corner lights.
  constexpr float kOffsets[] = {-9.0f, -3.0f, 3.0f, 9.0f};
  int32_t index = 0;
  for (float dx : kOffsets) {
    for (float dy : kOffsets) {
      const float intensity = 0.35f + 0.1f * static_cast<float>((index * 5) % 7);
      fires_.push_back(TLight::At(TVector3(centre.x + dx, centre.y + dy, 0.0f), intensity));
      TMapView::Instance()->AddLight(fires_.back().get());
      ++index;
    }
  }
}

void TBattleFrame::GiveOrdersAndShowMarkers() {
  TTurnSimulator& sim = battle_->GetSimulator();
  reference_battle::GiveOrders(sim, attackers_, defenders_);
  reference_battle::GiveOrders(sim, defenders_, attackers_);
  ShowOrderMarkers(true);
  for (TOrder* order : sim.GetOrders().CollectOrders()) {
    const auto* attack = dynamic_cast<const TAttackOrder*>(order);
    if (attack != nullptr && attack->GetMarker() != nullptr && attack->GetMarker()->GetVisual() != nullptr &&
        attack->GetMarker()->IsShown()) {
      ++shownMarkers_;
    }
  }
  // Each unit as the first side's player sees it after a round of fire:
  // health and ammunition spent by different amounts, the reaction colours
  // of its sighting and combat markers, every fourth one selected.
  const TColour sighting(0.9f, 0.8f, 0.1f, 1.0f);
  const TColour combat(0.9f, 0.2f, 0.1f, 0.7f);
  int32_t index = 0;
  for (const std::vector<Combatant*>* side : {&attackers_, &defenders_}) {
    for (Combatant* unit : *side) {
      TUnitAnimator& animator = unit->GetAnimator();
      const float spent = 0.08f * static_cast<float>(index % 9);
      animator.ShowHealth(1.0f - spent);
      animator.ShowWeaponFraction(1.0f - spent * 0.5f);
      animator.ShowMarkersFor(0);
      animator.ShowSightingColour(&sighting);
      animator.ShowCombatColour(index % 2 == 0 ? &combat : nullptr);
      animator.ShowSelected(index % 4 == 0);
      ++index;
    }
  }
}

}  // namespace battle_frame
