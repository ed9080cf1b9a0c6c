// Loads the unit and weapon tables from arbitrary data configuration text
// (the first half of the input as the unit data, the second as the weapons
// file) and asks every type the questions the rules ask. Besides crashes,
// leaks and runaway loops, the checks below trap when a table stops
// describing itself or a weapon leaves its bounds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/log.h"
#include "app/vector3.h"
#include "units/unit_shapes.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/game_data.h"
#include "world/volume.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

void ExerciseUnitType(const TGameData& data, const TUnitType& type) {
  Check(data.FindUnitType(type.GetName()) != nullptr);
  Check(data.GetUnitType(data.UnitTypeIndex(type.GetName())) == data.FindUnitType(type.GetName()));
  const TVector3 position(2.0f, 3.0f, 0.0f);
  TCompoundVolume volume;
  CreateUnitVolume(type, volume, &position);
  Check(volume.Count() == type.GetSightShapes().size());
  CreateRegeneratorVolume(type, volume, &position);
  type.GetRangeFactor();
  Check(type.GetPrepareAndRest() == type.GetPrepareWeapon() + type.GetRestWeapon() ||
        std::isnan(type.GetPrepareAndRest()));
}

void ExerciseWeapon(const TWeaponType& type) {
  TWeapon weapon(type);
  const float fraction = weapon.AmmunitionFraction();
  Check(type.GetAmmunition() > 0 || fraction == 0.0f);
  for (const float distance : {0.0f, 1.0f, 1000.0f}) {
    const float damage = weapon.DamageAt(distance);
    if (std::isfinite(type.GetDamage()) && type.GetDamage() >= 0.0f) {
      Check(damage <= type.GetDamage() * 1.0001f + 0.0001f);
    }
  }
  TVector3 out;
  weapon.Aim(out, TVector3(1.0f, 1.0f, 0.0f), TVector3(6.0f, 4.0f, 0.5f), 0.4f, true);
  weapon.Aim(out, TVector3(1.0f, 1.0f, 0.0f), TVector3(6.0f, 4.0f, 0.5f), 0.4f, false);
  weapon.SpendAmmunition(3.0f);
  Check(weapon.GetAmmunitionValue() >= 0.0f || type.GetAmmunition() < 0);
  weapon.AddAmmunition(2);
  weapon.ReloadOne();
  weapon.CanFire(false);
  // No simulation makers are registered here: firing holds nothing.
  weapon.FireAt(TVector3(3.0f, 3.0f, 0.0f), TVector3(), 1.0f);
  weapon.Fire(TVector3(), TVector3(1.0f, 0.0f, 0.0f), 1.0f, 0.4f);
  Check(weapon.HeldShotCount() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Empty tables and faulty shapes are logged; keep the log from growing
  // without end.
  static uint32_t runs = 0;
  if (runs++ % 256 == 0) {
    ResetLog();
  }

  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string unitText = input.substr(0, split);
  const std::string weaponText = split == std::string::npos ? std::string() : input.substr(split + 1);

  TGameData gameData(unitText, "fuzz", "[Terrain Data]\n[Floor]\nType = ground\n", weaponText);
  Check(gameData.GetUnitType(gameData.GetUnitTypeCount()) == nullptr);
  for (int32_t i = 0; i < gameData.GetUnitTypeCount(); ++i) {
    ExerciseUnitType(gameData, *gameData.GetUnitType(i));
  }
  const TWeaponTypeList& weapons = gameData.GetWeaponTypes();
  Check(weapons.WeaponDataCount() <= weapons.Count());
  for (int32_t i = 0; i < weapons.Count(); ++i) {
    ExerciseWeapon(*weapons.At(i));
  }
  // Every unit offered has its weapon record (a unit whose record was
  // refused is left out).
  for (int32_t i = 0; i < gameData.GetUnitTypeCount(); ++i) {
    Check(gameData.FindWeaponType(gameData.GetUnitType(i)->GetName()) != nullptr);
  }
  gameData.ReloadRules(weaponText);
  Check(gameData.HasRules() == (gameData.GetUnitTypeCount() > 0 && weapons.WeaponDataCount() > 0));
  return 0;
}
