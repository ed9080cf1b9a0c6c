#include "world/game_object.h"

#include "display/visual_registry.h"
#include "world/object_record.h"
#include "world/surrogate.h"

namespace {

// Flag indices are player numbers; a negative one names no player.
bool IsFlagIndex(int32_t index) { return index >= 0; }

}  // namespace

// --- TGameObject -------------------------------------------------------------

TGameObject::TGameObject(const TVector3& position)
    : position_(position),
      lofVolume_(std::make_unique<TCompoundVolume>()),
      losVolume_(std::make_unique<TCompoundVolume>()) {}

TGameObject::~TGameObject() {
  for (TVisual* visual : visuals_) RemoveVisualFromMapView(visual);
  visuals_.clear();
  // The members then go in the order the shapes were built on the position:
  // sight shape, fire shape, flags, position.
  losVolume_.reset();
  lofVolume_.reset();
}

float TGameObject::GetVisibility() const { return 1.0f; }

float TGameObject::GetSightWeight() const { return 0.0f; }

float TGameObject::GetStrength() const { return 0.0f; }

void TGameObject::SetFlag(int32_t index, bool value) {
  if (IsFlagIndex(index)) flags_.Set(static_cast<std::size_t>(index), value);
}

void TGameObject::CommitFlags() { flags_.Commit(); }

bool TGameObject::FlagChanged(int32_t index) const {
  return IsFlagIndex(index) && flags_.Changed(static_cast<std::size_t>(index));
}

void TGameObject::HandleDestroyed(TNewObjects& newObjects, const TGameData& /*gameData*/, float /*time*/) {
  if (IsDestroyed()) newObjects.push_back(std::make_unique<Surrogate>(*this));
}

void TGameObject::EmitEffects(TNewObjects& /*newObjects*/, const TGameData& /*gameData*/, float /*time*/) {}

bool TGameObject::IsMapTile() const { return false; }

float TGameObject::GetRadius() const { return 0.5f; }

std::string TGameObject::SubtypeName() const { return "No subtype"; }

void TGameObject::SetPosition(const TVector3& point) { position_ = point; }

void TGameObject::GetPosition(TVector3& out) const { out = position_; }

float TGameObject::SphereOverlap(const TVector3& /*centre*/, float /*radius*/) const { return 0.0f; }

void TGameObject::GetDirection(TVector3& out) const { out = TVector3(0.0f, 0.0f, 1.0f); }

bool TGameObject::IsOpaque() const { return false; }

void TGameObject::RefreshVisual() {}

void TGameObject::GetAimPoint(TVector3& out) const { out = position_; }

float TGameObject::GetCreationTime() const { return 0.0f; }

TVisual* TGameObject::GetVisual() const { return nullptr; }

std::string TGameObject::ActionName() const { return "normal"; }

bool TGameObject::LoseEndurance(float /*amount*/) { return false; }

void TGameObject::MergeObjectFlags() { flags_.KeepAsPrevious(); }

void TGameObject::SetLofVolume(std::unique_ptr<TCompoundVolume> volume) {
  lofVolume_ = volume != nullptr ? std::move(volume) : std::make_unique<TCompoundVolume>();
}

void TGameObject::SetLosVolume(std::unique_ptr<TCompoundVolume> volume) {
  losVolume_ = volume != nullptr ? std::move(volume) : std::make_unique<TCompoundVolume>();
}

void TGameObject::AddVisual(TVisual* visual) {
  if (visual != nullptr) visuals_.push_back(visual);
}

// --- TMobileObject -----------------------------------------------------------

TMobileObject::TMobileObject(const TVector3& position, float speed, const TVector3& direction, float startTime,
                             bool gravity)
    : TGameObject(position),
      trajectory_(std::make_unique<TTrajectory>(speed, direction, position, startTime, gravity)) {}

TMobileObject::~TMobileObject() = default;

void TMobileObject::Update(float time) { SetPosition(trajectory_->PositionAt(time)); }

void TMobileObject::SetStartTime(float time) {
  trajectory_->Set(trajectory_->GetDirection(), trajectory_->GetStart(), time);
}

void TMobileObject::PositionAt(TVector3& out, float time) const { out = trajectory_->PositionAt(time); }

void TMobileObject::SetDirection(const TVector3& direction) { trajectory_->SetDirection(direction); }

void TMobileObject::SetTrajectory(const TVector3& direction, const TVector3& startPoint, float startTime) {
  trajectory_->Set(direction, startPoint, startTime);
}

float TMobileObject::TimeToReach(const TVector3& point) const { return trajectory_->TimeToReach(point); }
