// One entry of a screen's "Keyboard Accelerators" block: a key with a command
// run when the key is let go and a command run on every poll while it is held.
#pragma once

#include <memory>
#include <string>

#include "app/key_map.h"

class TCommand;

class TKeyboardAccelerator {
 public:
  TKeyboardAccelerator(const std::string& keyName, std::unique_ptr<TCommand> releaseAction,
                       std::unique_ptr<TCommand> holdAction);
  ~TKeyboardAccelerator();
  TKeyboardAccelerator(const TKeyboardAccelerator&) = delete;
  TKeyboardAccelerator& operator=(const TKeyboardAccelerator&) = delete;

  // Runs the release action when the key shows as released and the hold
  // action while it is down; the result is the hold action's int result, 0
  // when it has none or the key is up.
  int Poll();

  const TKey& GetKey() const { return *key_; }
  bool IsActive() const { return active_; }

 private:
  int RunHoldAction();

  std::unique_ptr<TKey> key_;
  std::unique_ptr<TCommand> releaseAction_;
  std::unique_ptr<TCommand> holdAction_;
  bool active_ = false;
};
