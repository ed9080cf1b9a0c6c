#include "units/warp_attack_order.h"

#include <cmath>
#include <memory>

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"

namespace {

// Bytes of one point in the stream: three floats, after a count in old streams.
constexpr float kCountedPointsBelow = 1.059f;

std::size_t PointBytes(const TDataStream& stream) {
  return stream.GetVersion() < kCountedPointsBelow ? 16u : 12u;
}

bool DiffersOnTheGround(const TVector3& a, const TVector3& b) {
  return std::fabs(a.x - b.x) > TOrder::kTolerance || std::fabs(a.y - b.y) > TOrder::kTolerance;
}

}  // namespace

const TColour& TWarpAttackOrder::MarkerColour() {
  static const TColour colour(0.8f, 0.2f, 0.2f, 1.0f);
  return colour;
}

TWarpAttackOrder::TWarpAttackOrder(int32_t unitId, TActionResolver& resolver, const TVector3& targetPoint)
    : TAttackOrder(unitId, resolver) {
  BuildMarker();
  SetTargetPoint(targetPoint);
}

TWarpAttackOrder::TWarpAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TAttackOrder(stream, resolver, ids) {
  const int32_t count = static_cast<int32_t>(stream.ReadInt());
  if (count < 0 || static_cast<std::size_t>(count) > stream.Remaining() / PointBytes(stream)) {
    stream.SetFailed();
  } else {
    extraPoints_.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) extraPoints_.emplace_back(stream);
  }
  BuildMarker();
  PlaceMarker();
}

TWarpAttackOrder::~TWarpAttackOrder() = default;

void TWarpAttackOrder::BuildMarker() {
  auto marker = std::make_unique<TAttackMarker>(std::string(kMarkerName));
  marker->SetColour(MarkerColour());
  for (std::size_t i = 0; i < extraPoints_.size(); ++i) marker->AddLeg();
  SetMarker(std::move(marker));
}

void TWarpAttackOrder::ShowMarker(bool show) {
  if (!IsUnitValid() || GetMarker() == nullptr) return;
  GetMarker()->Show(show);
}

bool TWarpAttackOrder::CanRemove() {
  if (extraPoints_.empty()) return true;
  extraPoints_.pop_back();
  if (GetMarker() != nullptr) GetMarker()->RemoveLastLeg();
  return false;
}

void TWarpAttackOrder::Write(TDataStream& stream) const {
  TAttackOrder::Write(stream);
  stream.WriteInt(static_cast<uint32_t>(extraPoints_.size()));
  for (const TVector3& point : extraPoints_) point.Write(stream);
}

bool TWarpAttackOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens)) return false;
  if (tokens.size() < 4) return true;
  return !DiffersOnTheGround(ParseVector3(tokens[3]), GetTargetPoint());
}

bool TWarpAttackOrder::IsUnitValid() const {
  if (!TAttackOrder::IsUnitValid()) return false;
  const Combatant* unit = GetUnit();
  return unit != nullptr && IsAimableFrom(*unit, GetTargetPoint(), false);
}

void TWarpAttackOrder::Fire(float shotTime, float now) {
  Combatant* unit = GetUnit();
  // The events carry the shot's time; the route starts at the tick that fires.
  if (unit != nullptr) GetResolver()->FireWarpAttack(*unit, GetTargetPoint(), extraPoints_, shotTime, now);
}

void TWarpAttackOrder::PlaceMarker() {
  TAttackMarker* marker = GetMarker();
  if (marker == nullptr) return;
  marker->Stretch(0, StartPosition(), GetTargetPoint());
  const TVector3* from = &GetTargetPoint();
  for (std::size_t k = 0; k < extraPoints_.size() && static_cast<int32_t>(k) + 1 < marker->LegCount(); ++k) {
    marker->Stretch(static_cast<int32_t>(k) + 1, *from, extraPoints_[k]);
    from = &extraPoints_[k];
  }
}

void TWarpAttackOrder::AddPoint(const TVector3& point) {
  if (!DiffersOnTheGround(point, EndPoint())) return;
  extraPoints_.push_back(point);
  if (GetMarker() != nullptr) GetMarker()->AddLeg();
  PlaceMarker();
}

const TVector3& TWarpAttackOrder::EndPoint() const {
  return extraPoints_.empty() ? GetTargetPoint() : extraPoints_.back();
}

float TWarpAttackOrder::RouteLength() const {
  float length = StartPosition().DistanceTo(GetTargetPoint());
  const TVector3* from = &GetTargetPoint();
  for (const TVector3& point : extraPoints_) {
    length += from->DistanceTo(point);
    from = &point;
  }
  return length;
}

void RegisterWarpAttackOrderReaders() {
  RegisterOrderClass<TWarpAttackOrder>(TWarpAttackOrder::kName);
}
