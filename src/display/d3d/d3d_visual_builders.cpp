#include "display/d3d/d3d_visual_builders.h"

#include <memory>
#include <string>
#include <vector>

#include "app/text_utils.h"
#include "display/colour.h"
#include "display/d3d/d3d_view.h"
#include "display/d3d/d3d_world_bar.h"
#include "display/d3d/mesh_visual.h"
#include "display/d3d/sprite_visuals.h"
#include "display/d3d/terrain_sprite.h"
#include "display/visuals/visual_library.h"

namespace {

using TFields = std::vector<std::string>;

std::string Field(const TFields& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

// The "pos" field counts only when the entry has exactly its field count.
TVector3 EntryPosition(const TFields& fields, std::size_t count, const TVector3& given) {
  return fields.size() == count ? ParseVector3(fields[count - 1]) : given;
}

// A shape of the class from the entry's uv and rotation, sized by the entry.
std::unique_ptr<TShape> EntryShape(TVisualLibrary& library, const char* typeName, const TFields& fields,
                                   const std::string& rotation) {
  std::unique_ptr<TShape> shape = library.GetShapeFactory().CreateShape(typeName, {Field(fields, 3), rotation});
  if (shape == nullptr) return nullptr;
  const TVector3 size = ParseVector3(Field(fields, 2));
  shape->SetWidth(size.x);
  shape->SetHeight(size.y);
  return shape;
}

template <typename TSprite>
TVisualLibrary::TLeafBuilder SpriteBuilder(TD3DView& view) {
  return [&view](TVisualLibrary& library, const TFields& fields, const TVector3& position) -> std::unique_ptr<TVisual> {
    const std::unique_ptr<TShape> shape = EntryShape(library, QuadDD8::kClassName, fields, "0");
    if (shape == nullptr) return nullptr;
    TVector3 at = EntryPosition(fields, 6, position);
    return std::make_unique<TSprite>(&at, true, view, library.LoadSurface(Field(fields, 1)), *shape,
                                     ParseVector3(Field(fields, 4)));
  };
}

TVisualLibrary::TLeafBuilder MeshBuilder(TD3DView& view) {
  return [&view](TVisualLibrary& library, const TFields& fields, const TVector3& position) -> std::unique_ptr<TVisual> {
    const std::unique_ptr<TShape> shape = EntryShape(library, "MeshDD8", fields, Field(fields, 4));
    if (shape == nullptr) return nullptr;
    TVector3 at = EntryPosition(fields, 6, position);
    return std::make_unique<TMeshVisual>(&at, true, view, library.LoadSurface(Field(fields, 1)), *shape);
  };
}

TVisualLibrary::TLeafBuilder TerrainSpriteBuilder(TD3DView& view) {
  return [&view](TVisualLibrary& library, const TFields& fields, const TVector3& position) -> std::unique_ptr<TVisual> {
    const std::unique_ptr<TShape> shape = EntryShape(library, QuadDD8::kClassName, fields, "0");
    if (shape == nullptr) return nullptr;
    TVector3 at = EntryPosition(fields, 5, position);
    return std::make_unique<TTerrainSpriteVisual>(&at, true, view, library.LoadSurface(Field(fields, 1)), *shape);
  };
}

TVisualLibrary::TLeafBuilder WorldBarBuilder(TD3DView& view) {
  return [&view](TVisualLibrary& library, const TFields& fields, const TVector3& position) -> std::unique_ptr<TVisual> {
    TVector3 at = EntryPosition(fields, 7, position);
    const TVector3 start = ParseVector3(Field(fields, 1));
    const TVector3 end = ParseVector3(Field(fields, 2));
    const float value = NarrowToFloat(StringToFloat(Field(fields, 3)));
    if (fields.size() < 6) {
      auto colour = std::make_unique<TColour>();
      colour->Parse(Field(fields, 4));
      return std::make_unique<TDD7WorldBar>(&at, true, view, start, end, value, std::move(colour));
    }
    return std::make_unique<TDD7WorldBar>(&at, true, view, start, end, value, library.LoadSurface(Field(fields, 5)));
  };
}

}  // namespace

void RegisterDirect3DVisuals(TVisualLibrary& library, TD3DView& view) {
  library.SetLeafBuilder("Mesh", MeshBuilder(view));
  library.SetLeafBuilder("TerrainSprite", TerrainSpriteBuilder(view));
  library.SetLeafBuilder("DD7WorldBar", WorldBarBuilder(view));
  library.SetLeafBuilder("PolygonSprite", SpriteBuilder<TPolygonSprite>(view));
  library.SetLeafBuilder("PictureVisual", SpriteBuilder<TPictureVisual>(view));
}
