#include "screens/interface_sounds.h"

#include <memory>

namespace {

std::unique_ptr<TInterfaceSounds>& InterfaceSoundsCell() {
  static std::unique_ptr<TInterfaceSounds> sounds;
  return sounds;
}

}  // namespace

TInterfaceSounds* TInterfaceSounds::Instance() {
  auto& sounds = InterfaceSoundsCell();
  if (!sounds) {
    sounds.reset(new TInterfaceSounds());
  }
  return sounds.get();
}

void TInterfaceSounds::DestroyInstance() { InterfaceSoundsCell().reset(); }

void TInterfaceSounds::Play(const std::string& eventName) {
  lastPlayed_ = eventName;
  ++playCount_;
}
