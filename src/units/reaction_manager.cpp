#include "units/reaction_manager.h"

#include <utility>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order_list.h"
#include "units/reaction_policy.h"
#include "units/sight_resolver.h"
#include "units/unit_visual_state.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/world.h"

namespace {

// Streams up to this version stored the sighting reaction as one byte: the
// game then knew only "halt" and "continue".
constexpr float kByteCodeUpTo = 1.0999f;
constexpr uint8_t kHaltByte = 1;
// Streams after this version carry the sighting point; before it a read
// record starts from where its unit stands.
constexpr float kPointAbove = 3.0499f;

const TColour kContinueColour(0.0f, 0.9f, 0.0f, 1.0f);
const TColour kHaltColour(1.0f, 0.0f, 0.0f, 1.0f);
const TColour kRetreatColour(0.0f, 0.0f, 1.0f, 1.0f);

int32_t ReadInt32(TDataStream& stream) { return static_cast<int32_t>(stream.ReadInt()); }

}  // namespace

// ============================================================ TReactionSettings

TReactionSettings::TReactionSettings(int32_t unitId, TWorld* world)
    : unit_(unitId, world), policy_(std::make_unique<HoldFire>()) {}

TReactionSettings::~TReactionSettings() = default;

std::unique_ptr<TReactionSettings> TReactionSettings::Copy() const {
  auto copy = std::make_unique<TReactionSettings>(-1, nullptr);
  copy->unit_ = unit_;
  copy->sightingCode_ = sightingCode_;
  copy->sightingPoint_ = sightingPoint_;
  copy->policy_ = policy_ ? CreateReactionPolicy(policy_->Name()) : nullptr;
  // The markers belong to the unit, not to the record: the copy starts from
  // what the unit shows now.
  copy->sightingMarker_ = sightingMarker_;
  copy->combatMarker_ = combatMarker_;
  copy->RefreshMarkers();
  return copy;
}

Combatant* TReactionSettings::ResolveUnit() const { return AsCombatant(unit_.Resolve()); }

int32_t TReactionSettings::SightingCodeNumber(std::string_view code) {
  if (code == kHalt) return 1;
  if (code == kRetreat) return 2;
  return 0;
}

int32_t TReactionSettings::GetSightingCodeNumber() const { return SightingCodeNumber(sightingCode_); }

void TReactionSettings::SetPolicy(std::unique_ptr<TReactionPolicy> policy) { policy_ = std::move(policy); }

void TReactionSettings::RefreshMarkers() {
  RefreshSightingMarker();
  RefreshCombatMarker();
}

void TReactionSettings::RefreshSightingMarker() {
  Combatant* unit = ResolveUnit();
  if (unit == nullptr) return;
  if (sightingCode_ == kContinue) {
    sightingMarker_ = kContinueColour;
  } else if (sightingCode_ == kHalt) {
    sightingMarker_ = kHaltColour;
  } else if (sightingCode_ == kRetreat) {
    sightingMarker_ = kRetreatColour;
  }
  unit->GetAnimator().ShowSightingColour(sightingMarker_ ? &*sightingMarker_ : nullptr);
}

void TReactionSettings::RefreshCombatMarker() {
  Combatant* unit = ResolveUnit();
  if (unit == nullptr) return;
  if (policy_) {
    combatMarker_ = policy_->Colour();
  } else {
    combatMarker_.reset();
  }
  unit->GetAnimator().ShowCombatColour(combatMarker_ ? &*combatMarker_ : nullptr);
}

bool TReactionSettings::Write(TDataStream& stream) const {
  const float version = stream.GetVersion();
  bool ok = stream.WriteInt(static_cast<uint32_t>(unit_.GetId()));
  if (version <= kByteCodeUpTo) {
    ok = stream.WriteByte(sightingCode_ == kHalt ? kHaltByte : 0) && ok;
  } else {
    ok = stream.WriteString(sightingCode_) && ok;
  }
  if (policy_) {
    ok = policy_->Write(stream) && ok;
  } else {
    // No policy name reads back as no policy.
    ok = stream.WriteString(std::string()) && ok;
  }
  if (version > kPointAbove) {
    ok = stream.WriteFloat(sightingPoint_.x) && ok;
    ok = stream.WriteFloat(sightingPoint_.y) && ok;
    ok = stream.WriteFloat(sightingPoint_.z) && ok;
  }
  return ok;
}

std::unique_ptr<TReactionSettings> TReactionSettings::Read(TDataStream& stream, TIdMapper& mapper, TWorld* world) {
  const float version = stream.GetVersion();
  const int32_t unitId = world != nullptr ? mapper.ReadId(stream, *world) : mapper.ReadId(stream);
  auto settings = std::make_unique<TReactionSettings>(unitId, world);
  if (version <= kByteCodeUpTo) {
    if (stream.ReadByte() == kHaltByte) settings->sightingCode_ = kHalt;
  } else {
    settings->sightingCode_ = stream.ReadString();
  }
  settings->policy_ = ReadReactionPolicy(stream);
  if (version > kPointAbove) {
    settings->sightingPoint_.x = stream.ReadFloat();
    settings->sightingPoint_.y = stream.ReadFloat();
    settings->sightingPoint_.z = stream.ReadFloat();
  } else if (const Combatant* unit = settings->ResolveUnit()) {
    settings->sightingPoint_ = unit->Position();
  }
  if (stream.HasFailed()) return nullptr;
  return settings;
}

std::size_t TReactionSettings::MinStreamSize(float version) {
  // The id, the code (a byte, or a string's length), the policy name's
  // length, and the point.
  std::size_t size = 4 + (version <= kByteCodeUpTo ? 1 : 4) + 4;
  if (version > kPointAbove) size += 3 * 4;
  return size;
}

// ============================================================= TReactionManager

TReactionManager::TReactionManager(int32_t playerCount, TWorld* world, TOrderList* orders)
    : seen_(static_cast<std::size_t>(playerCount > 0 ? playerCount : 0)),
      world_(world),
      orders_(orders),
      sight_(world != nullptr ? std::make_unique<TSightResolver>(*world, nullptr) : nullptr) {}

TReactionManager::~TReactionManager() {
  world_ = nullptr;
  orders_ = nullptr;
  sight_.reset();
  Reset();
}

// --- records ---------------------------------------------------------------------

TReactionSettings* TReactionManager::Find(int32_t unitId) const {
  for (const auto& entry : entries_) {
    if (entry->GetUnitId() == unitId) return entry.get();
  }
  return nullptr;
}

TReactionSettings& TReactionManager::FindOrCreate(int32_t unitId) {
  if (TReactionSettings* found = Find(unitId)) return *found;
  entries_.push_back(std::make_unique<TReactionSettings>(unitId, world_));
  return *entries_.back();
}

void TReactionManager::SetSightingReaction(int32_t unitId, const std::string& code, const TVector3& point) {
  TReactionSettings& settings = FindOrCreate(unitId);
  settings.SetSightingCode(code);
  settings.SetSightingPoint(point);
  settings.RefreshSightingMarker();
}

void TReactionManager::SetCombatReaction(int32_t unitId, const std::string& policyName) {
  TReactionSettings& settings = FindOrCreate(unitId);
  settings.SetPolicy(CreateReactionPolicy(policyName));
  settings.RefreshCombatMarker();
}

int32_t TReactionManager::GetSightingCode(int32_t unitId) const {
  const TReactionSettings* settings = Find(unitId);
  return settings != nullptr ? settings->GetSightingCodeNumber() : 0;
}

int32_t TReactionManager::GetCombatCode(int32_t unitId) const {
  const TReactionSettings* settings = Find(unitId);
  return settings != nullptr && settings->GetPolicy() != nullptr ? settings->GetPolicy()->Code() : 0;
}

bool TReactionManager::HasSightingCode(int32_t unitId, std::string_view code) const {
  const TReactionSettings* settings = Find(unitId);
  return settings != nullptr && settings->GetSightingCode() == code;
}

bool TReactionManager::HasCombatPolicy(int32_t unitId, std::string_view name) const {
  const TReactionSettings* settings = Find(unitId);
  return settings != nullptr && settings->GetPolicy() != nullptr && settings->GetPolicy()->Name() == name;
}

// --- turn --------------------------------------------------------------------------

void TReactionManager::BeginTurn() {
  ClearSeen();
  if (world_ == nullptr) return;
  RecordVisible(world_->GetUnits());
  RecordVisible(world_->GetAmmoDumps());
  RecordVisible(world_->GetEggs());
  for (const auto& entry : entries_) {
    if (const Combatant* unit = entry->ResolveUnit()) entry->SetSightingPoint(unit->Position());
  }
}

void TReactionManager::RecordVisible(const TObjectList& list) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TGameObject* object = list.GetAt(i);
    if (object == nullptr) continue;
    for (std::size_t player = 0; player < seen_.size(); ++player) {
      if (object->TestFlag(static_cast<int32_t>(player))) {
        seen_[player].push_back(std::make_unique<TObjectRef>(object->GetId(), world_));
      }
    }
  }
}

void TReactionManager::RefreshMarkers() {
  for (const auto& entry : entries_) entry->RefreshMarkers();
}

bool TReactionManager::WasSeenAtTurnStart(int32_t player, int32_t objectId) const {
  for (const auto& ref : GetSeen(player)) {
    if (ref->GetId() == objectId) return true;
  }
  return false;
}

const TReactionManager::TSeenList& TReactionManager::GetSeen(int32_t player) const {
  static const TSeenList kNone;
  if (player < 0 || static_cast<std::size_t>(player) >= seen_.size()) return kNone;
  return seen_[static_cast<std::size_t>(player)];
}

void TReactionManager::CancelUnitOrders(int32_t unitId) {
  // Without an order list (a manager kept only for its records: the
  // interface's and the session's copies) the unit has no orders here to
  // lose.
  if (orders_ == nullptr) return;
  orders_->CancelUnitOrders(unitId);
}

// --- streams and copies --------------------------------------------------------------

bool TReactionManager::Write(TDataStream& stream) const {
  bool ok = stream.WriteInt(static_cast<uint32_t>(entries_.size()));
  for (const auto& entry : entries_) ok = entry->Write(stream) && ok;
  return ok;
}

bool TReactionManager::Read(TDataStream& stream, TIdMapper& mapper) {
  const int32_t count = ReadInt32(stream);
  if (stream.HasFailed()) return false;
  const std::size_t minSize = TReactionSettings::MinStreamSize(stream.GetVersion());
  if (count < 0 || static_cast<std::size_t>(count) > stream.Remaining() / minSize) {
    stream.SetFailed();
    return false;
  }
  // Everything is read before anything changes, so a damaged stream leaves
  // the records as they were.
  TSettingsList read;
  read.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<TReactionSettings> settings = TReactionSettings::Read(stream, mapper, world_);
    if (!settings) {
      stream.SetFailed();
      return false;
    }
    read.push_back(std::move(settings));
  }
  for (auto& settings : read) {
    settings->RefreshMarkers();
    Append(std::move(settings));
  }
  return true;
}

void TReactionManager::Append(std::unique_ptr<TReactionSettings> settings) {
  const int32_t unitId = settings->GetUnitId();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if ((*it)->GetUnitId() == unitId) {
      entries_.erase(it);
      break;
    }
  }
  entries_.push_back(std::move(settings));
}

void TReactionManager::CopyInto(const TSettingsList& from, TSettingsList& to) {
  to.clear();
  to.reserve(from.size());
  for (const auto& settings : from) to.push_back(settings->Copy());
}

void TReactionManager::SaveCopy() { CopyInto(entries_, saved_); }

void TReactionManager::RestoreSaved() { CopyInto(saved_, entries_); }

void TReactionManager::Reset() {
  ClearSeen();
  entries_.clear();
  saved_.clear();
}

void TReactionManager::ClearSeen() {
  for (auto& list : seen_) list.clear();
}
