#include "session/game.h"

#include "app/command_line.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/key_map.h"
#include "app/log.h"
#include "app/message_stream.h"
#include "app/mouse.h"
#include "app/random.h"
#include "app/string_table.h"
#include "app/system_clock.h"
#include "app/text_utils.h"
#include "app/unit_test_registry.h"
#include "display/arttools/art_tool_command.h"
#include "screens/interface_sounds.h"
#include "session/game_mode.h"
#include "session/game_query.h"
#include "session/mail_message.h"
#include "session/sides.h"
#include "session/smtp_session.h"
#include "sim/clock.h"

namespace {

std::unique_ptr<TGame> gGame;

const char* const kArtTriggerFile = "PrepFile.cfg";

// The option that chooses a first mode this build cannot run yet.
bool AsksForUnavailableMode(const TCommandLine& commandLine) { return commandLine.HasOption("designer"); }

// The first argument naming a received game file (".dvx", tested first) or
// a rebuild ("buildgame"); empty when none does.
std::string ReceivedGameArgument(const TCommandLine& commandLine, bool& received) {
  for (int i = 1; i < commandLine.Count(); ++i) {
    const std::string& element = commandLine.At(i);
    received = ContainsText(element, ".dvx");
    if (received || ContainsText(element, "buildgame")) return element;
  }
  received = false;
  return std::string();
}

}  // namespace

TGame* TGame::Instance() {
  if (!gGame) gGame.reset(new TGame());
  return gGame.get();
}

void TGame::DestroyInstance() { gGame.reset(); }

TGame::TGame() : mailSender_(std::make_unique<TSmtpSession>()), mode_(CreateGameMode(0)) { LoadPlayerData(); }

TGame::~TGame() = default;

void TGame::Init(const TCommandLine* commandLine) {
  // The trigger file asks for one art generation; it goes first so that the
  // next start runs normally even when the generation fails.
  if (FileExists(kArtTriggerFile)) {
    RemoveFile(kArtTriggerFile);
    if (!RunArtGeneration(".")) WriteLog("The art generation could not read or write some files\n");
  }
  TSides::Instance()->SetCurrentSide(0);
  std::string ordersAddress;
  if (commandLine != nullptr && commandLine->GetOptionValue("emailaddress", ordersAddress) &&
      !ordersAddress.empty()) {
    if (mail::IsPlainAddress(ordersAddress)) {
      mailSender_->SetOrdersMailbox(ordersAddress);
    } else {
      WriteLog("The emailaddress option is not a plain mail address; the orders mailbox is unchanged\n");
    }
  }
  if (commandLine != nullptr && AsksForUnavailableMode(*commandLine)) {
    WriteLog("The mode asked for on the command line is not available in this build; starting the front end\n");
  } else if (commandLine != nullptr && commandLine->HasOption("hotseat")) {
    WriteLog("Hot-seat game\n");
    SetMode(1);
    return;
  } else if (commandLine != nullptr) {
    bool received = false;
    const std::string argument = ReceivedGameArgument(*commandLine, received);
    if (!argument.empty()) {
      if (received) WriteLog("File Received: " + argument + "\n");
      if (IsAccountIncomplete()) {
        WriteLog("The player's account is incomplete; the game file waits until it is filled in\n");
      } else {
        SetMode(2, argument);
        return;
      }
    }
  }
  mode_->Enter();
}

bool TGame::IsAccountIncomplete() const {
  return playerData_.playerName.empty() || playerData_.emailAddress.empty() || playerData_.password.empty();
}

void TGame::LoadPlayerData() {
  TDataStream stream;
  if (!stream.LoadRaw("player.dat")) return;
  // A file written with a stream header starts with the version tag.
  const std::string first = stream.ReadString();
  stream.Rewind();
  stream.ClearFailure();
  if (ContainsText(first, "Vorhelm-")) {
    stream.Clear();
    if (!stream.LoadFromFile("player.dat")) return;
  }
  TPlayerData loaded;
  if (loaded.Load(stream)) playerData_ = loaded;
}

void TGame::Update() {
  mode_->Update();
  ApplyPendingSwitch();
  if (!IsModeAtWork()) quitAllowed_ = false;
}

void TGame::ApplyPendingSwitch() {
  if (pendingMode_ == kNoPendingMode) return;
  const int requested = pendingMode_;
  pendingMode_ = kNoPendingMode;
  std::unique_ptr<TGameMode> next = CreateGameMode(requested);
  if (!next) {
    WriteLog("Game mode " + std::to_string(requested) + " is not available in this build\n");
    return;
  }
  mode_ = std::move(next);
  mode_->Enter();
}

bool TGame::SetMode(int modeNumber, const std::string& argument) {
  if (!IsGameModeAvailable(modeNumber)) return false;
  mode_.reset();
  mode_ = CreateGameMode(modeNumber, argument);
  mode_->Enter();
  return true;
}

void TGame::AdoptMode(std::unique_ptr<TGameMode> mode) {
  if (!mode) return;
  mode_.reset();
  mode_ = std::move(mode);
  mode_->Enter();
}

std::string TGame::GetModeFailure() const { return mode_ ? mode_->GetFailure() : std::string(); }

void TGame::Render() { mode_->Render(); }

void TGame::Redraw() {
  mode_->OnRedraw();
  mode_->Render();
}

bool TGame::AcceptsInput() const {
  return !(GetModeNumber() == 4 && TSides::Instance()->GetCurrentSide() == 1);
}

bool TGame::RunsWhileInactive() const { return mode_->GetModeNumber() == 6 && mode_->IsBusy(); }

bool TGame::IsModeAtWork() const { return mode_->IsBusy() || mode_->IsComputingAsServer(); }

void TGame::OnCloseRequest() {
  TMessageStream::Instance()->Write("The turn is still being worked out; close again to quit now.\n");
  quitAllowed_ = true;
}

int TGame::GetModeNumber() const { return mode_ ? mode_->GetModeNumber() : -1; }

int TGame::GetLocalPlayer() const { return mode_ ? mode_->GetLocalPlayer() : -1; }

bool TGame::IsComputingAsServer() const {
  const int mode = GetModeNumber();
  return (mode == 1 || mode == 4 || mode == 6) && mode_->IsComputingAsServer();
}

int RunningGameMode() { return gGame ? gGame->GetModeNumber() : -1; }

int RunningLocalPlayer() { return gGame ? gGame->GetLocalPlayer() : -1; }

bool IsComputingTurnAsServer() { return gGame && gGame->IsComputingAsServer(); }

int RunningExitStatus() { return gGame ? gGame->GetExitStatus() : 0; }

void DestroySingletons() {
  TGame::DestroyInstance();
  DestroyGameDataConfig();
  DestroyRandom();
  DestroyMouse();
  TSystemClock::Free();
  DestroyKeyMap();
  TMessageStream::DestroyInstance();
  DestroyStringTable();
  DestroyUnitTestRegistry();
  TInterfaceSounds::DestroyInstance();
  TSides::Free();
  TClockRegistry::Free();
  DestroyCommandLine();
}
