// The visuals of one scene, drawn back to front in the isometric painter's
// order. Visuals added with a very low depth offset form the background and
// are drawn first, in the order they were added; every other visual is kept
// in ascending order of a depth key, and each frame only the visuals that
// report a change are taken out and put back at their new place. The layer
// owns the lighting grid of its scene and hands it to the visuals it draws.
//
// The layer never owns its visuals: a visual must leave every layer before it
// is deleted (the map view's ForgetVisual does that for a dying visual).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "display/mapview/lighting_grid.h"

class TLight;
class TVector3;
class TVisual;

class TDrawLayer {
 public:
  // Depth offsets below this put a visual into the background.
  static constexpr float kBackgroundOffset = -9000.0f;
  // Added to the key of an on-top visual, which lifts it above every
  // ordinary visual of the scene.
  static constexpr float kOnTopLift = 200000.0f;
  // Weight of height against the ground coordinates in the depth key.
  static constexpr float kHeightWeight = 0.82f;
  static constexpr uint32_t kGridSquares = 60;

  TDrawLayer();
  ~TDrawLayer();
  TDrawLayer(const TDrawLayer&) = delete;
  TDrawLayer& operator=(const TDrawLayer&) = delete;

  // The key of a visual with the depth offset: z * 0.82 + offset + y + x,
  // summed in that order in 32-bit floats, lifted when on top.
  static float DepthKey(const TVisual& visual, float depthOffset);

  // A null visual is ignored. A visual may be added more than once; each
  // addition is an entry of its own.
  void Add(TVisual* visual, float depthOffset);
  // Takes out one entry of the visual (the background first); false when
  // the layer holds none.
  bool Remove(const TVisual* visual);
  // Takes out every entry of the visual; the number taken out.
  std::size_t RemoveAll(const TVisual* visual);
  bool Contains(const TVisual* visual) const;
  std::size_t EntryCount() const { return background_.size() + sorted_.size(); }

  // Moves the lights, draws the background, repairs the order of the
  // changed visuals and draws the sorted entries.
  void DrawAll();

  // The visuals in the order they would be drawn now, without re-sorting.
  std::vector<const TVisual*> DrawOrder() const;

  TLightGrid& GetLightGrid() { return *lightGrid_; }
  const TLightGrid& GetLightGrid() const { return *lightGrid_; }
  void SetLighting(bool enabled) { lightGrid_->SetEnabled(enabled); }
  bool ToggleLighting() { return lightGrid_->ToggleEnabled(); }
  void AddLight(TLight* light) { lightGrid_->AddLight(light); }
  void RemoveLight(const TLight* light) { lightGrid_->RemoveLight(light); }
  void Stamp(const TVector3& point, bool ground) { lightGrid_->Stamp(point, ground); }
  void RecomputeAll() { lightGrid_->RecomputeAll(); }

 private:
  struct Entry {
    TVisual* visual = nullptr;
    float depthOffset = 0.0f;
    float depthKey = 0.0f;
    // Breaks ties between equal keys: the order of addition, which is the
    // same on every run and every machine.
    uint64_t serial = 0;
  };
  using EntryList = std::vector<std::unique_ptr<Entry>>;

  static bool Precedes(const Entry& a, const Entry& b);
  void Insert(std::unique_ptr<Entry> entry);
  void Resort();
  void DrawEntry(Entry& entry);
  static bool TakeFirst(EntryList& list, const TVisual* visual);
  void CountOut(const TVisual* visual, std::size_t taken);

  EntryList background_;
  EntryList sorted_;
  std::unique_ptr<TLightGrid> lightGrid_;
  // How many entries each visual has, so that asking about a visual the
  // layer does not hold costs no search.
  std::unordered_map<const TVisual*, std::size_t> entryCounts_;
  uint64_t nextSerial_ = 0;
};
