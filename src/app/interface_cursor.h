// The map cursor: two visuals that follow the mouse over the map. The top
// one marks the square under the mouse, snapped to half map units (whole
// units for the map designer); the bottom one lies a quarter unit behind the
// mouse's own map point. The battle session that shows the map owns it.
#pragma once

#include <memory>

#include "app/vector3.h"
#include "display/interface_visual.h"

class TInterfaceCursor {
 public:
  static constexpr const char* kTopVisual = "Cursor Top";
  static constexpr const char* kBottomVisual = "Cursor Bottom";
  // Draw parameters: the top cursor over the map's objects, the bottom one
  // on the floor.
  static constexpr float kTopDepth = 1.0f;
  static constexpr float kBottomDepth = -5000.0f;

  // Builds both visuals from the map view's "Interface" definitions, unlit,
  // started at the system clock's time; without a map view neither exists.
  TInterfaceCursor();
  ~TInterfaceCursor();
  TInterfaceCursor(const TInterfaceCursor&) = delete;
  TInterfaceCursor& operator=(const TInterfaceCursor&) = delete;

  // The top position from the mouse's map point and the camera; returns it.
  TVector3 UpdateTop();
  // The bottom position from the mouse's map point and the camera; returns it.
  TVector3 UpdateBottom();
  // The top position, then both visuals advanced to the clock's time.
  void Update();
  void SetVisible(bool visible);

  void SetWholeUnits(bool whole) { wholeUnits_ = whole; }
  bool GetWholeUnits() const { return wholeUnits_; }
  const TVector3& GetTopPosition() const { return *topPosition_; }
  const TVector3& GetBottomPosition() const { return *bottomPosition_; }
  TVisual* GetTopVisual() const { return top_.get(); }
  TVisual* GetBottomVisual() const { return bottom_.get(); }

  // The snapped top position of a map point seen from the camera (z kept).
  static TVector3 SnapTop(float worldX, float worldY, float z, const TVector3& camera, bool wholeUnits);

 private:
  // The positions come first so that they outlive the visuals that follow
  // them.
  std::unique_ptr<TVector3> topPosition_;
  std::unique_ptr<TVector3> bottomPosition_;
  TInterfaceVisualPtr top_;
  TInterfaceVisualPtr bottom_;
  bool wholeUnits_ = false;
};
