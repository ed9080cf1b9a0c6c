// A unit's look and collision shape, both named by its unit type: the
// composite, death and pose visuals come from the display's visual libraries
// by the type's name, the collision volume from the type's "LOS Shape" text.
// Ammunition dumps and eggs, also described by unit types, use the same
// operations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TColour;
class TCompoundVolume;
class TUnitType;
class TVector3;
class TVisual;

// The visual libraries belong to the display: without registered makers the
// operations below ask the map view's library, and in every run without a
// display they give no visual. Registered makers take their place (tests).
class TUnitVisualMakers {
 public:
  // A visual of the category ("Visual") and name, at the position, tinted
  // and in the owner's side colours; hideSelectionMarker hides part 1 of the
  // composite visual.
  using TLibraryMaker = std::function<TVisual*(const std::string& category, const std::string& name,
                                               const TVector3& position, const TColour& tint,
                                               bool hideSelectionMarker, int32_t owner)>;
  // A visual of the pose library by name at the position.
  using TPoseMaker = std::function<TVisual*(const std::string& name, const TVector3& position)>;

  // An empty maker removes the registration.
  static void SetLibraryMaker(TLibraryMaker maker);
  static void SetPoseMaker(TPoseMaker maker);
};

// The composite visual of the type (category "Visual", the type's name) in
// its race colour and its owner's side colours, with the selection marker
// hidden; null without a display.
TVisual* CreateUnitVisual(const TUnitType& unitType, const TVector3& position, int32_t owner);
// The same for the type's name followed by "Death".
TVisual* CreateDeathVisual(const TUnitType& unitType, const TVector3& position, int32_t owner);
// The pose library's visual of the type's name / the name followed by " Death".
TVisual* CreatePoseVisual(const TUnitType& unitType, const TVector3& position);
TVisual* CreateDeathPoseVisual(const TUnitType& unitType, const TVector3& position);

// The two tints shared by the whole program: the first for the race "spwn",
// the second for every other race.
const TColour& GetRaceColour(const TUnitType& unitType);
const TColour& GetSpawnRaceColour();
const TColour& GetOtherRaceColour();

// Adds one member per shape of the type's "LOS Shape" text (the terrain shape
// grammar), placed relative to positionRef; members already there stay.
void CreateUnitVolume(const TUnitType& unitType, TCompoundVolume& out, const TVector3* positionRef);
// Regenerators are round whatever their shape text says: for the type
// "Regenerator" the volume becomes one sphere of radius 0.9 centred 0.3 above
// the position; any other type leaves the volume as it is.
void CreateRegeneratorVolume(const TUnitType& unitType, TCompoundVolume& out, const TVector3* positionRef);
