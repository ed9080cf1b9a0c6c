// Helpers of the files the server writes: the checks on names and version
// tags that come from players, the status text's values, and the staging of
// a computation's output under temporary names that become the real names
// only when every file of the computation is complete.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A plain file name part: not empty, no "/", "\", ":" or "..", no control
// characters. Battle names and game ids from input must be such names, so
// that no file the server writes leaves its output folder.
bool IsPlainName(const std::string& name);

// The last part of a path: what follows the last "/" or "\".
std::string FileNamePart(const std::string& path);

// Whether the list's first name is a new game's set-up ("start_" in its
// file name; the folders it lies in do not count, so a game server working
// under a folder such as "restart_games" still computes turns).
bool NamesNewGame(const std::string& firstName);

// A version tag a player's program may ask its results in: "Vorhelm-" then
// two numbers, between the oldest version this program reads and its own.
bool IsAcceptedVersionTag(const std::string& tag);

// A value of a player's record as the status text may carry it: CR and LF
// removed.
std::string StatusValue(const std::string& value);

// Unit type name ";" count, in ascending name order, ", " between entries.
std::string UnitCountText(const std::map<std::string, int32_t>& counts);

// The files of one computation. Each is written under a temporary name in
// its folder; Commit renames them all; whatever was not committed is
// removed when the object goes.
class TStagedFiles {
 public:
  TStagedFiles() = default;
  ~TStagedFiles();
  TStagedFiles(const TStagedFiles&) = delete;
  TStagedFiles& operator=(const TStagedFiles&) = delete;

  // The temporary name to write the final file under.
  std::string Stage(const std::string& finalPath);
  // Renames every staged file to its final name. False when one rename
  // failed; the files renamed before it are removed again.
  bool Commit();
  void Discard();
  const std::vector<std::pair<std::string, std::string>>& Files() const { return files_; }

 private:
  // (temporary, final)
  std::vector<std::pair<std::string, std::string>> files_;
};
