#include "display/ddraw/direct_draw_visual_builders.h"

#include <memory>
#include <string>
#include <vector>

#include "app/text_utils.h"
#include "display/colour.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/ddraw/direct_draw_visuals.h"
#include "display/visuals/shape.h"
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

// A 2D quad from the entry's uv, unrotated, sized by the entry.
std::unique_ptr<TShape> EntryShape(TVisualLibrary& library, const TFields& fields) {
  std::unique_ptr<TShape> shape = library.GetShapeFactory().CreateShape(Quad2D::kClassName, {Field(fields, 3), "0"});
  if (shape == nullptr) return nullptr;
  const TVector3 size = ParseVector3(Field(fields, 2));
  shape->SetWidth(size.x);
  shape->SetHeight(size.y);
  return shape;
}

TDirectDrawSurface* PictureOf(TSurface* surface) { return dynamic_cast<TDirectDrawSurface*>(surface); }

// The visual's own picture and quad, and the reduced copy the library lists
// for the picture when it wants one.
struct TEntryPicture {
  std::unique_ptr<TShape> shape;
  TReducedCopy reduced;
  TDirectDrawPictureSource source;
};

bool LoadPicture(TVisualLibrary& library, const TFields& fields, bool withReduced, TEntryPicture& picture) {
  picture.shape = EntryShape(library, fields);
  if (picture.shape == nullptr) return false;
  const std::string tex = Field(fields, 1);
  picture.source.surface = PictureOf(library.LoadSurface(tex));
  picture.source.shape = picture.shape.get();
  if (withReduced) {
    picture.reduced = library.MakeReducedCopy(tex, *picture.shape);
    picture.source.reducedSurface = PictureOf(picture.reduced.surface);
    picture.source.reducedShape = picture.reduced.shape.get();
  }
  return true;
}

// Floors and terrain: no anchor of their own.
template <typename TVisualType>
TVisualLibrary::TLeafBuilder FloorBuilder(TDirectDrawView& view, std::size_t positionedCount) {
  return [&view, positionedCount](TVisualLibrary& library, const TFields& fields,
                                  const TVector3& position) -> std::unique_ptr<TVisual> {
    TEntryPicture picture;
    if (!LoadPicture(library, fields, true, picture)) return nullptr;
    TVector3 at = EntryPosition(fields, positionedCount, position);
    return std::make_unique<TVisualType>(&at, true, &view, picture.source);
  };
}

// Sprites and pictures stand on an anchor given as fractions of their size.
template <typename TVisualType>
TVisualLibrary::TLeafBuilder AnchoredBuilder(TDirectDrawView& view, bool withReduced) {
  return [&view, withReduced](TVisualLibrary& library, const TFields& fields,
                              const TVector3& position) -> std::unique_ptr<TVisual> {
    TEntryPicture picture;
    if (!LoadPicture(library, fields, withReduced, picture)) return nullptr;
    TVector3 at = EntryPosition(fields, 6, position);
    return std::make_unique<TVisualType>(&at, true, &view, picture.source, ParseVector3(Field(fields, 4)));
  };
}

TVisualLibrary::TLeafBuilder WorldBarBuilder(TDirectDrawView& view) {
  return [&view](TVisualLibrary& /*library*/, const TFields& fields,
                 const TVector3& position) -> std::unique_ptr<TVisual> {
    TVector3 at = position;
    auto colour = std::make_unique<TColour>();
    colour->Parse(Field(fields, 4));
    return std::make_unique<TDirectDrawWorldBar>(&at, true, &view, ParseVector3(Field(fields, 1)),
                                                 ParseVector3(Field(fields, 2)),
                                                 NarrowToFloat(StringToFloat(Field(fields, 3))), std::move(colour));
  };
}

}  // namespace

void RegisterDirectDrawVisuals(TVisualLibrary& library, TDirectDrawView& view) {
  library.SetLeafBuilder("DirectDrawWorldBar", WorldBarBuilder(view));
  library.SetLeafBuilder("DirectDrawSprite", AnchoredBuilder<TDirectDrawSprite>(view, true));
  library.SetLeafBuilder("DirectDrawPicture", AnchoredBuilder<TDirectDrawPicture>(view, false));
  library.SetLeafBuilder("DirectDrawFloor", FloorBuilder<TDirectDrawFloor>(view, 6));
  library.SetLeafBuilder("DirectDrawTerrain", FloorBuilder<TDirectDrawTerrain>(view, 5));
}
