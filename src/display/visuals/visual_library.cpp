#include "display/visuals/visual_library.h"

#include <utility>

#include "app/files.h"
#include "app/log.h"
#include "app/text_utils.h"
#include "display/colour.h"
#include "display/surface.h"
#include "display/surface_cache.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/visual_node.h"

namespace {

const char* const kMapViewDataFile = "MapViewData.cfg";
const char* const kMapViewDataSection = "MapView Data";
// Sprites of the explosion sheet are kept unreduced on a larger sheet.
const char* const kExplosionSheetImage = "ddexplosion_0.tga";

std::string Field(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

float FloatField(const std::vector<std::string>& fields, std::size_t index) {
  return NarrowToFloat(StringToFloat(Field(fields, index)));
}

std::unique_ptr<TColour> ColourField(const std::vector<std::string>& fields, std::size_t index) {
  auto colour = std::make_unique<TColour>();
  colour->Parse(Field(fields, index));
  return colour;
}

// The "pos" field counts only when the entry has exactly its field count.
TVector3 EntryPosition(const std::vector<std::string>& fields, std::size_t count, const TVector3& given) {
  return fields.size() == count ? ParseVector3(fields[count - 1]) : given;
}

// Names that become parts of file names must be plain names.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos && name.find("..") == std::string::npos;
}

}  // namespace

TVisualLibraryKey::TVisualLibraryKey(std::string name, const TPixelShader* shader)
    : name_(std::move(name)), shader_(ClonePixelShader(shader)) {}

TVisualLibraryKey::TVisualLibraryKey(const TVisualLibraryKey& other)
    : name_(other.name_), shader_(ClonePixelShader(other.shader_.get())) {}

TVisualLibraryKey& TVisualLibraryKey::operator=(const TVisualLibraryKey& other) {
  if (this != &other) {
    name_ = other.name_;
    shader_ = ClonePixelShader(other.shader_.get());
  }
  return *this;
}

bool TVisualLibraryKey::operator<(const TVisualLibraryKey& other) const {
  const int byName = name_.compare(other.name_);
  if (byName != 0) return byName < 0;
  if (shader_ == nullptr) return false;
  if (other.shader_ == nullptr) return true;
  return PixelShaderLess(*shader_, *other.shader_);
}

// Tested in this order as substrings of the type field, so that the longer
// words holding "Bar" come before it.
const TVisualLibrary::TTypeEntry TVisualLibrary::kTypes[] = {
    {"Mesh", nullptr},
    {"TerrainSprite", nullptr},
    {"Compound", &TVisualLibrary::BuildCompound},
    {"Cycle", &TVisualLibrary::BuildCycle},
    {"Switch", &TVisualLibrary::BuildSwitch},
    {"DD7WorldBar", nullptr},
    {"StatBar", &TVisualLibrary::BuildStatBar},
    {"DirectDrawWorldBar", nullptr},
    {"Bar", &TVisualLibrary::BuildBar},
    {"Shadow", &TVisualLibrary::BuildShadow},
    {"PolygonSprite", nullptr},
    {"PictureVisual", nullptr},
    {"DirectDrawSprite", nullptr},
    {"DirectDrawPicture", nullptr},
    {"DirectDrawFloor", nullptr},
    {"DirectDrawTerrain", nullptr},
    {"Null", &TVisualLibrary::BuildNull},
};

TVisualLibrary::TVisualLibrary(std::string suffix, TSurfaceCache* surfaces, TVertexDevice* device, std::string root)
    : shapeFactory_(device), suffix_(std::move(suffix)), root_(std::move(root)), surfaces_(surfaces) {
  interfaceDefs_ = LoadFile("interfaceVisual" + suffix_);
  effectsDefs_ = LoadFile("effectsVisual" + suffix_);
  explosionDefs_ = LoadFile("explosionVisual" + suffix_);
  terrainDefs_ = std::make_unique<TConfigParser>();
}

TVisualLibrary::~TVisualLibrary() = default;

std::unique_ptr<TConfigParser> TVisualLibrary::LoadFile(const std::string& fileName) const {
  auto parser = std::make_unique<TConfigParser>();
  const std::string path = root_ + GetConfigsFolder() + fileName;
  // An unreadable file behaves as an empty one: every name in it is missing.
  if (!parser->LoadFile(path)) WriteLog("Visual definitions: cannot read " + path + "\n");
  return parser;
}

void TVisualLibrary::LoadDefinitions(const std::string& terrainSetName) {
  if (!IsPlainName(terrainSetName)) {
    WriteLog("Visual definitions: terrain set name \"" + terrainSetName + "\" is not a plain name\n");
    terrainDefs_ = std::make_unique<TConfigParser>();
    return;
  }
  terrainDefs_ = LoadFile(terrainSetName + "Visual" + suffix_);
}

std::unique_ptr<TConfigParser>* TVisualLibrary::FixedParser(const std::string& category) {
  if (category == "Interface") return &interfaceDefs_;
  if (category == "Effects") return &effectsDefs_;
  if (category == "Explosion") return &explosionDefs_;
  if (category == "Terrain") return &terrainDefs_;
  return nullptr;
}

void TVisualLibrary::SetDefinitionText(const std::string& category, const std::string& text) {
  std::unique_ptr<TConfigParser>* fixed = FixedParser(category);
  (fixed != nullptr ? *fixed : categoryDefs_[category]) = std::make_unique<TConfigParser>(text);
}

void TVisualLibrary::SetMapViewDataText(const std::string& text) {
  mapViewData_ = std::make_unique<TConfigParser>(text);
  mapViewData_->SelectSection(kMapViewDataSection);
}

TConfigParser* TVisualLibrary::ParserFor(const std::string& category) {
  if (std::unique_ptr<TConfigParser>* fixed = FixedParser(category)) return fixed->get();
  auto found = categoryDefs_.find(category);
  if (found == categoryDefs_.end()) {
    std::unique_ptr<TConfigParser> parser;
    if (IsPlainName(category)) {
      parser = LoadFile(category + suffix_);
    } else {
      WriteLog("Visual definitions: category \"" + category + "\" is not a plain name\n");
      parser = std::make_unique<TConfigParser>();
    }
    found = categoryDefs_.emplace(category, std::move(parser)).first;
  }
  return found->second.get();
}

std::unique_ptr<TVisual> TVisualLibrary::BuildVisual(TVector3* position, bool ownsPosition, const std::string& name,
                                                     const std::string& category, const TPixelShader* shader) {
  const std::vector<std::string> pieces = SplitString(name, "|");
  if (pieces.empty()) return nullptr;
  const std::string& visualName = pieces[0];
  const std::string& visualCategory = pieces.size() == 2 ? pieces[1] : category;
  if (!LoadVisual(visualName, visualCategory, shader)) return nullptr;
  const auto found = cache_.find(TVisualLibraryKey(visualName, shader));
  if (found == cache_.end() || found->second == nullptr) return nullptr;
  return found->second->Clone(position, ownsPosition);
}

bool TVisualLibrary::LoadVisual(const std::string& name, const std::string& category, const TPixelShader* shader) {
  TVisualLibraryKey key(name, shader);
  if (cache_.count(key) != 0) return true;
  if (name == "Null") {
    cache_.emplace(std::move(key), std::make_unique<TNullVisual>(nullptr, true));
    return true;
  }
  TConfigParser* parser = ParserFor(category);
  if (parser == nullptr || !parser->SelectSection(name)) return false;
  shader_ = shader;
  lines_ = SplitString(parser->GetSectionBody(), "\n");
  cursor_ = 0;
  std::unique_ptr<TVisual> prototype = CreateVisualOfType(TVector3(), 0);
  ++loads_;
  if (prototype == nullptr) WriteLog("Visual definitions: \"" + name + "\" builds no visual\n");
  // Lines and shader belong to this build only.
  lines_.clear();
  shader_ = nullptr;
  cache_.emplace(std::move(key), std::move(prototype));
  return true;
}

std::unique_ptr<TVisual> TVisualLibrary::CreateVisualOfType(const TVector3& position, int32_t depth) {
  if (cursor_ >= lines_.size()) return nullptr;
  if (depth > kMaxNesting) {
    WriteLog("Visual definitions: entries nest too deep; the rest of the definition is left out\n");
    cursor_ = lines_.size();
    return nullptr;
  }
  const std::vector<std::string> fields = SplitString(lines_[cursor_], "|");
  const std::string type = Field(fields, 0);
  for (const TTypeEntry& entry : kTypes) {
    if (!ContainsText(type, entry.word)) continue;
    // Every builder starts past its own line.
    ++cursor_;
    if (entry.builder == nullptr) return BuildLeaf(entry.word, fields, position);
    return (this->*entry.builder)(fields, position, depth);
  }
  // An "End" closes a child list; any other unknown line ends every list
  // without being consumed.
  if (ContainsText(type, "End")) ++cursor_;
  return nullptr;
}

void TVisualLibrary::BuildChildren(TVisualNode& node, int32_t depth) {
  std::unique_ptr<TVisual> child = CreateVisualOfType(TVector3(), depth + 1);
  while (child != nullptr) {
    node.AddChild(std::move(child));
    if (cursor_ >= lines_.size()) break;
    child = CreateVisualOfType(TVector3(), depth + 1);
  }
}

std::unique_ptr<TVisual> TVisualLibrary::BuildCompound(const std::vector<std::string>& /*fields*/,
                                                       const TVector3& position, int32_t depth) {
  TVector3 at = position;
  auto node = std::make_unique<TCompoundVisual>(&at, true);
  BuildChildren(*node, depth);
  return node;
}

std::unique_ptr<TVisual> TVisualLibrary::BuildCycle(const std::vector<std::string>& fields, const TVector3& position,
                                                    int32_t depth) {
  TVector3 at = position;
  auto node = std::make_unique<TVisualCycle>(&at, true, FloatField(fields, 1), StringToBool(Field(fields, 2)));
  BuildChildren(*node, depth);
  return node;
}

std::unique_ptr<TVisual> TVisualLibrary::BuildSwitch(const std::vector<std::string>& /*fields*/,
                                                     const TVector3& position, int32_t depth) {
  TVector3 at = position;
  auto node = std::make_unique<TVisualSwitch>(&at, true);
  BuildChildren(*node, depth);
  return node;
}

std::unique_ptr<TVisual> TVisualLibrary::BuildStatBar(const std::vector<std::string>& fields,
                                                      const TVector3& position, int32_t /*depth*/) {
  TVector3 at = EntryPosition(fields, 6, position);
  return std::make_unique<TStatBar>(&at, true, ParseVector3(Field(fields, 1)), ParseVector3(Field(fields, 2)),
                                    ColourField(fields, 3), ColourField(fields, 4));
}

std::unique_ptr<TVisual> TVisualLibrary::BuildBar(const std::vector<std::string>& fields, const TVector3& position,
                                                  int32_t /*depth*/) {
  TVector3 at = EntryPosition(fields, 6, position);
  return std::make_unique<TBarVisual>(&at, true, ParseVector3(Field(fields, 1)), ParseVector3(Field(fields, 2)),
                                      ColourField(fields, 3), StringToBool(Field(fields, 4)));
}

std::unique_ptr<TVisual> TVisualLibrary::BuildShadow(const std::vector<std::string>& /*fields*/,
                                                     const TVector3& position, int32_t depth) {
  // Exactly the next two entries, with no "End": the object, then its shadow.
  std::unique_ptr<TVisual> object = CreateVisualOfType(TVector3(), depth + 1);
  std::unique_ptr<TVisual> shadow = CreateVisualOfType(TVector3(), depth + 1);
  TVector3 at = position;
  return std::make_unique<TShadowVisual>(&at, true, std::move(object), std::move(shadow));
}

std::unique_ptr<TVisual> TVisualLibrary::BuildNull(const std::vector<std::string>& /*fields*/,
                                                   const TVector3& position, int32_t /*depth*/) {
  TVector3 at = position;
  return std::make_unique<TNullVisual>(&at, true);
}

std::unique_ptr<TVisual> TVisualLibrary::BuildLeaf(const std::string& word, const std::vector<std::string>& fields,
                                                   const TVector3& position) {
  const auto found = leafBuilders_.find(word);
  if (found != leafBuilders_.end() && found->second) return found->second(*this, fields, position);
  TVector3 at = position;
  return std::make_unique<TNullVisual>(&at, true);
}

void TVisualLibrary::SetLeafBuilder(const std::string& typeWord, TLeafBuilder builder) {
  leafBuilders_[typeWord] = std::move(builder);
}

TSurface* TVisualLibrary::LoadSurface(const std::string& fileName) {
  if (surfaces_ == nullptr || fileName.empty()) return nullptr;
  return surfaces_->FindOrLoad(TSurfaceKey(fileName, shader_));
}

void TVisualLibrary::ReadConfig() {
  auto parser = std::make_unique<TConfigParser>();
  if (!parser->LoadFile(root_ + GetConfigsFolder() + kMapViewDataFile)) return;
  parser->SelectSection(kMapViewDataSection);
  mapViewData_ = std::move(parser);
}

TReducedCopy TVisualLibrary::MakeReducedCopy(const std::string& fileName, const TShape& shape) {
  if (mapViewData_ == nullptr) ReadConfig();
  if (mapViewData_ == nullptr) return {};
  // The sheet list writes the folder separator as a backslash; a name too
  // short to have one is looked up as it is.
  std::string key = fileName;
  if (key.size() > 3) key[3] = '\\';
  std::string value;
  if (!mapViewData_->GetString(key, value)) return {};
  const std::vector<std::string> parts = SplitString(value, ",");
  if (parts.size() < 3) return {};
  const bool explosion = ContainsText(fileName, kExplosionSheetImage);
  const float scale = explosion ? 1.0f : 2.0f;
  const float sheetSize = explosion ? 512.0f : 256.0f;
  TReducedCopy copy;
  copy.surface = LoadSurface(parts[2]);
  copy.shape = shapeFactory_.CreateReducedShape(shape.GetClassName(), shape, parts[0], parts[1], scale, sheetSize);
  return copy;
}

const TVisual* TVisualLibrary::FindPrototype(const std::string& name, const TPixelShader* shader) const {
  const auto found = cache_.find(TVisualLibraryKey(name, shader));
  return found != cache_.end() ? found->second.get() : nullptr;
}

bool TVisualLibrary::IsCached(const std::string& name, const TPixelShader* shader) const {
  return cache_.count(TVisualLibraryKey(name, shader)) != 0;
}
