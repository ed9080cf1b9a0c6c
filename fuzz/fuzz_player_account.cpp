// The player's account record: name, e-mail address and password read from a
// stream file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "fuzz_scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("player");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  TDataStream stream("Vorhelm-3-10");
  if (!stream.LoadFromBytes(bytes)) return 0;
  TPlayerData player;
  if (player.Load(stream)) {
    // A record that loads saves to the same bytes.
    TDataStream copy("Vorhelm-3-10");
    if (!player.Save(copy)) std::abort();
    if (copy.Body().size() != stream.GetPosition()) std::abort();
    for (std::size_t i = 0; i < copy.Body().size(); ++i) {
      if (copy.Body()[i] != stream.Body()[i]) std::abort();
    }
  }
  return 0;
}
