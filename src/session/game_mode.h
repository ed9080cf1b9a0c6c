// The top-level modes of the program, created by number.
#pragma once

#include <memory>
#include <string>

class TGameMode {
 public:
  virtual ~TGameMode() = default;

  virtual void Update() = 0;
  virtual void Enter() = 0;
  // Draws the mode's view and paces the frame.
  virtual void Render();
  virtual int GetModeNumber() const = 0;
  virtual void OnRedraw() {}
  virtual int GetLocalPlayer() const { return -1; }
  // True while the mode must keep running with the window in the background.
  virtual bool IsBusy() const { return false; }
  // The battle modes that compute turns locally set this while they do.
  virtual bool IsComputingAsServer() const { return false; }
  // Why the mode could not do the work it was entered for; empty when it
  // did (or has none).
  virtual std::string GetFailure() const { return std::string(); }

  void SetDrawEnabled(bool enabled) { drawEnabled_ = enabled; }
  bool IsDrawEnabled() const { return drawEnabled_; }

 private:
  bool drawEnabled_ = true;
};

// Mode 0: the front end.
class TIntroMode : public TGameMode {
 public:
  void Update() override;
  void Enter() override {}
  int GetModeNumber() const override { return 0; }
};

constexpr int kNoPendingMode = 7;

// The modes this build can create; null for a number it cannot. The
// argument is the server mode's list of files.
bool IsGameModeAvailable(int modeNumber);
std::unique_ptr<TGameMode> CreateGameMode(int modeNumber, const std::string& argument = std::string());
