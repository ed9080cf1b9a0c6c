// A shield: the sphere of radius 3.0 that a unit raises around itself. It
// follows the unit, drains the unit's ammunition when it is hit, and goes
// when the unit is gone or switches it off. Movement and explosions ask the
// shield list whether a point is covered and how much a cover hides.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "display/effect_visuals.h"
#include "sim/world_effect.h"
#include "world/object_ref.h"

class Combatant;

class Shield : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Shield";
  static std::string_view StaticTypeName() { return kTypeName; }
  static constexpr float kRadius = 3.0f;
  // A point this close to the sphere's surface counts as outside.
  static constexpr float kCoverMargin = 0.03f;

  // Raised by the unit at the start time.
  Shield(const TVector3& position, float startTime, Combatant& owner);
  // Rebuilt from a record: the owner is the unit with the id in the list.
  Shield(const TVector3& position, float startTime, int32_t ownerId, TObjectList* ownerList);
  ~Shield() override;

  std::string_view TypeName() const override { return kTypeName; }
  // Moves with its owner while the owner exists.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // The owner pays the damage with its ammunition.
  bool TakeDamage(float amount) override;
  // Up only while the owner exists with its shield switched on.
  bool IsDestroyed() const override;
  float GetVisibility() const override { return 0.0f; }
  float GetSightWeight() const override { return 0.0f; }
  // What a blast loses passing through: the owner's whole rounds.
  float GetStrength() const override;
  void CommitFlags() override { MergeObjectFlags(); }
  // The smallest radius of its volume.
  float GetRadius() const override;
  void GetAimPoint(TVector3& out) const override;
  float GetCreationTime() const override { return startTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  // The owning unit's player; -1 once the unit is gone.
  int32_t QueryOwner() const;
  // Looks the owner up in the list from now on.
  void Relink(TObjectList* list);
  // Within the radius less the margin of the shield's position.
  bool Covers(const TVector3& point) const;
  // How much the shield hides: the owner type's "CloakingEffect", 1.0
  // without an owner.
  float CoverValue() const;

  float GetStartTime() const { return startTime_; }
  float GetAimHeight() const { return aimHeight_; }
  int32_t GetOwnerId() const { return owner_.GetId(); }
  // The owner when it resolves as a unit.
  Combatant* ResolveOwner() const;

 private:
  void AddSphere();
  // Marks the shield for its owner's player and takes the owner's aim height.
  void AdoptOwner();

  float startTime_;
  float aimHeight_ = 0.0f;
  TEffectVisualPtr visual_;
  TObjectRef owner_;
};

class TShieldRecord : public TGameObjectRecord {
 public:
  explicit TShieldRecord(const Shield& shield);
  explicit TShieldRecord(TDataStream& stream);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // The owner is looked up in the list given.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Shield::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  float GetStartTime() const { return startTime_; }
  int32_t GetOwnerId() const { return ownerId_; }

 private:
  float startTime_ = 0.0f;
  int32_t ownerId_ = -1;
};

class TShieldList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return Shield::kTypeName; }

  using TObjectList::Update;
  // Every shield looks its owner up in the list (the world) from now on.
  void Update(TObjectList& list);
  // Whether some shield covers the point.
  bool AnyCovers(const TVector3& point) const;
  // Whether the first shield (in list order) that covers a also covers b;
  // false when none covers a.
  bool FirstCoverAlsoCovers(const TVector3& a, const TVector3& b) const;
  // 1.0, lowered to the smallest cover value of the shields over the point.
  float CoverFactor(const TVector3& point) const;

 private:
  Shield* ShieldAt(int32_t index) const;
};
