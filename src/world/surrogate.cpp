#include "world/surrogate.h"

#include <algorithm>

#include "app/data_stream.h"
#include "app/files.h"

namespace {

// Streams from 1.17 on carry the sight weight.
constexpr float kTrackingWeightAbove = 1.1699f;

// Objects tell their kind by type name; the list may hold only surrogates,
// but a stray object of another kind is left alone.
Surrogate* AsSurrogate(TGameObject* object) {
  return object != nullptr && object->TypeName() == Surrogate::kTypeName ? static_cast<Surrogate*>(object) : nullptr;
}

}  // namespace

// --- Surrogate ---------------------------------------------------------------

Surrogate::Surrogate(const TGameObject& object)
    : TGameObject(object.Position()),
      keptRecord_(object.MakeRecord()),
      visibility_(object.GetVisibility()),
      aimPoint_(std::make_unique<TVector3>()),
      trackingWeight_(object.GetSightWeight()) {
  object.GetAimPoint(*aimPoint_);
  AssignFlags(object.GetCurrentFlags());
}

Surrogate::~Surrogate() = default;

void Surrogate::Update(float /*time*/) {}

std::unique_ptr<TGameObjectRecord> Surrogate::MakeRecord() const { return std::make_unique<SurrogateRecord>(*this); }

bool Surrogate::TakeDamage(float /*amount*/) { return false; }

bool Surrogate::IsDestroyed() const {
  const TBitSet& bits = GetCurrentFlags();
  for (std::size_t i = 0; i < bits.Size(); ++i) {
    if (bits.Test(i)) return false;
  }
  return true;
}

void Surrogate::SetFlag(int32_t index, bool value) {
  TGameObject::SetFlag(index, value);
  if (!value) return;
  for (const auto& link : links_) {
    TGameObject* linked = link->Resolve();
    if (linked == nullptr || linked->TestFlag(index)) continue;
    // A locked object was left out of this sight pass; it takes part again.
    if (linked->GetFlagSet().IsLocked()) {
      linked->GetFlagSet().Unlock();
      linked->CommitFlags();
    }
    linked->SetFlag(index, value);
  }
}

void Surrogate::CommitFlags() { MergeObjectFlags(); }

void Surrogate::HandleDestroyed(TNewObjects& /*newObjects*/, const TGameData& /*gameData*/, float /*time*/) {}

float Surrogate::GetRadius() const { return 0.0f; }

void Surrogate::GetAimPoint(TVector3& out) const { out = *aimPoint_; }

void Surrogate::AddLink(std::unique_ptr<TObjectRef> reference) {
  if (reference != nullptr) links_.push_back(std::move(reference));
}

void Surrogate::ReplaceLink(int32_t id, const std::vector<TGameObject*>& objects) {
  const auto found = std::find_if(links_.begin(), links_.end(),
                                  [id](const std::unique_ptr<TObjectRef>& link) { return link->GetId() == id; });
  if (found != links_.end()) links_.erase(found);
  for (TGameObject* object : objects) AddLink(std::make_unique<TObjectRef>(object));
}

int32_t Surrogate::KeptRecordId() const { return keptRecord_->GetId(); }

void Surrogate::SetLinksOwner(TObjectList* list) {
  for (const auto& link : links_) link->SetOwner(list);
}

void Surrogate::PullFlag(int32_t index) {
  if (TestFlag(index) || GetFlagSet().IsLocked()) return;
  const bool seenThroughLink = std::any_of(links_.begin(), links_.end(), [index](const auto& link) {
    const TGameObject* linked = link->Resolve();
    return linked != nullptr && linked->TestFlag(index);
  });
  // The linked object has the bit already: nothing to pass back.
  if (seenThroughLink) TGameObject::SetFlag(index, true);
}

// --- SurrogateRecord ---------------------------------------------------------

SurrogateRecord::SurrogateRecord(const Surrogate& surrogate)
    : TGameObjectRecord(surrogate),
      nested_(surrogate.keptRecord_->Clone()),
      visibility_(surrogate.visibility_),
      trackingWeight_(surrogate.trackingWeight_) {
  linkIds_.reserve(surrogate.links_.size());
  for (const auto& link : surrogate.links_) linkIds_.push_back(link->GetId());
}

SurrogateRecord::SurrogateRecord(TDataStream& stream, const TStringList& nameTable)
    : TGameObjectRecord(stream), nested_(CreateObjectRecord(stream, nameTable)) {
  if (nested_ == nullptr) {
    stream.SetFailed();
    return;
  }
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < 0 || static_cast<std::size_t>(count) > stream.Remaining() / sizeof(int32_t)) {
    stream.SetFailed();
    return;
  }
  linkIds_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) linkIds_.push_back(static_cast<int32_t>(stream.ReadInt()));
  visibility_ = stream.ReadFloat();
  if (stream.GetVersion() > kTrackingWeightAbove) trackingWeight_ = stream.ReadFloat();
}

SurrogateRecord::~SurrogateRecord() = default;

std::unique_ptr<TGameObjectRecord> SurrogateRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  auto record = std::make_unique<SurrogateRecord>(stream, nameTable);
  if (stream.HasFailed()) return nullptr;
  return record;
}

std::unique_ptr<TGameObject> SurrogateRecord::Spawn(const TGameData& gameData, TObjectList& list) const {
  if (nested_ == nullptr) return nullptr;
  std::unique_ptr<TGameObject> destroyed = nested_->Spawn(gameData, list);
  if (destroyed == nullptr) return nullptr;
  auto surrogate = std::make_unique<Surrogate>(*destroyed);
  destroyed.reset();
  surrogate->SetId(GetId());
  ApplyFlags(*surrogate);
  for (int32_t id : linkIds_) surrogate->AddLink(std::make_unique<TObjectRef>(id, &list));
  return surrogate;
}

std::unique_ptr<TGameObjectRecord> SurrogateRecord::Clone() const { return CloneThroughStream(*this); }

bool SurrogateRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  if (nested_ == nullptr || !nested_->Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(linkIds_.size()));
  for (int32_t id : linkIds_) idWriter.WriteId(stream, id);
  stream.WriteFloat(visibility_);
  if (stream.GetVersion() > kTrackingWeightAbove) stream.WriteFloat(trackingWeight_);
  return true;
}

// --- TSurrogateList ----------------------------------------------------------

void TSurrogateList::Add(std::unique_ptr<TGameObject> object) {
  if (object == nullptr) return;
  Surrogate* added = AsSurrogate(object.get());
  TObjectList::Add(std::move(object));
  if (added == nullptr || added->KeptRecordId() == -1) return;
  // A link to the object that just went now leads to what stands in for it.
  const int32_t goneId = added->KeptRecordId();
  const std::vector<TGameObject*> replacement = {added};
  for (int32_t i = 0; i < Count(); ++i) {
    Surrogate* other = AsSurrogate(GetAt(i));
    if (other == nullptr || other == added) continue;
    const bool linked = std::any_of(other->GetLinks().begin(), other->GetLinks().end(),
                                    [goneId](const auto& link) { return link->GetId() == goneId; });
    if (linked) other->ReplaceLink(goneId, replacement);
  }
}

void TSurrogateList::SetLinksOwnerAll(TObjectList* list) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Surrogate* surrogate = AsSurrogate(GetAt(i))) surrogate->SetLinksOwner(list);
  }
}

void TSurrogateList::PullFlagAll(int32_t index) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Surrogate* surrogate = AsSurrogate(GetAt(i))) surrogate->PullFlag(index);
  }
}
