#include "platform/font_face_map.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/file_system.h"

namespace platform {

namespace {

constexpr std::array<const char*, 4> kStyleKeys = {"Regular", "Bold", "Italic", "BoldItalic"};
constexpr const char* kDefaultFace = "DEFAULT";
// Styles tried for each wanted style, nearest first.
constexpr std::array<std::array<int, 4>, 4> kStyleFallbacks = {{
    {0, -1, -1, -1},
    {1, 0, -1, -1},
    {2, 0, -1, -1},
    {3, 1, 2, 0},
}};

constexpr const char* kBuiltInMap =
    "# Face names of the font style files and the font files that draw them.\n"
    "[Arial]\n"
    "  Regular = LiberationSans-Regular.ttf\n"
    "  Bold = LiberationSans-Bold.ttf\n"
    "  Italic = LiberationSans-Italic.ttf\n"
    "  BoldItalic = LiberationSans-BoldItalic.ttf\n"
    "[Default]\n"
    "  Regular = DejaVuSans.ttf\n"
    "  Bold = DejaVuSans-Bold.ttf\n"
    "  Italic = DejaVuSans-Oblique.ttf\n"
    "  BoldItalic = DejaVuSans-BoldOblique.ttf\n";

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

int StyleIndex(std::string_view key) {
  for (std::size_t i = 0; i < kStyleKeys.size(); ++i) {
    if (Upper(key) == Upper(kStyleKeys[i])) return static_cast<int>(i);
  }
  return -1;
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// The first path below the root, in name order, of a file with that name.
std::string SearchBelow(const std::string& root, const std::string& fileName) {
  std::error_code error;
  std::vector<std::string> found;
  const auto options = std::filesystem::directory_options::skip_permission_denied;
  std::filesystem::recursive_directory_iterator it(root, options, error);
  for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().filename() == fileName && it->is_regular_file(error)) found.push_back(it->path().string());
  }
  if (found.empty()) return {};
  return *std::min_element(found.begin(), found.end());
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127;
  });
}

TFontFaceMap::TFontFaceMap()
    : folders_{"/usr/share/fonts/truetype/liberation2", "/usr/share/fonts/truetype/liberation",
               "/usr/share/fonts/truetype/dejavu"},
      roots_{"/usr/share/fonts", "/usr/local/share/fonts"} {
  Parse(kBuiltInMap);
}

bool TFontFaceMap::Parse(std::string_view text) {
  std::map<std::string, TStyleFiles> faces;
  std::string current;  // upper-cased name of the section being read
  bool inSection = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inSection = false;
      if (line.back() != ']' || line.size() < 3) continue;
      current = Upper(Trim(line.substr(1, line.size() - 2)));
      inSection = !current.empty() && (faces.count(current) != 0 || faces.size() < kMaxFaces);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    const int style = StyleIndex(Trim(line.substr(0, equals)));
    const std::string_view file = Trim(line.substr(equals + 1));
    // Only plain names: a face map must not point the program at any path.
    if (style < 0 || !IsPlainFileName(file)) continue;
    TStyleFiles& files = faces[current];
    files.resize(kStyleKeys.size());
    files[static_cast<std::size_t>(style)] = std::string(file);
  }
  const bool usable = std::any_of(faces.begin(), faces.end(), [](const auto& entry) {
    return std::any_of(entry.second.begin(), entry.second.end(), [](const std::string& f) { return !f.empty(); });
  });
  if (!usable) return false;
  faces_ = std::move(faces);
  return true;
}

bool TFontFaceMap::Load(std::string_view gamePath) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(gamePath, bytes)) return false;
  return Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TFontFaceMap::AppendCandidates(const std::string& face, int style, std::vector<std::string>& out) const {
  const auto found = faces_.find(face);
  if (found == faces_.end()) return;
  for (int tried : kStyleFallbacks[static_cast<std::size_t>(style)]) {
    if (tried < 0) break;
    const std::string& file = found->second[static_cast<std::size_t>(tried)];
    if (!file.empty() && std::find(out.begin(), out.end(), file) == out.end()) out.push_back(file);
  }
}

std::vector<std::string> TFontFaceMap::CandidateFiles(const std::string& face, bool bold, bool italic) const {
  const int style = (bold ? 1 : 0) + (italic ? 2 : 0);
  std::vector<std::string> out;
  AppendCandidates(Upper(face), style, out);
  AppendCandidates(kDefaultFace, style, out);
  return out;
}

std::string TFontFaceMap::Locate(const std::string& fileName) const {
  for (const std::string& folder : folders_) {
    const std::string path = folder + "/" + fileName;
    if (IsRegularFile(path)) return path;
  }
  for (const std::string& root : roots_) {
    std::string path = SearchBelow(root, fileName);
    if (!path.empty()) return path;
  }
  return {};
}

std::string TFontFaceMap::FindFontFile(const std::string& face, bool bold, bool italic) const {
  for (const std::string& file : CandidateFiles(face, bold, italic)) {
    std::string path = Locate(file);
    if (!path.empty()) return path;
  }
  return {};
}

void TFontFaceMap::SetSearchFolders(std::vector<std::string> folders, std::vector<std::string> roots) {
  folders_ = std::move(folders);
  roots_ = std::move(roots);
}

std::unique_ptr<TFontFace> OpenMappedFace(const TFontFaceMap& map, const std::string& face, bool bold, bool italic,
                                          int32_t cellHeight, TGlyphRendering rendering) {
  // A candidate that is installed but does not open gives way to the next.
  for (const std::string& file : map.CandidateFiles(face, bold, italic)) {
    const std::string path = map.Locate(file);
    if (path.empty()) continue;
    if (auto opened = TFontFace::Open(path, cellHeight, rendering)) return opened;
  }
  return nullptr;
}

}  // namespace platform
