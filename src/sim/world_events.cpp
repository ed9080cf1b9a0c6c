#include "sim/world_events.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "session/sides.h"
#include "sim/event_list.h"
#include "world/bit_set.h"
#include "world/bounding_box.h"
#include "world/deploy_tile.h"
#include "world/game_object.h"
#include "world/object_record.h"
#include "world/terrain_object.h"
#include "world/world.h"
#include "world/finite_values.h"

namespace {

int32_t SideCount() { return TSides::Instance()->GetSideCount(); }

// One bit per side, every one set.
TBitSet EveryPlayer() {
  TBitSet bits;
  bits.SetAll(true);
  return bits;
}

// One bit per side, only the player's set.
TBitSet OnlyPlayer(int32_t player) {
  TBitSet bits;
  if (player >= 0) bits.Set(static_cast<std::size_t>(player), true);
  return bits;
}

// The reader's event, or null when its fields did not read.
template <class TKind, class... TArgs>
std::unique_ptr<TEvent> ReadEvent(TDataStream& stream, TArgs&&... args) {
  auto event = std::make_unique<TKind>(stream, std::forward<TArgs>(args)...);
  if (stream.HasFailed()) return nullptr;
  return event;
}

float Axis(const TVector3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

// The values one axis of an area walk takes: from the near side in whole
// steps while at least the tolerance short of the far side, the last step
// clamped onto it. Stops early once more than `limit` values are found.
std::vector<float> AxisSteps(float low, float high, int64_t limit) {
  std::vector<float> values{low};
  float value = low;
  while (value <= high - TDeploymentEvent::kEdgeTolerance &&
         static_cast<int64_t>(values.size()) <= limit) {
    float next = std::min(value + TDeploymentEvent::kStep, high);
    // Far from the origin a step can vanish in rounding: the row then ends
    // on the far side instead of never moving.
    if (!(next > value)) next = high;
    value = next;
    values.push_back(value);
  }
  return values;
}

}  // namespace

// --- TDeploymentEvent -------------------------------------------------------------

TDeploymentEvent::TDeploymentEvent(float time, std::vector<std::unique_ptr<TAreaList>> areas, TWorld& world)
    : TEvent(time, EveryPlayer()), areas_(std::move(areas)), world_(&world) {
  Apply();
}

TDeploymentEvent::TDeploymentEvent(TDataStream& stream, TWorld* world) : TEvent(stream), world_(world) {
  const auto count = static_cast<int32_t>(stream.ReadInt());
  // Every list holds at least its own 32-bit box count.
  if (!effect_stream::CountFits(stream, count, sizeof(int32_t))) return;
  // One list per side: another count would lay squares for sides that are not there.
  if (count != TSides::Instance()->GetSideCount()) {
    stream.SetFailed();
    return;
  }
  areas_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    auto list = std::make_unique<TAreaList>();
    if (!list->Load(stream)) {
      stream.SetFailed();
      return;
    }
    areas_.push_back(std::move(list));
  }
}

TDeploymentEvent::~TDeploymentEvent() = default;

bool TDeploymentEvent::AreaPoints(const TBoundingBox& area, std::vector<TVector3>& out) {
  out.clear();
  std::vector<float> steps[3];
  int64_t total = 1;
  for (int axis = 0; axis < 3; ++axis) {
    const float low = Axis(area.Min(), axis);
    const float high = Axis(area.Max(), axis);
    if (!std::isfinite(low) || !std::isfinite(high)) return false;
    steps[axis] = AxisSteps(low, high, kMaxSquares);
    total *= static_cast<int64_t>(steps[axis].size());
    if (total > kMaxSquares) return false;
  }
  out.reserve(static_cast<std::size_t>(total));
  for (float z : steps[2]) {
    for (float y : steps[1]) {
      for (float x : steps[0]) out.emplace_back(x, y, z);
    }
  }
  return true;
}

void TDeploymentEvent::Apply() {
  if (world_ == nullptr) return;
  std::vector<TVector3> points;
  int64_t laid = 0;
  for (std::size_t player = 0; player < areas_.size(); ++player) {
    const TAreaList& list = *areas_[player];
    for (std::size_t i = 0; i < list.Count(); ++i) {
      if (!AreaPoints(*list.At(i), points) || laid + static_cast<int64_t>(points.size()) > kMaxSquares) {
        WriteLog("Deployment: an area of player " + std::to_string(player) + " is out of bounds and is skipped\n");
        continue;
      }
      laid += static_cast<int64_t>(points.size());
      for (const TVector3& point : points) {
        world_->Add(std::make_unique<DeployTile>(RoundVector(point), static_cast<int32_t>(player)));
      }
    }
  }
}

bool TDeploymentEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(areas_.size()));
  for (const auto& list : areas_) list->Save(stream);
  return true;
}

std::unique_ptr<TEvent> TDeploymentEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                               const TStringList& /*nameTable*/) {
  return ReadEvent<TDeploymentEvent>(stream, context.world);
}

// --- TRevealMapEvent ----------------------------------------------------------------

TRevealMapEvent::TRevealMapEvent(float time, std::vector<std::string> names, std::vector<int32_t> ids,
                                 std::vector<TVector3> positions, TWorld& world, int32_t player)
    : TEvent(time, OnlyPlayer(player)),
      names_(std::move(names)),
      ids_(std::move(ids)),
      positions_(std::move(positions)),
      world_(&world) {
  const std::size_t count = std::min({names_.size(), ids_.size(), positions_.size()});
  names_.resize(count);
  ids_.resize(count);
  positions_.resize(count);
}

TRevealMapEvent::TRevealMapEvent(TDataStream& stream, TWorld* world, const TStringList& nameTable)
    : TEvent(stream), world_(world) {
  const auto count = static_cast<int32_t>(stream.ReadInt());
  const std::size_t entryBytes = sizeof(uint16_t) + sizeof(int32_t) + effect_stream::PointBytes(stream);
  if (!effect_stream::CountFits(stream, count, entryBytes)) return;
  const auto size = static_cast<std::size_t>(count);
  names_.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const uint16_t index = stream.ReadShort();
    if (index >= nameTable.Count()) {
      stream.SetFailed();
      return;
    }
    names_.push_back(nameTable.At(index));
  }
  ids_.reserve(size);
  for (std::size_t i = 0; i < size; ++i) ids_.push_back(static_cast<int32_t>(stream.ReadInt()));
  positions_.reserve(size);
  for (std::size_t i = 0; i < size; ++i) positions_.emplace_back(stream);
}

TRevealMapEvent::~TRevealMapEvent() = default;

void TRevealMapEvent::Apply() {
  if (world_ == nullptr) return;
  const TGameData& gameData = world_->GetGameData();
  const int32_t sides = SideCount();
  for (std::size_t i = 0; i < names_.size(); ++i) {
    // The tile is shown already (a turn replayed over a world that kept it):
    // a second object under the same id would shadow the first.
    if (world_->FindById(ids_[i]) != nullptr) continue;
    std::unique_ptr<TTerrainObject> tile = CreateTerrainObject(names_[i], gameData, positions_[i], GetTime());
    if (tile == nullptr) continue;
    for (int32_t side = 0; side < sides; ++side) tile->SetFlag(side, true);
    tile->SetId(ids_[i]);
    tile->Update(GetTime());
    world_->Add(std::move(tile));
  }
}

bool TRevealMapEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  // The names enter the table in the order of first use, the type name
  // first; all of them are interned before anything is written, so a table
  // that cannot take a name leaves the stream as it was.
  if (nameTable.IndexOf(std::string(TypeName())) < 0) return false;
  std::vector<uint16_t> indices;
  indices.reserve(names_.size());
  for (const std::string& name : names_) {
    const int16_t index = nameTable.IndexOf(name);
    if (index < 0) return false;
    indices.push_back(static_cast<uint16_t>(index));
  }
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(names_.size()));
  for (uint16_t index : indices) stream.WriteShort(index);
  for (int32_t id : ids_) idWriter.WriteId(stream, id);
  for (const TVector3& position : positions_) position.Write(stream);
  return true;
}

std::unique_ptr<TEvent> TRevealMapEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                              const TStringList& nameTable) {
  return ReadEvent<TRevealMapEvent>(stream, context.world, nameTable);
}

// --- TScoreEvent ---------------------------------------------------------------------

TScoreEvent::TScoreEvent(float time, float score, int32_t player, TGameRecord* record)
    : TEvent(time, EveryPlayer()), score_(score), player_(player), record_(record) {
  Apply();
}

TScoreEvent::TScoreEvent(TDataStream& stream, TGameRecord* record) : TEvent(stream), record_(record) {
  score_ = stream.ReadFloat();
  RequireFinite(stream, score_);
  player_ = static_cast<int32_t>(stream.ReadInt());
}

TScoreEvent::~TScoreEvent() = default;

void TScoreEvent::Apply() {
  if (record_ != nullptr) record_->SetSideValue(score_, player_);
}

bool TScoreEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(score_);
  stream.WriteInt(static_cast<uint32_t>(player_));
  return true;
}

std::unique_ptr<TEvent> TScoreEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                          const TStringList& /*nameTable*/) {
  return ReadEvent<TScoreEvent>(stream, context.gameRecord);
}

// --- TSpecialEffectEvent ---------------------------------------------------------------

TSpecialEffectEvent::TSpecialEffectEvent(float time, const TBitSet& visibility, const TVector3& position,
                                         const std::string& name, const std::string& visualName,
                                         TSpecialEffectList* effects)
    : TEvent(time, visibility), position_(position), name_(name), visualName_(visualName), effects_(effects) {}

TSpecialEffectEvent::TSpecialEffectEvent(TDataStream& stream, TSpecialEffectList* effects)
    : TEvent(stream), effects_(effects) {
  position_.Read(stream);
  RequireFinite(stream, position_);
  name_ = stream.ReadString();
  if (stream.GetVersion() > kVisualNameAbove) visualName_ = stream.ReadString();
}

TSpecialEffectEvent::~TSpecialEffectEvent() = default;

void TSpecialEffectEvent::Apply() {
  if (effects_ == nullptr) return;
  effects_->Add(std::make_unique<TSpecialEffectObject>(position_, name_, visualName_, GetTime()));
}

bool TSpecialEffectEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  position_.Write(stream);
  stream.WriteString(name_);
  if (stream.GetVersion() > kVisualNameAbove) stream.WriteString(visualName_);
  return true;
}

std::unique_ptr<TEvent> TSpecialEffectEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                                  const TStringList& /*nameTable*/) {
  return ReadEvent<TSpecialEffectEvent>(stream, context.specialEffects);
}

// --- TVisionEvent ------------------------------------------------------------------------

TVisionEvent::TVisionEvent(float time, const TGameObject& object, TWorld& world)
    : TEvent(time, object.GetCurrentFlags()), record_(object.MakeRecord()), world_(&world) {}

TVisionEvent::TVisionEvent(TDataStream& stream, TWorld* world, const TStringList& nameTable)
    : TEvent(stream), world_(world) {
  if (stream.HasFailed()) return;
  record_ = CreateObjectRecord(stream, nameTable);
  if (record_ == nullptr) stream.SetFailed();
}

TVisionEvent::~TVisionEvent() = default;

void TVisionEvent::Apply() {
  if (world_ == nullptr || record_ == nullptr) return;
  const int32_t id = record_->GetId();
  if (world_->FindById(id) != nullptr) {
    world_->RemoveById(id);
    return;
  }
  std::unique_ptr<TGameObject> object = record_->Spawn(world_->GetGameData(), *world_);
  if (object == nullptr) {
    WriteLog("Vision: a \"" + std::string(record_->TypeName()) + "\" record does not spawn\n");
    return;
  }
  // The world may refuse the object (and delete it): look it up again.
  world_->Add(std::move(object));
  if (TGameObject* shown = world_->FindById(id)) shown->Update(GetTime());
}

bool TVisionEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (record_ == nullptr) return false;
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  return record_->Save(stream, idWriter, nameTable);
}

std::unique_ptr<TEvent> TVisionEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                           const TStringList& nameTable) {
  return ReadEvent<TVisionEvent>(stream, context.world, nameTable);
}

// --- registration and the effect recorder ----------------------------------------------------

void RegisterWorldEventReaders() {
  RegisterPsychicDamageEventReader();
  TEventFactory& factory = TEventFactory::Instance();
  factory.Register(TDeploymentEvent::kTypeName, &TDeploymentEvent::Read);
  factory.Register(TRevealMapEvent::kTypeName, &TRevealMapEvent::Read);
  factory.Register(TScoreEvent::kTypeName, &TScoreEvent::Read);
  factory.Register(TSpecialEffectEvent::kTypeName, &TSpecialEffectEvent::Read);
  factory.Register(TVisionEvent::kTypeName, &TVisionEvent::Read);
}

TSpecialEffectList::TEffectRecorder MakeSpecialEffectRecorder(TEventList& events, TSpecialEffectList& effects) {
  return [&events, &effects](const TSpecialEffectObject& effect) {
    events.Add(std::make_unique<TSpecialEffectEvent>(effect.GetStartTime(), effect.GetCurrentFlags(),
                                                     effect.Position(), effect.GetName(), effect.GetVisualGroup(),
                                                     &effects));
  };
}
