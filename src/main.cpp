#include <string>
#include <vector>

#include "app/application.h"
#include "session/server_mode.h"

int main(int argc, char** argv) {
  // The game server runs the program headless to create games and compute
  // turns.
  if (argc > 1 && std::string(argv[1]) == "--server") {
    return RunServerCommand(std::vector<std::string>(argv + 2, argv + argc));
  }
  return RunProgram(argc, argv);
}
