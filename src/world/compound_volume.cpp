#include <algorithm>

#include "world/volume.h"

namespace {

const TVolume* FirstMarked(const std::vector<std::unique_ptr<TVolume>>& members) {
  for (const auto& member : members) {
    if (member->IsHit()) return member.get();
  }
  return nullptr;
}

}  // namespace

TCompoundVolume::TCompoundVolume(const TCompoundVolume& other, const TVector3* positionRef) {
  Clone(other, positionRef);
}

void TCompoundVolume::Add(std::unique_ptr<TVolume> volume) {
  if (volume != nullptr) members_.push_back(std::move(volume));
}

void TCompoundVolume::DeleteAll() { members_.clear(); }

void TCompoundVolume::Clone(const TCompoundVolume& other, const TVector3* positionRef) {
  if (&other == this) {
    // Cloning onto itself must not delete what it is about to copy.
    SetPositionRef(positionRef);
    return;
  }
  DeleteAll();
  members_.reserve(other.members_.size());
  for (const auto& member : other.members_) members_.push_back(member->Clone(positionRef));
}

void TCompoundVolume::SetPositionRef(const TVector3* positionRef) {
  for (auto& member : members_) member->SetPositionRef(positionRef);
}

const TVector3* TCompoundVolume::PositionRef() const {
  return members_.empty() ? nullptr : members_.front()->PositionRef();
}

void TCompoundVolume::Centre(TVector3& out) const {
  if (members_.empty()) {
    out = TVector3();
    return;
  }
  members_.front()->GetCentre(out);
}

bool TCompoundVolume::IntersectsVolume(TVolume& volume) {
  for (auto& member : members_) {
    if (volume.Intersects(*member)) return true;
  }
  return false;
}

bool TCompoundVolume::AnyIntersects(TCompoundVolume& other) {
  // Each test clears both flags first, so everything looked at before the hit
  // is unmarked and the hit pair is the first marked member on either side.
  for (auto& member : members_) {
    if (other.IntersectsVolume(*member)) return true;
  }
  return false;
}

void TCompoundVolume::HitNormal(const TCompoundVolume& other, TVector3& out) const {
  const TVolume* mine = FirstMarked(members_);
  const TVolume* theirs = FirstMarked(other.members_);
  if (mine == nullptr || theirs == nullptr) {
    // No contact to take a surface from: straight up.
    out = TVector3(0.0f, 0.0f, 1.0f);
    return;
  }
  TVector3 centre;
  mine->GetCentre(centre);
  theirs->NormalTowards(centre, out);
}

float TCompoundVolume::MaxGroundRadius() const {
  if (members_.empty()) return 0.0f;
  float largest = members_.front()->GroundRadius();
  for (const auto& member : members_) largest = std::max(largest, member->GroundRadius());
  return largest;
}

float TCompoundVolume::MinGroundRadius() const {
  if (members_.empty()) return 0.0f;
  float smallest = members_.front()->GroundRadius();
  for (const auto& member : members_) smallest = std::min(smallest, member->GroundRadius());
  return smallest;
}

float TCompoundVolume::MinDistanceTo(const TVector3& point) const {
  if (members_.empty()) return 0.0f;
  float smallest = members_.front()->DistanceTo(point);
  for (const auto& member : members_) smallest = std::min(smallest, member->DistanceTo(point));
  return smallest;
}
