#include "units/unit_shapes.h"

#include <memory>
#include <utility>

#include "display/colour.h"
#include "display/unit_visual_hooks.h"
#include "units/unit_type.h"
#include "world/volume.h"

namespace {

TUnitVisualMakers::TLibraryMaker& LibraryMaker() {
  static TUnitVisualMakers::TLibraryMaker maker;
  return maker;
}

TUnitVisualMakers::TPoseMaker& PoseMaker() {
  static TUnitVisualMakers::TPoseMaker maker;
  return maker;
}

constexpr const char* kUnitCategory = "Visual";

// The map view's library: the shared "Visual" definitions first, then those
// of the type's race, where the data set keeps each race's units.
TVisual* MakeMapLibraryVisual(const std::string& name, const TUnitType& unitType, const TVector3& position,
                              int32_t owner) {
  // The visual follows the object's own position, which outlives it.
  auto* at = const_cast<TVector3*>(&position);
  const TColour& tint = GetRaceColour(unitType);
  if (TVisual* visual = BuildUnitLibraryVisual(kUnitCategory, name, at, tint, true, owner)) return visual;
  return BuildUnitLibraryVisual(unitType.GetRace() + kUnitCategory, name, at, tint, true, owner);
}

TVisual* MakeLibraryVisual(const std::string& name, const TUnitType& unitType, const TVector3& position,
                           int32_t owner) {
  const TUnitVisualMakers::TLibraryMaker& maker = LibraryMaker();
  if (!maker) {
    return MakeMapLibraryVisual(name, unitType, position, owner);
  }
  return maker(kUnitCategory, name, position, GetRaceColour(unitType), true, owner);
}

TVisual* MakePoseVisual(const std::string& name, const TVector3& position) {
  const TUnitVisualMakers::TPoseMaker& maker = PoseMaker();
  return maker ? maker(name, position) : nullptr;
}

void AddShapes(const std::vector<TTerrainShape>& shapes, TCompoundVolume& out, const TVector3* positionRef) {
  for (const TTerrainShape& shape : shapes) {
    if (shape.kind == TTerrainShape::Kind::Box) {
      out.Add(std::make_unique<TBoxVolume>(positionRef, shape.centre, shape.size));
    } else {
      out.Add(std::make_unique<TSphereVolume>(positionRef, shape.centre, shape.radius));
    }
  }
}

}  // namespace

void TUnitVisualMakers::SetLibraryMaker(TLibraryMaker maker) { LibraryMaker() = std::move(maker); }

void TUnitVisualMakers::SetPoseMaker(TPoseMaker maker) { PoseMaker() = std::move(maker); }

// Both sides of a race share its tint; the owner picks the side colours of
// the marks the art paints.
TVisual* CreateUnitVisual(const TUnitType& unitType, const TVector3& position, int32_t owner) {
  return MakeLibraryVisual(unitType.GetName(), unitType, position, owner);
}

TVisual* CreateDeathVisual(const TUnitType& unitType, const TVector3& position, int32_t owner) {
  return MakeLibraryVisual(unitType.GetName() + "Death", unitType, position, owner);
}

TVisual* CreatePoseVisual(const TUnitType& unitType, const TVector3& position) {
  return MakePoseVisual(unitType.GetName(), position);
}

TVisual* CreateDeathPoseVisual(const TUnitType& unitType, const TVector3& position) {
  return MakePoseVisual(unitType.GetName() + " Death", position);
}

const TColour& GetSpawnRaceColour() {
  // A greenish cast over the creatures' own colours.
  static const TColour colour(0.75f, 1.0f, 0.7f, 1.0f);
  return colour;
}

const TColour& GetOtherRaceColour() {
  static const TColour colour(1.0f, 1.0f, 1.0f, 1.0f);
  return colour;
}

const TColour& GetRaceColour(const TUnitType& unitType) {
  return unitType.IsSpawnRace() ? GetSpawnRaceColour() : GetOtherRaceColour();
}

void CreateUnitVolume(const TUnitType& unitType, TCompoundVolume& out, const TVector3* positionRef) {
  AddShapes(unitType.GetSightShapes(), out, positionRef);
}

void CreateRegeneratorVolume(const TUnitType& unitType, TCompoundVolume& out, const TVector3* positionRef) {
  if (unitType.GetName() != "Regenerator") {
    return;
  }
  out.DeleteAll();
  out.Add(std::make_unique<TSphereVolume>(positionRef, TVector3(0.0f, 0.0f, 0.3f), 0.9f));
}
