#include "units/retreat_order.h"

#include <string>
#include <utility>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "world/world.h"
#include "world/finite_values.h"

namespace {

// Streams below this version carry a component count before each point.
constexpr float kCountedPointsBelow = 1.059f;
constexpr std::size_t kPointBytes = 3 * sizeof(float);
constexpr std::size_t kCountedPointBytes = sizeof(int32_t) + kPointBytes;

// A count read from the stream, or 0 (with the stream failed) when the rest
// of the stream cannot hold that many items of the size.
std::size_t ReadCount(TDataStream& stream, std::size_t itemBytes) {
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (count < 0 || static_cast<std::size_t>(count) > stream.Remaining() / itemBytes) {
    if (count != 0) stream.SetFailed();
    return 0;
  }
  return static_cast<std::size_t>(count);
}

}  // namespace

TRetreatOrder::TRetreatOrder(int32_t unitId, TActionResolver& resolver, std::vector<TVector3> points,
                             std::vector<int32_t> knownIds, TWorld& world)
    : TRouteOrder(unitId, resolver, kMovementKind),
      points_(std::move(points)),
      knownIds_(std::move(knownIds)),
      sight_(std::make_unique<TSightResolver>(world, &resolver)) {}

TRetreatOrder::TRetreatOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TRouteOrder(stream, resolver, ids, kMovementKind),
      sight_(std::make_unique<TSightResolver>(resolver.GetWorld(), &resolver)) {
  ReadPoints(stream);
  ReadKnownIds(stream, ids);
}

TRetreatOrder::~TRetreatOrder() = default;

void TRetreatOrder::ReadPoints(TDataStream& stream) {
  const bool counted = stream.GetVersion() < kCountedPointsBelow;
  const std::size_t count = ReadCount(stream, counted ? kCountedPointBytes : kPointBytes);
  points_.resize(count);
  for (TVector3& point : points_) {
    point.Read(stream);
    RequireFinite(stream, point);
  }
}

void TRetreatOrder::ReadKnownIds(TDataStream& stream, TIdMapper& ids) {
  const std::size_t count = ReadCount(stream, sizeof(int32_t));
  knownIds_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) knownIds_.push_back(ids.ReadId(stream, GetResolver()->GetWorld()));
}

void TRetreatOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
  stream.WriteInt(static_cast<uint32_t>(points_.size()));
  for (const TVector3& point : points_) point.Write(stream);
  stream.WriteInt(static_cast<uint32_t>(knownIds_.size()));
  for (int32_t id : knownIds_) stream.WriteInt(static_cast<uint32_t>(id));
}

std::optional<TVector3> TRetreatOrder::Destination() const {
  if (pointIndex_ < 0 || static_cast<std::size_t>(pointIndex_) >= points_.size()) return std::nullopt;
  return points_[static_cast<std::size_t>(pointIndex_)];
}

bool TRetreatOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) {
    IdleRest(now);
    return true;
  }
  if (!IsActive()) {
    reactionStart_ = now;
    StartOrder(*unit);
  } else {
    ClearFirstStep();
  }
  if (!moving_) {
    // The unit takes its Reaction Time to turn away.
    if (now < reactionStart_ + unit->GetType().GetReactionTime() + kTolerance) return false;
    moving_ = true;
    unit->SetStartTime(now);
  }
  const std::optional<TVector3> destination = Destination();
  // An order without a point has nowhere to lead: it ends as if arrived.
  if (!destination || unit->Position().IsWithin(*destination, kTolerance)) {
    IdleRest(now);
    return true;
  }
  return TRouteOrder::Update(now);
}

void RegisterRetreatOrderReaders() { RegisterOrderClass<TRetreatOrder>(TRetreatOrder::kName); }
