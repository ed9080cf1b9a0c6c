// Goo: the patches a "Goo Spitter" shot spreads over the ground, on a
// half-square grid, drying up over time and worn away by damage; and the goo
// explosion that lays them as its spreading front reaches each point.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "display/effect_visuals.h"
#include "sim/event_factory.h"
#include "sim/world_effect.h"

class TWorld;

class Goo : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Goo";
  static std::string_view StaticTypeName() { return kTypeName; }
  static constexpr float kFullStrength = 10.0f;
  static constexpr float kDryingRate = 0.5f;
  // Damage per time unit to what stands in the goo.
  static constexpr float kGooDamage = 0.2f;
  // Half the diagonal of a half-square cell.
  static constexpr float kReach = 0.3536f;
  static constexpr int32_t kVisualVariants = 3;

  // Snaps the position to the half-square grid on the ground. Makes one
  // random draw (the visual's number), with or without a display.
  Goo(const TVector3& position, float startTime);
  ~Goo() override;

  static TVector3 SnapToGrid(const TVector3& position);
  static float GetGooDamage() { return kGooDamage; }
  static float GetReach() { return kReach; }

  std::string_view TypeName() const override { return kTypeName; }
  // strength = 10 - (time - start) x 0.5.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // Damage adds up since the start time.
  bool TakeDamage(float amount) override;
  // Gone once the strength has fallen below the damage taken.
  bool IsDestroyed() const override { return strength_ < damageTaken_; }
  void CommitFlags() override { MergeObjectFlags(); }
  float GetCreationTime() const override { return startTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  // Fresh goo on the patch: full strength, no damage, from the time.
  void Renew(float time);

  float GetStartTime() const { return startTime_; }
  float GetGooStrength() const { return strength_; }
  float GetDamageTaken() const { return damageTaken_; }
  void RestoreState(float strength, float damageTaken);
  // 1 to 3: which of the goo visuals the patch shows.
  int32_t GetVisualNumber() const { return visualNumber_; }

 private:
  float startTime_;
  float strength_ = kFullStrength;
  float damageTaken_ = 0.0f;
  int32_t visualNumber_;
  TEffectVisualPtr visual_;
};

class TGooRecord : public TGameObjectRecord {
 public:
  explicit TGooRecord(const Goo& goo);
  explicit TGooRecord(TDataStream& stream);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Goo::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  float GetStartTime() const { return startTime_; }
  float GetStrength() const { return strength_; }
  float GetDamageTaken() const { return damageTaken_; }

 private:
  float startTime_ = 0.0f;
  float strength_ = 0.0f;
  float damageTaken_ = 0.0f;
};

class TGooList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return Goo::kTypeName; }
  // A loaded world starts with the goo-damage clock unset.
  bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) override;

  // The patch at the point (each coordinate within 0.0001), or null.
  Goo* FindAt(const TVector3& position) const;
  // Whether a patch lies within the distance of the point; the distance is
  // at least the patch's reach.
  bool IsGooNear(const TVector3& point, float distance) const;
  // The same, giving the first such patch's id (-1 when none).
  bool FindGooNear(const TVector3& point, float distance, int32_t& id) const;
  // Goo at either end of a step.
  bool TouchesGoo(const TVector3& from, const TVector3& to, float size) const;

  // Goo damage is counted from the time on.
  void StartGooClock(float time);
  // Damage at 0.2 per time unit since the clock's time; 0 while it is unset.
  float GooDamageSince(float time) const;
  bool IsGooClockSet() const { return clockSet_; }

 private:
  float clockTime_ = 0.0f;
  bool clockSet_ = false;
};

// Goo still to land: where, and when the spreading front gets there.
struct TPendingGoo {
  TVector3 position;
  float time = 0.0f;
};

class GooExplosion : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "GooExplosion";
  static std::string_view StaticTypeName() { return kTypeName; }
  static constexpr float kDuration = 5.0f;
  // What a record read from a stream may carry: a radius far beyond any
  // weapon's blast, and no more pending goo than a spread of its rays
  // (nine by nine by nine, nine points each) can schedule.
  static constexpr float kMaxGooRadius = 16.0f;
  static constexpr int32_t kMaxPendingGoo = 9 * 9 * 9 * 9;

  // Seen by every player.
  GooExplosion(const TVector3& position, float radius, float startTime);
  ~GooExplosion() override;

  std::string_view TypeName() const override { return kTypeName; }
  // Finished once start time + 5.0 < time.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return finished_; }
  void CommitFlags() override { MergeObjectFlags(); }
  // After the base hand-over, the goo that is due at the time lands as new
  // patches.
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  float GetCreationTime() const override { return startTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  // Schedules goo at the point; a point already pending keeps its first time.
  void AddPendingGoo(const TVector3& position, float time);
  // Casts the goo's rays over the world once and schedules the goo where
  // they reach the ground, due as the spreading front gets there.
  void Spread(const TWorld& world);
  // Goo due at the time that lands on a patch already lying there renews
  // that patch: a RenewGoo event for it is appended and the entry dropped.
  // Goo due on bare ground stays, to be laid as a new patch afterwards.
  void CollectDamage(float time, TWorld& world, TEventVector& events);
  // Forgets the goo due at the time.
  void DropDueHits(float time);

  float GetGooRadius() const { return radius_; }
  float GetStartTime() const { return startTime_; }
  bool HasSpread() const { return spread_; }
  void SetSpread(bool spread) { spread_ = spread; }
  const std::vector<TPendingGoo>& GetPendingGoo() const { return pending_; }

 private:
  float radius_;
  float startTime_;
  bool spread_ = false;
  bool finished_ = false;
  std::vector<TPendingGoo> pending_;
  TEffectVisualPtr visual_;
  TEffectSound sound_;
};

class TGooExplosionRecord : public TGameObjectRecord {
 public:
  explicit TGooExplosionRecord(const GooExplosion& explosion);
  // A pending count beyond what the stream can hold fails the stream.
  explicit TGooExplosionRecord(TDataStream& stream);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return GooExplosion::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  float GetRadius() const { return radius_; }
  float GetStartTime() const { return startTime_; }
  bool HasSpread() const { return spread_; }
  const std::vector<TPendingGoo>& GetPendingGoo() const { return pending_; }

 private:
  float radius_ = 0.0f;
  float startTime_ = 0.0f;
  bool spread_ = false;
  std::vector<TPendingGoo> pending_;
};

class TGooExplosionList : public TObjectList {
 public:
  using TObjectList::Update;

  std::string_view ElementTypeName() const override { return GooExplosion::kTypeName; }
  // Every goo explosion spreads (each does so once), in list order.
  void Update(const TWorld& world);
  // Every goo explosion's renewals due at the time, in list order.
  void CollectDamage(float time, TWorld& world, TEventVector& events);
  // Every goo explosion forgets the goo due at the time (after a turn run
  // here, so nothing due at the new turn's start is carried over).
  void DropDueHits(float time);
};
