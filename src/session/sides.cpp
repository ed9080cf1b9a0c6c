#include "session/sides.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

std::unique_ptr<TSides>& SidesCell() {
  static std::unique_ptr<TSides> sides;
  return sides;
}

}  // namespace

TSides* TSides::Instance() {
  auto& sides = SidesCell();
  if (!sides) sides.reset(new TSides());
  return sides.get();
}

void TSides::Free() { SidesCell().reset(); }

void TSides::Destroy() { Free(); }

void TSides::SetSideCount(int32_t count) { sideCount_ = std::clamp(count, kMinSides, kMaxSides); }

TVector3 RoundVector(const TVector3& position) {
  // std::round rounds halves away from zero, whatever the rounding mode.
  return TVector3(std::round(position.x), std::round(position.y), std::round(position.z));
}
