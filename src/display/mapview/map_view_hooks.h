// The narrow door through which the world reaches the map view's camera and
// lighting: the map's extent that the camera may show, the ground squares
// that light may fall on, and the lights of world objects. Nothing happens
// when no map view exists (headless simulation, tests, the server).
#pragma once

#include <memory>

class TLight;
class TVector3;

// The camera's bounds: the box of the two corners, which the camera widens
// by one unit.
void SetMapCameraBounds(const TVector3& corner1, const TVector3& corner2);
// Marks the square at the position as ground (or not) in the lighting of the
// scene being drawn.
void MarkGroundLight(const TVector3& position, bool ground);
// Every square back to not ground, before the world's ground is built again.
void RecomputeMapLighting();

// A light of a world object that follows the object's position and shines
// on the map view's lighting for as long as it lives.
class TMapLight {
 public:
  // The position must outlive the light.
  TMapLight(const TVector3& position, float intensity);
  ~TMapLight();
  TMapLight(const TMapLight&) = delete;
  TMapLight& operator=(const TMapLight&) = delete;

  const TLight& GetLight() const { return *light_; }

 private:
  std::unique_ptr<TLight> light_;
};
