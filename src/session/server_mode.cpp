#include "session/server_mode.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

#include "app/log.h"
#include "app/text_utils.h"
#include "platform/file_system.h"
#include "session/game.h"
#include "session/server_battle.h"
#include "session/turn_files.h"
#include "sim/clock.h"

TServerMode::TServerMode(std::string argument)
    : battle_(std::make_unique<TServerBattle>()), argument_(std::move(argument)) {}

TServerMode::~TServerMode() = default;

std::vector<std::string> TServerMode::FileList(const std::string& argument) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = argument.find(',', start);
    pieces.push_back(TrimText(argument.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    // A set-up text need not be named ".dvx": the first piece stays when it
    // names a new game.
    const bool setup = i == 0 && NamesNewGame(pieces[i]);
    if (setup || ContainsText(pieces[i], ".dvx") || i + 1 == pieces.size()) kept.push_back(pieces[i]);
  }
  return kept;
}

void TServerMode::Enter() {
  // The game server's files are outside data: what a player may not order
  // fails the turn rather than vanishing from it.
  battle_->SetRefuseDroppedOrders(true);
  if (!battle_->ProcessFile(FileList(argument_))) failure_ = battle_->GetError();
}

void TServerMode::Update() {
  TClockRegistry::Instance()->AdvanceAll();
  battle_->Tick();
}

namespace {

namespace fs = std::filesystem;

int Refuse(const std::string& message) {
  std::cerr << "dvx --server: " << message << "\n";
  return 1;
}

std::string Absolute(const std::string& name) {
  std::error_code error;
  const fs::path path = fs::absolute(fs::path(name), error);
  return error ? name : path.lexically_normal().string();
}

}  // namespace

int RunServerCommand(const std::vector<std::string>& names) {
  static const char* const kUsage =
      "usage: dvx --server start_<game>.cfg FOLDER | dvx --server GAMESTATE ORDERS1 ORDERS2 FOLDER";
  if (names.empty()) return Refuse(kUsage);
  for (const std::string& name : names) {
    if (name.find(',') != std::string::npos) return Refuse("the name \"" + name + "\" holds a \",\"");
    if (name.empty()) return Refuse("an empty name");
  }
  const std::size_t wanted = NamesNewGame(names.front()) ? 2 : 4;
  if (names.size() != wanted) return Refuse(kUsage);
  std::error_code error;
  if (!fs::is_directory(names.back(), error)) return Refuse("the output folder \"" + names.back() + "\" does not exist");

  std::string argument;
  for (const std::string& name : names) {
    const std::string path = Absolute(name);
    if (path.find(',') != std::string::npos) return Refuse("the path \"" + path + "\" holds a \",\"");
    argument += (argument.empty() ? "" : ",") + path;
  }

  // The rules and maps are read from the program's own folder.
  setenv("DVX_HEADLESS", "1", 1);
  const fs::path program = platform::GetExecutablePath();
  if (program.has_parent_path() && !platform::ChangeDirectory(program.parent_path().string())) {
    return Refuse("cannot enter the program's folder " + program.parent_path().string());
  }
  ResetLog();
  WriteLog("Server run\n");
  std::string failure;
  if (!TGame::Instance()->SetMode(5, argument)) {
    failure = "the server mode is not available";
  } else {
    failure = TGame::Instance()->GetModeFailure();
  }
  DestroySingletons();
  if (!failure.empty()) return Refuse(failure);
  WriteLog("Server run finished\n");
  return 0;
}
