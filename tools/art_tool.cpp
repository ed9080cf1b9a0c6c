// Draws the game's art set: every image file that the visual definition files
// name, at the size their texture rectangles need.
// Usage: dvx_arttool [--data DATA_FOLDER] [--out OUTPUT_FOLDER] [--only PATH]... [--list] [DEFINITION_FILE]...
// Without definition files it reads every visual definition file of the data
// folder; the output folder defaults to the data folder. --list prints each
// image's path and size instead of drawing. The same input always gives the
// same bytes.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "art/art_set.h"

int main(int argc, char** argv) {
  std::string data = "data";
  std::string out;
  std::vector<std::string> only;
  std::vector<std::string> files;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--data" || arg == "--out" || arg == "--only") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--data") data = value;
      if (arg == "--out") out = value;
      if (arg == "--only") only.push_back(art::TArtCatalogue::NormalisePath(value));
    } else if (arg == "--list") {
      list = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "dvx_arttool: unknown option %s\n", arg.c_str());
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (out.empty()) out = data;
  if (files.empty()) files = art::DefinitionFiles(data);
  art::TArtCatalogue catalogue;
  for (const std::string& file : files) {
    if (!catalogue.AddFile(file)) {
      std::fprintf(stderr, "dvx_arttool: cannot read %s\n", file.c_str());
      return 1;
    }
  }
  int status = 0;
  for (const auto& [path, need] : catalogue.Needs()) {
    if (!only.empty() && std::find(only.begin(), only.end(), path) == only.end()) continue;
    // The 2D art tool makes these from the 3D set (scripts/make-2d-art.sh);
    // only an image asked for by name is drawn here.
    if (only.empty() && art::IsMadeBy2DArtTool(path)) continue;
    for (const std::string& conflict : need.conflicts) {
      std::fprintf(stderr, "dvx_arttool: %s is also addressed as %s\n", path.c_str(), conflict.c_str());
    }
    if (list) {
      std::printf("%s %d %d %zu\n", path.c_str(), need.width, need.height, need.cells.size());
      continue;
    }
    bool known = true;
    if (!art::WriteArt(need, catalogue, out, known)) {
      std::fprintf(stderr, "dvx_arttool: cannot write %s\n", path.c_str());
      status = 1;
    }
    if (!known) std::fprintf(stderr, "dvx_arttool: no painter for %s; drew a placeholder\n", path.c_str());
  }
  return status;
}
