#include "app/keyboard_accelerator.h"

#include <utility>

#include "screens/interface_sounds.h"
#include "ui/commands/command.h"

TKeyboardAccelerator::TKeyboardAccelerator(const std::string& keyName,
                                           std::unique_ptr<TCommand> releaseAction,
                                           std::unique_ptr<TCommand> holdAction)
    : key_(std::make_unique<TKey>(keyName, false)),
      releaseAction_(std::move(releaseAction)),
      holdAction_(std::move(holdAction)) {}

TKeyboardAccelerator::~TKeyboardAccelerator() = default;

int TKeyboardAccelerator::Poll() {
  if (key_->IsReleased() && releaseAction_) {
    releaseAction_->Execute();
  }
  if (!key_->IsDown()) {
    active_ = false;
    return 0;
  }
  if (!active_) {
    // Activation clicks unless the release action is the one that does nothing.
    const bool silent = releaseAction_ && releaseAction_->IsNull();
    if (!silent) {
      TInterfaceSounds::Instance()->Play("Activated");
    }
    active_ = true;
  }
  return RunHoldAction();
}

int TKeyboardAccelerator::RunHoldAction() {
  if (!holdAction_) {
    return 0;
  }
  holdAction_->Execute();
  int32_t result = 0;
  if (TResultCommand* withResult = holdAction_->AsResultCommand()) {
    withResult->GetResult(result);
  }
  return result;
}
