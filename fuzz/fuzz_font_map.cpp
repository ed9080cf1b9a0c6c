// The face map file (Configs/FontFaces.cfg): whatever it holds, every file
// name it yields is a plain name, and the map stays within its face limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/font_face_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::TFontFaceMap map;
  // No folder is searched: only the names are under test.
  map.SetSearchFolders({}, {});
  const bool parsed = map.Parse(text);
  if (map.FaceCount() > platform::TFontFaceMap::kMaxFaces) std::abort();
  for (const char* face : {"Arial", "Default", "Times New Roman", ""}) {
    for (int style = 0; style < 4; ++style) {
      const auto files = map.CandidateFiles(face, (style & 1) != 0, (style & 2) != 0);
      if (files.size() > 8) std::abort();
      for (const std::string& file : files) {
        if (!platform::IsPlainFileName(file)) std::abort();
      }
      if (!map.FindFontFile(face, (style & 1) != 0, (style & 2) != 0).empty()) std::abort();
    }
  }
  // A text that is not taken leaves the built-in map, which always names a file.
  if (!parsed && map.CandidateFiles("Arial", false, false).empty()) std::abort();
  return 0;
}
