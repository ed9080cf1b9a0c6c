// Smoke: a world object that thins out by 0.1 of density per unit of game
// time and goes when its density reaches 0. Destroyed special terrain leaves
// it behind; the wall view can mark every smoke visual at once.
#pragma once

#include <memory>
#include <string_view>

#include "display/effect_visuals.h"
#include "sim/world_effect.h"

class Smoke : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Smoke";
  static std::string_view StaticTypeName() { return kTypeName; }
  static constexpr float kThinningRate = 0.1f;
  // The visual starts at a random point of its loop, up to this far back.
  static constexpr float kVisualOffsetRange = 10.0f;

  // Makes one random draw (the visual's start offset), with or without a
  // display.
  Smoke(const TVector3& position, float startTime, float initialDensity);
  ~Smoke() override;

  std::string_view TypeName() const override { return kTypeName; }
  // density = initial - (time - start) x 0.1, never below 0 (no upper
  // clamp); expired once it is 0.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // Smoke cannot be hurt.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return expired_; }
  float GetVisibility() const override { return 1.0f; }
  float GetRadius() const override { return 0.0f; }
  void CommitFlags() override { MergeObjectFlags(); }
  // How much the smoke hides: 0.1 x density.
  float SphereOverlap(const TVector3& centre, float radius) const override;
  float GetCreationTime() const override { return startTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  float GetStartTime() const { return startTime_; }
  float GetInitialDensity() const { return initialDensity_; }
  float GetDensity() const { return density_; }
  void SetDensity(float density) { density_ = density; }
  // Where the visual's loop was started (start time less the drawn offset).
  float GetVisualStartTime() const { return visualStartTime_; }

 private:
  float startTime_;
  float initialDensity_;
  float density_;
  bool expired_ = false;
  float visualStartTime_;
  TEffectVisualPtr visual_;
};

class TSmokeRecord : public TGameObjectRecord {
 public:
  explicit TSmokeRecord(const Smoke& smoke);
  explicit TSmokeRecord(TDataStream& stream);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // The smoke keeps its saved density, not its initial one.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Smoke::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  float GetStartTime() const { return startTime_; }
  float GetInitialDensity() const { return initialDensity_; }
  float GetDensity() const { return density_; }

 private:
  float startTime_ = 0.0f;
  float initialDensity_ = 0.0f;
  float density_ = 0.0f;
};

class TSmokeList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return Smoke::kTypeName; }
  // While the list is shown, a new smoke's visual is marked at once.
  void Add(std::unique_ptr<TGameObject> object) override;

  // Flips the shown flag and marks (or unmarks and refreshes) every visual.
  void ToggleDisplay();
  bool IsShown() const { return shown_; }

 private:
  bool shown_ = false;
};
