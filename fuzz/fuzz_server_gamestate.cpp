// Gamestate files come back to the server with every turn and may have been
// damaged or replaced on the way: any bytes must load or be refused with a
// message, and a gamestate that loads must give its status text and save.
//
// Input: the bytes of a gamestate file (stream header and body).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_server_data.h"
#include "session/server_battle.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterServerScratchFolder("server_gamestate");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!fuzz::WriteFile("gamestate.dvx", data, size)) std::abort();
  TServerBattle battle;
  if (!battle.LoadGameState("gamestate.dvx")) {
    if (battle.GetError().empty()) std::abort();
    return 0;
  }
  if (battle.StatusText().empty()) std::abort();
  battle.UnitCountText(0);
  return 0;
}
