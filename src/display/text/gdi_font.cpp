#include "display/text/gdi_font.h"

#include <cmath>

#include "display/current_display.h"
#include "display/display.h"
#include "platform/font_face_map.h"

namespace {

// Glyph surfaces grow no larger than this; every face the game can ask for
// fits well below it.
constexpr int32_t kLargestSurface = 4096;

}  // namespace

TGdiFont::TGdiFont(std::shared_ptr<const platform::TFontFaceMap> faces, TGlyphSurfaceTarget* target)
    : faces_(std::move(faces)), target_(target) {}

TGdiFont::~TGdiFont() = default;

int32_t TGdiFont::SurfaceSizeFor(float size) {
  if (size > 20.0f) return 1024;
  if (size > 10.0f) return 512;
  return 256;
}

bool TGdiFont::Create(const std::string& face, float size, bool bold, bool italic, std::unique_ptr<TColour> colour) {
  colour_ = colour ? *colour : TColour(1.0f, 1.0f, 1.0f, 1.0f);
  TFont::Create(face, size, bold, italic, std::move(colour));
  return BuildGlyphs();
}

bool TGdiFont::BuildGlyphs() {
  surface_.reset();
  boxes_.clear();
  ascent_ = 0.0f;
  fontFile_.clear();
  if (!faces_ || !(GetSize() >= 1.0f)) return false;
  const auto height = static_cast<int32_t>(GetSize());
  const auto face =
      platform::OpenMappedFace(*faces_, GetFace(), IsBold(), IsItalic(), height, platform::TGlyphRendering::kMono);
  if (!face) return false;
  const int32_t side = FitGlyphSquare(*face, SurfaceSizeFor(GetSize()), kLargestSurface);
  if (side == 0) return false;
  auto surface = std::make_unique<TGlyphSurface>();
  surface->width = side;
  surface->height = side;
  boxes_ = LayoutGlyphCells(*face, side);
  surface->ink = RenderGlyphCells(*face, boxes_, side, side);
  for (uint8_t& pixel : surface->ink) pixel = pixel != 0 ? 1 : 0;
  surface->colour = colour_;
  surface->generation = ++generation_;
  surface_ = std::move(surface);
  ascent_ = static_cast<float>(face->GetAscent());
  fontFile_ = face->GetPath();
  return true;
}

TGlyphSurfaceTarget* TGdiFont::Target() const {
  if (target_ != nullptr) return target_;
  return dynamic_cast<TGlyphSurfaceTarget*>(CurrentDisplay());
}

bool TGdiFont::DrawText(float x, float y, float /*z*/, float /*scaleX*/, float /*scaleY*/,
                        const TColour* /*colour*/, const std::string& text) {
  TGlyphSurfaceTarget* target = Target();
  if (!surface_ || target == nullptr) return false;
  // The destination corners are floored, as every rectangle blit of the
  // display does.
  auto left = static_cast<int32_t>(std::floor(x));
  const auto top = static_cast<int32_t>(std::floor(y));
  for (char c : text) {
    const TGlyphRect* box = CellOf(boxes_, c);
    if (box == nullptr) continue;
    target->BlitGlyphs(*surface_, *box, {left, top, left + box->Width(), top + box->Height()});
    left += box->Width();
  }
  return true;
}

float TGdiFont::GetTextWidth(const std::string& text) const { return static_cast<float>(SumCellWidths(boxes_, text)); }

float TGdiFont::GetTextHeight(const std::string& /*text*/) const {
  return boxes_.empty() ? 0.0f : static_cast<float>(boxes_.front().Height());
}

float TGdiFont::GetAscent() const { return ascent_; }

// The boxes stay: text is still measured while the display is reset.
void TGdiFont::ReleaseDevice() { surface_.reset(); }

bool TGdiFont::RestoreDevice() { return BuildGlyphs(); }
