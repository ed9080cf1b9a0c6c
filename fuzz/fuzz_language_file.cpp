// Language files come with the installation but are edited and swapped by
// players: any text must parse in time linear in its size and answer every
// look-up from inside the section.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TStringTableSection section;
  section.Parse(text);
  // Texts are numbered from 0 up to the cap; beyond the last one is "out of range".
  if (section.Size() > 2 * static_cast<std::size_t>(TStringTableSection::kMaxNumber) + 2) std::abort();
  for (const int32_t number : {-1, 0, 1, 5, 99, 100, TStringTableSection::kMaxNumber,
                               TStringTableSection::kMaxNumber + 1}) {
    const std::string found = section.At(number);
    const bool inside = number >= 0 && static_cast<std::size_t>(number) < section.Size();
    if (!inside && found != kStringTableOutOfRange) std::abort();
  }
  // Parsing again replaces, never appends.
  const std::size_t first = section.Size();
  section.Parse(text);
  if (section.Size() != first) std::abort();
  return 0;
}
