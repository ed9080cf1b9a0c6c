// The files a game is rebuilt from: the stored turn files of a game
// ("DVX_G<game id>_T<turn>.dvx" in the games folder) and the packed game
// that carries all of them in one file. A packed game comes from outside,
// so every name in it is checked before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/data_stream.h"

// The header name of a packed game's data stream.
inline constexpr const char* kPackedGameName = "PackedDVXGame";
// The name that ends a packed game's list of files.
inline constexpr const char* kPackedGameEnd = "End";
// More files than any game has turns: a packed game listing more is damaged.
inline constexpr int32_t kMaxPackedFiles = 1000;

// "DVX_G" + game id + "_T" + turn, at least two digits, + ".dvx".
std::string StoredTurnFileName(const std::string& gameId, int32_t turn);

// The game id of a stored turn file name: the text between "DVX_G" and the
// last "_T", which must be followed by 1 to 5 digits and ".dvx" and nothing
// else. Empty when the name is no stored turn file name or the id could not
// name a folder.
std::string StoredTurnGameId(const std::string& fileName);

struct TPackedFile {
  std::string name;
  TDataStream stream;
};

// Reads the files of a packed game (the stream placed after its header).
// The list ends at "End" or where the stream ends between two files. False,
// with `error` set and `files` empty, when a name is no stored turn file
// name, an embedded stream is damaged, or the list is longer than any game.
bool ReadPackedGame(TDataStream& stream, std::vector<TPackedFile>& files, std::string& error);

// Writes the files as a packed game body, "End" after the last.
bool WritePackedGame(const std::vector<TPackedFile>& files, TDataStream& stream);

// Sorts names by their lower-case form (bytes decide between names that
// differ only in case), so that "the first stored game" is the same on
// every machine.
void SortNamesIgnoringCase(std::vector<std::string>& names);
