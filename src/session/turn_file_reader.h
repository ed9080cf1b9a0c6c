// The player's side of the turn files: a first-turn or results file read into
// a simulator and its events played back over the turn, so that the world
// shows what the player sees. The sample orders of the server demo and the
// checks of the server's files use it.
#pragma once

#include <cstdint>
#include <string>

class TDataStream;
class TGameRecord;
class TTurnSimulator;
class TWorld;

struct TTurnFileHead {
  int32_t turn = 0;
  // "General Information" for a first turn, "Events" for a next one.
  std::string tag;
};

// Reads the file's record into `record`, builds the map of a first turn, and
// appends and plays back its events. False, with a message in `error`, when
// the file does not read.
bool LoadTurnFile(TTurnSimulator& sim, TGameRecord& record, const std::string& path, TTurnFileHead& head,
                  std::string& error);

// The map header of a first-turn file (the game data text in newer files,
// the terrain set, the map size) applied to the world; a file older than
// named terrain sets uses "city". False when it does not read, names an
// unknown terrain set or a size outside the map's bounds. `gameDataText`
// receives the game data text the file carries (empty when none).
bool ReadFirstTurnMap(TDataStream& stream, TWorld& world, std::string& gameDataText);
