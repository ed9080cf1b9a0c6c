// A visual for tests of drawing order: it writes its name on the display
// when drawn and remembers the light grid it was given.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "display/display.h"
#include "display/visuals/visual.h"
#include "support/recording_display.h"

namespace testing_display {

// Like the drawable visuals, drawing clears its changed flag.
class ProbeVisual : public TVisual {
 public:
  ProbeVisual(TDisplay& display, std::string name, const TVector3& position)
      : TVisual(nullptr, true), display_(display), name_(std::move(name)) {
    SetPosition(position);
  }
  // Shares the owner's position: moving the owner moves the visual without
  // touching its changed flag.
  ProbeVisual(TDisplay& display, std::string name, TVector3* shared)
      : TVisual(shared, false), display_(display), name_(std::move(name)) {}

  void Draw(const TVector3& /*offset*/, TLightGrid* light) override {
    lastLight = light;
    ++draws;
    display_.DrawText(name_, 0, 0, TColour(1.0f, 1.0f, 1.0f, 1.0f));
    ClearChanged();
  }
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override {
    if (ownsPosition) return std::make_unique<ProbeVisual>(display_, name_, *position);
    return std::make_unique<ProbeVisual>(display_, name_, position);
  }

  TLightGrid* lastLight = nullptr;
  int draws = 0;

 private:
  TDisplay& display_;
  std::string name_;
};

// The names the probes wrote on the display, oldest first.
inline std::vector<std::string> ProbeNames(const RecordingDisplay& display) {
  std::vector<std::string> names;
  for (const RecordedCall& call : display.CallsOf("DrawText")) names.push_back(call.text);
  return names;
}

}  // namespace testing_display
