#include "sim/event.h"

#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "world/bit_set.h"
#include "world/game_object.h"
#include "world/object_ref.h"
#include "world/world.h"

namespace {

std::size_t BitIndex(int32_t player) { return static_cast<std::size_t>(player); }

}  // namespace

// --- TEvent ------------------------------------------------------------------

TEvent::TEvent(float time) : time_(time), visibility_(std::make_unique<TBitSet>()) {}

TEvent::TEvent(float time, const TBitSet& bits) : time_(time), visibility_(std::make_unique<TBitSet>(bits)) {}

TEvent::TEvent(TDataStream& stream) : time_(stream.ReadFloat()), visibility_(std::make_unique<TBitSet>()) {}

TEvent::~TEvent() = default;

bool TEvent::Save(TDataStream& stream, TIdMapper& /*idWriter*/, TStringList& nameTable) const {
  return SaveHeader(stream, nameTable);
}

bool TEvent::SaveHeader(TDataStream& stream, TStringList& nameTable) const {
  const int16_t index = nameTable.IndexOf(std::string(TypeName()));
  // A full table cannot name the type: the event would read back as another.
  if (index < 0) return false;
  stream.WriteShort(static_cast<uint16_t>(index));
  stream.WriteFloat(time_);
  return true;
}

void TEvent::AssignFlags(const TBitSet& bits) { visibility_->Assign(bits); }

void TEvent::SetFlag(int32_t player) {
  if (player >= 0) visibility_->Set(BitIndex(player), true);
}

void TEvent::ClearFlag(int32_t player) {
  if (player >= 0) visibility_->Set(BitIndex(player), false);
}

bool TEvent::TestFlag(int32_t player) const { return player >= 0 && visibility_->Test(BitIndex(player)); }

// --- TUnitEvent --------------------------------------------------------------

TUnitEvent::TUnitEvent(float time, TGameObject& unit)
    : TEvent(time, unit.GetCurrentFlags()), subject_(std::make_unique<TObjectRef>(&unit)) {}

TUnitEvent::TUnitEvent(float time, TGameObject& unit, TWorld& world)
    : TEvent(time, unit.GetCurrentFlags()), subject_(std::make_unique<TObjectRef>(unit.GetId(), &world.GetUnits())) {}

TUnitEvent::TUnitEvent(TDataStream& stream, TWorld* world) : TEvent(stream) {
  const auto id = static_cast<int32_t>(stream.ReadInt());
  TObjectList* units = world != nullptr ? &world->GetUnits() : nullptr;
  subject_ = std::make_unique<TObjectRef>(id, units);
}

TUnitEvent::~TUnitEvent() = default;

bool TUnitEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  idWriter.WriteId(stream, SubjectId());
  return true;
}

int32_t TUnitEvent::SubjectId() const { return subject_->GetId(); }

Combatant* TUnitEvent::Subject() const { return AsCombatant(subject_->Resolve()); }
