#include "units/weapon.h"

#include "app/config_parser.h"

namespace {

// The file gives distances per turn of this length.
constexpr float kTurnLength = 10.0f;

// Counts a unit file may give a weapon: far beyond any real load, yet small
// enough that the rounding of held rounds stays inside an int.
constexpr int32_t kMostAmmunition = 1000000;

int32_t BoundedCount(int32_t count) { return count < 0 ? 0 : (count > kMostAmmunition ? kMostAmmunition : count); }

bool IsLobbingWeapon(const std::string& name) { return name == "Grenadier" || name == "Goo Spitter"; }

// A record whose shots could not fly: a reach but no speed (the flight step
// and the range test divide by the speed), or a negative reach or speed.
// Records without reach fire no shots (close combat, or no weapon at all);
// the psychic and warp attacks reach without flying.
bool IsRefused(const TWeaponType& type) {
  const float range = type.GetRange();
  const float speed = type.GetSpeed();
  if (range < 0.0f || speed < 0.0f) return true;
  if (!(range > 0.0001f) || speed > 0.0f) return false;
  return type.GetName() != "Psyker" && type.GetName() != "Warp Gunner";
}

// Keeps the record unless it is refused; whether it was kept.
bool Keep(std::vector<std::unique_ptr<TWeaponType>>& types, std::unique_ptr<TWeaponType> type) {
  if (IsRefused(*type)) return false;
  types.push_back(std::move(type));
  return true;
}

}  // namespace

TWeaponType::TWeaponType(TConfigParser& parser) { Read(parser); }

void TWeaponType::Read(TConfigParser& parser) {
  name_ = parser.GetSectionName();
  affectedByGravity_ = false;
  integrity_ = 1.0f;
  // Only a complete record names the visual group of its race.
  if (ReadMainKeys(parser)) {
    parser.GetString("Race", visualName_);
  }
  visualName_ += "Visual";
  firingHeight_ = 0.75f;
  parser.GetFloat("FiringHeight", firingHeight_);
  if (parser.GetBool("Affected By Gravity", affectedByGravity_)) {
    parser.GetFloat("Integrity", integrity_);
  }
  speed_ /= kTurnLength;
  if (IsLobbingWeapon(name_)) {
    affectedByGravity_ = true;
  }
  ammoPerShot_ = 1;
  parser.GetInt("AmmoPerShot", ammoPerShot_);
  ammunition_ = BoundedCount(ammunition_);
  ammoPerShot_ = BoundedCount(ammoPerShot_);
}

bool TWeaponType::ReadMainKeys(TConfigParser& parser) {
  return parser.GetFloat("Weapon Range", range_) && parser.GetFloat("Weapon Speed", speed_) &&
         parser.GetFloat("Damage", damage_) && parser.GetFloat("Explosive Radius", explosiveRadius_) &&
         parser.GetString("Damage Effect", damageEffect_) && parser.GetInt("Ammunition", ammunition_);
}

bool TWeaponType::IsTypeKind(const std::string& areaKind) const {
  if (name_ == "Missile Tank" || name_ == "Spiker" || name_ == "Warp Gunner") {
    return false;
  }
  if (IsLobbingWeapon(name_)) {
    return areaKind != "forceField";
  }
  return areaKind == "forceField";
}

// ---------------------------------------------------------------------------
// TWeaponTypeList

TWeaponTypeList::TWeaponTypeList(const std::string& unitText, const std::string& weaponText) {
  Load(unitText, weaponText);
}

void TWeaponTypeList::Clear() {
  types_.clear();
  weaponDataCount_ = 0;
}

void TWeaponTypeList::Load(const std::string& unitText, const std::string& weaponText) {
  Clear();
  TConfigFile units(unitText);
  if (units.SelectSection(kUnitSection)) {
    while (units.NextSection()) {
      Keep(types_, std::make_unique<TWeaponType>(units));
    }
  }
  TConfigFile weapons(weaponText);
  if (weapons.SelectSection(kWeaponSection)) {
    while (weapons.NextSection()) {
      if (Keep(types_, std::make_unique<TWeaponType>(weapons))) ++weaponDataCount_;
    }
  }
}

const TWeaponType* TWeaponTypeList::Find(const std::string& name) const {
  for (const auto& type : types_) {
    if (type->GetName() == name) {
      return type.get();
    }
  }
  return nullptr;
}

const TWeaponType* TWeaponTypeList::At(int32_t index) const {
  if (index < 0 || index >= Count()) {
    return nullptr;
  }
  return types_[static_cast<std::size_t>(index)].get();
}
