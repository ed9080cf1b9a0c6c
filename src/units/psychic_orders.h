// Strikes by mind power at a point the player picks: "PsychicAttack" stuns
// the enemy unit nearest to the point, "Psychic" damages it. Both aim for the
// unit type's "Prepare Weapon" time, strike, then rest for its "Rest Weapon"
// time; they differ only in their name and in the strike itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "app/vector3.h"
#include "units/attack_orders.h"
#include "units/order.h"

class TPsychicStrikeOrder : public TOrder {
 public:
  // Both classes show the same marker.
  static constexpr std::string_view kMarkerName = "PsychicAttack";

  ~TPsychicStrikeOrder() override;

  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return started_; }
  void Reset() override;
  // The name, the unit id, then the target point.
  void Write(TDataStream& stream) const override;
  // "Prepare Weapon" plus "Rest Weapon" of the unit's type.
  float PlannedTime() const override;

  const TVector3& GetTargetPoint() const { return targetPoint_; }
  float GetStartTime() const { return startTime_; }
  bool HasStruck() const { return struck_; }
  bool IsDone() const { return done_; }
  TAttackMarker* GetMarker() const { return marker_.get(); }

 protected:
  TPsychicStrikeOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point);
  // The unit id, then the point.
  TPsychicStrikeOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  // The strike of the class at its due time.
  virtual void Strike(Combatant& unit, const TVector3& point, float strikeTime) = 0;

 private:
  // Stretches the marker from where the order starts to the point.
  void PlaceMarker();

  std::unique_ptr<TAttackMarker> marker_;
  bool started_ = false;
  float startTime_ = 0.0f;
  bool struck_ = false;
  TVector3 targetPoint_;
  bool done_ = false;
};

class TPsychicAttackOrder : public TPsychicStrikeOrder {
 public:
  static constexpr std::string_view kName = "PsychicAttack";

  TPsychicAttackOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point);
  TPsychicAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  std::string_view Name() const override { return kName; }

 protected:
  // Stuns the victim: it stops and loses its orders.
  void Strike(Combatant& unit, const TVector3& point, float strikeTime) override;
};

class TPsychicOrder : public TPsychicStrikeOrder {
 public:
  static constexpr std::string_view kName = "Psychic";

  TPsychicOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point);
  TPsychicOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  std::string_view Name() const override { return kName; }

 protected:
  // Deals psychic damage to the victim.
  void Strike(Combatant& unit, const TVector3& point, float strikeTime) override;
};

// Files "PsychicAttack" and "Psychic" with the order factory.
void RegisterPsychicOrderReaders();
