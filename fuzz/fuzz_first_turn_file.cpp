// A first-turn file is the first thing a player opens of a new game, and it
// arrives by mail: any bytes must be played or refused with a reason, and
// the game id it carries may name only a folder inside the games folder.
//
// Input: the bytes of a turn file (stream header and body); the seeds are
// first-turn files of the shipped scenarios.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_game_folder.h"
#include "session/battle_session.h"
#include "session/game.h"

namespace {

constexpr const char* kInput = "turn.dvx";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterSessionScratchFolder("first_turn_file");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::RemoveGamesFolder();
  if (!fuzz::WriteFile(kInput, data, size)) std::abort();
  {
    TBattleSession session(0);
    const bool firstTurn = session.LoadTurnFile(kInput);
    // A first turn is reported only when it was played and stored.
    if (firstTurn && !session.GetFailure().empty()) std::abort();
  }
  fuzz::CheckWrittenFiles(kInput);
  TGame::DestroyInstance();
  return 0;
}
