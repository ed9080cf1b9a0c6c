// What the visual definition files ask of the art set: every image file they
// name, the size that file must have for the texture rectangles that address
// it, and the cells those rectangles cut out of it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace art {

// One texture rectangle on an image, in pixels.
struct TCell {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::string visual;  // the section (visual name) that uses it
  std::string entry;   // the entry's type word
  bool operator<(const TCell& other) const;
};

struct TImageNeed {
  std::string name;     // as the definition writes it
  std::string path;     // relative to the data folder, with "/" separators
  std::string source;   // file stem of the first definition file naming it ("marnVisual3D")
  int32_t width = 0;
  int32_t height = 0;
  std::vector<TCell> cells;  // sorted, without repeats
  std::vector<std::string> conflicts;  // rectangles that disagree on the image size
};

class TArtCatalogue {
 public:
  // Reads one definition text; `source` names it in the needs it adds.
  void AddDefinitions(const std::string& text, const std::string& source);
  // Reads a definition file; false when it cannot be read.
  bool AddFile(const std::string& path);
  // Every needed image, by path.
  const std::map<std::string, TImageNeed>& Needs() const { return needs_; }
  const TImageNeed* Find(const std::string& path) const;

  // "Art\Units\A.tga" becomes "Art/Units/A.tga".
  static std::string NormalisePath(const std::string& name);

 private:
  void AddEntry(const std::vector<std::string>& fields, const std::string& visual,
                const std::string& source);
  TImageNeed& NeedFor(const std::string& name, const std::string& source);
  static void Require(TImageNeed& need, int32_t width, int32_t height, bool exact);

  std::map<std::string, TImageNeed> needs_;
};

}  // namespace art
