// A world bar that counts how often it is drawn, and the leaf builder that
// makes one for the 2D display's world-bar entries of a visual library, so
// that tests can see bars laid and drawn without a real display.
#pragma once

#include <memory>
#include <vector>

#include "display/visuals/visual_library.h"
#include "display/visuals/world_bar.h"

namespace testing_display {

class CountingWorldBar : public TWorldBar {
 public:
  // Every clone counts into the same counter.
  CountingWorldBar(TVector3* position, bool ownsPosition, std::shared_ptr<int> draws)
      : TWorldBar(position, ownsPosition, TVector3(), TVector3(1.0f, 0.0f, 0.0f), 1.0f, nullptr),
        draws_(std::move(draws)) {}

  void Draw(const TVector3& /*offset*/, TLightGrid* /*light*/) override { ++*draws_; }
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override {
    return std::unique_ptr<TVisual>(new CountingWorldBar(*this, position, ownsPosition));
  }

 private:
  CountingWorldBar(const CountingWorldBar& other, TVector3* position, bool ownsPosition)
      : TWorldBar(other, position, ownsPosition), draws_(other.draws_) {}

  std::shared_ptr<int> draws_;
};

// The "DirectDrawWorldBar" entries of the library become counting bars;
// the counter they share is returned.
inline std::shared_ptr<int> CountWorldBarDraws(TVisualLibrary& library) {
  auto draws = std::make_shared<int>(0);
  library.SetLeafBuilder("DirectDrawWorldBar", [draws](TVisualLibrary& /*library*/,
                                                       const std::vector<std::string>& /*fields*/,
                                                       const TVector3& position) {
    TVector3 at = position;
    return std::unique_ptr<TVisual>(new CountingWorldBar(&at, true, draws));
  });
  return draws;
}

}  // namespace testing_display
