// Orders files come from the players: the server must read any bytes after
// a real game's gamestate without harm, refuse what it cannot read with a
// message, and keep only orders the player may give.
//
// Input: the bytes of an orders file (stream header and body). The first
// call creates a game on the shipped Foundry map in the scratch folder; each
// input is applied on turn 1 (deployment) in player 1's place, or in player
// 2's when its length is odd.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "fuzz_server_data.h"
#include "session/server_battle.h"
#include "units/combatant.h"

namespace {

const char* const kSetUp =
    "# fuzz game\n[GameStart]\nscenario = WipeOut\nmap = Foundry\nplayer1 = A\nplayer2 = B\n"
    "forcePoints1 = 30\nforcePoints2 = 30\nmaxFPPerUnit1 = 10\nmaxFPPerUnit2 = 10\nturnLimit = 25\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterServerScratchFolder("server_orders");
  const std::string setUp(kSetUp);
  if (!fuzz::WriteFile("start_fuzz.cfg", setUp.data(), setUp.size())) std::abort();
  TServerBattle battle;
  if (!battle.ProcessFile({"start_fuzz.cfg", "."})) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  TDataStream stream;
  if (!stream.LoadFromBytes(std::vector<uint8_t>(data, data + size))) return 0;
  TServerBattle battle;
  if (!battle.LoadGameState("gamestate_Gfuzz_T0.dvx")) std::abort();
  const int32_t place = static_cast<int32_t>(size % 2);
  stream.ReadString();
  if (stream.HasFailed()) return 0;
  if (!battle.ApplyOrders(stream, place)) {
    if (battle.GetError().empty()) std::abort();
    return 0;
  }
  return 0;
}
