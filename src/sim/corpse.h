// A corpse: what a unit leaves where it dies. It shows the type's death
// visual and plays its death cry, can be eaten or blown apart, and carries
// the game's score: every corpse that enters the corpse list adds the cost
// of the dead unit's type to the other player's score.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display/effect_visuals.h"
#include "sim/world_effect.h"

class TUnitType;

class Corpse : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Corpse";
  static std::string_view StaticTypeName() { return kTypeName; }
  // The players whose units leave corpses (and whose scores they count).
  static constexpr int32_t kPlayerCount = 2;
  // A corpse restored later than this after the death stays silent.
  static constexpr float kDeathSoundWindow = 0.1f;

  // The type must outlive the corpse.
  Corpse(const TVector3& position, const TUnitType& unitType, int32_t facing, float deathTime, int32_t owner);
  ~Corpse() override;

  std::string_view TypeName() const override { return kTypeName; }
  // The first update starts the death cry when it comes within 0.1 of the
  // death.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // One blow of at least the type's "CorpseEndurance" destroys it; smaller
  // blows do not add up.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return destroyed_; }
  float GetSightWeight() const override { return 1.0f; }
  void CommitFlags() override { MergeObjectFlags(); }
  // A corpse is always seen by its own player: asking about that player's
  // bit sets it first.
  bool FlagChanged(int32_t index) const override;
  float GetRadius() const override { return 0.0f; }
  // The dead unit's type name.
  std::string SubtypeName() const override;
  void GetAimPoint(TVector3& out) const override;
  float GetCreationTime() const override { return deathTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  // What eating it gives (above 0.0001 means edible).
  float GetFoodValue() const;
  // The dead unit's cost: what its death scores for the other player.
  float GetUnitCost() const;

  const TUnitType& GetUnitType() const { return *unitType_; }
  int32_t GetFacing() const { return facing_; }
  float GetDeathTime() const { return deathTime_; }
  int32_t GetOwner() const { return owner_; }
  bool HasStarted() const { return started_; }
  bool HasStartedDeathSound() const { return deathSoundStarted_; }

  // The death visual's group and name, the death cry's name.
  static std::string DeathVisualGroup(const TUnitType& unitType);
  static std::string DeathVisualName(const TUnitType& unitType);
  static std::string DeathSoundName(const TUnitType& unitType);

 private:
  const TUnitType* unitType_;
  int32_t facing_;
  float deathTime_;
  int32_t owner_;
  bool destroyed_ = false;
  TEffectVisualPtr visual_;
  bool started_ = false;
  bool deathSoundStarted_ = false;
  TEffectSound sound_;
};

class TCorpseRecord : public TGameObjectRecord {
 public:
  explicit TCorpseRecord(const Corpse& corpse);
  // The type name is an index into the stream's name table. An index
  // outside the table, or an owner that is no player, fails the stream.
  TCorpseRecord(TDataStream& stream, const TStringList& nameTable);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // Null when the game data does not know the unit type.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Corpse::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const std::string& GetUnitTypeName() const { return unitTypeName_; }
  int32_t GetFacing() const { return facing_; }
  float GetDeathTime() const { return deathTime_; }
  int32_t GetOwner() const { return owner_; }

 private:
  std::string unitTypeName_;
  int32_t facing_ = 0;
  float deathTime_ = 0.0f;
  int32_t owner_ = 0;
};

// The corpses of the world and the score table: one score per player, the
// sum of the costs of the enemy's dead units counted as their corpses came
// in (a corpse removed later does not lower it).
class TCorpseList : public TObjectList {
 public:
  // Farthest a corpse may lie from a point and still be found at it.
  static constexpr float kFindDistance = 0.5f;

  // One zero score per side of the game.
  TCorpseList();

  std::string_view ElementTypeName() const override { return Corpse::kTypeName; }
  // Scores the corpse's cost for the other player, then keeps it.
  void Add(std::unique_ptr<TGameObject> object) override;
  // The snapshot keeps the score table too: restoring puts the scores back
  // as they were, instead of counting the restored corpses again.
  void TakeSnapshot() override;
  bool RestoreSnapshot(const TGameData& gameData) override;
  // The corpses, then (above 1.0999) the score table.
  bool Save(TDataStream& stream, TStringList& nameTable) const override;
  // The loaded corpses count afresh; then (above 1.0999) the saved scores
  // replace the counted ones. Scores beyond the table's sides are ignored.
  bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) override;

  // 0 for a player outside the table.
  float GetScore(int32_t player) const;
  const std::vector<float>& GetScores() const { return scores_; }
  // Index of the nearest corpse within 0.5 of the position (the earlier one
  // of two at the same distance); -1 when none is that near.
  int32_t FindNearest(const TVector3& position) const;

 private:
  std::vector<float> scores_;
  std::vector<float> snapshotScores_;
};
