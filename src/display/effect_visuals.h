// The narrow door through which the simulation's effect objects (smoke,
// blasts, goo, corpses, shields, projectiles, sparks) ask the map view's
// visual library for their visuals. Without a map view no visual is built:
// the objects keep a null visual and everything else about them runs the
// same, so a world without a display behaves like one with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class TVector3;
class TVisual;

// Takes an effect's visual out of the map view before freeing it.
struct TEffectVisualRelease {
  void operator()(TVisual* visual) const;
};
using TEffectVisualPtr = std::unique_ptr<TVisual, TEffectVisualRelease>;

// Draw parameter of a visual that appears during play, and of one drawn
// behind the others of its layer (goo on the ground, a shield rebuilt from
// its record).
constexpr float kNewVisualDrawParameter = 0.0f;
constexpr float kBehindVisualDrawParameter = -9500.0f;

// The visual `name` of the visual group, placed at the position object (which
// the caller owns and may move and which must outlive the visual), started at
// the time and added to the map view with the draw parameter. Null without a
// map view or a definition of the name. What a side leaves behind (a corpse)
// keeps the side's colours; effects of no side pass kNoSide.
constexpr int32_t kNoSide = -1;
TEffectVisualPtr BuildEffectVisual(const TVector3& position, std::string_view group, std::string_view name,
                                   float startTime, float drawParameter, int32_t side = kNoSide);
// Marks a visual to be drawn over walls (or clears the mark); a null visual
// is ignored.
void SetVisualDisplayMark(TVisual* visual, bool marked);
// Asks the map view to draw the visual again; a null visual is ignored.
void RefreshEffectVisual(TVisual* visual);
