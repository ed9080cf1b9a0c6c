#include "art/art_catalogue.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "app/config_parser.h"
#include "app/text_utils.h"

namespace art {
namespace {

// The library tests type words as substrings in this order; the first that
// matches decides what an entry is.
const char* const kTypeWords[] = {"Mesh",          "TerrainSprite",    "Compound",          "Cycle",
                                  "Switch",        "DD7WorldBar",      "StatBar",           "DirectDrawWorldBar",
                                  "Bar",           "Shadow",           "PolygonSprite",     "PictureVisual",
                                  "DirectDrawSprite", "DirectDrawPicture", "DirectDrawFloor", "DirectDrawTerrain",
                                  "Null"};

// Entries whose field 1 is an image and field 3 its texture rectangle.
bool IsTexturedQuad(const std::string& word) {
  return word == "TerrainSprite" || word == "PolygonSprite" || word == "PictureVisual" ||
         word == "DirectDrawSprite" || word == "DirectDrawPicture" || word == "DirectDrawFloor" ||
         word == "DirectDrawTerrain";
}

// A section that opens with a floor is that floor alone.
bool IsFloor(const std::string& word) { return word == "Mesh" || word == "DirectDrawFloor"; }

std::string TypeWordOf(const std::string& field) {
  for (const char* word : kTypeWords) {
    if (ContainsText(field, word)) return word;
  }
  return {};
}

std::vector<double> Numbers(const std::string& text) {
  std::vector<double> numbers;
  for (const std::string& piece : SplitString(text, ",")) numbers.push_back(StringToFloat(TrimText(piece)));
  return numbers;
}

// Images are drawn whole in memory; sizes beyond what the image readers take are refused.
constexpr double kMaxDimension = 8192.0;

bool InRange(double value) { return std::isfinite(value) && value >= 0.0 && value <= kMaxDimension; }

int32_t Round(double value) { return InRange(value) ? static_cast<int32_t>(std::lround(value)) : 0; }

// A floor mesh lays one square cell of its texture on a diamond; the floor
// textures hold 32-pixel cells.
constexpr double kFloorCell = 32.0;

}  // namespace

bool TCell::operator<(const TCell& other) const {
  return std::tie(y, x, height, width, visual, entry) <
         std::tie(other.y, other.x, other.height, other.width, other.visual, other.entry);
}

std::string TArtCatalogue::NormalisePath(const std::string& name) {
  std::string path = TrimText(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool TArtCatalogue::AddFile(const std::string& path) {
  TConfigParser parser;
  if (!parser.LoadFile(path)) return false;
  std::string stem = NormalisePath(path);
  if (const auto slash = stem.rfind('/'); slash != std::string::npos) stem.erase(0, slash + 1);
  if (const auto dot = stem.rfind('.'); dot != std::string::npos) stem.erase(dot);
  AddDefinitions(parser.GetText(), stem);
  return true;
}

void TArtCatalogue::AddDefinitions(const std::string& text, const std::string& source) {
  TConfigParser parser(text);
  while (parser.NextSection()) {
    const std::string visual = parser.GetSectionName();
    bool first = true;
    for (const std::string& rawLine : SplitString(parser.GetSectionBody(), "\n")) {
      const std::string line = TrimText(rawLine);
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> fields;
      for (const std::string& field : SplitString(line, "|")) {
        std::string trimmed = TrimText(field);
        if (!trimmed.empty()) fields.push_back(std::move(trimmed));
      }
      if (fields.empty()) continue;
      AddEntry(fields, visual, source);
      // The library builds the floor and reads no further: lines behind it
      // (the 3D floor line the 2D art tool keeps behind its tile line) ask
      // nothing of any image. Sections of pictures are also read line by
      // line by the interface, so every picture line counts.
      if (first && IsFloor(TypeWordOf(fields[0]))) break;
      first = false;
    }
  }
}

const TImageNeed* TArtCatalogue::Find(const std::string& path) const {
  const auto found = needs_.find(NormalisePath(path));
  return found == needs_.end() ? nullptr : &found->second;
}

TImageNeed& TArtCatalogue::NeedFor(const std::string& name, const std::string& source) {
  const std::string path = NormalisePath(name);
  auto [at, added] = needs_.try_emplace(path);
  if (added) {
    at->second.name = name;
    at->second.path = path;
    at->second.source = source;
  }
  return at->second;
}

void TArtCatalogue::Require(TImageNeed& need, int32_t width, int32_t height, bool exact) {
  if (exact && need.width != 0 && (need.width != width || need.height != height)) {
    need.conflicts.push_back(IntToString(width) + " x " + IntToString(height));
  }
  need.width = std::max(need.width, width);
  need.height = std::max(need.height, height);
}

void TArtCatalogue::AddEntry(const std::vector<std::string>& fields, const std::string& visual,
                             const std::string& source) {
  const std::string word = TypeWordOf(fields[0]);
  const bool mesh = word == "Mesh";
  if (word == "DD7WorldBar" && fields.size() >= 6) {
    // A textured world bar stretches its whole image; any size serves.
    TImageNeed& need = NeedFor(fields[5], source);
    Require(need, 16, 16, false);
    return;
  }
  if ((!mesh && !IsTexturedQuad(word)) || fields.size() < 4) return;
  TImageNeed& need = NeedFor(fields[1], source);
  const std::vector<double> rect = Numbers(fields[3]);
  const std::vector<double> size = Numbers(fields[2]);
  TCell cell;
  cell.visual = visual;
  cell.entry = word;
  if (!mesh && (rect.size() == 6 || rect.size() == 7)) {
    for (const double number : rect) {
      if (!InRange(number)) {
        need.conflicts.push_back("a rectangle out of range in " + visual);
        return;
      }
    }
    Require(need, Round(rect[0]), Round(rect[1]), true);
    cell.x = Round(rect[2]);
    cell.y = Round(rect[3]);
    cell.width = Round(rect[4] - rect[2]);
    cell.height = Round(rect[5] - rect[3]);
  } else if (rect.size() >= 4 && rect[2] > rect[0] && rect[3] > rect[1]) {
    const double spanU = rect[2] - rect[0];
    const double spanV = rect[3] - rect[1];
    const double cellWidth = mesh ? kFloorCell : (size.size() >= 2 ? size[0] : 0.0);
    const double cellHeight = mesh ? kFloorCell : (size.size() >= 2 ? size[1] : 0.0);
    if (!InRange(cellWidth / spanU) || !InRange(cellHeight / spanV) || !InRange(cellWidth) || !InRange(cellHeight)) {
      need.conflicts.push_back("a rectangle out of range in " + visual);
      return;
    }
    const int32_t width = Round(cellWidth / spanU);
    const int32_t height = Round(cellHeight / spanV);
    Require(need, width, height, false);
    cell.x = Round(rect[0] * width);
    cell.y = Round(rect[1] * height);
    cell.width = Round(spanU * width);
    cell.height = Round(spanV * height);
  } else {
    return;
  }
  const auto at = std::lower_bound(need.cells.begin(), need.cells.end(), cell);
  if (at == need.cells.end() || cell < *at) need.cells.insert(at, cell);
}

}  // namespace art
