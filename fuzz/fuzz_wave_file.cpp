// Feeds arbitrary bytes to the WAV reader. A file it takes must describe a
// format the mixer plays and hold whole frames inside what was read; a file
// it refuses must leave nothing behind. Reads past the input are findings of
// the sanitizers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sound_mixer.h"
#include "sound/wave_file.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  TWaveData wave;
  std::string reason;
  if (ParseWaveData(data, size, wave, reason)) {
    Check(wave.format != nullptr);
    Check(platform::IsPlayableFormat(*wave.format));
    Check(wave.dataSize > 0 && wave.dataSize == wave.data.size());
    Check(wave.dataSize % wave.format->blockAlign == 0);
    Check(wave.dataSize <= size);
  } else {
    Check(!reason.empty());
    Check(wave.data.empty() && wave.dataSize == 0 && wave.format == nullptr);
  }
  return 0;
}
