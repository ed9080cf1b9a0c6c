#include "world/terrain_object.h"

#include <map>
#include <set>
#include <utility>

#include "app/log.h"
#include "app/random.h"
#include "display/mapview/map_view_hooks.h"
#include "display/visual_registry.h"
#include "session/sides.h"
#include "world/game_data.h"
#include "world/object_list.h"
#include "world/surrogate.h"
#include "world/terrain_type.h"
#include "world/world_effects.h"

namespace {

constexpr const char* kNone = "none";

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Tiles of the power network and force fields pass what the players saw of
// them on to their surrogate. ("power_controll" is the longer word the rule
// has always tested, not the switch panels' "power_control".)
bool IsNetworkTile(const std::string& name) {
  return Contains(name, "power_cell") || Contains(name, "power_controll") || Contains(name, "relay_post") ||
         Contains(name, "field_");
}

// Successors of these keep the bits of the object they replace.
bool KeepsBitsOnChange(const TTerrainType& type) {
  const std::string& name = type.GetName();
  return (type.IsDoorState() && !type.IsClosed()) || Contains(name, "power_cell") ||
         Contains(name, "power_controll") || Contains(name, "relay_post");
}

// A ground type that nothing replaces is never destroyed.
bool IsIndestructibleGround(const TTerrainType& type) {
  return type.IsGround() && type.GetDestroyedName() == kNone;
}

// The surrogate that the base handling appended at `index` links to the
// object made in the same step, so the players' bits pass on to it.
void LinkSurrogate(TNewObjects& out, std::size_t index, TGameObject* successor) {
  if (index >= out.size() || out[index] == nullptr || out[index]->TypeName() != Surrogate::StaticTypeName()) return;
  static_cast<Surrogate*>(out[index].get())->AddLink(std::make_unique<TObjectRef>(successor));
}

std::string TemplateKey(const TGameData& gameData, const TTerrainType& type) {
  return gameData.GetTerrainSetName() + '\n' + type.GetName();
}

std::map<std::string, std::unique_ptr<TTerrainTemplate>>& TemplateRegistry() {
  static std::map<std::string, std::unique_ptr<TTerrainTemplate>> registry;
  return registry;
}

}  // namespace

// --- TTerrainTemplate --------------------------------------------------------

TTerrainTemplate::TTerrainTemplate(const TTerrainType& type)
    : name_(type.GetName()), sightShapeText_(type.GetSightShapeText()), fireShapeText_(type.GetFireShapeText()) {
  type.BuildFireVolume(fireVolume_, &origin_);
  type.BuildSightVolume(sightVolume_, &origin_);
}

bool TTerrainTemplate::Fits(const TTerrainType& type) const {
  return name_ == type.GetName() && sightShapeText_ == type.GetSightShapeText() &&
         fireShapeText_ == type.GetFireShapeText();
}

// --- TTerrainTemplates -------------------------------------------------------

const TTerrainTemplate& TTerrainTemplates::For(const TGameData& gameData, const TTerrainType& type) {
  std::unique_ptr<TTerrainTemplate>& entry = TemplateRegistry()[TemplateKey(gameData, type)];
  if (entry == nullptr || !entry->Fits(type)) entry = std::make_unique<TTerrainTemplate>(type);
  return *entry;
}

int32_t TTerrainTemplates::Count() { return static_cast<int32_t>(TemplateRegistry().size()); }

void TTerrainTemplates::Clear() { TemplateRegistry().clear(); }

// --- TTerrainObject: construction --------------------------------------------

namespace {

constexpr const char* kTerrainCategory = "Terrain";
constexpr float kGroundOffset = -10000.0f;
constexpr float kWallOffset = 0.0f;
constexpr float kObjectOffset = 0.5f;

}  // namespace

TTerrainObject::TTerrainObject(const TTerrainType& type, const TVector3& position, float creationTime)
    : TGameObject(position), type_(&type), creationTime_(creationTime) {
  BuildVisual();
  Place();
  type.BuildFireVolume(GetLofVolume(), &Position());
  type.BuildSightVolume(GetLosVolume(), &Position());
}

TTerrainObject::TTerrainObject(const TTerrainType& type) : TGameObject(TVector3()), type_(&type), detached_(1) {
  BuildVisual();
  type.BuildFireVolume(GetLofVolume(), &Position());
  type.BuildSightVolume(GetLosVolume(), &Position());
}

TTerrainObject::TTerrainObject(const TTerrainObject& templateObject, const TVector3& position, float creationTime)
    : TGameObject(position), type_(templateObject.type_), creationTime_(creationTime) {
  visual_ = CopyMapVisual(templateObject.visual_.get(), &MutablePosition());
  Place();
  GetLofVolume().Clone(templateObject.GetLofVolume(), &Position());
  GetLosVolume().Clone(templateObject.GetLosVolume(), &Position());
}

TTerrainObject::TTerrainObject(const TTerrainTemplate& shared, const TTerrainType& type, const TVector3& position,
                               float creationTime)
    : TGameObject(position), type_(&type), creationTime_(creationTime) {
  BuildVisual();
  Place();
  GetLofVolume().Clone(shared.FireVolume(), &Position());
  GetLosVolume().Clone(shared.SightVolume(), &Position());
}

void TTerrainObject::BuildVisual() {
  // The visual follows the object's own position.
  visual_ = BuildMapVisual(type_->GetName(), kTerrainCategory, &MutablePosition(), false);
}

void TTerrainObject::Place() {
  // Light falls only where the ground is.
  if (IsGround()) MarkGroundLight(Position(), true);
  AddVisualToMapView(visual_.get(), LayerOffset());
  StartMapVisual(visual_.get(), creationTime_);
}

float TTerrainObject::LayerOffset() const {
  if (IsGround()) return kGroundOffset;
  return IsWall() ? kWallOffset : kObjectOffset;
}

TTerrainObject::~TTerrainObject() {
  // The visual leaves the map view's layers as it goes (a detached one was
  // never in them).
  visual_.reset();
}

// --- TTerrainObject: game-object behaviour -----------------------------------

void TTerrainObject::Update(float time) {
  // A tile changes only through its visual's animation.
  UpdateMapVisual(visual_.get(), time);
}

std::unique_ptr<TGameObjectRecord> TTerrainObject::MakeRecord() const {
  return std::make_unique<TMapTileRecord>(*this);
}

bool TTerrainObject::TakeDamage(float amount) { return ApplyDamage(amount, *type_); }

bool TTerrainObject::IsDestroyed() const { return destroyed_ != 0 || removed_ != 0 || pendingName_ != kNone; }

float TTerrainObject::GetStrength() const { return type_->GetStrength(); }

void TTerrainObject::CommitFlags() { MergeObjectFlags(); }

std::string TTerrainObject::SubtypeName() const { return type_->GetName(); }

void TTerrainObject::SetPosition(const TVector3& point) {
  TGameObject::SetPosition(point);
  MarkMapVisualMoved(visual_.get());
}

float TTerrainObject::SphereOverlap(const TVector3& centre, float radius) const {
  TSphereVolume sphere(nullptr, centre, radius);
  // The test marks the members it hits; those marks are scratch state of
  // the test, not part of the tile.
  return const_cast<TTerrainObject*>(this)->GetLofVolume().IntersectsVolume(sphere) ? 1.0f : 0.0f;
}

void TTerrainObject::GetDirection(TVector3& out, const TVector3& toward) const {
  if (IsGround()) {
    TGameObject::GetDirection(out);
    return;
  }
  const float dx = toward.x - Position().x;
  const float dy = toward.y - Position().y;
  if (dy <= dx) {
    out = dy <= -dx ? TVector3(0.0f, -1.0f, 0.0f) : TVector3(1.0f, 0.0f, 0.0f);
  } else {
    out = dy <= -dx ? TVector3(-1.0f, 0.0f, 0.0f) : TVector3(0.0f, 1.0f, 0.0f);
  }
}

bool TTerrainObject::IsOpaque() const { return !type_->IsWindow(); }

void TTerrainObject::GetAimPoint(TVector3& out) const {
  // A tile without shapes has no centre of its own: it is aimed at where it stands.
  if (GetLofVolume().IsEmpty()) {
    out = Position();
    return;
  }
  GetLofVolume().Centre(out);
}

std::string TTerrainObject::ActionName() const { return type_->GetMaterial(); }

// --- TTerrainObject: kinds ---------------------------------------------------

const std::string& TTerrainObject::GetTypeName() const { return type_->GetName(); }
bool TTerrainObject::IsOpen() const { return type_->IsOpen(); }
bool TTerrainObject::DoorTypeIs(const std::string& name) const { return type_->DoorTypeIs(name); }

bool TTerrainObject::SameKind(const TTerrainObject& other) const {
  return (IsGround() && other.IsGround()) || (IsWall() && other.IsWall()) || (IsObject() && other.IsObject());
}

bool TTerrainObject::KindMatches(const TTerrainType& type) const { return type_->TypeWord() == type.TypeWord(); }

const std::string& TTerrainObject::TypeActionField() const { return type_->GetAction(); }
const TVector3& TTerrainObject::GetActionOffset() const { return type_->GetActionOffset(); }

// --- TTerrainObject: damage and succession -----------------------------------

bool TTerrainObject::CanBeDestroyed(float amount) const {
  if (IsIndestructibleGround(*type_)) return false;
  return amount >= type_->GetStrength();
}

bool TTerrainObject::ApplyDamage(float amount, const TTerrainType& type) {
  if (IsIndestructibleGround(type)) return false;
  leftoverDamage_ = amount - type.GetStrength();
  if (leftoverDamage_ >= 0.0f) {
    destroyed_ = 1;
    return true;
  }
  return false;
}

bool TTerrainObject::IsAnimated() const { return MapVisualAnimates(visual_.get()); }

void TTerrainObject::ToggleSwitchVisual() { ToggleMapVisualSwitch(visual_.get()); }

void TTerrainObject::ToggleIfWall() {
  if (IsWall()) ToggleSwitchVisual();
}

void TTerrainObject::ToggleIfObject() {
  if (IsObject()) ToggleSwitchVisual();
}

void TTerrainObject::HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) {
  const std::size_t surrogateIndex = newObjects.size();
  TGameObject::HandleDestroyed(newObjects, gameData, time);
  if (!IsDestroyed()) return;

  if (IsNetworkTile(type_->GetName()) && newObjects.size() > surrogateIndex) {
    TGameObject& surrogate = *newObjects.back();
    const int32_t sides = TSides::Instance()->GetSideCount();
    for (int32_t side = 0; side < sides; ++side) {
      if (TestFlag(side)) surrogate.SetFlag(side, true);
    }
  }

  if (destroyed_ != 0) {
    AppendRemains(newObjects, surrogateIndex, gameData, time);
  } else {
    AppendPendingSuccessor(newObjects, surrogateIndex, gameData, time);
  }
}

void TTerrainObject::AppendRemains(TNewObjects& out, std::size_t surrogateIndex, const TGameData& gameData,
                                   float time) {
  // The damage left over after each destruction passes on to the type the
  // tile is destroyed into. The chain ends at a type the damage does not
  // destroy, at a name no type bears, and at a type met before (a cycle in
  // the data would otherwise never end).
  std::string name = type_->GetDestroyedName();
  std::set<std::string> seen{type_->GetName()};
  while (name != kNone && leftoverDamage_ >= 0.0f) {
    const TTerrainType* next = gameData.FindTerrainType(name);
    if (next == nullptr || !seen.insert(name).second) break;
    if (!ApplyDamage(leftoverDamage_, *next)) break;
    name = next->GetDestroyedName();
  }
  if (name != kNone) {
    if (const TTerrainType* successorType = gameData.FindTerrainType(name)) {
      auto successor = std::make_unique<TTerrainObject>(*successorType, Position(), time);
      TGameObject* placed = successor.get();
      out.push_back(std::move(successor));
      LinkSurrogate(out, surrogateIndex, placed);
    } else {
      WriteLog("Terrain type \"" + name + "\" to destroy into is not known\n");
    }
  }

  // The draws are made whether or not smoke can be made here, so that runs
  // with and without the simulation's effects draw alike.
  TRandom& random = *GetRandom();
  const float dz = random.FloatRange(-0.25f, 0.25f);
  const float dy = random.FloatRange(-0.25f, 0.25f);
  const float dx = random.FloatRange(-0.25f, 0.25f);
  const float duration = random.FloatRange(0.5f, 1.0f);
  const TVector3 puff(Position().x + dx, Position().y + dy, Position().z + dz);
  if (std::unique_ptr<TGameObject> smoke = MakeSmoke(puff, time, duration)) out.push_back(std::move(smoke));

  if (type_->HasExplosion()) {
    const TVector3 centre(Position().x, Position().y, Position().z + 0.5f);
    if (std::unique_ptr<TGameObject> blast =
            MakeExplosion(centre, type_->GetExplosionDamage(), type_->GetExplosionRadius(), time, 0)) {
      out.push_back(std::move(blast));
    }
  }
}

void TTerrainObject::AppendPendingSuccessor(TNewObjects& out, std::size_t surrogateIndex,
                                            const TGameData& gameData, float time) {
  if (pendingName_ == kNone) return;
  const TTerrainType* pendingType = gameData.FindTerrainType(pendingName_);
  if (pendingType == nullptr) {
    WriteLog("Terrain type \"" + pendingName_ + "\" to change into is not known\n");
    return;
  }
  auto successor = std::make_unique<TTerrainObject>(*pendingType, Position(), time);
  if (KeepsBitsOnChange(*type_)) successor->AssignFlags(GetCurrentFlags());
  TGameObject* placed = successor.get();
  out.push_back(std::move(successor));
  LinkSurrogate(out, surrogateIndex, placed);
}

// --- creation ----------------------------------------------------------------

std::unique_ptr<TTerrainObject> CreateTerrainObject(const std::string& typeName, const TGameData& gameData,
                                                    const TVector3& position, float creationTime) {
  const TTerrainType* type = gameData.FindTerrainType(typeName);
  if (type == nullptr) {
    WriteLog("Terrain type \"" + typeName + "\" is not known in terrain set \"" + gameData.GetTerrainSetName() +
             "\"\n");
    return nullptr;
  }
  return std::make_unique<TTerrainObject>(TTerrainTemplates::For(gameData, *type), *type, position, creationTime);
}

// --- TMapTileRecord ----------------------------------------------------------

namespace {

// Streams from 1.15 on carry the creation time.
bool HasCreationTime(const TDataStream& stream) { return stream.GetVersion() > 1.1499f; }

}  // namespace

TMapTileRecord::TMapTileRecord(const TTerrainObject& object)
    : TGameObjectRecord(object), terrainTypeName_(object.GetTypeName()), creationTime_(object.GetCreationTime()) {}

TMapTileRecord::TMapTileRecord(TDataStream& stream, const TStringList& nameTable) : TGameObjectRecord(stream) {
  const uint16_t index = stream.ReadShort();
  if (index >= nameTable.Count()) {
    stream.SetFailed();
    return;
  }
  terrainTypeName_ = nameTable.At(index);
  if (HasCreationTime(stream)) creationTime_ = stream.ReadFloat();
}

std::unique_ptr<TGameObjectRecord> TMapTileRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  auto record = std::make_unique<TMapTileRecord>(stream, nameTable);
  if (stream.HasFailed()) return nullptr;
  return record;
}

std::unique_ptr<TGameObject> TMapTileRecord::Spawn(const TGameData& gameData, TObjectList& /*list*/) const {
  std::unique_ptr<TTerrainObject> object =
      CreateTerrainObject(terrainTypeName_, gameData, GetPosition(), creationTime_);
  if (object == nullptr) return nullptr;
  object->SetId(GetId());
  ApplyFlags(*object);
  return object;
}

std::unique_ptr<TGameObjectRecord> TMapTileRecord::Clone() const { return CloneThroughStream(*this); }

bool TMapTileRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  const int16_t index = nameTable.IndexOf(terrainTypeName_);
  if (index < 0) return false;
  stream.WriteShort(static_cast<uint16_t>(index));
  if (HasCreationTime(stream)) stream.WriteFloat(creationTime_);
  return true;
}

void RegisterMapTileRecord() {
  TObjectRecordFactory::Instance().Register(TTerrainObject::StaticTypeName(), &TMapTileRecord::Read);
}
