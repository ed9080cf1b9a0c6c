// The session's fuzz targets open turn files as a player would, in a scratch
// folder that sees the shipped rules and maps. Whatever the input, the
// session may write only inside the games folder, under names it checked:
// game folders named by a plain game id and stored turn files. Each input
// starts from an empty games folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "fuzz_server_data.h"
#include "session/battle_session.h"
#include "session/game_rebuild.h"

namespace fuzz {

inline void RemoveGamesFolder() {
  std::error_code ignored;
  std::filesystem::remove_all("Games", ignored);
}

inline void EnterSessionScratchFolder(const char* name) {
  EnterServerScratchFolder(name);
  std::atexit([] {
    if (!ScratchFolder().empty() && chdir(ScratchFolder().c_str()) == 0) RemoveGamesFolder();
  });
}

// Aborts when anything but the input, the linked data, the log folder and
// the games folder lies in the scratch folder, or when the games folder
// holds a name the session should have refused.
inline void CheckWrittenFiles(const std::string& input) {
  namespace fs = std::filesystem;
  const std::set<std::string> allowed = {"Configs", "Map", "Scenarios", "VorhelmDocs", "Games", input};
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
    if (allowed.count(entry.path().filename().string()) == 0) std::abort();
  }
  if (!fs::exists("Games")) return;
  for (const fs::directory_entry& entry : fs::directory_iterator("Games")) {
    const std::string name = entry.path().filename().string();
    const bool gameFolder = entry.is_directory() && IsGameFolderName(name);
    const bool turnFile = entry.is_regular_file() && !StoredTurnGameId(name).empty();
    if (!gameFolder && !turnFile) std::abort();
  }
}

}  // namespace fuzz
