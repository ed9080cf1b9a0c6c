#include "sim/unit_events.h"

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "units/combatant.h"
#include "units/reaction_manager.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/bit_set.h"
#include "world/finite_values.h"

namespace {

// Only the unit's owner may see the event: a fresh set (one clear bit per
// side) with the owner's bit alone.
void MakeOwnerOnly(TEvent& event, const Combatant& unit) {
  event.AssignFlags(TBitSet());
  event.SetFlag(unit.GetOwner());
}

// The factory's reader of one type: the event, or null when its fields run
// past the end of the stream.
template <class TType>
std::unique_ptr<TEvent> ReadEvent(TDataStream& stream, const TEventFactoryContext& context) {
  auto event = std::make_unique<TType>(stream, context);
  if (stream.HasFailed()) return nullptr;
  return event;
}

}  // namespace

// --- Ammo ----------------------------------------------------------------------

TAmmoEvent::TAmmoEvent(float time, Combatant& unit, TWorld& world, int32_t rounds)
    : TUnitEvent(time, unit, world), rounds_(rounds) {
  Apply();
}

TAmmoEvent::TAmmoEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), rounds_(static_cast<int32_t>(stream.ReadInt())) {}

void TAmmoEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr || unit->GetWeapon() == nullptr) return;
  unit->GetWeapon()->AddAmmunition(rounds_);
}

bool TAmmoEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(rounds_));
  return true;
}

std::unique_ptr<TEvent> TAmmoEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                         const TStringList& /*nameTable*/) {
  return ReadEvent<TAmmoEvent>(stream, context);
}

// --- Animation -----------------------------------------------------------------

TAnimationEvent::TAnimationEvent(float time, Combatant& unit, TWorld& world, const std::string& state)
    : TUnitEvent(time, unit, world), state_(state) {
  Apply();
}

TAnimationEvent::TAnimationEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), state_(stream.ReadString()) {}

void TAnimationEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->GetAnimator().SetState(state_, GetTime());
}

bool TAnimationEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteString(state_);
  return true;
}

std::unique_ptr<TEvent> TAnimationEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                              const TStringList& /*nameTable*/) {
  return ReadEvent<TAnimationEvent>(stream, context);
}

// --- Calorie -------------------------------------------------------------------

TCalorieEvent::TCalorieEvent(float time, Combatant& unit, TWorld& world, float amount)
    : TUnitEvent(time, unit, world), amount_(amount) {
  Apply();
}

TCalorieEvent::TCalorieEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), amount_(stream.ReadFloat()) {
  RequireFinite(stream, amount_);
}

void TCalorieEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->AddFood(amount_);
}

bool TCalorieEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(amount_);
  return true;
}

std::unique_ptr<TEvent> TCalorieEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                            const TStringList& /*nameTable*/) {
  return ReadEvent<TCalorieEvent>(stream, context);
}

// --- Facing --------------------------------------------------------------------

TFacingEvent::TFacingEvent(float time, Combatant& unit, TWorld& world, int32_t facing)
    : TUnitEvent(time, unit, world), facing_(facing) {
  Apply();
}

TFacingEvent::TFacingEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), facing_(static_cast<int32_t>(stream.ReadInt())) {}

void TFacingEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->SetFacing(facing_);
}

bool TFacingEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(facing_));
  return true;
}

std::unique_ptr<TEvent> TFacingEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                           const TStringList& /*nameTable*/) {
  return ReadEvent<TFacingEvent>(stream, context);
}

// --- Heal ----------------------------------------------------------------------

THealEvent::THealEvent(float time, Combatant& unit, TWorld& world, float amount)
    : TUnitEvent(time, unit, world), amount_(amount) {
  Apply();
}

THealEvent::THealEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), amount_(stream.ReadFloat()) {
  RequireFinite(stream, amount_);
}

void THealEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->AddEndurance(amount_);
}

bool THealEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(amount_);
  return true;
}

std::unique_ptr<TEvent> THealEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                         const TStringList& /*nameTable*/) {
  return ReadEvent<THealEvent>(stream, context);
}

// --- LayEgg --------------------------------------------------------------------

TLayEggEvent::TLayEggEvent(float time, Combatant& unit, TWorld& world) : TUnitEvent(time, unit, world) { Apply(); }

TLayEggEvent::TLayEggEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world) {}

void TLayEggEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  // Anything but a queen with a whole portion of food is left as it was.
  unit->ConsumeFood();
}

std::unique_ptr<TEvent> TLayEggEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                           const TStringList& /*nameTable*/) {
  return ReadEvent<TLayEggEvent>(stream, context);
}

// --- Movement ------------------------------------------------------------------

TMovementEvent::TMovementEvent(float time, Combatant& unit, TWorld& world, const TVector3& destination,
                               const TVector3& position)
    : TUnitEvent(time, unit, world), destination_(destination), position_(position) {
  Apply();
}

TMovementEvent::TMovementEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world) {
  destination_.Read(stream);
  position_.Read(stream);
  RequireFinite(stream, destination_);
  RequireFinite(stream, position_);
}

void TMovementEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->SetPosition(position_);
  unit->MoveToward(destination_, GetTime());
}

bool TMovementEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  destination_.Write(stream);
  position_.Write(stream);
  return true;
}

std::unique_ptr<TEvent> TMovementEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                             const TStringList& /*nameTable*/) {
  return ReadEvent<TMovementEvent>(stream, context);
}

// --- Name ----------------------------------------------------------------------

TNameEvent::TNameEvent(float time, Combatant& unit, TWorld& world, const std::string& name)
    : TUnitEvent(time, unit, world), name_(name) {
  Apply();
}

TNameEvent::TNameEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), name_(stream.ReadString()) {}

void TNameEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->SetName(name_);
}

bool TNameEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteString(name_);
  return true;
}

std::unique_ptr<TEvent> TNameEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                         const TStringList& /*nameTable*/) {
  return ReadEvent<TNameEvent>(stream, context);
}

// --- Resupply ------------------------------------------------------------------

TResupplyEvent::TResupplyEvent(float time, Combatant& unit, TWorld& world) : TUnitEvent(time, unit, world) {
  Apply();
}

TResupplyEvent::TResupplyEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world) {}

void TResupplyEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr || unit->GetWeapon() == nullptr) return;
  unit->GetWeapon()->ReloadOne();
}

std::unique_ptr<TEvent> TResupplyEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                             const TStringList& /*nameTable*/) {
  return ReadEvent<TResupplyEvent>(stream, context);
}

// --- Rules ---------------------------------------------------------------------

TRulesEvent::TRulesEvent(float time, Combatant& unit, TWorld& world, const std::string& policy,
                         const std::string& kind, TReactionManager* reactions)
    : TUnitEvent(time, unit, world), policy_(policy), kind_(kind), reactions_(reactions) {
  MakeOwnerOnly(*this, unit);
  Apply();
}

TRulesEvent::TRulesEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), reactions_(context.reactionManager) {
  policy_ = stream.ReadString();
  kind_ = stream.ReadString();
}

void TRulesEvent::Apply() {
  if (reactions_ == nullptr) return;
  if (kind_ == kSightingKind) {
    // The sighting point is where the unit stands: a gone unit has none.
    const Combatant* unit = Subject();
    if (unit == nullptr) return;
    reactions_->SetSightingReaction(SubjectId(), policy_, unit->Position());
  } else if (kind_ == kCombatKind) {
    reactions_->SetCombatReaction(SubjectId(), policy_);
  }
}

bool TRulesEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  // Older readers know no such event and could not skip it.
  if (stream.GetVersion() <= kWrittenAbove) return true;
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteString(policy_);
  stream.WriteString(kind_);
  return true;
}

std::unique_ptr<TEvent> TRulesEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                          const TStringList& /*nameTable*/) {
  return ReadEvent<TRulesEvent>(stream, context);
}

// --- StopActions ---------------------------------------------------------------

TStopActionsEvent::TStopActionsEvent(float time, Combatant& unit, TWorld& world)
    : TUnitEvent(time, unit, world), position_(unit.Position()) {
  Apply();
}

TStopActionsEvent::TStopActionsEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world) {
  position_.Read(stream);
  RequireFinite(stream, position_);
}

void TStopActionsEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->ResetToStand();
  unit->SetPosition(position_);
}

bool TStopActionsEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  position_.Write(stream);
  return true;
}

std::unique_ptr<TEvent> TStopActionsEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                                const TStringList& /*nameTable*/) {
  return ReadEvent<TStopActionsEvent>(stream, context);
}

// --- ToggleShield --------------------------------------------------------------

TToggleShieldEvent::TToggleShieldEvent(float time, Combatant& unit, TWorld& world, bool on)
    : TUnitEvent(time, unit, world), on_(on) {
  MakeOwnerOnly(*this, unit);
  Apply();
}

TToggleShieldEvent::TToggleShieldEvent(TDataStream& stream, const TEventFactoryContext& context)
    : TUnitEvent(stream, context.world), on_(stream.ReadByte() != 0) {}

void TToggleShieldEvent::Apply() {
  Combatant* unit = Subject();
  if (unit == nullptr) return;
  unit->SetCanFire(on_);
}

bool TToggleShieldEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TUnitEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteByte(on_ ? 1 : 0);
  return true;
}

std::unique_ptr<TEvent> TToggleShieldEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                                 const TStringList& /*nameTable*/) {
  return ReadEvent<TToggleShieldEvent>(stream, context);
}

// --- registration --------------------------------------------------------------

namespace {

struct TUnitEventReader {
  std::string_view name;
  TEventReader::result_type (*read)(TDataStream&, const TEventFactoryContext&, const TStringList&);
};

constexpr TUnitEventReader kUnitEventReaders[] = {
    {TAmmoEvent::kTypeName, &TAmmoEvent::Read},
    {TAnimationEvent::kTypeName, &TAnimationEvent::Read},
    {TCalorieEvent::kTypeName, &TCalorieEvent::Read},
    {TFacingEvent::kTypeName, &TFacingEvent::Read},
    {THealEvent::kTypeName, &THealEvent::Read},
    {TLayEggEvent::kTypeName, &TLayEggEvent::Read},
    {TMovementEvent::kTypeName, &TMovementEvent::Read},
    {TNameEvent::kTypeName, &TNameEvent::Read},
    {TResupplyEvent::kTypeName, &TResupplyEvent::Read},
    {TRulesEvent::kTypeName, &TRulesEvent::Read},
    {TStopActionsEvent::kTypeName, &TStopActionsEvent::Read},
    {TToggleShieldEvent::kTypeName, &TToggleShieldEvent::Read},
};

}  // namespace

void RegisterUnitEventReaders() {
  TEventFactory& factory = TEventFactory::Instance();
  for (const TUnitEventReader& reader : kUnitEventReaders) factory.Register(reader.name, reader.read);
}

void UnregisterUnitEventReaders() {
  TEventFactory& factory = TEventFactory::Instance();
  for (const TUnitEventReader& reader : kUnitEventReaders) factory.Unregister(reader.name);
}
