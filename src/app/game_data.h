// Two small holders of persistent data: the text of "Configs\Drannoc Data.cfg"
// (unit types, weapons, terrain), read once so that every reader parses the
// same text, and the player's account record kept in "player.dat".
#pragma once

#include <string>

class TDataStream;
class TTextBuffer;

// The game data text, read on first use; a missing file gives an empty text.
const TTextBuffer& GetGameDataConfig();
// Replaces the held text by "Configs\Test Drannoc Data.cfg" (empty when that
// file is missing); server games built from a test configuration use it.
void LoadTestGameDataConfig();
void DestroyGameDataConfig();
// "Version" of the section "Version Info" of a game data text; empty when
// absent.
std::string GetGameDataVersion(const std::string& text);

std::string GetGameDataConfigPath();
std::string GetTestGameDataConfigPath();

class TPlayerData {
 public:
  TPlayerData() = default;

  void SetName(const std::string& name) { playerName = name; }
  void SetPassword(const std::string& password) { this->password = password; }

  // Name, e-mail address and password, each a length-prefixed string.
  bool Save(TDataStream& stream) const;
  // False when the stream ran out (the fields then hold what was read).
  bool Load(TDataStream& stream);

  std::string playerName;
  std::string emailAddress;
  std::string password;
};
