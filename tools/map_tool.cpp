// dvx_maptool: builds a ".map" file from a small text grid with the game's
// own map code, so that the maps of the data set and the test fixtures are
// written exactly as the game writes them, at its version or an older one.
//
//   dvx_maptool [--data FOLDER] [--version TAG] SOURCE OUTPUT
//
// --data names the data folder whose "Configs" hold the terrain-set files
// (default: the current folder); --version the version tag to write
// ("Vorhelm-1-05", "Vorhelm-1-10", "Vorhelm-2-0", "Vorhelm-2-1", ...; default:
// the program's own). The text format is described in tools/maps/README.md.
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/vector3.h"
#include "app/version_info.h"
#include "world/bounding_box.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/terrain_object.h"
#include "world/terrain_type.h"

namespace {

struct TPlacement {
  std::string typeName;
  TVector3 position;
  int line = 0;
};

struct TMapSource {
  std::string terrainSet = "city";
  int32_t width = 0;
  int32_t height = 0;
  uint8_t flag = 1;
  std::map<char, std::vector<std::string>> legend;
  std::vector<std::string> rows;
  int firstRowLine = 0;
  std::vector<TPlacement> placements;
  // Deployment areas per player (the ".ara" file) and vision areas (".vsn").
  std::map<int32_t, std::vector<std::pair<TVector3, TVector3>>> deployAreas;
  std::vector<std::pair<TVector3, TVector3>> visionAreas;
};

struct TOptions {
  std::string dataFolder = ".";
  std::string versionTag = kVersionTag;
  std::string source;
  std::string output;
};

int Fail(const std::string& where, int line, const std::string& message) {
  std::fprintf(stderr, "%s:%d: %s\n", where.c_str(), line, message.c_str());
  return 1;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> SplitTypes(const std::string& text) {
  std::vector<std::string> names;
  std::stringstream parts(text);
  std::string part;
  while (std::getline(parts, part, '+')) {
    part = Trim(part);
    if (!part.empty()) names.push_back(part);
  }
  return names;
}

bool ReadFloat(std::istringstream& in, float& value) { return static_cast<bool>(in >> value); }

// Parses the text; 0 on success, else the exit status after a message.
int ParseSource(const std::string& path, const std::string& text, TMapSource& source) {
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  enum class ESection { Header, Legend, Grid } section = ESection::Header;
  while (std::getline(in, raw)) {
    ++line;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    if (section == ESection::Grid && static_cast<int32_t>(source.rows.size()) < source.height) {
      if (static_cast<int32_t>(raw.size()) != source.width) {
        return Fail(path, line, "grid row has " + std::to_string(raw.size()) + " characters, not " +
                                    std::to_string(source.width));
      }
      source.rows.push_back(raw);
      continue;
    }
    const std::string trimmed = Trim(raw);
    if (trimmed.empty() || trimmed[0] == ';') continue;

    std::istringstream words(trimmed);
    std::string keyword;
    words >> keyword;
    if (keyword == "legend") {
      section = ESection::Legend;
    } else if (keyword == "grid") {
      if (source.width <= 0) return Fail(path, line, "\"size\" must come before the grid");
      section = ESection::Grid;
      source.firstRowLine = line + 1;
    } else if (keyword == "set" && section == ESection::Header) {
      words >> source.terrainSet;
    } else if (keyword == "size" && section == ESection::Header) {
      if (!(words >> source.width >> source.height) || source.width < TMap::kMinSize ||
          source.width > TMap::kMaxSize || source.height < TMap::kMinSize || source.height > TMap::kMaxSize) {
        return Fail(path, line, "size must be two numbers from 1 to 1024");
      }
    } else if (keyword == "flag" && section == ESection::Header) {
      int flag = 0;
      if (!(words >> flag) || flag < 0 || flag > 255) return Fail(path, line, "flag must be a byte value");
      source.flag = static_cast<uint8_t>(flag);
    } else if (keyword == "place" && section != ESection::Legend) {
      TPlacement placement;
      placement.line = line;
      float z = 0.0f;
      if (!(words >> placement.typeName) || !ReadFloat(words, placement.position.x) ||
          !ReadFloat(words, placement.position.y)) {
        return Fail(path, line, "place needs a type name, x and y");
      }
      if (ReadFloat(words, z)) placement.position.z = z;
      source.placements.push_back(placement);
    } else if ((keyword == "deploy" || keyword == "vision") && section != ESection::Legend) {
      int32_t player = 0;
      if (keyword == "deploy" && (!(words >> player) || player < 0 || player > 7)) {
        return Fail(path, line, "deploy needs a player from 0 to 7");
      }
      TVector3 a;
      TVector3 b;
      if (!ReadFloat(words, a.x) || !ReadFloat(words, a.y) || !ReadFloat(words, b.x) || !ReadFloat(words, b.y)) {
        return Fail(path, line, keyword + " needs two corners: x1 y1 x2 y2");
      }
      (keyword == "deploy" ? source.deployAreas[player] : source.visionAreas).emplace_back(a, b);
    } else if (section == ESection::Legend) {
      const char key = trimmed[0];
      const std::string rest = Trim(trimmed.substr(1));
      if (rest.empty() || rest[0] != '=') {
        return Fail(path, line, "legend lines read \"<character> = Type [+ Type ...]\"");
      }
      if (source.legend.count(key) != 0) return Fail(path, line, std::string("character '") + key + "' given twice");
      source.legend[key] = SplitTypes(rest.substr(1));
      if (source.legend[key].empty()) return Fail(path, line, "a legend entry names at least one type");
    } else {
      return Fail(path, line, "unknown line \"" + trimmed + "\"");
    }
  }
  if (source.width <= 0) return Fail(path, line, "no \"size\" line");
  if (static_cast<int32_t>(source.rows.size()) != source.height) {
    return Fail(path, line, "the grid has " + std::to_string(source.rows.size()) + " rows, not " +
                                std::to_string(source.height));
  }
  return 0;
}

// Ground and objects stand on the cell's centre, walls on its corner toward
// +x and +y, which the map indexes in the four cells around it.
TVector3 CellPosition(const TTerrainType& type, int32_t column, int32_t row) {
  const float offset = type.IsWall() ? 0.5f : 0.0f;
  return TVector3(static_cast<float>(column) + offset, static_cast<float>(row) + offset, 0.0f);
}

int AddObject(TMap& map, const TGameData& gameData, const std::string& typeName, const TVector3& position,
              const std::string& where, int line) {
  std::unique_ptr<TTerrainObject> object = CreateTerrainObject(typeName, gameData, position, 0.0f);
  if (object == nullptr) return Fail(where, line, "terrain type \"" + typeName + "\" is not in the terrain set");
  map.Add(std::move(object));
  return 0;
}

int BuildMap(const std::string& path, const TMapSource& source, const TGameData& gameData, TMap& map) {
  map.SetTerrainSet(source.terrainSet);
  map.SetMapFlag(source.flag);
  for (int32_t row = 0; row < source.height; ++row) {
    for (int32_t column = 0; column < source.width; ++column) {
      const char key = source.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
      const auto entry = source.legend.find(key);
      const int line = source.firstRowLine + row;
      if (entry == source.legend.end()) return Fail(path, line, std::string("character '") + key + "' has no legend");
      for (const std::string& typeName : entry->second) {
        const TTerrainType* type = gameData.FindTerrainType(typeName);
        if (type == nullptr) return Fail(path, line, "terrain type \"" + typeName + "\" is not in the terrain set");
        if (int status = AddObject(map, gameData, typeName, CellPosition(*type, column, row), path, line)) {
          return status;
        }
      }
    }
  }
  for (const TPlacement& placement : source.placements) {
    if (int status = AddObject(map, gameData, placement.typeName, placement.position, path, placement.line)) {
      return status;
    }
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr, "usage: dvx_maptool [--data FOLDER] [--version TAG] SOURCE OUTPUT\n");
  return 2;
}

bool ParseOptions(int argc, char** argv, TOptions& options) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--data" || argument == "--version") && i + 1 < argc) {
      (argument == "--data" ? options.dataFolder : options.versionTag) = argv[++i];
    } else if (argument.rfind("--", 0) == 0) {
      return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.size() != 2) return false;
  options.source = positional[0];
  options.output = positional[1];
  return true;
}

std::string Beside(const std::string& output, const std::string& extension) {
  const std::size_t dot = output.rfind('.');
  const std::size_t slash = output.find_last_of("/\\");
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? output.substr(0, dot) : output) + extension;
}

TAreaList MakeAreas(const std::vector<std::pair<TVector3, TVector3>>& boxes) {
  TAreaList list;
  for (const auto& [a, b] : boxes) list.Add(std::make_unique<TBoundingBox>(a, b));
  return list;
}

// The map's ".ara" file: a count, then one area list per player (at least
// two); and its ".vsn" file when the source names vision areas.
bool WriteAreaFiles(const TOptions& options, const TMapSource& source) {
  if (!source.deployAreas.empty()) {
    const int32_t count = std::max<int32_t>(2, source.deployAreas.rbegin()->first + 1);
    TDataStream stream(options.versionTag);
    stream.WriteInt(static_cast<uint32_t>(count));
    for (int32_t player = 0; player < count; ++player) {
      const auto found = source.deployAreas.find(player);
      MakeAreas(found == source.deployAreas.end() ? std::vector<std::pair<TVector3, TVector3>>() : found->second)
          .Save(stream);
    }
    if (!stream.SaveToFile(Beside(options.output, ".ara"))) return false;
  }
  if (!source.visionAreas.empty()) {
    TDataStream stream(options.versionTag);
    MakeAreas(source.visionAreas).Save(stream);
    if (!stream.SaveToFile(Beside(options.output, ".vsn"))) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseOptions(argc, argv, options)) return Usage();

  TTextBuffer text;
  if (!text.Load(options.source)) {
    std::fprintf(stderr, "%s: cannot be read\n", options.source.c_str());
    return 1;
  }
  TMapSource source;
  if (int status = ParseSource(options.source, text.Text(), source)) return status;

  const std::string setPath = options.dataFolder + "/Configs/" + source.terrainSet + "Data.cfg";
  TTextBuffer setText;
  if (!setText.Load(setPath)) {
    std::fprintf(stderr, "%s: cannot be read\n", setPath.c_str());
    return 1;
  }
  TGameData gameData("", source.terrainSet, setText.Text());
  if (!gameData.HasTerrain()) {
    std::fprintf(stderr, "%s: holds no terrain types\n", setPath.c_str());
    return 1;
  }

  TMap map(source.width, source.height);
  if (int status = BuildMap(options.source, source, gameData, map)) return status;
  if (!SaveMapFile(options.output, map, options.versionTag)) {
    std::fprintf(stderr, "%s: cannot be written at version %s\n", options.output.c_str(),
                 options.versionTag.c_str());
    return 1;
  }

  // What was written must read back whole, or the file is of no use.
  TMap check(1, 1);
  if (!LoadMapFile(options.output, gameData, check) || check.Count() != map.Count()) {
    std::fprintf(stderr, "%s: does not read back\n", options.output.c_str());
    return 1;
  }
  if (!WriteAreaFiles(options, source)) {
    std::fprintf(stderr, "%s: the area files cannot be written\n", options.output.c_str());
    return 1;
  }
  std::printf("%s: %d x %d, %d objects, %s\n", options.output.c_str(), map.GetWidth(), map.GetHeight(),
              map.Count(), options.versionTag.c_str());
  return 0;
}
