// Packed games come from outside (the server sends one on request, a player
// may be handed any file): any bytes must unpack and rebuild or be refused
// with a reason. A packed game is taken whole or not at all: when any of its
// names is no stored turn file name, nothing of it is saved.
//
// Input: the bytes of a packed game file (stream header and body).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "fuzz_game_folder.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_rebuild.h"

namespace {

constexpr const char* kInput = "packed.dvx";

// Whether the file is a packed game whose list of files reads.
bool ListReads() {
  TDataStream stream;
  if (!stream.LoadFromFile(kInput) || stream.GetName() != kPackedGameName) return false;
  std::vector<TPackedFile> files;
  std::string error;
  return ReadPackedGame(stream, files, error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterSessionScratchFolder("packed_game");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::RemoveGamesFolder();
  if (!fuzz::WriteFile(kInput, data, size)) std::abort();
  const bool listReads = ListReads();
  {
    TBattleSession session(0);
    const bool firstTurn = session.LoadTurnFile(kInput);
    if (firstTurn && !session.GetFailure().empty()) std::abort();
  }
  fuzz::CheckWrittenFiles(kInput);
  if (!listReads && std::filesystem::exists("Games")) {
    // A refused packed game saves none of its files.
    for (const auto& entry : std::filesystem::directory_iterator("Games")) {
      if (entry.is_regular_file()) std::abort();
    }
  }
  TGame::DestroyInstance();
  return 0;
}
