#include "world/finite_values.h"

#include <cmath>

#include "app/data_stream.h"
#include "app/vector3.h"

bool IsFinite(const TVector3& point) {
  return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

void RequireFinite(TDataStream& stream, const TVector3& point) {
  if (!IsFinite(point)) stream.SetFailed();
}

void RequireFinite(TDataStream& stream, float value) {
  if (!std::isfinite(value)) stream.SetFailed();
}
