// What the sight and line-of-fire walks along a segment need of each map
// cell: the non-ground terrain objects whose line-of-sight (or line-of-fire)
// shape is not empty, in the cell's own order, each with the box its shape
// fills around its position. The index is made again whenever the map's grid
// changes, so that a walk passes over cells that hold only ground, and over
// objects whose box the segment plainly misses, without testing shapes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app/vector3.h"

class TCompoundVolume;
class TMap;
class TTerrainObject;

class TTerrainWalkIndex {
 public:
  // One terrain object of a cell for one kind of shape.
  struct TEntry {
    TTerrainObject* tile = nullptr;
    // The shape the box was taken from and its member count: a shape that
    // was replaced since is always tested.
    const TCompoundVolume* volume = nullptr;
    std::size_t members = 0;
    // The box of every member relative to the object's position, and the
    // largest sphere radius among them. Unbounded when a member follows
    // another position than the object's or is of a kind without a box.
    bool bounded = false;
    float low[3] = {0.0f, 0.0f, 0.0f};
    float high[3] = {0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
  };

  // Brings the index up to the map's grid; nothing is done when the grid is
  // the one it was made for.
  void Refresh(const TMap& map);
  // The entries of the cell for line-of-fire or line-of-sight shapes; none
  // outside the map.
  std::span<const TEntry> Cell(int32_t cx, int32_t cy, bool lineOfFire) const {
    if (cx < 0 || cy < 0 || cx >= width_ || cy >= height_) return {};
    const int kind = lineOfFire ? 1 : 0;
    const std::size_t c = static_cast<std::size_t>(cy) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(cx);
    const int32_t* start = start_[kind].data() + c;
    return {entries_[kind].data() + start[0], entries_[kind].data() + start[1]};
  }

 private:
  void Build(const TMap& map);

  const TMap* map_ = nullptr;
  bool built_ = false;
  uint32_t gridChanges_ = 0;
  int32_t tileCount_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  // Per kind (0 sight, 1 fire): cell c's entries are [start[c], start[c+1]).
  std::vector<int32_t> start_[2];
  std::vector<TEntry> entries_[2];
};

// A segment's quick test against the entries' boxes. It may answer "may
// meet" for a shape the segment misses, never "misses" for one the exact
// shape test would find met, whatever that test's rounding and slack.
class TSegmentBoxFilter {
 public:
  // Nothing is worked out before the first entry is asked about: most walks
  // pass cells that hold nothing.
  TSegmentBoxFilter(const TVector3& from, const TVector3& to) : from3_(from), to3_(to) {}
  bool MayMeet(const TTerrainWalkIndex::TEntry& entry, bool lineOfFire);

 private:
  void Prepare();

  TVector3 from3_;
  TVector3 to3_;
  bool prepared_ = false;
  // Off when the segment is too long or not finite to bound the shape
  // tests' rounding: every entry is then tested.
  bool usable_ = false;
  double from_[3] = {0.0, 0.0, 0.0};
  double delta_[3] = {0.0, 0.0, 0.0};
  double inverse_[3] = {0.0, 0.0, 0.0};
  // The widening of every box, before the share that grows with a sphere's
  // radius, and how far past its ends the segment is stretched (fraction).
  double margin_ = 0.0;
  double stretch_ = 0.0;
};
