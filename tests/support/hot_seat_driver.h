// Plays a local two-player game without screens, the way the screens will:
// frames of the game mode, and for the side whose seat it is the session's
// own operations (select a unit, give an order, finish the orders).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "session/battle_session.h"
#include "session/game_record.h"
#include "session/hot_seat_mode.h"
#include "session/sides.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/world.h"

class THotSeatDriver {
 public:
  // Frames are capped so that a turn that never pauses fails the test
  // instead of hanging it (a turn plays back in about 300 frames).
  static constexpr int32_t kMaxFrames = 2000;

  explicit THotSeatDriver(THotSeatMode& mode) : mode_(mode) {}

  int32_t Side() const { return TSides::Instance()->GetCurrentSide(); }
  TBattleSession& Session() const { return mode_.GetCurrentSession(); }

  // The set-up the scenario screen would make, then the game started.
  bool StartGame(const std::string& map, int32_t forcePoints, int32_t maxPerUnit) {
    TGameRecord& record = Session().GetGameRecord();
    record.SetMapName(map);
    record.SetFP(forcePoints);
    record.SetMaxCost(maxPerUnit);
    return mode_.WriteGameStart();
  }

  // Frames until the seated side has its turn played back and stored, so
  // that it stands in the orders phase.
  bool PlayUntilOrders() {
    for (int32_t frame = 0; frame < kMaxFrames; ++frame) {
      if (Session().IsTurnCommitted()) return true;
      mode_.Update();
    }
    return Session().IsTurnCommitted();
  }

  // Selects the nth own unit of the type, as a click on it would.
  bool SelectOwnUnit(const std::string& type, int32_t nth = 0) {
    TBattleSession& session = Session();
    const TCombatantList& units = session.GetWorld().GetUnits();
    for (int32_t i = 0; i < units.Count(); ++i) {
      const Combatant* unit = units.UnitAt(i);
      if (unit == nullptr || unit->IsDestroyed() || unit->GetOwner() != session.GetPlayerNumber()) continue;
      if (unit->GetType().GetName() != type || nth-- > 0) continue;
      return session.SelectById(unit->GetId());
    }
    return false;
  }

  // The race screen's choice and the deployment screen's placings.
  bool Deploy(const std::string& race, const std::vector<std::pair<std::string, TVector3>>& units) {
    TBattleSession& session = Session();
    session.GetGameRecord().SetRace(race);
    for (const auto& [type, at] : units) {
      if (!session.GiveDeployOrder(type, at)) return false;
    }
    return true;
  }

  // The send control of the orders screen, then the frame that hands the
  // seat on (or, after the second side, computes the turn).
  bool SendOrders() {
    const bool sent = Session().FinishOrders(true);
    mode_.Update();
    return sent;
  }

 private:
  THotSeatMode& mode_;
};
