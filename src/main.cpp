#include <string>
#include <vector>

#include "app/application.h"
#include "display/arttools/art_tool_command.h"
#include "session/server_mode.h"

int main(int argc, char** argv) {
  // The game server runs the program headless to create games and compute
  // turns.
  if (argc > 1 && std::string(argv[1]) == "--server") {
    return RunServerCommand(std::vector<std::string>(argv + 2, argv + argc));
  }
  // Derives the 2D art and its definitions from the 3D set in a data folder.
  if (argc > 1 && std::string(argv[1]) == "--arttool") {
    return RunArtToolCommand(std::vector<std::string>(argv + 2, argv + argc));
  }
  return RunProgram(argc, argv);
}
