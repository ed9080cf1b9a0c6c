// Turns a visual's name into a visual. Names stand in definition files (one
// section per visual, one entry per line, fields separated by "|"); each
// definition is built once into a prototype, cached under its name and the
// image shader in force, and every caller gets a clone at its own position.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "display/image/pixel_shader.h"
#include "display/visuals/shape_factory.h"
#include "display/visuals/visual.h"

class TSurface;
class TSurfaceCache;
class TVisualNode;

// A visual's name and a copy of the image shader it was asked with.
class TVisualLibraryKey {
 public:
  TVisualLibraryKey(std::string name, const TPixelShader* shader);
  TVisualLibraryKey(const TVisualLibraryKey& other);
  TVisualLibraryKey& operator=(const TVisualLibraryKey& other);
  TVisualLibraryKey(TVisualLibraryKey&&) noexcept = default;
  TVisualLibraryKey& operator=(TVisualLibraryKey&&) noexcept = default;
  ~TVisualLibraryKey() = default;

  const std::string& GetName() const { return name_; }
  const TPixelShader* GetShader() const { return shader_.get(); }
  // By name; for equal names a key with a shader before one without,
  // shaders by their type names.
  bool operator<(const TVisualLibraryKey& other) const;

 private:
  std::string name_;
  std::unique_ptr<TPixelShader> shader_;
};

// The second surface and shape through which a 2D visual draws a reduced
// copy of its image from a sheet.
struct TReducedCopy {
  TSurface* surface = nullptr;
  std::unique_ptr<TShape> shape;
};

class TVisualLibrary {
 public:
  // Builds the drawable leaf of one entry (its fields, type word first) at
  // the position; the library's helpers give surfaces, shapes and reduced
  // copies.
  using TLeafBuilder = std::function<std::unique_ptr<TVisual>(TVisualLibrary& library,
                                                              const std::vector<std::string>& fields,
                                                              const TVector3& position)>;

  // Entries may nest this deep; deeper definitions are cut off there.
  static constexpr int32_t kMaxNesting = 64;

  // The suffix is the display's config name ("2D.cfg" or "3D.cfg"); files
  // are read from root + "Configs\". Surfaces come from the cache and vertex
  // shapes draw through the device; either may be null.
  TVisualLibrary(std::string suffix, TSurfaceCache* surfaces = nullptr, TVertexDevice* device = nullptr,
                 std::string root = std::string());
  ~TVisualLibrary();
  TVisualLibrary(const TVisualLibrary&) = delete;
  TVisualLibrary& operator=(const TVisualLibrary&) = delete;

  // Replaces the terrain definitions by those of the terrain set.
  void LoadDefinitions(const std::string& terrainSetName);
  // A clone of the prototype of the name ("name" or "name|category") at the
  // position; null when the name has no definition or its definition builds
  // nothing.
  std::unique_ptr<TVisual> BuildVisual(TVector3* position, bool ownsPosition, const std::string& name,
                                       const std::string& category, const TPixelShader* shader);
  // Builds and caches the prototype unless cached; false when the name has
  // no definition.
  bool LoadVisual(const std::string& name, const std::string& category, const TPixelShader* shader);
  // Loads "MapViewData.cfg" when present.
  void ReadConfig();
  // Definitions of a category, or the reduced-copy list, given as text in
  // place of their files (definitions written by the program itself).
  void SetDefinitionText(const std::string& category, const std::string& text);
  void SetMapViewDataText(const std::string& text);
  TShapeFactory& GetShapeFactory() { return shapeFactory_; }
  void ClearCache() { cache_.clear(); }

  // Makes the entries of the type word (one of the fixed list) with the
  // builder. Until a drawable leaf's builder is set its entries stand as
  // null visuals, so that the trees keep their shape.
  void SetLeafBuilder(const std::string& typeWord, TLeafBuilder builder);

  // Helpers of the leaf builders, valid while a definition is built.
  TSurface* LoadSurface(const std::string& fileName);
  const TPixelShader* GetCurrentShader() const { return shader_; }
  // The second surface and shape of a 2D visual whose image has a reduced
  // copy listed in "MapViewData.cfg"; empty when it has none.
  TReducedCopy MakeReducedCopy(const std::string& fileName, const TShape& shape);

  // How many definitions were built into prototypes, and how many
  // prototypes (null ones included) are cached.
  int32_t GetLoadCount() const { return loads_; }
  int32_t GetCacheSize() const { return static_cast<int32_t>(cache_.size()); }
  // The cached prototype, null when not cached or cached as null.
  const TVisual* FindPrototype(const std::string& name, const TPixelShader* shader) const;
  bool IsCached(const std::string& name, const TPixelShader* shader) const;

 private:
  using TBuilder = std::unique_ptr<TVisual> (TVisualLibrary::*)(const std::vector<std::string>& fields,
                                                               const TVector3& position, int32_t depth);
  // A type word and its builder; drawable leaves have none of their own.
  struct TTypeEntry {
    const char* word;
    TBuilder builder;
  };

  std::unique_ptr<TVisual> CreateVisualOfType(const TVector3& position, int32_t depth);
  void BuildChildren(TVisualNode& node, int32_t depth);
  TConfigParser* ParserFor(const std::string& category);
  std::unique_ptr<TConfigParser>* FixedParser(const std::string& category);
  std::unique_ptr<TConfigParser> LoadFile(const std::string& fileName) const;

  std::unique_ptr<TVisual> BuildCompound(const std::vector<std::string>& fields, const TVector3& position,
                                         int32_t depth);
  std::unique_ptr<TVisual> BuildCycle(const std::vector<std::string>& fields, const TVector3& position,
                                      int32_t depth);
  std::unique_ptr<TVisual> BuildSwitch(const std::vector<std::string>& fields, const TVector3& position,
                                       int32_t depth);
  std::unique_ptr<TVisual> BuildStatBar(const std::vector<std::string>& fields, const TVector3& position,
                                        int32_t depth);
  std::unique_ptr<TVisual> BuildBar(const std::vector<std::string>& fields, const TVector3& position,
                                    int32_t depth);
  std::unique_ptr<TVisual> BuildShadow(const std::vector<std::string>& fields, const TVector3& position,
                                       int32_t depth);
  std::unique_ptr<TVisual> BuildNull(const std::vector<std::string>& fields, const TVector3& position,
                                     int32_t depth);
  std::unique_ptr<TVisual> BuildLeaf(const std::string& word, const std::vector<std::string>& fields,
                                     const TVector3& position);

  static const TTypeEntry kTypes[];

  std::unique_ptr<TConfigParser> interfaceDefs_;
  std::unique_ptr<TConfigParser> effectsDefs_;
  std::unique_ptr<TConfigParser> explosionDefs_;
  std::unique_ptr<TConfigParser> terrainDefs_;
  std::map<std::string, std::unique_ptr<TConfigParser>> categoryDefs_;
  std::unique_ptr<TConfigParser> mapViewData_;
  std::size_t cursor_ = 0;
  std::vector<std::string> lines_;
  const TPixelShader* shader_ = nullptr;
  std::map<TVisualLibraryKey, std::unique_ptr<TVisual>> cache_;
  TShapeFactory shapeFactory_;
  std::string suffix_;
  std::string root_;
  TSurfaceCache* surfaces_ = nullptr;
  std::map<std::string, TLeafBuilder> leafBuilders_;
  int32_t loads_ = 0;
};
