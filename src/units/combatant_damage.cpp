// What happens to a unit's body and what it leaves behind: damage, health,
// ammunition, food, and the objects its death and its actions hand to the
// world.
#include <algorithm>
#include <memory>

#include "sim/shield.h"
#include "sim/world_effect.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/object_ref.h"
#include "world/stationary_unit.h"
#include "world/surrogate.h"

namespace {

// Food a Queen spends on one egg.
constexpr float kFoodPerEgg = 1.0f;
constexpr float kFoodTolerance = 0.0001f;

constexpr std::string_view kPsychicVisual = "greyVisual";

}  // namespace

// --- health ------------------------------------------------------------------

bool Combatant::TakeDamage(float amount) {
  // Grey units turn their ammunition into a barrier that soaks hits first.
  if (amount > 0.0f && type_->IsGreyRace() && weapon_ != nullptr) {
    amount = weapon_->SpendAmmunition(amount);
    ShowWeaponFraction();
    if (!weapon_->HasAmmunition()) canFire_ = 0;
  }
  const float damage = amount - type_->GetArmour();
  if (damage > 0.0f) AddEndurance(-damage);
  return IsDestroyed();
}

bool Combatant::LoseEndurance(float amount) {
  AddEndurance(-amount);
  return IsDestroyed();
}

void Combatant::AddEndurance(float delta) {
  health_ = std::max(std::min(health_ + delta, type_->GetEndurance()), 0.0f);
  animator_->ShowHealth(HealthFraction());
}

float Combatant::HealthFraction() const { return ShownFraction(health_, type_->GetEndurance()); }

// --- weapon --------------------------------------------------------------------

void Combatant::ShowWeaponFraction() {
  if (weapon_ == nullptr) return;
  animator_->ShowWeaponFraction(ShownFraction(weapon_->GetAmmunitionValue(),
                                              static_cast<float>(weapon_->GetMaxAmmunition())));
}

void Combatant::FireAt(const TVector3& target, float time) {
  if (weapon_ != nullptr) weapon_->FireAt(target, Position(), time);
}

void Combatant::Fire(const TVector3& direction, float time, TObjectList* mapObjects) {
  if (weapon_ != nullptr) weapon_->Fire(Position(), direction, time, GetRadius(), mapObjects);
}

void Combatant::FireWarpVolley(float start, const std::vector<TVector3>& directions,
                               const std::vector<float>& arrivals) {
  if (weapon_ == nullptr || directions.empty()) return;
  const std::size_t legs = std::min(directions.size(), arrivals.size());
  // A path shot leaves along its first entry and, at each entry's time,
  // turns towards the next entry as a point; so the legs after the first
  // are given as the points where they end.
  std::vector<TVector3> path;
  path.reserve(legs);
  path.push_back(directions.front());
  const float speed = weapon_->GetSpeed();
  TVector3 reached = weapon_->LaunchPoint(Position(), directions.front(), GetRadius());
  float legStart = start;
  for (std::size_t i = 0; i < legs; ++i) {
    TVector3 leg = directions[i];
    leg.Scale(speed * (arrivals[i] - legStart));
    reached.Add(leg);
    if (i > 0) path.push_back(reached);
    legStart = arrivals[i];
  }
  const std::vector<float> times(arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(legs));
  weapon_->FireAlong(Position(), start, GetRadius(), path, times);
}

bool Combatant::CanFire(bool flag) const {
  // Splatters fight by bursting, with or without a weapon.
  if (type_->IsSplatterType()) return true;
  if (weapon_ == nullptr) return false;
  // A weapon that recovers on its own can always be used again.
  return weapon_->CanFire(type_->HasRecovery() ? true : flag);
}

void Combatant::SpendAmmunition(float amount) {
  if (weapon_ == nullptr) return;
  weapon_->SpendAmmunition(amount);
  if (!weapon_->HasAmmunition()) canFire_ = 0;
}

void Combatant::SetCanFire(bool canFire) {
  if (canFire_ == 0 && canFire) shieldRaised_ = 1;
  canFire_ = canFire ? 1 : 0;
}

bool Combatant::DiesOfEmptyWeapon() const {
  return weapon_ != nullptr && weapon_->GetAmmunition() == 0 && type_->HasAmmoDeath();
}

float Combatant::GetWeaponRange() const { return weapon_ != nullptr ? weapon_->GetRange() : 0.0f; }

TVector3 Combatant::GetFiringPoint() const {
  TVector3 point = Position();
  point.z += weapon_ != nullptr ? weapon_->GetFiringHeight() : kUnarmedFiringHeight;
  return point;
}

// --- food ------------------------------------------------------------------------

void Combatant::AddFood(float amount) { foodStore_ += amount; }

bool Combatant::CanLayEgg() const { return type_->IsQueenType() && foodStore_ > kFoodPerEgg - kFoodTolerance; }

bool Combatant::ConsumeFood() {
  if (!CanLayEgg()) return false;
  foodStore_ -= kFoodPerEgg;
  eggPending_ = 1;
  return true;
}

// --- hand-over to the world ------------------------------------------------------

void Combatant::HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) {
  if (weapon_ != nullptr) {
    weapon_->ReleaseShots(newObjects, time, nullptr, &GetCurrentFlags());
    if (DiesOfEmptyWeapon()) health_ = 0.0f;
  }
  TGameObject::HandleDestroyed(newObjects, gameData, time);
  const bool dead = IsDestroyed();
  if (dead) {
    type_->OnDeath(*this, facing_, owner_, newObjects, gameData, time, GetCurrentFlags());
    LinkSurrogate(newObjects);
  }
  if (eggPending_ != 0) LayPendingEgg(newObjects, gameData, time);
  if (!dead && shieldRaised_ != 0) {
    newObjects.push_back(std::make_unique<Shield>(Position(), time, *this));
    shieldRaised_ = 0;
  }
}

void Combatant::LinkSurrogate(TNewObjects& newObjects) const {
  // The surrogate passes the players' sight of the dead unit on to the
  // corpse that follows it.
  for (std::size_t i = newObjects.size(); i-- > 0;) {
    if (newObjects[i] == nullptr || newObjects[i]->TypeName() != Surrogate::kTypeName) continue;
    if (i + 1 < newObjects.size() && newObjects[i + 1] != nullptr) {
      static_cast<Surrogate&>(*newObjects[i]).AddLink(std::make_unique<TObjectRef>(newObjects[i + 1].get()));
    }
    return;
  }
}

void Combatant::LayPendingEgg(TNewObjects& newObjects, const TGameData& gameData, float time) {
  eggPending_ = 0;
  // Rules without an egg type lay nothing; the food is spent all the same.
  std::unique_ptr<Egg> egg = Egg::Lay(gameData, Position(), owner_, time);
  if (egg == nullptr) return;
  egg->AssignFlags(GetCurrentFlags());
  newObjects.push_back(std::move(egg));
}

void Combatant::EmitEffects(TNewObjects& newObjects, const TGameData& /*gameData*/, float time) {
  if (psychicAttack_ == 0) return;
  auto effect = std::make_unique<TSpecialEffectObject>(Position(), std::string(TSpecialEffectObject::kPsychicAttack),
                                                       std::string(kPsychicVisual), time);
  effect->AssignFlags(GetCurrentFlags());
  newObjects.push_back(std::move(effect));
}
