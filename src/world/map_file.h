// ".map" files: a data-stream file whose body is the type-name table and
// then the map record. Maps are written at the program's version, or at an
// older one for the files of older programs.
#pragma once

#include <string>

class TDataStream;
class TGameData;
class TMap;

// Reads the map file into the map, switching the game data to the map's
// terrain set. False (logged) for a file that does not open or read, a
// version this program does not read, or a body that does not load whole.
bool LoadMapFile(const std::string& path, TGameData& gameData, TMap& map);
// Writes the map at the version of the tag ("Vorhelm-3-10"). False for a
// version this program cannot write or a file that cannot be written; a
// failed save leaves the previous file as it was.
bool SaveMapFile(const std::string& path, TMap& map, const std::string& versionTag);

// The body alone: the type-name table, then the map record, and nothing
// behind it.
bool ReadMapBody(TDataStream& stream, TGameData& gameData, TMap& map);
bool WriteMapBody(TDataStream& stream, const TMap& map);
