#include "units/unit_type.h"

#include "app/config_parser.h"
#include "app/string_table.h"
#include "units/shot_makers.h"
#include "units/unit_shapes.h"
#include "world/world_effects.h"

namespace {

// Times in the file are given per turn of this length.
constexpr float kTurnLength = 10.0f;
constexpr float kDegreesToRadians = 0.0055555557f * 3.1415927f;
// Raising a death explosion above the ground keeps its blast off the floor.
constexpr float kDeathExplosionHeight = 0.5f;

}  // namespace

TUnitType::TUnitType(TConfigParser& parser) { Read(parser); }

void TUnitType::Read(TConfigParser& parser) {
  std::string displayName;
  if (parser.GetString("Display Name", displayName)) {
    displayName_ = GetStringTable()->TranslateIn(TUnitTypeList::kLanguageSection, displayName);
  }
  name_ = parser.GetSectionName();
  parser.GetString("Race", race_);
  parser.GetFloat("Cost", cost_);
  if (parser.GetFloat("Speed", speed_)) {
    speed_ /= kTurnLength;
  }
  parser.GetFloat("Endurance", endurance_);
  parser.GetFloat("Armour", armour_);
  parser.GetInt("Size", size_);
  if (parser.GetFloat("Aim Time", aimTime_)) {
    aimTime_ *= kTurnLength;
  }
  if (parser.GetFloat("Prepare Weapon", prepareWeapon_)) {
    prepareWeapon_ *= kTurnLength;
  }
  if (parser.GetFloat("Rest Weapon", restWeapon_)) {
    restWeapon_ *= kTurnLength;
  }
  if (parser.GetFloat("Accuracy", accuracy_)) {
    accuracy_ *= kDegreesToRadians;
  }
  parser.GetBool("Ammodeath", ammoDeath_);
  parser.GetFloat("Vision", vision_);
  parser.GetFloat("Visibility", visibility_);
  parser.GetBool("Flying", flying_);
  parser.GetFloat("Death Explosion Damage", deathExplosionDamage_);
  parser.GetFloat("Death Explosion Radius", deathExplosionRadius_);
  parser.GetFloat("Food Value", foodValue_);
  if (parser.GetFloat("Healing Rate", healingRate_)) {
    healingRate_ *= kTurnLength;
  }
  parser.GetFloat("Tracking Range", trackingRange_);
  parser.GetString("Sighting Reaction", sightingReaction_);
  parser.GetString("Combat Reaction", combatReaction_);
  parser.GetFloat("Target Height", targetHeight_);
  parser.GetString("LOS Shape", sightShapeText_);
  parser.GetFloat("Reaction Time", reactionTime_);
  parser.GetFloat("Reaction Range", reactionRange_);
  parser.GetFloat("CorpseEndurance", corpseEndurance_);
  parser.GetFloat("RecoveryRate", recoveryRate_);
  parser.GetFloat("ShieldRate", shieldRate_);
  parser.GetFloat("ReloadRate", reloadRate_);
  parser.GetFloat("CloakingEffect", cloakingEffect_);
  parser.GetBool("ResupplyEnergy", resupplyEnergy_);
  parser.GetFloat("PsychicResistance", psychicResistance_);
  sightShapes_ = ParseTerrainShapes(sightShapeText_, name_);
}

void TUnitType::OnDeath(const TGameObject& unit, int32_t facing, int32_t owner, TNewObjects& newObjects,
                        const TGameData& /*gameData*/, float time, const TBitSet& flags) const {
  std::unique_ptr<TGameObject> corpse = MakeCorpse(unit.Position(), *this, facing, time, owner);
  if (corpse) {
    corpse->AssignFlags(flags);
    newObjects.push_back(std::move(corpse));
  }
  OnDestroyedRemains(unit.Position(), newObjects, time);
}

void TUnitType::OnDestroyedRemains(const TVector3& position, TNewObjects& newObjects, float time) const {
  if (deathExplosionDamage_ <= 0.0f) {
    return;
  }
  const TVector3 centre(position.x, position.y, position.z + kDeathExplosionHeight);
  std::unique_ptr<TGameObject> explosion =
      MakeExplosion(centre, deathExplosionDamage_, deathExplosionRadius_, time, 0);
  if (explosion) {
    newObjects.push_back(std::move(explosion));
  }
}

bool TUnitType::IsHeadquartersType() const {
  return name_ == "Queen" || name_ == "Marine HQ" || name_ == "Mech HQ" || name_ == "Regenerator";
}

bool TUnitType::IsScannerType() const {
  return name_ == "Scanner" || name_ == "Warp Gunner" || name_ == "Psyker";
}

const TColour& TUnitType::GetRaceColour() const { return ::GetRaceColour(*this); }

float TUnitType::GetRangeFactor() const {
  if (name_ == "Grenadier" || name_ == "Goo Spitter" || name_ == "Warp Gunner") {
    return 10.0f;
  }
  if (name_ == "Psyker") {
    return 15.0f;
  }
  if (accuracy_ > -0.0001f && accuracy_ < 0.0001f) {
    return 0.0f;
  }
  return 9.0f / (accuracy_ * 57.2957763671875f);
}

// ---------------------------------------------------------------------------
// TUnitTypeList

TUnitTypeList::TUnitTypeList(const std::string& text) { Load(text); }

void TUnitTypeList::Load(const std::string& text) {
  types_.clear();
  TConfigParser parser(text);
  if (!parser.SelectSection(kSectionName)) {
    return;
  }
  GetStringTable()->EnsureSection(kLanguageSection);
  // Every following header is one type, whatever its name.
  while (parser.NextSection()) {
    types_.push_back(std::make_unique<TUnitType>(parser));
  }
}

const TUnitType* TUnitTypeList::Find(const std::string& name) const {
  for (const auto& type : types_) {
    if (type->GetName() == name) {
      return type.get();
    }
  }
  return nullptr;
}

int32_t TUnitTypeList::IndexOf(const std::string& name) const {
  for (std::size_t i = 0; i < types_.size(); ++i) {
    if (types_[i]->GetName() == name) {
      return static_cast<int32_t>(i);
    }
  }
  return 0;
}

const TUnitType* TUnitTypeList::At(int32_t index) const {
  if (index < 0 || index >= Count()) {
    return nullptr;
  }
  return types_[static_cast<std::size_t>(index)].get();
}
