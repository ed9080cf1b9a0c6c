// The application frame: one main window, one window procedure and one
// application object that start-up, the main loop and every window message
// go through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/window.h"

class TSettingsStore;
class TConfigFile;

class TApplication {
 public:
  explicit TApplication(std::string name);
  virtual ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  virtual bool Init() { return false; }
  virtual void Frame() {}
  virtual bool IsFinished() { return false; }
  virtual void Shutdown() {}
  virtual bool OnCreate(const void* /*createParams*/) { return true; }
  virtual bool OnDestroy();
  virtual bool OnMove(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool OnSize(int32_t /*width*/, int32_t /*height*/, uint32_t /*kind*/) { return false; }
  virtual bool OnChar(uint8_t /*character*/, intptr_t /*keyData*/) { return false; }
  virtual bool OnKeyDown(uint32_t /*virtualKey*/, intptr_t /*keyData*/) { return false; }
  virtual bool OnKeyUp(uint32_t /*virtualKey*/, intptr_t /*keyData*/) { return false; }
  virtual bool OnLeftButtonDown(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnLeftButtonUp(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnRightButtonDown(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnRightButtonUp(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnMiddleButtonDown(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnMiddleButtonUp(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnMouseMove(int32_t /*x*/, int32_t /*y*/, uintptr_t /*keyState*/) { return false; }
  virtual bool OnMouseWheel(uintptr_t /*wheelData*/) { return false; }
  virtual bool OnActivate(uint32_t /*state*/) { return false; }

  const std::string& GetName() const { return name_; }
  bool IsInactive() const { return inactive_; }
  bool IsFullScreen() const { return fullScreen_; }
  int32_t GetFullScreenWidth() const { return fullScreenWidth_; }
  int32_t GetFullScreenHeight() const { return fullScreenHeight_; }
  int32_t GetWindowWidth() const { return windowWidth_; }
  int32_t GetWindowHeight() const { return windowHeight_; }
  int32_t GetWindowX() const { return windowX_; }
  int32_t GetWindowY() const { return windowY_; }
  platform::WindowHandle GetWindow() const { return window_; }
  void SetWindow(platform::WindowHandle window) { window_ = window; }

 protected:
  bool inactive_ = false;
  std::string name_;
  bool fullScreen_ = false;
  int32_t fullScreenWidth_ = 0;
  int32_t fullScreenHeight_ = 0;
  int32_t windowWidth_ = 0;
  int32_t windowHeight_ = 0;
  int32_t windowX_ = 0;
  int32_t windowY_ = 0;
  platform::WindowHandle window_ = nullptr;
};

class TGameApplication : public TApplication {
 public:
  explicit TGameApplication(std::string name);
  ~TGameApplication() override;

  bool Init() override;
  void Frame() override;
  bool IsFinished() override;
  void Shutdown() override;
  bool OnDestroy() override;
  bool OnMove(int32_t x, int32_t y) override;
  bool OnSize(int32_t width, int32_t height, uint32_t kind) override;
  bool OnChar(uint8_t character, intptr_t keyData) override;
  bool OnKeyDown(uint32_t virtualKey, intptr_t keyData) override;
  bool OnKeyUp(uint32_t virtualKey, intptr_t keyData) override;
  bool OnLeftButtonDown(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnLeftButtonUp(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnRightButtonDown(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnRightButtonUp(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnMiddleButtonDown(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnMiddleButtonUp(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnMouseMove(int32_t x, int32_t y, uintptr_t keyState) override;
  bool OnMouseWheel(uintptr_t wheelData) override;
  bool OnActivate(uint32_t state) override;

  void ApplyCommandLine();
  void LoadSettings();

  TSettingsStore* GetSettings() const { return settings_.get(); }
  TConfigFile& GetUserSettingsFile();
  std::string GetSmtpServer();
  void SetSmtpServer(const std::string& value);

  bool IsInitialised() const { return initialised_; }
  // Whether the shutdown wrote the user settings.
  bool HasSavedSettings() const { return settingsSaved_; }
  const std::string& GetRequestedDisplayType() const { return displayType_; }
  bool GetHighTextureResolution() const { return highTextureResolution_; }

 private:
  void CreateDisplayAndMapView();
  void LoadFontStyleFile();
  void WriteDisplaySettings();
  bool AcceptsInput() const;
  void CaptureMouse();
  void ReleaseMouseUnlessHeld();
  void WriteWindowSetting(const char* key, int32_t value);

  bool initialised_ = false;
  std::string displayType_;
  bool highTextureResolution_ = false;
  std::unique_ptr<TSettingsStore> settings_;
  bool firstFrameLogged_ = false;
  bool shutDown_ = false;
  bool settingsSaved_ = false;
};

// The application singleton, created as the game's application on first use.
TApplication* GetApplication();
// The same object as the game's application (null before it exists).
TGameApplication* GetGameApplication();
void DestroyApplication();

intptr_t WindowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
bool CreateMainWindow();
// Runs frames and dispatches messages until the application is finished or
// the quit message arrives; returns the quit message's exit code (0 otherwise).
int RunMainLoop(TApplication* application);
// The program entry: start-up, main loop and shutdown. Returns the exit code.
int RunProgram(int argc, const char* const* argv);
