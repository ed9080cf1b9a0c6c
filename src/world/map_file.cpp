#include "world/map_file.h"

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "app/version_info.h"
#include "world/game_data.h"
#include "world/map.h"

namespace {

// Tags from the oldest version this program reads up to its own.
bool IsWritableVersion(const std::string& tag) {
  constexpr double kSlack = 0.001;
  if (VersionNumberText(tag).empty()) return false;
  const double version = VersionTextToNumber(tag);
  return version >= VersionTextToNumber(kOldestVersionTag) - kSlack &&
         version <= VersionTextToNumber(kVersionTag) + kSlack;
}

}  // namespace

bool ReadMapBody(TDataStream& stream, TGameData& gameData, TMap& map) {
  TStringList names;
  if (!names.Load(stream)) return false;
  if (!map.LoadAndSwitch(stream, gameData, names) || stream.HasFailed()) return false;
  // A map is read whole: bytes behind its record mean a damaged or foreign file.
  if (stream.Remaining() != 0) {
    WriteLog("Map refused: " + std::to_string(stream.Remaining()) + " bytes follow its record\n");
    stream.SetFailed();
    return false;
  }
  return true;
}

bool WriteMapBody(TDataStream& stream, const TMap& map) {
  // The table is complete only once the record is written, yet it comes first.
  TDataStream record(stream.GetVersionTag());
  TStringList names;
  if (!map.Save(record, names)) return false;
  names.Save(stream);
  return stream.AppendStream(record);
}

bool LoadMapFile(const std::string& path, TGameData& gameData, TMap& map) {
  TDataStream stream;
  if (!stream.Load(path)) {
    WriteLog("Map file " + path + " cannot be read\n");
    return false;
  }
  if (!ReadMapBody(stream, gameData, map)) {
    WriteLog("Map file " + path + " is damaged\n");
    return false;
  }
  return true;
}

bool SaveMapFile(const std::string& path, TMap& map, const std::string& versionTag) {
  if (!IsWritableVersion(versionTag)) {
    WriteLog("Map file " + path + " cannot be written at version \"" + versionTag + "\"\n");
    return false;
  }
  TDataStream stream(versionTag);
  if (!WriteMapBody(stream, map) || !stream.Save(path)) {
    WriteLog("Map file " + path + " cannot be written\n");
    return false;
  }
  return true;
}
