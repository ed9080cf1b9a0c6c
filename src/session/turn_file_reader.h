// The player's side of the turn files: a first-turn or results file read into
// a simulator and its events played back over the turn, so that the world
// shows what the player sees. The sample orders of the server demo and the
// checks of the server's files use it.
#pragma once

#include <cstdint>
#include <string>

class TGameRecord;
class TTurnSimulator;

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
