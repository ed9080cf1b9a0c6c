// An explosion: the blast a detonating shot, a dying unit or an exploding
// tile leaves. It keeps the hits its blast front will deal, one per target,
// each due when the front reaches the target; the resolver turns due hits
// into damage. A warp explosion (an implosion) runs from its edge inwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "display/effect_visuals.h"
#include "display/mapview/map_view_hooks.h"
#include "sim/world_effect.h"

class TEvent;
class TWorld;

// One scheduled hit of a blast.
struct TExplosionHit {
  int32_t targetId = -1;
  float amount = 0.0f;
  float time = 0.0f;

  bool operator==(const TExplosionHit& other) const = default;
};

class Explosion : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Explosion";
  static std::string_view StaticTypeName() { return kTypeName; }
  // Blasts weaker than this (and every implosion) sound small.
  static constexpr float kLargeBlastDamage = 10.0f;

  // Seen by every player; its sound is chosen by its strength.
  Explosion(const TVector3& position, float damage, float radius, float startTime, bool warp);
  ~Explosion() override;

  // 3.0 x max(radius / 10, 1): how long the explosion lasts.
  static float DurationFor(float radius);
  // Sprites of blasts weaker than 12 are drawn smaller: damage / 12.
  static float VisualScaleFor(float damage);

  std::string_view TypeName() const override { return kTypeName; }
  // Finished once start time + duration < time.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return finished_; }
  void CommitFlags() override { MergeObjectFlags(); }
  float GetCreationTime() const override { return startTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  // The scheduled hit on the target, or null.
  const TExplosionHit* FindHit(int32_t targetId) const;
  // Appends a hit as it stands (a hit restored from a record).
  void AddHit(const TExplosionHit& hit) { hits_.push_back(hit); }
  // Forgets the hits due at the time.
  void DropDueHits(float time);

  // Once per explosion: casts the blast's rays over the world and schedules
  // one hit per object met, timed by the blast front (10 units per time
  // unit; an implosion runs from the edge inwards) and sized by the distance
  // and by what the ray passed through. A blast without reach hits nothing.
  void Spread(TWorld& world);
  // Each hit due at the time becomes a damage event at the hit's own time
  // (appended to out) while its target is still there and not destroyed;
  // every due hit is then forgotten.
  void CollectDamage(float time, TWorld& world, std::vector<std::unique_ptr<TEvent>>& out);

  float GetDamage() const { return damage_; }
  float GetBlastRadius() const { return radius_; }
  float GetStartTime() const { return startTime_; }
  float GetDuration() const { return DurationFor(radius_); }
  bool HasSpread() const { return spread_; }
  void SetSpread(bool spread) { spread_ = spread; }
  bool IsWarp() const { return warp_; }
  const std::vector<TExplosionHit>& GetHits() const { return hits_; }
  std::string_view GetSoundName() const;
  float GetSoundVolume() const;

 private:
  float damage_;
  float radius_;
  float startTime_;
  bool spread_ = false;
  bool finished_ = false;
  bool warp_;
  std::vector<TExplosionHit> hits_;
  TEffectVisualPtr visual_;
  TEffectSound sound_;
  // Lights the ground around the blast for as long as it shows.
  TMapLight light_;

  // --- the blast (explosion_blast.cpp) ---------------------------------------
  // What a spread needs to know of the world besides the ray objects.
  struct TBlastContext;
  void ProcessRay(const TBlastContext& blast, const std::vector<TGameObject*>& objects);
  void ProcessTargetRay(const TBlastContext& blast, const std::vector<TGameObject*>& objects,
                        const TGameObject& target);
  bool IsShielded(const TBlastContext& blast, const TGameObject& object) const;
  // Whether a shield met by a ray covers the centre: the blast passes it.
  bool IsPassedShield(const TGameObject& object) const;
  float HitTime(float distance) const;
  float HitAmount(float distance, float strength) const;
  // Keeps the larger of the target's hits (a first hit is appended).
  void ScheduleHit(int32_t targetId, float amount, float time, bool onShield);
};

class TExplosionRecord : public TGameObjectRecord {
 public:
  explicit TExplosionRecord(const Explosion& explosion);
  // Streams up to 2.1599 carry no warp byte; a hit count beyond what the
  // stream can hold fails the stream.
  explicit TExplosionRecord(TDataStream& stream);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // The explosion starts again at its start time, keeps its spread mark
  // (it does not spread twice) and its hits.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Explosion::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  float GetDamage() const { return damage_; }
  float GetRadius() const { return radius_; }
  float GetStartTime() const { return startTime_; }
  bool HasSpread() const { return spread_; }
  bool IsWarp() const { return warp_; }
  const std::vector<TExplosionHit>& GetHits() const { return hits_; }

 private:
  float damage_ = 0.0f;
  float radius_ = 0.0f;
  float startTime_ = 0.0f;
  bool spread_ = false;
  bool warp_ = false;
  std::vector<TExplosionHit> hits_;
};

class TExplosionList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return Explosion::kTypeName; }
  // While the visual flag is set, each new explosion's visual is marked.
  void Add(std::unique_ptr<TGameObject> object) override;

  using TObjectList::Update;
  // Every explosion spreads its blast over the world (each only once).
  void Update(TWorld& world);
  // Every explosion's due hits, as damage events appended to out.
  void CollectDamage(float time, TWorld& world, std::vector<std::unique_ptr<TEvent>>& out);
  // Every explosion forgets the hits due at the time (after a turn run here,
  // so nothing due at the new turn's start is carried over).
  void DropDueHits(float time);

  void SetVisualFlag(bool flag) { visualFlag_ = flag; }
  bool GetVisualFlag() const { return visualFlag_; }

 private:
  bool visualFlag_ = false;
};
