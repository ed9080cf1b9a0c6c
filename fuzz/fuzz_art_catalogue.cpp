// Feeds arbitrary text to the art generator's reader of visual definition
// files. Nothing may crash, and every size it asks for stays within what the
// image readers take, so the generator never allocates without bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "art/art_catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  art::TArtCatalogue catalogue;
  catalogue.AddDefinitions(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
  for (const auto& [path, need] : catalogue.Needs()) {
    if (need.width < 0 || need.height < 0 || need.width > 8192 || need.height > 8192) __builtin_trap();
    for (const art::TCell& cell : need.cells) {
      if (cell.width < 0 || cell.height < 0 || cell.width > 8192 || cell.height > 8192) __builtin_trap();
    }
  }
  return 0;
}
