// The saved state of a unit (record type "Combatant"): what a snapshot, a
// saved game or a turn file holds for each unit, and what re-creates it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/vector3.h"
#include "world/object_record.h"

class Combatant;

class TCombatantTemplate : public TMobileObjectRecord {
 public:
  explicit TCombatantTemplate(const Combatant& unit);
  // Fields after the type index. Names index the stream's name table; an
  // index outside it, or a number that is not finite, marks the stream
  // failed.
  TCombatantTemplate(TDataStream& stream, const TStringList& nameTable);

  // The reader registered for "Combatant": null when the record does not read.
  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // A unit of the record's type (armed when a weapon type bears its name)
  // with the saved state; null when the game data does not know the type.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override;
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const std::string& GetTypeName() const { return typeName_; }
  int32_t GetFacing() const { return facing_; }
  int32_t GetOwner() const { return owner_; }
  float GetHealth() const { return health_; }
  const TVector3& GetDestination() const { return destination_; }
  const std::string& GetVisualState() const { return visualState_; }
  float GetVisualStateTime() const { return visualStateTime_; }
  float GetAmmunition() const { return ammunition_; }
  float GetCreationTime() const { return creationTime_; }
  float GetFoodStore() const { return foodStore_; }
  bool GetCanFire() const { return canFire_ != 0; }
  const std::string& GetName() const { return name_; }

 private:
  bool HasFiniteNumbers() const;

  std::string typeName_;
  int32_t facing_ = 0;
  int32_t owner_ = 0;
  float health_ = 0.0f;
  TVector3 destination_;
  std::string visualState_;
  float visualStateTime_ = 0.0f;
  float ammunition_ = 0.0f;
  float creationTime_ = 0.0f;
  float foodStore_ = 0.0f;
  uint8_t canFire_ = 0;
  std::string name_;
};

// Registers TCombatantTemplate::Read with the record factory as "Combatant".
void RegisterCombatantRecordReader();
