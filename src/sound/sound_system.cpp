#include "sound/sound_system.h"

#include <algorithm>
#include <cmath>

#include "app/application.h"
#include "app/config_parser.h"
#include "app/log.h"
#include "app/message_box.h"
#include "app/settings_store.h"
#include "app/system_clock.h"
#include "app/vector3.h"
#include "display/map_view.h"
#include "sound/sample_cache.h"
#include "sound/sound_library.h"
#include "sound/sound_nodes.h"

using platform::SoundResult;

namespace {

std::unique_ptr<tSoundSystem> gSoundSystem;

constexpr const char* kSettingsSection = "APP";
constexpr const char* kSoundOnKey = "SoundOn";
constexpr int32_t kTableSize = 101;
constexpr float kTileWidth = 64.0f;
// Priority and volume fall off with the distance from the view centre.
constexpr float kPriorityFalloff = 0.033f;
constexpr float kVolumeFalloff = 0.02f;

double Now() { return TSystemClock::Instance()->GetSeconds(); }

TVector3 ViewCentre() { return TMapView::Exists() ? TMapView::Instance()->GetCameraPosition() : TVector3(); }

float ViewZoom() { return TMapView::Exists() ? TMapView::Instance()->GetZoom() : 1.0f; }

float DistanceFromCentre(const TVector3& position) {
  const TVector3 centre = ViewCentre();
  return TVector3(position.x - centre.x, position.y - centre.y, position.z - centre.z).Length();
}

void* MainWindowHandle() {
  TGameApplication* application = GetGameApplication();
  return application != nullptr ? static_cast<void*>(application->GetWindow()) : nullptr;
}

int32_t TruncateIndex(float value) {
  if (!(value == value)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(value * 100.0f), -100.0f, 100.0f));
}

}  // namespace

bool TSoundVoice::PlaysSameSample(const TDirectSound& node) const { return node_->GetFileName() == node.GetFileName(); }

float ComputeSoundPan(float zoom, int32_t width, float centreX, float centreY, int32_t screenX) {
  if (width <= 0) return 0.0f;
  const auto centre = static_cast<int32_t>(std::trunc(kTileWidth * (centreX - centreY) * 0.5f * zoom + 0.5f));
  const float pan = zoom * static_cast<float>(screenX - centre) / static_cast<float>(width);
  return std::clamp(pan, -1.0f, 1.0f);
}

// --- creation ---------------------------------------------------------------------------

tSoundSystem* tSoundSystem::Create() {
  gSoundSystem.reset();
  gSoundSystem.reset(new tSoundSystem());
  return gSoundSystem.get();
}

void tSoundSystem::Destroy() { gSoundSystem.reset(); }

tSoundSystem* tSoundSystem::Instance() { return gSoundSystem.get(); }

tSoundSystem::tSoundSystem()
    : library_(std::make_unique<TSoundLibrary>()), sampleCache_(std::make_unique<TSampleCache>()) {
  // The table is ready before any device: a node asking for an attenuation
  // of a silent manager gets a real value.
  BuildVolumeTable();
  bool wanted = false;
  if (TGameApplication* application = GetGameApplication()) {
    if (TSettingsStore* settings = application->GetSettings()) {
      settings->SelectSection(kSettingsSection);
      settings->GetBool(kSoundOnKey, wanted);
    }
  }
  if (wanted && CreateDevice()) {
    StartPrimary();
    if (soundOn_) WriteLog("Initialised DirectSound Succesfully\n");
  }
}

tSoundSystem::~tSoundSystem() {
  voices_.clear();
  sampleCache_.reset();
  library_.reset();
  StopPrimary();
  primary_.reset();
  device_.reset();
}

void tSoundSystem::BuildVolumeTable() {
  volumeTable_.assign(kTableSize, 0);
  volumeTable_[0] = platform::kSilentVolume;
  for (int32_t i = 1; i < kTableSize; ++i) {
    volumeTable_[static_cast<std::size_t>(i)] =
        platform::kSilentVolume + static_cast<int32_t>(std::trunc(5000.0 * std::log10(static_cast<double>(i))));
  }
}

bool tSoundSystem::CheckResult(const char* text, SoundResult code) {
  if (platform::SoundSucceeded(code)) return true;
  soundOn_ = false;
  ShowMessageText(text);
  return false;
}

bool tSoundSystem::CreateDevice() {
  WriteLog("Initialising DirectSound\n");
  if (OpenDevice()) return true;
  // A device that failed half way is dropped whole, so that nothing plays
  // through it; a later switch-on tries again.
  primary_.reset();
  device_.reset();
  return false;
}

bool tSoundSystem::OpenDevice() {
  std::unique_ptr<platform::SoundDevice> device;
  if (!CheckResult("Failed to create sound manager", platform::CreateSoundDevice(device)) || !device) return false;
  device_ = std::move(device);
  if (!CheckResult("Failed to set cooperative level",
                   device_->SetCooperativeLevel(MainWindowHandle(), platform::kCooperativeExclusive))) {
    return false;
  }
  return CreatePrimaryBuffer();
}

bool tSoundSystem::CreatePrimaryBuffer() {
  platform::SoundBufferDescription description;
  description.flags = platform::kBufferPrimary | platform::kBufferInHardware;
  std::unique_ptr<platform::SoundBuffer> primary;
  if (!CheckResult("Failed to create sound buffer", device_->CreateSoundBuffer(description, primary))) return false;
  primary_ = std::move(primary);
  uint32_t caps = 0;
  if (!CheckResult("Failed to get sound manager caps", device_->GetCaps(caps))) return false;
  platform::SoundFormat format;
  format.formatTag = platform::kWaveFormatPcm;
  format.samplesPerSecond = kOutputRate;
  format.channels = (caps & platform::kCapsPrimaryStereo) != 0 ? 2 : 1;
  format.bitsPerSample = (caps & platform::kCapsPrimary16Bit) != 0 ? 16 : 8;
  format.blockAlign = static_cast<uint16_t>(format.channels * format.bitsPerSample / 8);
  format.bytesPerSecond = kOutputRate * format.blockAlign;
  if (!CheckResult("Failed to set sound format", primary_->SetFormat(format))) return false;
  return CheckResult("Failed to defrag sound buffers", device_->Compact());
}

void tSoundSystem::StartPrimary() {
  if (!device_ || !primary_) return;
  if (CheckResult("Failed to play sound", primary_->Play(platform::kPlayLooping))) soundOn_ = true;
}

void tSoundSystem::StopPrimary() {
  soundOn_ = false;
  if (primary_) primary_->Stop();
}

int32_t tSoundSystem::SetSoundOn(bool on) {
  if (on == soundOn_) return 0;
  if (on) {
    if (!device_) CreateDevice();
    StartPrimary();
  } else {
    StopPrimary();
  }
  if (TGameApplication* application = GetGameApplication()) {
    if (TSettingsStore* settings = application->GetSettings()) {
      settings->SelectSection(kSettingsSection);
      application->GetUserSettingsFile().SetValue(kSoundOnKey, soundOn_ ? "Yes" : "No");
    }
  }
  return 0;
}

void tSoundSystem::ReplaceLibrary(std::unique_ptr<TSoundLibrary> library) {
  if (library) library_ = std::move(library);
}

// --- trees and samples --------------------------------------------------------------------

std::unique_ptr<TSound> tSoundSystem::MakeSound(const TVector3* position, bool copyPosition,
                                                const std::string& name) {
  return library_->BuildSound(position, copyPosition, name);
}

std::unique_ptr<TSampleBuffer> tSoundSystem::GetSampleBuffer(const std::string& fileName) {
  return sampleCache_->GetDuplicate(fileName, device_.get());
}

// --- voices ------------------------------------------------------------------------------

void tSoundSystem::PurgeFinishedVoices() {
  voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                               [](const std::unique_ptr<TSoundVoice>& voice) { return !voice->GetNode()->IsPlaying(); }),
                voices_.end());
}

bool tSoundSystem::IsRecentlyStarted(const TDirectSound& node, double now) const {
  return std::any_of(voices_.begin(), voices_.end(), [&](const std::unique_ptr<TSoundVoice>& voice) {
    return voice->PlaysSameSample(node) && voice->Age(now) < kRecentStart;
  });
}

void tSoundSystem::RemoveVoiceOf(const TDirectSound* node) {
  const auto found = std::find_if(voices_.begin(), voices_.end(),
                                  [node](const std::unique_ptr<TSoundVoice>& voice) { return voice->BelongsTo(node); });
  if (found != voices_.end()) voices_.erase(found);
}

void tSoundSystem::PlayNode(TDirectSound* node) {
  if (node == nullptr || !soundOn_ || muteCount_ != 0) return;
  PurgeFinishedVoices();
  if (IsRecentlyStarted(*node, Now())) return;
  if (!AcquireVoice(node)) return;
  SetDistanceVolume(*node);
  UpdatePan(*node);
  if (TSampleBuffer* buffer = node->GetBuffer()) buffer->Play();
}

bool tSoundSystem::AcquireVoice(TDirectSound* node) {
  RemoveVoiceOf(node);
  const float priority = EffectivePriority(*node);
  if (priority < kMinPriority) return false;
  if (voices_.size() >= kVoiceLimit) {
    // The oldest of the weakest voices gives way, and only to a stronger one.
    std::size_t weakest = 0;
    float lowest = 1.0f;
    for (std::size_t i = 0; i < voices_.size(); ++i) {
      if (i == 0 || voices_[i]->GetPriority() < lowest) {
        weakest = i;
        lowest = voices_[i]->GetPriority();
      }
    }
    if (!(lowest < priority)) return false;
    voices_.erase(voices_.begin() + static_cast<std::ptrdiff_t>(weakest));
  }
  voices_.push_back(std::make_unique<TSoundVoice>(node, Now(), priority));
  return true;
}

void tSoundSystem::StopNode(TDirectSound* node) {
  if (node == nullptr) return;
  RemoveVoiceOf(node);
  // A voice given way to a stronger sound still plays; a stop is a stop.
  if (TSampleBuffer* buffer = node->GetBuffer()) buffer->Stop();
}

int32_t tSoundSystem::DrawSoundIndex(int32_t count) {
  return count > 1 ? soundChoices_.IntRange(0, count - 1) : 0;
}

// --- volume, pan and distance ----------------------------------------------------------

int32_t tSoundSystem::VolumeToAttenuation(float volume) const {
  const int32_t index = std::clamp(TruncateIndex(volume), 0, 100);
  return volumeTable_[static_cast<std::size_t>(index)];
}

int32_t tSoundSystem::PanToAttenuation(float pan) const {
  const int32_t k = TruncateIndex(pan);
  if (k < 0) return volumeTable_[static_cast<std::size_t>(100 + k)];
  return -volumeTable_[static_cast<std::size_t>(100 - k)];
}

float tSoundSystem::EffectivePriority(const TDirectSound& node) const {
  const float priority = node.GetPriority();
  const TVector3* position = node.GetPosition();
  if (position == nullptr) return priority;
  return priority * std::max(0.0f, 1.0f - kPriorityFalloff * DistanceFromCentre(*position));
}

void tSoundSystem::SetDistanceVolume(TDirectSound& node) const {
  const TVector3* position = node.GetPosition();
  if (position == nullptr) return;
  node.SetVolume(std::max(0.0f, 1.0f - ViewZoom() * DistanceFromCentre(*position) * kVolumeFalloff));
}

void tSoundSystem::UpdatePan(TDirectSound& node) const {
  const TVector3* position = node.GetPosition();
  if (position == nullptr || !TMapView::Exists()) return;
  const TMapView* view = TMapView::Instance();
  const TVector3 centre = view->GetCameraPosition();
  const float zoom = view->GetZoom();
  node.SetPan(ComputeSoundPan(zoom, view->GetScreenWidth(), centre.x, centre.y, position->ScreenX(zoom)));
}
