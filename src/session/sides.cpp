#include "session/sides.h"

#include <algorithm>
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

void TSides::Destroy() { SidesCell().reset(); }

void TSides::SetSideCount(int32_t count) { sideCount_ = std::clamp(count, kMinSides, kMaxSides); }
