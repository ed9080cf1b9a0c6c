#include "world/deploy_tile.h"

#include <optional>
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "display/interface_visual.h"
#include "world/bounding_box.h"

namespace {

// The list holds squares only, but a stray object of another kind is skipped.
const DeployTile* AsDeployTile(const TGameObject* object) {
  return object != nullptr && object->TypeName() == DeployTile::kTypeName ? static_cast<const DeployTile*>(object)
                                                                         : nullptr;
}

bool StreamHoldsTiles(const TDataStream& stream) {
  return stream.GetVersion() < TDeployTileList::kLastVersionWithTiles;
}

}  // namespace

// --- DeployTile --------------------------------------------------------------

DeployTile::DeployTile(const TVector3& position, int32_t owner) : TGameObject(position), owner_(owner) {
  visual_ = BuildMapInterfaceVisual(std::string(kTypeName) + std::to_string(owner), Position(), kVisualDepth);
}

DeployTile::~DeployTile() { ReleaseMapInterfaceVisual(visual_); }

void DeployTile::Update(float time) { UpdateMapInterfaceVisual(visual_, time); }

std::unique_ptr<TGameObjectRecord> DeployTile::MakeRecord() const {
  return std::make_unique<DeployTileRecord>(*this);
}

bool DeployTile::TakeDamage(float /*amount*/) { return false; }

bool DeployTile::Covers(const TVector3& point, int32_t player) const {
  if (player != owner_) return false;
  return Position().DistanceTo(point) < kCoverDistance;
}

// --- DeployTileRecord --------------------------------------------------------

DeployTileRecord::DeployTileRecord(const DeployTile& tile)
    : TGameObjectRecord(tile), owner_(tile.GetOwner()), removed_(tile.IsRemoved() ? 1 : 0) {}

DeployTileRecord::DeployTileRecord(TDataStream& stream)
    : TGameObjectRecord(stream), owner_(static_cast<int32_t>(stream.ReadInt())), removed_(stream.ReadByte()) {}

std::unique_ptr<TGameObjectRecord> DeployTileRecord::Read(TDataStream& stream, const TStringList& /*nameTable*/) {
  auto record = std::make_unique<DeployTileRecord>(stream);
  if (stream.HasFailed()) return nullptr;
  return record;
}

std::unique_ptr<TGameObject> DeployTileRecord::Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const {
  auto tile = std::make_unique<DeployTile>(GetPosition(), owner_);
  tile->SetId(GetId());
  ApplyFlags(*tile);
  tile->SetRemoved(removed_ != 0);
  return tile;
}

std::unique_ptr<TGameObjectRecord> DeployTileRecord::Clone() const { return CloneThroughStream(*this); }

bool DeployTileRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(owner_));
  stream.WriteByte(removed_);
  return true;
}

// --- TDeployTileList ---------------------------------------------------------

bool TDeployTileList::Save(TDataStream& stream, TStringList& nameTable) const {
  if (!StreamHoldsTiles(stream)) return true;
  return TObjectList::Save(stream, nameTable);
}

bool TDeployTileList::Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) {
  if (StreamHoldsTiles(stream)) return TObjectList::Load(stream, gameData, nameTable);
  DeleteAll();
  return true;
}

bool TDeployTileList::AnyCovers(const TVector3& point, int32_t player) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const DeployTile* tile = AsDeployTile(GetAt(i));
    if (tile != nullptr && tile->Covers(point, player)) return true;
  }
  return false;
}

void TDeployTileList::ZoneCentre(TVector3& out, int32_t player) const {
  std::optional<TBoundingBox> zone;
  for (int32_t i = 0; i < Count(); ++i) {
    const DeployTile* tile = AsDeployTile(GetAt(i));
    if (tile == nullptr || tile->GetOwner() != player) continue;
    if (!zone) {
      zone.emplace(tile->Position(), tile->Position());
    } else {
      zone->Extend(tile->Position());
    }
  }
  if (!zone) {
    out = TVector3(0.0f, 0.0f, 0.0f);
    return;
  }
  zone->Centre(out);
}

// --- registration ------------------------------------------------------------

void RegisterDeployTileRecordReader() {
  TObjectRecordFactory::Instance().Register(DeployTile::kTypeName, &DeployTileRecord::Read);
}
