#include "units/unit_visual_state.h"

#include <algorithm>

#include "display/colour.h"
#include "display/unit_visual_hooks.h"
#include "session/game.h"
#include "units/unit_shapes.h"
#include "units/unit_type.h"

namespace {

// How a state name drives the pose visual and the body.
enum class EPoseRule { kSet, kSetUnlessStanding, kKeep };
enum class EBodyRule { kRestart, kRestartUnlessRunning };

struct TStateEntry {
  std::string_view name;
  int32_t pose;
  EPoseRule poseRule;
  int32_t animation;
  EBodyRule bodyRule;
};

// Compared in this order; the first match wins.
constexpr TStateEntry kStateTable[] = {
    {"Aim", 0, EPoseRule::kSet, 2, EBodyRule::kRestart},
    {"Fire", 0, EPoseRule::kSet, 3, EBodyRule::kRestart},
    {"Stand", 0, EPoseRule::kSetUnlessStanding, 0, EBodyRule::kRestart},
    {"Run", 1, EPoseRule::kSet, 1, EBodyRule::kRestartUnlessRunning},
    {"Heal", 2, EPoseRule::kSet, 4, EBodyRule::kRestart},
    {"Close Combat Attack", 2, EPoseRule::kSet, 2, EBodyRule::kRestart},
    {"Close Combat Finish", 0, EPoseRule::kKeep, 3, EBodyRule::kRestart},
    {"Eat", 3, EPoseRule::kSet, 4, EBodyRule::kRestart},
    {"LayEgg", 4, EPoseRule::kSet, 5, EBodyRule::kRestart},
    {"Hatch", 1, EPoseRule::kSet, 1, EBodyRule::kRestartUnlessRunning},
};

const TStateEntry* FindState(std::string_view name) {
  for (const TStateEntry& entry : kStateTable) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

// The ground marker is drawn at the unit's own size.
constexpr float kGroundMarkerScale = 1.0f;
// Lets the alpha of the colour fade the frame.
constexpr float kFadeBlend = -0.5f;

}  // namespace

TUnitAnimator::TUnitAnimator(const TUnitType& unitType, const TVector3& position, int32_t owner)
    : TUnitAnimator(unitType, position, owner, -1) {}

TUnitAnimator::TUnitAnimator(const TUnitType& unitType, const TVector3& position, int32_t owner, int32_t partCount)
    : unitVisual_(CreateUnitVisual(unitType, position, owner)),
      poseVisual_(CreatePoseVisual(unitType, position)),
      groundMarker_(BuildGroundMarker(position, kGroundMarkerScale)),
      owner_(owner) {
  sound_.Make(unitType.GetName(), position);
  RegisterVisualWithMapView(unitVisual_);
  RegisterVisualWithMapView(poseVisual_);
  RegisterMarkerWithMapView(groundMarker_);

  if (partCount >= 0) {
    display_.partCount = partCount;
  } else if (unitVisual_ != nullptr) {
    display_.partCount = GetVisualPartCount(unitVisual_);
  }
  // The body and the health bar show; the selection marker was hidden when
  // the visual was built; the extra markers and the weapon bar wait for
  // ShowMarkers.
  display_.shown.fill(false);
  display_.shown[kBodyPart] = display_.HasPart(kBodyPart);
  display_.shown[kHealthBarPart] = display_.HasPart(kHealthBarPart);
  ShowPart(kFirstExtraMarkerPart, false);
  ShowPart(kSecondExtraMarkerPart, false);
  ShowPart(kWeaponBarPart, false);
}

TUnitAnimator::~TUnitAnimator() {
  UnregisterMarkerFromMapView(groundMarker_);
  ReleaseUnitVisual(groundMarker_);
  ReleaseUnitVisual(poseVisual_);
  ReleaseUnitVisual(unitVisual_);
}

TVisual* TUnitAnimator::Part(int32_t index) const {
  // Visual definitions may carry fewer parts than the layout names.
  if (!display_.HasPart(index) || index >= GetVisualPartCount(unitVisual_)) return nullptr;
  return GetVisualPart(unitVisual_, index);
}

void TUnitAnimator::ShowPart(int32_t index, bool shown) {
  if (!display_.HasPart(index) || index >= TUnitDisplayState::kLayoutParts) return;
  display_.shown[index] = shown;
  TVisual* part = Part(index);
  if (shown) {
    ShowVisual(part);
  } else {
    HideVisual(part);
  }
}

void TUnitAnimator::SetFacing(int32_t sector) {
  display_.facing = sector;
  TVisual* body = Part(kBodyPart);
  const int32_t children = GetVisualChildCount(body);
  for (int32_t i = 0; i < children; ++i) SelectVisualChild(GetVisualChild(body, i), sector);
}

void TUnitAnimator::SetPose(int32_t pose) {
  display_.pose = pose;
  SetVisualPose(poseVisual_, pose);
}

void TUnitAnimator::SelectBodyAnimation(int32_t animation, float time) {
  display_.bodyAnimation = animation;
  display_.animationStart = time;
  sound_.Select(animation);
  TVisual* body = Part(kBodyPart);
  if (body == nullptr || animation >= GetVisualChildCount(body)) return;
  SelectVisualChild(body, animation);
  RestartVisual(GetVisualChild(body, animation), time);
}

void TUnitAnimator::SetState(const std::string& name, float time) {
  if (const TStateEntry* entry = FindState(name)) {
    switch (entry->poseRule) {
      case EPoseRule::kSet:
        SetPose(entry->pose);
        break;
      case EPoseRule::kSetUnlessStanding:
        if (display_.pose != entry->pose) SetPose(entry->pose);
        break;
      case EPoseRule::kKeep:
        break;
    }
    const bool keepRunning =
        entry->bodyRule == EBodyRule::kRestartUnlessRunning && display_.bodyAnimation == entry->animation;
    if (!keepRunning) SelectBodyAnimation(entry->animation, time);
  }
  stateName_ = name;
  Advance(time);
  Refresh();
}

void TUnitAnimator::RestoreState(const std::string& name, float stateTime) {
  SetState(name, 0.0f);
  // A state that kept its running animation restarts it: the saved time is
  // the whole of what has run.
  SelectBodyAnimation(display_.bodyAnimation, 0.0f);
  Advance(stateTime);
}

void TUnitAnimator::Advance(float time) {
  display_.animationTime = time;
  sound_.Update(time);
  AdvanceVisual(unitVisual_, time);
  AdvanceVisual(poseVisual_, time);
}

float TUnitAnimator::GetStateTime() const { return display_.animationTime - display_.animationStart; }

void TUnitAnimator::ShowHealth(float fraction) {
  if (!display_.HasPart(kHealthBarPart)) return;
  display_.healthFraction = fraction;
  SetVisualFraction(Part(kHealthBarPart), fraction);
}

void TUnitAnimator::ShowWeaponFraction(float fraction) {
  if (!display_.HasPart(kWeaponBarPart)) return;
  display_.weaponFraction = fraction;
  SetVisualFraction(Part(kWeaponBarPart), fraction);
}

void TUnitAnimator::SetFade(float alpha) {
  display_.fade = std::clamp(alpha, 0.0f, 1.0f);
  TVisual* body = Part(kBodyPart);
  TVisual* animation = GetVisualChild(body, display_.bodyAnimation);
  SetCurrentFrameColour(animation, TColour(1.0f, 1.0f, 1.0f, display_.fade), kFadeBlend);
}

void TUnitAnimator::Refresh() { UpdateVisual(unitVisual_, 1); }

void TUnitAnimator::RefreshVisual() { FrameVisual(poseVisual_); }

void TUnitAnimator::ShowMarkers() {
  // The local player is only asked when there is a bar to decide on.
  if (!display_.IsShown(kHealthBarPart)) return;
  ShowMarkersFor(TGame::Instance()->GetLocalPlayer());
}

void TUnitAnimator::ShowMarkersFor(int32_t localPlayer) {
  if (!display_.IsShown(kHealthBarPart)) return;
  ShowPart(kHealthBarPart, true);
  ShowPart(kFirstExtraMarkerPart, true);
  ShowPart(kSecondExtraMarkerPart, true);
  if (display_.HasPart(kWeaponBarPart) && owner_ == localPlayer) ShowPart(kWeaponBarPart, true);
}

bool TUnitAnimator::IsLocalPlayers() const { return owner_ == TGame::Instance()->GetLocalPlayer(); }

void TUnitAnimator::ShowSelected(bool selected) { ShowPart(kSelectionMarkerPart, selected); }

void TUnitAnimator::ShowSightingColour(const TColour* colour) {
  SetVisualBarColour(Part(kSightingMarkerPart), colour);
}

void TUnitAnimator::ShowCombatColour(const TColour* colour) { SetVisualBarColour(Part(kCombatMarkerPart), colour); }
