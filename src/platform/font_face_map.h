// Which font file draws a face name of the font style files. The game names
// Windows faces ("Arial"); Linux has metric-compatible stand-ins, chosen by a
// small config file of the data set:
//
//   [Arial]
//     Regular = LiberationSans-Regular.ttf
//     Bold = LiberationSans-Bold.ttf
//
// A face the file does not name uses the section "Default". Values are
// plain file names, looked up in the usual font folders first and then
// anywhere below the font roots.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font_face.h"

namespace platform {

class TFontFaceMap {
 public:
  // The map used when the data set has no face map (or an unreadable one).
  TFontFaceMap();

  // Replaces the map with the one of the config text; false (the built-in
  // map then stays) when the text names no face with a usable file.
  bool Parse(std::string_view text);
  // Parse of a whole file; false when it cannot be read.
  bool Load(std::string_view gamePath);

  // The file names that may draw the face, best first: the exact style,
  // then the nearer plain styles, then the same for the default faces.
  std::vector<std::string> CandidateFiles(const std::string& face, bool bold, bool italic) const;
  // The path of the first candidate found below the search folders; empty
  // when none is installed.
  std::string FindFontFile(const std::string& face, bool bold, bool italic) const;

  // The path of an installed font file of that name; empty when none is.
  std::string Locate(const std::string& fileName) const;

  // Folders looked in first, in order, before a search of the roots.
  void SetSearchFolders(std::vector<std::string> folders, std::vector<std::string> roots);

  std::size_t FaceCount() const { return faces_.size(); }

  // Faces above this count in one file are ignored: nothing the game names
  // needs more, and a crafted file should not grow the map without end.
  static constexpr std::size_t kMaxFaces = 256;

 private:
  // File names by style: 0 regular, 1 bold, 2 italic, 3 bold italic.
  using TStyleFiles = std::vector<std::string>;

  void AppendCandidates(const std::string& face, int style, std::vector<std::string>& out) const;

  std::map<std::string, TStyleFiles> faces_;  // by upper-cased face name
  std::vector<std::string> folders_;
  std::vector<std::string> roots_;
};

// True for a name that can stand as one file name in a folder: not empty, no
// separator, not "." or "..", no control characters.
bool IsPlainFileName(std::string_view name);

// Opens the first installed file of the face at the cell height; null when
// none opens.
std::unique_ptr<TFontFace> OpenMappedFace(const TFontFaceMap& map, const std::string& face, bool bold, bool italic,
                                          int32_t cellHeight, TGlyphRendering rendering);

}  // namespace platform
