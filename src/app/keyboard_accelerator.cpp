#include "app/keyboard_accelerator.h"

#include <utility>

#include "screens/interface_sounds.h"
#include "ui/command.h"

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
    // Activation clicks unless the release action's query answers true.
    const bool alreadySet = releaseAction_ && releaseAction_->Query();
    if (!alreadySet) {
      TInterfaceSounds::Instance()->Play("Activated");
    }
    active_ = true;
  }
  return holdAction_ ? holdAction_->Execute() : 0;
}
