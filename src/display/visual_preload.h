// The narrow door through which a battle asks the map view's visual library
// to load, before the battle is shown, the visuals its terrain and its units
// will need, so that nothing is read from disk in the middle of play. Until
// a visual library exists (headless simulation, tests, the server) a request
// loads nothing.
#pragma once

#include <string>

struct TVisualPreload {
  // "Terrain", or a race followed by "Visual".
  std::string category;
  std::string name;
  // Visuals of the spawning race are built differently.
  bool spawnRace = false;

  bool operator==(const TVisualPreload& other) const {
    return category == other.category && name == other.name && spawnRace == other.spawnRace;
  }
};

void PreloadMapVisual(const TVisualPreload& request);
