#include "world/step_cache.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "world/volume.h"

namespace {

// The lattice reaches half a unit beyond the map on every side, and the
// covered area a little further.
constexpr int32_t kBorder = 2;
// Beyond this no doubled coordinate names a lattice point of any map.
constexpr float kDoubledLimit = 1.0e6f;

enum EKeyTag : uint32_t { kNoVia = 0, kVia = 1, kBox = 2, kSphere = 3, kSegment = 4 };

uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }

void PushPoint(std::vector<uint32_t>& key, const TVector3& point) {
  key.push_back(Bits(point.x));
  key.push_back(Bits(point.y));
  key.push_back(Bits(point.z));
}

// The lattice index of a coordinate (twice it, when whole); false off the
// lattice.
bool LatticeIndex(float value, int32_t& index) {
  const float doubled = value * 2.0f;
  if (!(std::fabs(doubled) < kDoubledLimit)) return false;
  // Below the limit the truncation is exact: the value is whole when it
  // equals its truncation (what comparing it with its rounding tells too).
  const auto whole = static_cast<int32_t>(doubled);
  if (static_cast<float>(whole) != doubled) return false;
  index = whole + kBorder;
  return true;
}

// 0..7 for the eight neighbours; -1 for anything else.
int32_t DirectionIndex(int32_t dx, int32_t dy) {
  if (dx < -1 || dx > 1 || dy < -1 || dy > 1 || (dx == 0 && dy == 0)) return -1;
  const int32_t index = (dy + 1) * 3 + (dx + 1);
  return index > 4 ? index - 1 : index;
}

}  // namespace

TStepCache::TStepCache() = default;

TStepCache::~TStepCache() = default;

bool TStepCache::MakeKey(const TCompoundVolume& volume, const TVector3* via, float z) {
  std::vector<uint32_t>& key = keyScratch_;
  key.clear();
  key.push_back(via != nullptr ? kVia : kNoVia);
  if (via != nullptr) PushPoint(key, *via);
  key.push_back(Bits(z));
  for (std::size_t i = 0; i < volume.Count(); ++i) {
    const TVolume* member = volume.At(i);
    if (const auto* box = dynamic_cast<const TBoxVolume*>(member)) {
      key.push_back(kBox);
      PushPoint(key, box->LocalCorners().Min());
      PushPoint(key, box->LocalCorners().Max());
    } else if (const auto* sphere = dynamic_cast<const TSphereVolume*>(member)) {
      key.push_back(kSphere);
      PushPoint(key, sphere->CentreOffset());
      key.push_back(Bits(sphere->Radius()));
    } else if (const auto* segment = dynamic_cast<const TSegmentVolume*>(member)) {
      key.push_back(kSegment);
      PushPoint(key, segment->EndA());
      PushPoint(key, segment->EndB());
    } else {
      return false;
    }
  }
  return true;
}

void TStepCache::Release() {
  if (holds_ > 0) --holds_;
  if (holds_ == 0) recent_.layer = nullptr;
}

std::array<uint32_t, 4> TStepCache::RecentBits(const TVector3* via, float z) {
  if (via == nullptr) return {0, 0, 0, Bits(z)};
  return {Bits(via->x), Bits(via->y), Bits(via->z), Bits(z)};
}

TStepCache::TLayer* TStepCache::RecentLayer(const TCompoundVolume& volume, const std::string& access,
                                            const TVector3* via, float z) const {
  if (holds_ == 0 || recent_.layer == nullptr || recent_.volume != &volume || recent_.hasVia != (via != nullptr)) {
    return nullptr;
  }
  // Element by element: the library's comparisons call memcmp, which costs
  // more than these few words.
  const std::array<uint32_t, 4> bits = RecentBits(via, z);
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i] != recent_.bits[i]) return nullptr;
  }
  if (access.size() != recent_.access.size()) return nullptr;
  for (std::size_t i = 0; i < access.size(); ++i) {
    if (access[i] != recent_.access[i]) return nullptr;
  }
  return recent_.layer;
}

void TStepCache::Reset(int32_t width, int32_t height, uint32_t gridChanges) {
  layers_.clear();
  last_ = nullptr;
  recent_.layer = nullptr;
  columns_ = 2 * width + 2 * kBorder;
  rows_ = 2 * height + 2 * kBorder;
  blockColumns_ = (columns_ + kBlockSide - 1) / kBlockSide;
  blockRows_ = (rows_ + kBlockSide - 1) / kBlockSide;
  gridChanges_ = gridChanges;
  started_ = true;
}

TStepCache::TLayer& TStepCache::LayerFor(const std::string& access) {
  ++uses_;
  const auto matches = [this, &access](const TLayer& layer) {
    return layer.key == keyScratch_ && layer.access == access;
  };
  if (last_ == nullptr || !matches(*last_)) {
    last_ = nullptr;
    for (const auto& layer : layers_) {
      if (matches(*layer)) {
        last_ = layer.get();
        break;
      }
    }
  }
  if (last_ == nullptr) {
    if (layers_.size() >= kMaxLayers) {
      const auto oldest = std::min_element(layers_.begin(), layers_.end(),
                                           [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; });
      if (oldest->get() == recent_.layer) recent_.layer = nullptr;
      layers_.erase(oldest);
    }
    auto layer = std::make_unique<TLayer>();
    layer->key = keyScratch_;
    layer->access = access;
    layer->blocks.resize(static_cast<std::size_t>(blockColumns_) * static_cast<std::size_t>(blockRows_));
    last_ = layer.get();
    layers_.push_back(std::move(layer));
  }
  last_->lastUse = uses_;
  return *last_;
}

bool TStepCache::Find(const TVector3& from, const TVector3& to, const TCompoundVolume& volume,
                      const std::string& access, const TVector3* via, int32_t width, int32_t height,
                      uint32_t gridChanges) {
  slot_ = nullptr;
  int32_t column = 0;
  int32_t row = 0;
  int32_t toColumn = 0;
  int32_t toRow = 0;
  if (!LatticeIndex(from.x, column) || !LatticeIndex(from.y, row) || !LatticeIndex(to.x, toColumn) ||
      !LatticeIndex(to.y, toRow) || Bits(from.z) != Bits(to.z)) {
    return false;
  }
  const int32_t direction = DirectionIndex(toColumn - column, toRow - row);
  if (direction < 0) return false;
  if (!started_ || gridChanges != gridChanges_ || columns_ != 2 * width + 2 * kBorder ||
      rows_ != 2 * height + 2 * kBorder) {
    Reset(width, height, gridChanges);
  }
  if (column < 0 || column >= columns_ || row < 0 || row >= rows_) return false;
  TLayer* held = RecentLayer(volume, access, via, from.z);
  if (held != nullptr) {
    held->lastUse = ++uses_;
  } else {
    if (!MakeKey(volume, via, from.z)) return false;
    held = &LayerFor(access);
    if (holds_ > 0) {
      recent_.layer = held;
      recent_.volume = &volume;
      recent_.access = access;
      recent_.hasVia = via != nullptr;
      recent_.bits = RecentBits(via, from.z);
    }
  }
  TLayer& layer = *held;
  const auto blockIndex = static_cast<std::size_t>(row / kBlockSide) * static_cast<std::size_t>(blockColumns_) +
                          static_cast<std::size_t>(column / kBlockSide);
  std::unique_ptr<TBlock>& block = layer.blocks[blockIndex];
  if (block == nullptr) {
    block = std::make_unique<TBlock>();
    block->fill(EAnswer::kUnknown);
  }
  const int32_t inBlock = (row % kBlockSide) * kBlockSide + column % kBlockSide;
  slot_ = &(*block)[static_cast<std::size_t>(inBlock * kDirections + direction)];
  return true;
}
