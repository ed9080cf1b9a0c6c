// A unit's visual state controller: turns what the unit is doing into what
// its display objects show (the body animation of the current state, the
// facing, the fade of a warp jump, the health and weapon bars, the selection
// marker). Orders and event playback set the state by name; the unit advances
// it every tick.
//
// The controller keeps what it hands to the display in a TUnitDisplayState of
// its own, so the state logic runs, and can be checked, without any visual:
// in a headless run the display objects are null and only that record moves.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sound/effect_sounds.h"

class TColour;
class TUnitType;
class TVector3;
class TVisual;

// Parts of the composite unit visual.
enum EUnitVisualPart : int32_t {
  kBodyPart = 0,            // one child per body animation, each a frame set per facing
  kSelectionMarkerPart = 1,
  kHealthBarPart = 2,
  kFirstExtraMarkerPart = 3,  // 3 and 4 are shown together with the health bar
  kSecondExtraMarkerPart = 4,
  kSightingMarkerPart = kFirstExtraMarkerPart,
  kCombatMarkerPart = kSecondExtraMarkerPart,
  kWeaponBarPart = 5,       // only in composites of 6 or more parts
};

// What the controller last handed to the display objects.
struct TUnitDisplayState {
  static constexpr int32_t kLayoutParts = 6;

  int32_t partCount = kLayoutParts;
  int32_t bodyAnimation = 0;
  float animationStart = 0.0f;  // simulation time the body animation started
  float animationTime = 0.0f;   // simulation time the visuals were advanced to
  int32_t pose = 0;
  int32_t facing = 0;
  float fade = 1.0f;
  float healthFraction = 1.0f;
  float weaponFraction = 1.0f;
  std::array<bool, kLayoutParts> shown{};

  bool HasPart(int32_t part) const { return part >= 0 && part < partCount; }
  // A part the composite lacks is never shown.
  bool IsShown(int32_t part) const { return HasPart(part) && part < kLayoutParts && shown[part]; }
};

class TUnitAnimator {
 public:
  // Pose numbers of the pose visual and body animation numbers.
  static constexpr int32_t kStandPose = 0;
  static constexpr int32_t kRunPose = 1;
  static constexpr int32_t kStandAnimation = 0;
  static constexpr int32_t kRunAnimation = 1;

  static constexpr std::string_view kStandState = "Stand";

  // Builds the unit visual, the pose visual and the ground marker of the type
  // at the position and registers them with the map view; state "Stand".
  // The composite's part count is the unit visual's, or the full layout when
  // there is no visual.
  TUnitAnimator(const TUnitType& unitType, const TVector3& position, int32_t owner);
  // The same for a composite of the given part count (visual definitions
  // without a weapon bar have 5).
  TUnitAnimator(const TUnitType& unitType, const TVector3& position, int32_t owner, int32_t partCount);
  // Unregisters and frees the three display objects.
  ~TUnitAnimator();
  TUnitAnimator(const TUnitAnimator&) = delete;
  TUnitAnimator& operator=(const TUnitAnimator&) = delete;

  // Every body animation shows the frame set of the compass sector (0-7).
  void SetFacing(int32_t sector);
  // Selects the pose and body animation of a known state name, restarting
  // the animation at the time; stores the name, advances to the time and
  // refreshes the unit visual.
  void SetState(const std::string& name, float time);
  // Puts the controller back into a saved state: the state's animation has
  // run for stateTime.
  void RestoreState(const std::string& name, float stateTime);
  void Advance(float time);

  const std::string& GetStateName() const { return stateName_; }
  // How long the running animation has run.
  float GetStateTime() const;
  bool IsInState(std::string_view name) const { return stateName_ == name; }

  void ShowHealth(float fraction);
  void ShowWeaponFraction(float fraction);
  // Alpha of the body's current frame, clamped to 0..1.
  void SetFade(float alpha);
  // The unit visual's update (after a move); the pose visual's per-frame work.
  void Refresh();
  void RefreshVisual();
  // While the health bar is visible: shows it with the two extra markers, and
  // the weapon bar when the composite has one and the unit is the local
  // player's.
  void ShowMarkers();
  void ShowMarkersFor(int32_t localPlayer);
  bool IsLocalPlayers() const;
  // The colours of the unit's reactions; null leaves a marker uncoloured.
  void ShowSightingColour(const TColour* colour);
  void ShowCombatColour(const TColour* colour);
  // Shows or hides the selection marker.
  void ShowSelected(bool selected);

  TVisual* GetVisual() const { return unitVisual_; }
  TVisual* GetPoseVisual() const { return poseVisual_; }
  // Parts of the composite; null when the composite lacks the part.
  TVisual* GetSelectionMarker() const { return Part(kSelectionMarkerPart); }
  TVisual* GetHealthBar() const { return Part(kHealthBarPart); }
  TVisual* GetWeaponBar() const { return Part(kWeaponBarPart); }

  int32_t GetOwner() const { return owner_; }
  const TUnitDisplayState& GetDisplayState() const { return display_; }

 private:
  // The part when the composite has it; the count is checked first.
  TVisual* Part(int32_t index) const;
  void ShowPart(int32_t index, bool shown);
  void SelectBodyAnimation(int32_t animation, float time);
  void SetPose(int32_t pose);

  TVisual* unitVisual_ = nullptr;
  TVisual* poseVisual_ = nullptr;
  TVisual* groundMarker_ = nullptr;
  std::string stateName_{kStandState};
  int32_t owner_;
  TUnitDisplayState display_;
  // The unit type's sound: a switch with a child per body animation (the
  // run loops its footsteps), following the unit.
  TEffectSound sound_;
};
