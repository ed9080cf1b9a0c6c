// dvx_orders: writes a player's orders file for the next turn of a scripted
// battle, from that player's turn files, with the game's own order code. The
// server demo and the server's golden files use it.
//
//   dvx_orders [--data FOLDER] BATTLE OUTPUT TURN_FILE...
//
// BATTLE is "infantry" or "armour"; the turn files are the player's
// first-turn file and then its results files, in turn order. --data names the
// data folder (default: the folder of the program).
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/file_system.h"
#include "session/game.h"
#include "session/sample_orders.h"

namespace {

namespace fs = std::filesystem;

int Usage() {
  std::fprintf(stderr, "usage: dvx_orders [--data FOLDER] infantry|armour OUTPUT TURN_FILE...\n");
  return 2;
}

std::string Absolute(const std::string& name) {
  std::error_code error;
  const fs::path path = fs::absolute(name, error);
  return error ? name : path.lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string data = fs::path(platform::GetExecutablePath()).parent_path().string();
  if (args.size() >= 2 && args[0] == "--data") {
    data = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 3 || !IsSampleBattle(args[0])) return Usage();
  const std::string battle = args[0];
  const std::string output = Absolute(args[1]);
  std::vector<std::string> files;
  for (std::size_t i = 2; i < args.size(); ++i) files.push_back(Absolute(args[i]));
  if (!platform::ChangeDirectory(data)) {
    std::fprintf(stderr, "dvx_orders: cannot enter the data folder %s\n", data.c_str());
    return 1;
  }
  std::string error;
  const bool ok = WriteSampleOrders(battle, files, output, error);
  DestroySingletons();
  if (!ok) {
    std::fprintf(stderr, "dvx_orders: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", output.c_str());
  return 0;
}
