#include "display/text/glyph_sheet_font.h"

#include <vector>

#include "display/current_display.h"
#include "display/display.h"
#include "platform/font_face_map.h"

namespace {

// Direct3D samples texel centres half a pixel in: the quads are moved by
// that half so that each glyph texel lands on one screen pixel.
constexpr float kTexelOffset = 0.5f;

void AppendQuad(std::vector<TVertex>& vertices, float left, float top, float right, float bottom, float z,
                uint32_t colour, const TGlyphTexCoords& uv) {
  const auto vertex = [&](float x, float y, float u, float v) {
    TVertex made;
    made.x = x;
    made.y = y;
    made.z = z;
    made.colour = colour;
    made.u = u;
    made.v = v;
    vertices.push_back(made);
  };
  vertex(left, bottom, uv.left, uv.bottom);
  vertex(left, top, uv.left, uv.top);
  vertex(right, bottom, uv.right, uv.bottom);
  vertex(right, top, uv.right, uv.top);
  vertex(right, bottom, uv.right, uv.bottom);
  vertex(left, top, uv.left, uv.top);
}

}  // namespace

TGlyphSheetFont::TGlyphSheetFont(std::shared_ptr<const platform::TFontFaceMap> faces, TGlyphSheetDevice* device)
    : faces_(std::move(faces)), device_(device) {}

TGlyphSheetFont::~TGlyphSheetFont() = default;

bool TGlyphSheetFont::Create(const std::string& face, float size, bool bold, bool italic,
                             std::unique_ptr<TColour> colour) {
  TFont::Create(face, size, bold, italic, std::move(colour));
  return MakeSheet();
}

bool TGlyphSheetFont::MakeSheet() {
  texture_.reset();
  sheet_.reset();
  if (!faces_ || !(GetSize() >= 1.0f)) return false;
  const uint32_t flags = (IsBold() ? TGlyphSheet::kBold : 0u) | (IsItalic() ? TGlyphSheet::kItalic : 0u);
  auto sheet = std::make_unique<TGlyphSheet>(GetFace(), static_cast<int32_t>(GetSize()), flags);
  const TGlyphSheetDevice* device = Device();
  const int32_t maxWidth = device != nullptr ? device->GetMaxTextureWidth() : kDefaultMaxTextureWidth;
  if (!sheet->Build(*faces_, maxWidth)) return false;
  sheet_ = std::move(sheet);
  return true;
}

TGlyphSheetDevice* TGlyphSheetFont::Device() const {
  if (device_ != nullptr) return device_;
  return dynamic_cast<TGlyphSheetDevice*>(CurrentDisplay());
}

float TGlyphSheetFont::ScreenExtent(float texCoordExtent, int32_t textureSize) const {
  return texCoordExtent * static_cast<float>(textureSize) / sheet_->GetScale();
}

bool TGlyphSheetFont::DrawText(float x, float y, float z, float scaleX, float scaleY, const TColour* colour,
                               const std::string& text) {
  TGlyphSheetDevice* device = Device();
  if (!sheet_ || device == nullptr) return false;
  // The texture is made on first use, so that fonts may be made before the
  // display, and again after a release.
  if (!texture_) texture_ = device->CreateGlyphTexture(*sheet_);
  if (!texture_) return false;
  const uint32_t packed = colour != nullptr ? colour->ToARGB() : 0xFFFFFFFFu;
  std::vector<TVertex> batch;
  batch.reserve(kBatchVertices);
  float left = x - kTexelOffset;
  const float top = y - kTexelOffset;
  for (char c : text) {
    const TGlyphTexCoords* uv = sheet_->CoordsOf(c);
    if (uv == nullptr) continue;
    const float width = ScreenExtent(uv->right - uv->left, sheet_->GetWidth()) * scaleX;
    const float height = ScreenExtent(uv->bottom - uv->top, sheet_->GetHeight()) * scaleY;
    if (batch.size() + 6 > kBatchVertices) {
      device->DrawGlyphTriangles(*texture_, batch.data(), static_cast<uint32_t>(batch.size()));
      batch.clear();
    }
    AppendQuad(batch, left, top, left + width, top + height, z, packed, *uv);
    left += width;
  }
  if (!batch.empty()) device->DrawGlyphTriangles(*texture_, batch.data(), static_cast<uint32_t>(batch.size()));
  return true;
}

float TGlyphSheetFont::GetTextWidth(const std::string& text) const {
  if (!sheet_) return 0.0f;
  float width = 0.0f;
  for (char c : text) {
    if (const TGlyphTexCoords* uv = sheet_->CoordsOf(c)) width += ScreenExtent(uv->right - uv->left, sheet_->GetWidth());
  }
  return static_cast<float>(static_cast<int32_t>(width));
}

float TGlyphSheetFont::GetTextHeight(const std::string& /*text*/) const {
  if (!sheet_) return 0.0f;
  const TGlyphTexCoords* space = sheet_->CoordsOf(' ');
  return static_cast<float>(static_cast<int32_t>(ScreenExtent(space->bottom - space->top, sheet_->GetHeight())));
}

float TGlyphSheetFont::GetAscent() const { return sheet_ ? sheet_->GetAscent() : 0.0f; }

void TGlyphSheetFont::ReleaseDevice() { texture_.reset(); }

bool TGlyphSheetFont::RestoreDevice() { return MakeSheet(); }
