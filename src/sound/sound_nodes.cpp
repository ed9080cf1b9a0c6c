#include "sound/sound_nodes.h"

#include <cmath>
#include <limits>

#include "sound/sample_cache.h"
#include "sound/sound_system.h"

namespace {

int32_t Wrap(int32_t index, int32_t count) {
  const int32_t rest = index % count;
  return rest < 0 ? rest + count : rest;
}

// Steps since the start, truncated toward zero and kept within int range.
int32_t StepsSince(float time, float start, float rate) {
  const double steps = std::trunc((static_cast<double>(time) - start) * rate);
  if (!(steps == steps)) return 0;
  constexpr double kLimit = std::numeric_limits<int32_t>::max() / 2;
  return static_cast<int32_t>(std::fmax(-kLimit, std::fmin(kLimit, steps)));
}

}  // namespace

// --- TSound ----------------------------------------------------------------------------

TSound::TSound(const TVector3* position, bool copyPosition) {
  if (copyPosition && position != nullptr) {
    ownPosition_ = std::make_unique<TVector3>(*position);
    position_ = ownPosition_.get();
  } else {
    position_ = position;
  }
}

TSound::~TSound() = default;

void TSound::Update(float /*time*/) {}

void TSound::Suspend() { suspended_ = true; }

void TSound::SetVolumeScale(float /*scale*/) {}

// --- TNullSound ------------------------------------------------------------------------

const TVector3 TNullSound::kOrigin;

TNullSound::TNullSound() : TSound(&kOrigin, true) {}

void TNullSound::Start(float /*time*/) {}
void TNullSound::Play() {}
void TNullSound::Stop() {}
void TNullSound::Update(float /*time*/) {}
void TNullSound::SetVolumeScale(float /*scale*/) {}

// --- TDirectSound ----------------------------------------------------------------------

TDirectSound::TDirectSound(const TVector3* position, bool copyPosition, const std::string& fileName, float volume,
                           float pitch, float priority, bool looped)
    : TSound(position, copyPosition), fileName_(fileName), volume_(volume), pitch_(pitch), priority_(priority) {
  tSoundSystem* system = tSoundSystem::Instance();
  if (system != nullptr && !fileName_.empty()) buffer_ = system->GetSampleBuffer(fileName_);
  if (buffer_) {
    buffer_->SetPitch(pitch_);
    buffer_->SetLooped(looped);
    SetVolume(volume_);
  }
}

TDirectSound::~TDirectSound() {
  Stop();
  buffer_.reset();
}

void TDirectSound::Start(float time) {
  scheduledStart_ = time;
  startPending_ = true;
}

void TDirectSound::Play() {
  tSoundSystem* system = tSoundSystem::Instance();
  if (buffer_ && system != nullptr) system->PlayNode(this);
}

void TDirectSound::Stop() {
  if (!buffer_) return;
  if (tSoundSystem* system = tSoundSystem::Instance()) {
    system->StopNode(this);
  } else {
    buffer_->Stop();
  }
}

bool TDirectSound::IsPlaying() { return buffer_ && buffer_->IsPlaying(); }

void TDirectSound::Update(float time) {
  if (scheduledStart_ > time) return;
  if (startPending_) {
    startPending_ = false;
    Play();
  }
  if (tSoundSystem* system = tSoundSystem::Instance()) system->UpdatePan(*this);
}

void TDirectSound::Suspend() {
  SetSuspended(true);
  if (buffer_ && buffer_->IsPlaying()) {
    buffer_->SavePosition();
    Stop();
  }
}

void TDirectSound::SetVolume(float factor) {
  tSoundSystem* system = tSoundSystem::Instance();
  if (buffer_ && system != nullptr) buffer_->SetVolume(system->VolumeToAttenuation(volumeScale_ * volume_ * factor));
}

void TDirectSound::SetPan(float pan) {
  tSoundSystem* system = tSoundSystem::Instance();
  if (buffer_ && system != nullptr) buffer_->SetPan(system->PanToAttenuation(pan));
}

// --- TCompositeSound -------------------------------------------------------------------

void TCompositeSound::AddChild(std::unique_ptr<TSound> child) {
  if (child) children_.push_back(std::move(child));
}

TSound* TCompositeSound::Child(int32_t index) const {
  return index >= 0 && index < ChildCount() ? children_[static_cast<std::size_t>(index)].get() : nullptr;
}

void TCompositeSound::Stop() {
  for (auto& child : children_) child->Stop();
}

bool TCompositeSound::IsPlaying() {
  for (auto& child : children_) {
    if (child->IsPlaying()) return true;
  }
  return false;
}

void TCompositeSound::Update(float time) {
  SetSuspended(false);
  for (auto& child : children_) child->Update(time);
}

void TCompositeSound::Suspend() {
  SetSuspended(true);
  for (auto& child : children_) child->Suspend();
}

void TCompositeSound::SetVolumeScale(float scale) {
  for (auto& child : children_) child->SetVolumeScale(scale);
}

// --- TSoundSwitch ----------------------------------------------------------------------

void TSoundSwitch::Start(float time) {
  if (TSound* child = CurrentChild()) child->Start(time);
}

void TSoundSwitch::Play() {
  if (TSound* child = CurrentChild()) child->Play();
}

void TSoundSwitch::Update(float time) {
  SetSuspended(false);
  TSound* child = CurrentChild();
  if (changed_) {
    changed_ = false;
    if (child != nullptr) child->Start(time);
  }
  if (child != nullptr) child->Update(time);
}

void TSoundSwitch::Select(int32_t index) {
  if (TSound* child = CurrentChild()) child->Stop();
  changed_ = true;
  current_ = index;
}

// --- TRandomSound ----------------------------------------------------------------------

int32_t TRandomSound::RandomIndex() const {
  tSoundSystem* system = tSoundSystem::Instance();
  return system != nullptr ? system->DrawSoundIndex(ChildCount()) : 0;
}

void TRandomSound::Start(float time) {
  if (ChildCount() == 0) return;
  Select(RandomIndex());
  TSoundSwitch::Start(time);
}

void TRandomSound::Play() {
  if (ChildCount() == 0) return;
  if (TSound* child = Child(RandomIndex())) child->Play();
}

// --- TSoundSequence --------------------------------------------------------------------

void TSoundSequence::Start(float time) {
  active_ = true;
  Select(0);
  TSoundSwitch::Start(time);
}

void TSoundSequence::Play() {
  active_ = true;
  Select(0);
  TSoundSwitch::Play();
}

void TSoundSequence::Stop() {
  active_ = false;
  TCompositeSound::Stop();
}

void TSoundSequence::Update(float time) {
  if (!active_) return;
  TSoundSwitch::Update(time);
  const int32_t count = ChildCount();
  if (count == 0) return;
  TSound* child = CurrentChild();
  if (child != nullptr && child->IsPlaying()) return;
  const int32_t next = Wrap(GetCurrent() + 1, count);
  if (next == GetCurrent()) return;
  Select(next);
}

// --- TSoundCycle -----------------------------------------------------------------------

TSoundCycle::TSoundCycle(const TVector3* position, bool copyPosition, float rate, bool clamped)
    : TCompositeSound(position, copyPosition), rate_(rate), clamped_(clamped) {}

void TSoundCycle::Start(float time) {
  current_ = -1;
  active_ = true;
  startTime_ = time;
}

void TSoundCycle::Play() { active_ = true; }

void TSoundCycle::Stop() {
  active_ = false;
  current_ = -1;
  startTime_ = -1.0f;
  TCompositeSound::Stop();
}

void TSoundCycle::Update(float time) {
  if (!active_) return;
  const int32_t count = ChildCount();
  if (count == 0) return;
  if (startTime_ == -1.0f) startTime_ = time;
  const int32_t step = StepsSince(time, startTime_, rate_);
  if (clamped_ && step >= count) {
    current_ = count - 1;
    return;
  }
  if (current_ != -1) Child(Wrap(current_, count))->Update(time);
  if (step == current_) return;
  current_ = step;
  Child(Wrap(step, count))->Start(time);
}
