// What the battle screens' named commands read and change through the
// session: texts of the game record and the selected unit, questions about
// the selected unit, the player's account strings, the view toggles, and
// the visuals a battle loads before it is shown.
#include <string>
#include <vector>

#include "app/string_table.h"
#include "app/text_utils.h"
#include "display/map_view.h"
#include "display/visual_preload.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_query.h"
#include "session/game_record.h"
#include "sim/scenario.h"
#include "sim/smoke.h"
#include "sim/turn_simulator.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/reaction_manager.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_type.h"
#include "world/world.h"

namespace {

std::string Interface(const std::string& text) { return GetStringTable()->TranslateIn("Interface", text); }

// The screen a game returns to when the player leaves it.
std::string InitialScreenOf(int modeNumber) {
  if (modeNumber == 6) return "Play";
  if (modeNumber == 4) return "Tutorial Menu";
  return "Intro Screen";
}

// The race of the last unit of the player in list order; empty when the
// player has none.
std::string RaceOfPlayer(const TCombatantList& units, int32_t player) {
  std::string race;
  for (int32_t i = 0; i < units.Count(); ++i) {
    const Combatant* unit = units.UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player) race = unit->GetType().GetRace();
  }
  return race;
}

}  // namespace

int32_t TBattle::GetScenarioForcePoints() const {
  const TScenario* scenario = GetSimulator().GetScenario();
  return scenario == nullptr ? 0 : scenario->GetDeployForcePoints();
}

// --- texts --------------------------------------------------------------------------------

std::string TBattleSession::PlayerText() const {
  return record_->GetPlayerName() + " " + Interface("@322") + " " + record_->GetOpponentName();
}

std::string TBattleSession::ResultText() const {
  const int32_t winner = record_->GetWinner();
  if (winner == -1) return Interface("@324");
  const std::string& name = winner == record_->GetPlayerNumber() ? record_->GetPlayerName() : record_->GetOpponentName();
  return " " + Interface("@323") + " " + name;
}

std::string TBattleSession::ReasonText() const { return Interface("@" + IntToString(record_->GetEndReason())); }

std::string TBattleSession::FoodText() const {
  const Combatant* unit = Selected();
  if (unit == nullptr || !unit->IsQueen()) return std::string();
  return IntToString(static_cast<int64_t>(unit->GetType().GetFoodValue()));
}

std::string TBattleSession::OutOfAmmoText() const {
  const Combatant* unit = Selected();
  if (unit == nullptr || unit->GetWeapon() == nullptr) return std::string();
  const TWeapon& weapon = *unit->GetWeapon();
  if (weapon.GetAmmunition() != 0 || weapon.GetMaxAmmunition() <= 0) return std::string();
  return Interface(unit->GetType().IsGreyRace() ? "@325" : "@326");
}

std::string TBattleSession::GetMapName() const { return record_->GetMap(); }

std::string TBattleSession::GetPlayerName() const { return TGame::Instance()->GetPlayerData().playerName; }

std::string TBattleSession::GetPrimaryEmail() const { return TGame::Instance()->GetPlayerData().emailAddress; }

std::string TBattleSession::GetPassword() const { return TGame::Instance()->GetPlayerData().password; }

// --- the selected unit ------------------------------------------------------------------

TReactionSettings* TBattleSession::SetSighting() const {
  return HasSelectedUnit() ? GetReactionManager().Find(SelectedId()) : nullptr;
}

TReactionSettings* TBattleSession::SetCombat() const {
  return HasSelectedUnit() ? GetReactionManager().Find(SelectedId()) : nullptr;
}

bool TBattleSession::CanLayEgg() const {
  const Combatant* unit = Selected();
  return unit != nullptr && unit->IsQueen();
}

bool TBattleSession::CanCommitSuicide() const {
  const Combatant* unit = Selected();
  return unit != nullptr && unit->GetType().IsSplatterType();
}

bool TBattleSession::HasShield() const {
  const Combatant* unit = Selected();
  return unit != nullptr && unit->GetType().HasShield();
}

bool TBattleSession::CanEat() const {
  const Combatant* unit = Selected();
  return unit != nullptr && unit->GetType().IsQueenType();
}

bool TBattleSession::NextUnit(int32_t direction) {
  TCombatantList& units = GetCombatantList();
  const int32_t count = units.Count();
  const int32_t player = GetPlayerNumber();
  const Combatant* current = units.GetSelected();
  int32_t at = -1;
  for (int32_t i = 0; i < count; ++i) {
    if (units.UnitAt(i) == current) at = i;
  }
  const int32_t step = direction > 0 ? 1 : -1;
  // From the selected unit (or from the list's end) round the list once.
  int32_t index = at >= 0 ? at : (step > 0 ? count - 1 : 0);
  for (int32_t tried = 0; tried < count; ++tried) {
    index = (index + step + count) % count;
    Combatant* unit = units.UnitAt(index);
    if (unit == nullptr || unit->GetOwner() != player || unit->IsDestroyed()) continue;
    SelectById(unit->GetId());
    if (TMapView::Exists()) TMapView::Instance()->SetCameraPosition(unit->Position());
    return true;
  }
  return false;
}

// --- the view ---------------------------------------------------------------------------

int32_t TBattleSession::Scale(float zoom) const {
  if (TMapView::Exists()) TMapView::Instance()->SetZoom(zoom);
  return 0;
}

void TBattleSession::ToggleWallView() const {
  GetMap().ToggleWalls();
  GetWorld().GetSmoke().ToggleDisplay();
}

// --- leaving the game -----------------------------------------------------------------

void TBattleSession::Concede(bool concede) {
  record_->SetConceded(concede);
  if (!concede) return;
  const int mode = RunningGameMode();
  // In the mail game the concession travels with the orders file.
  if (mode == 2) {
    RequestScreen("Send Orders Screen");
    return;
  }
  if (mode == 1) TGame::Instance()->SwitchMode(0);
  RequestScreen(InitialScreenOf(mode));
}

void TBattleSession::SetGamesFolderName(const std::string& folder) { gamesFolder_ = folder; }

// --- visuals ----------------------------------------------------------------------------

std::vector<TVisualPreload> TBattleSession::CreateTerrainVisuals() const {
  std::vector<TVisualPreload> requests;
  const TGameData& data = GetWorld().GetGameData();
  for (int32_t i = 0; i < data.GetTerrainTypeCount(); ++i) {
    const TTerrainType* terrain = data.GetTerrainType(i);
    if (terrain != nullptr) requests.push_back({"Terrain", terrain->GetName(), false});
  }
  const std::string races[] = {RaceOfPlayer(GetCombatantList(), 0), RaceOfPlayer(GetCombatantList(), 1)};
  for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
    const TUnitType* type = data.GetUnitType(i);
    if (type == nullptr) continue;
    for (const std::string& race : races) {
      if (race.empty() || type->GetRace() != race) continue;
      requests.push_back({race + "Visual", type->GetName(), type->IsSpawnRace()});
    }
  }
  for (const TVisualPreload& request : requests) PreloadMapVisual(request);
  return requests;
}
