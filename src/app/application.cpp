#include "app/application.h"

#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/key_map.h"
#include "app/log.h"
#include "app/message_box.h"
#include "app/mouse.h"
#include "app/random.h"
#include "app/settings_store.h"
#include "app/string_table.h"
#include "app/text_utils.h"
#include "app/unit_test_registry.h"
#include "app/version_info.h"
#include "display/display.h"
#include "platform/file_system.h"
#include "platform/log_file.h"
#include "display/text/font_manager.h"
#include "display/map_view.h"
#include "session/game.h"
#include "session/game_query.h"
#include "sound/sound_system.h"

namespace {

const char* const kApplicationName = "Drannoc: Vorhelm";
const char* const kSettingsSection = "APP";

// Sizes outside these ranges come from a broken settings file.
constexpr int32_t kMinWidth = 150;
constexpr int32_t kMaxWidth = 5000;
constexpr int32_t kMinHeight = 100;
constexpr int32_t kMaxHeight = 4000;
constexpr int32_t kFallbackWidth = 800;
constexpr int32_t kFallbackHeight = 600;

std::unique_ptr<TApplication> gApplication;
TGameApplication* gGameApplication = nullptr;

int32_t ClampDimension(int32_t value, int32_t low, int32_t high, int32_t fallback) {
  return (value < low || value > high) ? fallback : value;
}

bool IsMonitorPowerCommand(const platform::Message& message) {
  return message.message == platform::WM_SYSCOMMAND && (message.wParam & 0xFFF0u) == platform::SC_MONITORPOWER;
}

void TranslateAndDispatch(const platform::Message& message) {
  if (IsMonitorPowerCommand(message)) return;
  platform::TranslateMessage(message);
  platform::DispatchMessage(message);
}

}  // namespace

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication(std::string name) : name_(std::move(name)) {}

TApplication::~TApplication() = default;

bool TApplication::OnDestroy() {
  platform::PostQuitMessage(0);
  Shutdown();
  return true;
}

// ---------------------------------------------------------------------------
// TGameApplication: construction and settings

TGameApplication::TGameApplication(std::string name) : TApplication(std::move(name)) {
  ApplyCommandLine();
  LoadSettings();
}

TGameApplication::~TGameApplication() = default;

void TGameApplication::ApplyCommandLine() {
  const TCommandLine* commandLine = GetCommandLine();
  if (commandLine == nullptr) return;
  // The working folder was settled once at start-up (RunProgram), before the
  // log was opened; changing it here again would resolve a relative program
  // path from the new folder.
  const bool logging = commandLine->HasOption("logging");
  if (logging) StartBattleLog();
  int32_t seed = 0;
  if (commandLine->GetOptionInt("seed", seed)) GetRandom()->Seed(static_cast<uint32_t>(seed));
  // The battle log names the seed its battle runs with, so that the battle can be repeated.
  if (logging) std::fprintf(stderr, "Random seed %u\n", GetRandom()->GetSeed());
  if (commandLine->HasOption("unittest")) GetUnitTestRegistry()->Run("All");
  std::string referral;
  if (commandLine->GetOptionValue("referral", referral)) {
    CreateFolder(GetDocsFolder());
    TDataStream stream;
    stream.WriteString(referral);
    const bool saved = stream.Save(GetReferralFilePath());
    Shutdown();
    WriteLog("Application Finished\n\n");
    std::exit(saved ? 0 : 1);
  }
}

void TGameApplication::LoadSettings() {
  settings_ = std::make_unique<TSettingsStore>(GetUserDataConfigPath(), GetGeneralConfigPath());
  settings_->SelectSection(kSettingsSection);
  using Ref = TSettingsStore::TValueRef;
  const bool wholeRun = settings_->GetValues({Ref{"FullScreen", &fullScreen_},
                                              Ref{"ScreenWidth", &fullScreenWidth_},
                                              Ref{"ScreenHeight", &fullScreenHeight_},
                                              Ref{"WindowWidth", &windowWidth_},
                                              Ref{"WindowHeight", &windowHeight_},
                                              Ref{"WindowXPos", &windowX_}});
  if (wholeRun) settings_->GetValues({Ref{"WindowYPos", &windowY_}, Ref{"DisplayType", &displayType_}});
  settings_->GetBool("HighTextureResolution", highTextureResolution_);

  windowWidth_ = ClampDimension(windowWidth_, kMinWidth, kMaxWidth, kFallbackWidth);
  windowHeight_ = ClampDimension(windowHeight_, kMinHeight, kMaxHeight, kFallbackHeight);
  // A full-screen mode out of range would fail to start, so it gets the same fallback.
  fullScreenWidth_ = ClampDimension(fullScreenWidth_, kMinWidth, kMaxWidth, kFallbackWidth);
  fullScreenHeight_ = ClampDimension(fullScreenHeight_, kMinHeight, kMaxHeight, kFallbackHeight);

  std::string smtpServer;
  if (settings_->GetString("SMTPServer", smtpServer)) {
    std::string language = "ENG";
    settings_->GetString("Language", language);
    GetStringTable()->SetLanguage(language);
  }
}

TConfigFile& TGameApplication::GetUserSettingsFile() { return settings_->GetUserFile(); }

std::string TGameApplication::GetSmtpServer() {
  TConfigFile& user = GetUserSettingsFile();
  user.SelectSection(kSettingsSection);
  std::string server;
  user.GetString("SMTPServer", server);
  return server;
}

void TGameApplication::SetSmtpServer(const std::string& value) {
  std::string server = value;
  if (TrimText(server).empty()) server = "NotSet";
  settings_->SelectSection(kSettingsSection);
  GetUserSettingsFile().SetValue("SMTPServer", server);
}

// ---------------------------------------------------------------------------
// TGameApplication: start-up, frame, shutdown

bool TGameApplication::Init() {
  GetStringTable()->EnsureSection("HardCoded");
  CreateVersionInfo(std::make_unique<TWin32VersionInfo>(window_));
  CreateDisplayAndMapView();
  WriteLog("Display Created\n");
  LoadFontStyleFile();
  tSoundSystem::Create();
  WriteLog("Sound Created\n");
  TGame::Instance()->Init(GetCommandLine());
  WriteLog("Game Initialised\n");
  initialised_ = true;
  return true;
}

void TGameApplication::CreateDisplayAndMapView() {
  const int32_t width = fullScreen_ ? fullScreenWidth_ : windowWidth_;
  const int32_t height = fullScreen_ ? fullScreenHeight_ : windowHeight_;
  TMapView::Create(CreateDisplay(displayType_, fullScreen_, width, height));
  TDisplay* display = TMapView::Instance()->GetDisplay();
  if (display == nullptr || !display->IsInitialised()) {
    TMapView::Destroy();
    TMapView::Create(CreateDisplay("DIRECTDRAW_2D", fullScreen_, width, height));
    display = TMapView::Instance()->GetDisplay();
  }
  TMapView* mapView = TMapView::Instance();
  if (display != nullptr && display->GetTypeName() == "DIRECTDRAW_2D") mapView->SetDisplayType("DIRECTDRAW_2D");
  mapView->SetRequestedSize(fullScreenWidth_, fullScreenHeight_);
  mapView->SetTextureResolutionFlag(highTextureResolution_);
}

void TGameApplication::LoadFontStyleFile() {
  TConfigFile fontStyles;
  if (!fontStyles.Load(LoadFontStyles())) return;
  TMapView* mapView = TMapView::Instance();
  TDisplay* display = mapView->GetDisplay();
  mapView->GetFontManager()->LoadFonts(fontStyles, display != nullptr && display->Is3D());
}

void TGameApplication::Frame() {
  TGame::Instance()->Update();
  if (!firstFrameLogged_) {
    firstFrameLogged_ = true;
    WriteLog("First loop completed\n");
  }
}

bool TGameApplication::IsFinished() { return TGame::Instance()->IsQuitting(); }

void TGameApplication::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  DestroySingletons();
  WriteDisplaySettings();
  if (settings_) {
    settingsSaved_ = settings_->SaveUserFile();
    if (!settingsSaved_ && !settings_->IsUserFileUnreadable()) {
      ReportProblem("The settings could not be saved to " + settings_->GetUserPath() + ".");
    }
  }
  TMapView::Destroy();
  tSoundSystem::Destroy();
  DestroyVersionInfo();
}

void TGameApplication::WriteDisplaySettings() {
  if (!settings_ || !TMapView::Exists()) return;
  TMapView* mapView = TMapView::Instance();
  TDisplay* display = mapView->GetDisplay();
  TConfigFile& user = GetUserSettingsFile();
  settings_->SelectSection(kSettingsSection);
  user.SetValue("HighTextureResolution", BoolToString(mapView->GetTextureResolutionFlag()));
  if (display != nullptr) {
    user.SetValue("FullScreen", BoolToString(display->IsFullScreen()));
    if (mapView->GetFullScreen(true)) {
      user.SetValue("ScreenWidth", IntToString(display->GetWidth()));
      user.SetValue("ScreenHeight", IntToString(display->GetHeight()));
    }
  }
  user.SetValue("DisplayType", mapView->GetRequestedDisplayType());
}

// ---------------------------------------------------------------------------
// TGameApplication: window messages

bool TGameApplication::OnDestroy() {
  TGame::Instance()->RequestQuit();
  return true;
}

void TGameApplication::WriteWindowSetting(const char* key, int32_t value) {
  if (!settings_) return;
  settings_->SelectSection(kSettingsSection);
  GetUserSettingsFile().SetValue(key, IntToString(value));
}

bool TGameApplication::OnMove(int32_t /*x*/, int32_t /*y*/) {
  if (!initialised_ || !TMapView::Exists()) return true;
  TMapView* mapView = TMapView::Instance();
  mapView->OnWindowMoved();
  TDisplay* display = mapView->GetDisplay();
  platform::Rect rect;
  if (display != nullptr && !display->IsFullScreen() && platform::GetWindowRect(window_, rect)) {
    WriteWindowSetting("WindowXPos", rect.left);
    WriteWindowSetting("WindowYPos", rect.top);
  }
  return true;
}

bool TGameApplication::OnSize(int32_t width, int32_t height, uint32_t /*kind*/) {
  const bool minimised = width + height == 0;
  inactive_ = minimised;
  if (!TMapView::Exists() || minimised) return true;
  TMapView* mapView = TMapView::Instance();
  if (!mapView->GetFullScreen(false) || mapView->IsModeChangePending()) return true;
  mapView->ApplyResolution(width, height);
  TGame::Instance()->Redraw();
  platform::Rect rect;
  if (platform::GetWindowRect(window_, rect)) {
    WriteWindowSetting("WindowWidth", rect.right - rect.left);
    WriteWindowSetting("WindowHeight", rect.bottom - rect.top);
  }
  return true;
}

bool TGameApplication::OnActivate(uint32_t state) {
  if (!initialised_) return true;
  if (state == platform::WA_INACTIVE) {
    inactive_ = true;
    return true;
  }
  if (inactive_ && TMapView::Exists()) {
    TMapView* mapView = TMapView::Instance();
    if (mapView->GetFullScreen(true) && !mapView->IsModeChangePending()) {
      mapView->ReleaseDisplay();
      mapView->RestoreDisplay();
      if (TDisplay* display = mapView->GetDisplay()) {
        display->SetRestoredFlag(true);
        display->SetViewChanged(true);
      }
      TGame::Instance()->Redraw();
    }
  }
  inactive_ = false;
  return true;
}

bool TGameApplication::AcceptsInput() const { return initialised_ && TGame::Instance()->AcceptsInput(); }

bool TGameApplication::OnChar(uint8_t character, intptr_t /*keyData*/) {
  if (AcceptsInput()) GetKeyMap()->OnChar(character);
  return true;
}

bool TGameApplication::OnKeyDown(uint32_t virtualKey, intptr_t /*keyData*/) {
  if (AcceptsInput()) GetKeyMap()->OnKeyDown(static_cast<int32_t>(virtualKey));
  return true;
}

bool TGameApplication::OnKeyUp(uint32_t virtualKey, intptr_t /*keyData*/) {
  if (AcceptsInput()) GetKeyMap()->OnKeyUp(static_cast<int32_t>(virtualKey));
  return true;
}

void TGameApplication::CaptureMouse() {
  if (initialised_) platform::SetCapture(window_);
}

void TGameApplication::ReleaseMouseUnlessHeld() {
  if (initialised_ && !GetMouse()->IsAnyButtonDown()) platform::ReleaseCapture();
}

bool TGameApplication::OnLeftButtonDown(int32_t, int32_t, uintptr_t) {
  CaptureMouse();
  if (AcceptsInput()) GetMouse()->SetLeftButton(true);
  return true;
}

bool TGameApplication::OnLeftButtonUp(int32_t, int32_t, uintptr_t) {
  if (AcceptsInput()) GetMouse()->SetLeftButton(false);
  ReleaseMouseUnlessHeld();
  return true;
}

bool TGameApplication::OnRightButtonDown(int32_t, int32_t, uintptr_t) {
  CaptureMouse();
  if (AcceptsInput()) GetMouse()->SetRightButton(true);
  return true;
}

bool TGameApplication::OnRightButtonUp(int32_t, int32_t, uintptr_t) {
  if (AcceptsInput()) GetMouse()->SetRightButton(false);
  ReleaseMouseUnlessHeld();
  return true;
}

bool TGameApplication::OnMiddleButtonDown(int32_t, int32_t, uintptr_t) {
  CaptureMouse();
  if (AcceptsInput()) GetMouse()->SetMiddleButton(true);
  return true;
}

bool TGameApplication::OnMiddleButtonUp(int32_t, int32_t, uintptr_t) {
  if (AcceptsInput()) GetMouse()->SetMiddleButton(false);
  ReleaseMouseUnlessHeld();
  return true;
}

bool TGameApplication::OnMouseMove(int32_t x, int32_t y, uintptr_t) {
  if (AcceptsInput()) GetMouse()->SetPosition(x, y);
  return true;
}

bool TGameApplication::OnMouseWheel(uintptr_t wheelData) {
  if (AcceptsInput()) GetMouse()->OnWheel(static_cast<int32_t>(wheelData));
  return true;
}

// ---------------------------------------------------------------------------
// Singleton, window procedure, main window and the program entry

TApplication* GetApplication() {
  if (!gApplication) {
    auto application = std::make_unique<TGameApplication>(kApplicationName);
    gGameApplication = application.get();
    gApplication = std::move(application);
  }
  return gApplication.get();
}

TGameApplication* GetGameApplication() { return gGameApplication; }

void DestroyApplication() {
  gApplication.reset();
  gGameApplication = nullptr;
}

intptr_t WindowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  TApplication* application = GetApplication();
  auto handled = [&](bool result) {
    return result ? intptr_t{0} : platform::DefWindowProc(window, message, wParam, lParam);
  };
  using platform::HighWord;
  using platform::LowWord;
  switch (message) {
    case platform::WM_CREATE:
      return application->OnCreate(reinterpret_cast<const void*>(lParam)) ? 0 : -1;
    case platform::WM_DESTROY:
      application->OnDestroy();
      return 0;
    case platform::WM_MOVE:
      return handled(application->OnMove(LowWord(lParam), HighWord(lParam)));
    case platform::WM_SIZE:
      return handled(application->OnSize(LowWord(lParam), HighWord(lParam), static_cast<uint32_t>(wParam)));
    case platform::WM_ACTIVATE:
      return handled(application->OnActivate(LowWord(wParam)));
    case platform::WM_CLOSE:
      if (TGame::Instance()->AllowsQuit()) {
        platform::DestroyWindow(window);
      } else {
        TGame::Instance()->OnCloseRequest();
      }
      return 0;
    case platform::WM_KEYDOWN:
      return handled(application->OnKeyDown(static_cast<uint32_t>(wParam), lParam));
    case platform::WM_KEYUP:
      return handled(application->OnKeyUp(static_cast<uint32_t>(wParam), lParam));
    case platform::WM_CHAR:
      return handled(application->OnChar(static_cast<uint8_t>(wParam), lParam));
    case platform::WM_MOUSEMOVE:
      return handled(application->OnMouseMove(platform::SignedLowWord(lParam), platform::SignedHighWord(lParam), wParam));
    case platform::WM_LBUTTONDOWN:
      return handled(application->OnLeftButtonDown(LowWord(lParam), HighWord(lParam), wParam));
    case platform::WM_LBUTTONUP:
      return handled(application->OnLeftButtonUp(LowWord(lParam), HighWord(lParam), wParam));
    case platform::WM_RBUTTONDOWN:
      return handled(application->OnRightButtonDown(LowWord(lParam), HighWord(lParam), wParam));
    case platform::WM_RBUTTONUP:
      return handled(application->OnRightButtonUp(LowWord(lParam), HighWord(lParam), wParam));
    case platform::WM_MBUTTONDOWN:
      return handled(application->OnMiddleButtonDown(LowWord(lParam), HighWord(lParam), wParam));
    case platform::WM_MBUTTONUP:
      return handled(application->OnMiddleButtonUp(LowWord(lParam), HighWord(lParam), wParam));
    case platform::WM_MOUSEWHEEL:
      return handled(application->OnMouseWheel(wParam));
    default:
      return platform::DefWindowProc(window, message, wParam, lParam);
  }
}

bool CreateMainWindow() {
  TApplication* application = GetApplication();
  static bool registered = false;
  if (!registered) registered = platform::RegisterWindowClass({application->GetName(), &WindowProc});

  platform::WindowCreateParams params;
  params.className = application->GetName();
  params.title = application->GetName();
  params.popup = application->IsFullScreen();
  if (params.popup) {
    params.width = application->GetFullScreenWidth();
    params.height = application->GetFullScreenHeight();
  } else {
    params.x = application->GetWindowX();
    params.y = application->GetWindowY();
    params.width = application->GetWindowWidth();
    params.height = application->GetWindowHeight();
  }
  platform::WindowHandle window = platform::CreateWindow(params);
  if (window == nullptr) return false;
  if (!params.popup) platform::MoveWindow(window, params.x, params.y, params.width, params.height, false);
  application->SetWindow(window);
  platform::ShowWindow(window);
  platform::UpdateWindow(window);
  return true;
}

int RunMainLoop(TApplication* application) {
  platform::Message message;
  while (!application->IsFinished()) {
    if (application->IsInactive() && !TGame::Instance()->RunsWhileInactive()) {
      if (!platform::GetMessage(message)) return static_cast<int>(message.wParam);
      TranslateAndDispatch(message);
      continue;
    }
    if (platform::PeekMessage(message)) {
      if (message.message == platform::WM_QUIT) return static_cast<int>(message.wParam);
      platform::GetMessage(message);
      TranslateAndDispatch(message);
    } else {
      application->Frame();
      platform::OnFrameCompleted();
    }
  }
  return 0;
}

int RunProgram(int argc, const char* const* argv) {
  SetCommandLine(TCommandLine::FromArguments(argc, argv));
  // Settle the working folder once, before the log is opened, so that every
  // line of one run lands in the same file.
  if (!GetCommandLine()->HasOption("noworkingdirectory")) SetWorkingDirectoryToProgramFolder();
  const bool logWritten = ResetLog() && WriteLog("Application Started\n");

  int exitCode = 0;
  if (!CreateMainWindow()) {
    ShowMessageText("The main window could not be created.");
    exitCode = 1;
  } else {
    WriteLog("Window Created\n");
    TApplication* application = GetApplication();
    if (application->Init() && !application->IsFinished()) exitCode = RunMainLoop(application);
  }

  if (exitCode == 0) exitCode = RunningExitStatus();
  // Also after a quit message: the settings of the run are saved either way.
  GetApplication()->Shutdown();
  WriteLog("Application Finished\n\n");
  const TGameApplication* game = GetGameApplication();
  if (!logWritten && game != nullptr && !game->HasSavedSettings()) {
    // Neither the log nor the settings reached the disk: the run left nothing.
    platform::PrintErrorLine("Nothing could be written in the game folder " + platform::GetCurrentDirectory() + ".");
    if (exitCode == 0) exitCode = 1;
  }
  DestroyApplication();
  platform::ShutdownWindowSystem();
  return exitCode;
}
