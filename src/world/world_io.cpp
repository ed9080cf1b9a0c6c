// Saving and loading a whole world, and reading map files into it.
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "session/id_counter.h"
#include "sim/shield.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/surrogate.h"
#include "world/world.h"

namespace {

// Worlds up to this version store no list count and only the first lists;
// from this version on the terrain set they store is the one they use.
constexpr float kLastUncountedVersion = 1.0999f;
constexpr float kFirstTerrainSetVersion = 2.0799f;

bool IsCounted(const TDataStream& stream) { return stream.GetVersion() > kLastUncountedVersion; }

}  // namespace

bool TWorld::Save(TDataStream& stream, TStringList& nameTable) const {
  stream.WriteString(gameData_->GetTerrainSetName());
  idCounter_->Write(stream);
  // The name table is complete only once the lists are written, yet it
  // stands before them.
  const uint32_t tablePosition = stream.GetPosition();
  const int32_t count = IsCounted(stream) ? static_cast<int32_t>(kListCount) : kOldListCount;
  if (IsCounted(stream)) stream.WriteInt(static_cast<uint32_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    if (!lists_[static_cast<std::size_t>(i)]->Save(stream, nameTable)) return false;
  }
  TDataStream table(stream.GetVersionTag());
  if (!nameTable.Save(table)) return false;
  stream.Seek(tablePosition);
  const bool inserted = stream.AppendStream(table);
  stream.SeekEnd();
  return inserted;
}

bool TWorld::Save(TDataStream& stream) const {
  TStringList names;
  return Save(stream, names);
}

bool TWorld::Load(TDataStream& stream, const TGameData& /*gameData*/, const TStringList& /*nameTable*/) {
  return Load(stream);
}

bool TWorld::Load(TDataStream& stream) {
  std::string setName = stream.ReadString();
  if (stream.GetVersion() < kFirstTerrainSetVersion) setName = std::string(kDefaultTerrainSet);
  if (stream.HasFailed()) return false;
  if (!SetTerrainSet(setName)) {
    WriteLog("World: terrain set \"" + setName + "\" of the saved world is unknown\n");
    stream.SetFailed();
    return false;
  }
  idCounter_->Read(stream);
  TStringList names;
  if (stream.HasFailed() || !names.Load(stream)) {
    stream.SetFailed();
    return false;
  }
  int32_t count = kOldListCount;
  if (IsCounted(stream)) {
    count = static_cast<int32_t>(stream.ReadInt());
    if (stream.HasFailed() || count < 0 || count > kListCount) {
      WriteLog("World: a saved world of " + std::to_string(count) + " lists is refused\n");
      stream.SetFailed();
      return false;
    }
  }
  if (!LoadLists(stream, names, count)) return false;
  // A stream whose counter lags behind its objects' ids would hand those
  // ids out again.
  for (int32_t i = 0; i < Count(); ++i) {
    const TGameObject* object = At(i);
    if (object != nullptr && object->GetId() != -1) idCounter_->Reserve(object->GetId());
  }
  // Surrogates look up the objects they stand in for anywhere in the world.
  surrogates_->SetLinksOwnerAll(this);
  shields_->Update(*this);
  SetCameraBounds();
  return !stream.HasFailed();
}

bool TWorld::LoadLists(TDataStream& stream, const TStringList& nameTable, int32_t count) {
  for (int32_t i = 0; i < kListCount; ++i) {
    TObjectList& list = *lists_[static_cast<std::size_t>(i)];
    if (i >= count) {
      // The stream holds nothing of this list: the world holds nothing either.
      list.DeleteAll();
      continue;
    }
    if (!list.Load(stream, *gameData_, nameTable) || stream.HasFailed()) {
      WriteLog("World: the saved list of \"" + std::string(list.ElementTypeName()) + "\" does not load\n");
      stream.SetFailed();
      return false;
    }
  }
  return true;
}

// --- the map ------------------------------------------------------------------------

bool TWorld::ReadMapFile(const std::string& fileName) {
  if (!::LoadMapFile(fileName, *gameData_, *map_)) {
    // Half a map is no battlefield.
    map_->Resize(kEmptyMapWidth, kEmptyMapHeight);
    return false;
  }
  // Map files may hold tiles without ids (-1), and ids of their own that
  // new units must not take: the map's removal queue, surrogates and
  // references tell objects apart by id.
  for (int32_t i = 0; i < map_->Count(); ++i) {
    if (TGameObject* object = map_->GetAt(i)) AssignId(*object);
  }
  return true;
}

bool TWorld::LoadMapFile(const std::string& fileName) {
  const bool loaded = ReadMapFile(fileName);
  SetCameraBounds();
  return loaded;
}

bool TWorld::LoadMapFileKeepView(const std::string& fileName) { return ReadMapFile(fileName); }

void TWorld::ResizeMap(int32_t width, int32_t height) {
  map_->Resize(width, height);
  SetCameraBounds();
}

void TWorld::WriteMapHeader(TDataStream& stream) const {
  stream.WriteString(map_->GetTerrainSet());
  stream.WriteInt(static_cast<uint32_t>(map_->GetWidth()));
  stream.WriteInt(static_cast<uint32_t>(map_->GetHeight()));
}
