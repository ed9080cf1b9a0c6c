// Remembered answers of the map's step test for steps between neighbouring
// points of the half-unit lattice. The answer of a step depends only on its
// two ends, the mover's shape, its door access name, the point whose
// blockers it may ignore (the goal of a route search) and what stands on the
// map; the answers are kept per combination of the last four and dropped as
// soon as the map's grid changes. Route searches that run again and again
// toward the same goal (a unit re-planning as it walks) then ask the map once
// per step.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"

class TCompoundVolume;

class TStepCache {
 public:
  enum class EAnswer : uint8_t { kUnknown = 0, kFree = 1, kBlocked = 2 };

  // Most combinations kept at once; the one used longest ago goes first.
  static constexpr std::size_t kMaxLayers = 64;

  TStepCache();
  ~TStepCache();
  TStepCache(const TStepCache&) = delete;
  TStepCache& operator=(const TStepCache&) = delete;

  // Finds the slot of a step, making its layer when needed; false (and no
  // slot) for a step that is not between lattice neighbours on the map of
  // the size, or a shape whose members are of no known kind. `gridChanges`
  // is the map's change count: a different one drops every answer.
  bool Find(const TVector3& from, const TVector3& to, const TCompoundVolume& volume, const std::string& access,
            const TVector3* via, int32_t width, int32_t height, uint32_t gridChanges);
  // The answer in the slot Find found.
  EAnswer Answer() const { return *slot_; }
  void Remember(bool free) { *slot_ = free ? EAnswer::kFree : EAnswer::kBlocked; }

  std::size_t LayerCount() const { return layers_.size(); }

  // Between Hold and Release (which nest) the caller vouches that no shape
  // asked about changes: a step asked for with the same shape object, access
  // name and ignored point (bit by bit) at the same height as the step
  // before finds its layer again without building and comparing the shape's
  // key. A route search asks thousands of steps so.
  void Hold() { ++holds_; }
  void Release();

 private:
  // Lattice points in a block of answers, per side.
  static constexpr int32_t kBlockSide = 8;
  static constexpr int32_t kDirections = 8;
  using TBlock = std::array<EAnswer, static_cast<std::size_t>(kBlockSide * kBlockSide * kDirections)>;

  struct TLayer {
    // The shape, access name, ignored point and height of the steps, bit by bit.
    std::vector<uint32_t> key;
    std::string access;
    uint64_t lastUse = 0;
    std::vector<std::unique_ptr<TBlock>> blocks;
  };

  // The key of the combination into keyScratch_; false for a shape with a
  // member of no known kind.
  bool MakeKey(const TCompoundVolume& volume, const TVector3* via, float z);
  TLayer& LayerFor(const std::string& access);
  void Reset(int32_t width, int32_t height, uint32_t gridChanges);

  // The layer of the last step asked while held, and what it was asked
  // with; null when there is none to reuse.
  struct TRecent {
    TLayer* layer = nullptr;
    const TCompoundVolume* volume = nullptr;
    std::string access;
    bool hasVia = false;
    std::array<uint32_t, 4> bits{};
  };
  static std::array<uint32_t, 4> RecentBits(const TVector3* via, float z);
  TLayer* RecentLayer(const TCompoundVolume& volume, const std::string& access, const TVector3* via, float z) const;

  std::vector<std::unique_ptr<TLayer>> layers_;
  TRecent recent_;
  uint32_t holds_ = 0;
  std::vector<uint32_t> keyScratch_;
  TLayer* last_ = nullptr;
  EAnswer* slot_ = nullptr;
  uint64_t uses_ = 0;
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  int32_t blockColumns_ = 0;
  int32_t blockRows_ = 0;
  uint32_t gridChanges_ = 0;
  bool started_ = false;
};
