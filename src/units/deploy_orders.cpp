#include "units/deploy_orders.h"

#include <cmath>
#include <memory>

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "sim/action_resolver.h"
#include "sim/event_list.h"
#include "sim/unit_events.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/unit_type.h"
#include "world/game_data.h"
#include "world/world.h"
#include "world/finite_values.h"

// --- TDeployOrder -------------------------------------------------------------------------

TDeployOrder::TDeployOrder(const std::string& typeName, int32_t player, TActionResolver& resolver,
                           const TVector3& position)
    : TOrder(-1, resolver), typeName_(typeName), player_(player), position_(position) {}

TDeployOrder::TDeployOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids) {
  position_.Read(stream);
  RequireFinite(stream, position_);
  typeName_ = stream.ReadString();
  player_ = static_cast<int32_t>(stream.ReadInt());
  if (stream.GetVersion() > kUnitNameAbove) unitName_ = stream.ReadString();
}

bool TDeployOrder::Update(float now) {
  if (!deployed_) {
    // Replayed after a rewind the order names the unit it placed before, so
    // the unit comes back under the same id.
    const int32_t id = GetResolver()->DeployUnit(GetUnitId(), typeName_, player_, position_, now, unitName_);
    if (id != -1) {
      SetUnitId(id);
      deployed_ = true;
    }
  }
  return deployed_;
}

void TDeployOrder::Reset() {
  TOrder::Reset();
  deployed_ = false;
}

bool TDeployOrder::CanRemove() {
  if (deployed_) GetResolver()->CheckDeployment(GetUnitId());
  return true;
}

void TDeployOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
  position_.Write(stream);
  stream.WriteString(typeName_);
  stream.WriteInt(static_cast<uint32_t>(player_));
  // Older streams have no place for the name; their readers would take it
  // for the next order's.
  if (stream.GetVersion() > kUnitNameAbove) stream.WriteString(unitName_);
}

bool TDeployOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens)) return false;
  if (tokens.size() < 4) return true;
  const TVector3 point = ParseVector3(tokens[3]);
  return std::fabs(point.x - position_.x) < kTolerance && std::fabs(point.y - position_.y) < kTolerance &&
         std::fabs(point.z - position_.z) < kTolerance;
}

float TDeployOrder::GetCost() const { return GetResolver()->GetUnitTypeCost(typeName_); }

std::string TDeployOrder::GetRace() const {
  const TUnitType* type = GetResolver()->GetWorld().GetGameData().FindUnitType(typeName_);
  return type != nullptr ? type->GetRace() : std::string();
}

// --- TNameOrder ---------------------------------------------------------------------------

TNameOrder::TNameOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids), name_(stream.ReadString()) {}

bool TNameOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return true;
  // The event names the unit as it is made; the list keeps it for replay.
  auto event = std::make_unique<TNameEvent>(now, *unit, GetResolver()->GetWorld(), name_);
  if (TEventList* events = GetResolver()->GetEvents(); events != nullptr) events->Add(std::move(event));
  return true;
}

bool TNameOrder::IsActive() const {
  const Combatant* unit = GetUnit();
  return unit != nullptr && unit->GetName() == name_;
}

void TNameOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
  stream.WriteString(name_);
}

// --- registration -------------------------------------------------------------------------

void RegisterDeployOrderReaders() {
  RegisterOrderClass<TDeployOrder>(TDeployOrder::kName);
  RegisterOrderClass<TNameOrder>(TNameOrder::kName);
}
