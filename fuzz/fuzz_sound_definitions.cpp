// Feeds arbitrary text to the sound definitions as "Configs\Sound.cfg" would
// hold it, builds the tree of each section and drives it through every
// operation an owner uses. Nothing may crash or recurse without bound, and a
// tree's shape must stay within the nesting limit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/config_parser.h"
#include "sound/sound_library.h"
#include "sound/sound_nodes.h"

namespace {

constexpr int32_t kMaxSections = 64;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

int32_t Depth(TSound* node) {
  auto* composite = dynamic_cast<TCompositeSound*>(node);
  if (composite == nullptr) return 0;
  int32_t deepest = 0;
  for (int32_t i = 0; i < composite->ChildCount(); ++i) {
    const int32_t depth = Depth(composite->Child(i));
    if (depth > deepest) deepest = depth;
  }
  return deepest + 1;
}

void Drive(TSound& sound) {
  sound.Start(0.0f);
  sound.Update(0.0f);
  sound.Update(0.75f);
  sound.Play();
  if (auto* choice = dynamic_cast<TSoundSwitch*>(&sound)) {
    choice->Select(choice->ChildCount());
    sound.Update(1.0f);
    choice->Select(-1);
    sound.Update(1.5f);
    choice->Select(0);
  }
  sound.Update(2.0f);
  sound.Suspend();
  sound.SetVolumeScale(0.5f);
  sound.Update(1e30f);
  sound.Stop();
  Check(!sound.IsPlaying());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TSoundLibrary library(text);
  TConfigParser sections(text, true);
  const TVector3 where(1.0f, 2.0f, 0.0f);
  int32_t count = 0;
  do {
    const std::string name = sections.GetSectionName();
    std::unique_ptr<TSound> sound = library.BuildSound(&where, (count & 1) != 0, name);
    if (sound) {
      Check(Depth(sound.get()) <= TSoundLibrary::kMaxDepth);
      Drive(*sound);
    }
  } while (++count < kMaxSections && sections.NextSection());
  return 0;
}
