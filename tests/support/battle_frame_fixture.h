// The whole battle frame at 1024 x 768 that the frame benchmark measures and
// the device comparison draws: the Foundry map with twelve units a side, their
// visuals built by the map view from the shipped visual definitions, drawn
// through the map view's own frame. The benchmark's armies line the map's
// two edges; the skirmish puts both where the camera looks, a few squares
// apart, with their orders and markers as a player sees them while giving
// orders (attack markers of both sides; health, weapon, sighting and combat
// bars; selection rings) and the glow of a few fires on the floor.
//
// The set-up works on the current folder, which must hold the data set. It
// needs nothing of GoogleTest, so that the benchmark builds the very same
// frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "display/display.h"
#include "platform/render_device.h"

class Combatant;
class TBattle;
class TLight;
class TVector3;

namespace battle_frame {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr int32_t kUnitsASide = 12;

enum class TFrameDisplay { k2D, k3DSoftware, k3DOpenGL };

// The display of the kind at the frame's size; the 3D display gets the map
// view's view and the device the kind names.
std::unique_ptr<TDisplay> MakeDisplay(TFrameDisplay kind);

struct TBattleFrameOptions {
  bool skirmish = false;
};

// The map view over the display with the battle loaded under it; the
// battle goes before the map view its visuals live in.
class TBattleFrame {
 public:
  explicit TBattleFrame(std::unique_ptr<TDisplay> display, const TBattleFrameOptions& options = {});
  ~TBattleFrame();
  TBattleFrame(const TBattleFrame&) = delete;
  TBattleFrame& operator=(const TBattleFrame&) = delete;

  bool IsReady() const;
  std::size_t UnitCount() const { return attackers_.size() + defenders_.size(); }
  const std::vector<Combatant*>& Attackers() const { return attackers_; }
  const std::vector<Combatant*>& Defenders() const { return defenders_; }
  // Order markers the battle's orders built and showed.
  std::size_t ShownOrderMarkers() const { return shownMarkers_; }
  // Shows or hides every order's marker.
  void ShowOrderMarkers(bool show);
  // Draw-layer entries of the frame.
  std::size_t VisualCount() const;

  // The frame drawn into the back buffer, not yet presented.
  void Draw();
  void Present();
  // Draw and Present.
  void Frame();
  // The 3D display's device; null on the 2D display.
  platform::RenderDevice* Device() const;

 private:
  // Both armies in blocks facing each other around the point.
  void PlaceSkirmish(const TVector3& centre);
  void GiveOrdersAndShowMarkers();
  void LightFires(const TVector3& centre);

  std::unique_ptr<TBattle> battle_;
  std::vector<std::unique_ptr<TLight>> fires_;
  bool loaded_ = false;
  std::vector<Combatant*> attackers_;
  std::vector<Combatant*> defenders_;
  std::size_t shownMarkers_ = 0;
};

}  // namespace battle_frame
