#include "display/visuals/shape_factory.h"

#include <array>
#include <cmath>

#include "app/text_utils.h"

namespace {

struct TCorner {
  float u = 0.0f;
  float v = 0.0f;
};

struct TRectangle {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;
};

using TCorners = std::array<TCorner, 4>;

float Number(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? NarrowToFloat(StringToFloat(fields[index])) : 0.0f;
}

// The rotation text as a number truncated to an integer; texts whose number
// is not finite or lies beyond the int range are no rotation of the four.
int32_t Rotation(const std::string& text) {
  const double value = std::trunc(StringToFloat(text));
  if (!std::isfinite(value) || value < -2147483648.0 || value > 2147483647.0) return -1;
  return static_cast<int32_t>(value);
}

// c0..c3 of the rectangle turned by the rotation; all (0, 0) for another one.
TCorners CornersFor(const TRectangle& r, int32_t rotation) {
  const TCorner tl{r.left, r.top};
  const TCorner tr{r.right, r.top};
  const TCorner bl{r.left, r.bottom};
  const TCorner br{r.right, r.bottom};
  switch (rotation) {
    case 0:
      return {tl, tr, bl, br};
    case 1:
      return {bl, tl, br, tr};
    case 2:
      return {br, bl, tr, tl};
    case 3:
      return {tr, br, tl, bl};
    default:
      return {};
  }
}

// Pixel coordinates on a w by h image; an image without size gives no
// coordinates.
bool PixelRectangle(const std::vector<std::string>& fields, TRectangle& rectangle) {
  const float width = Number(fields, 0);
  const float height = Number(fields, 1);
  if (width == 0.0f || height == 0.0f) return false;
  rectangle = {Number(fields, 2) / width, Number(fields, 3) / height, Number(fields, 4) / width,
               Number(fields, 5) / height};
  return true;
}

void SetCorner(TShape& shape, int32_t index, const TCorner& corner) { shape.SetUV(index, corner.u, corner.v); }

std::unique_ptr<TShape> CopyVertices(std::unique_ptr<TShape> copy, const TShape& shape) {
  copy->SetWidth(shape.GetWidth());
  copy->SetHeight(shape.GetHeight());
  const auto* source = dynamic_cast<const TVertexShape*>(&shape);
  auto* target = dynamic_cast<TVertexShape*>(copy.get());
  if (source != nullptr && target != nullptr) {
    target->CopyVerticesFrom(*source);
    return copy;
  }
  for (int32_t i = 0; i < copy->GetVertexCount(); ++i) {
    copy->SetXY(i, shape.GetX(i), shape.GetY(i));
    copy->SetUV(i, shape.GetU(i), shape.GetV(i));
  }
  return copy;
}

}  // namespace

void ApplyQuadRectangle(TShape& shape, const std::string& rectangle, const std::string& rotation) {
  const std::vector<std::string> fields = SplitString(rectangle, ",");
  TRectangle r;
  if (fields.size() == 4) {
    r = {Number(fields, 0), Number(fields, 1), Number(fields, 2), Number(fields, 3)};
  } else if (fields.size() == 6 || fields.size() == 7) {
    if (!PixelRectangle(fields, r)) return;
  } else {
    return;
  }
  const TCorners c = CornersFor(r, Rotation(rotation));
  const bool transposed = fields.size() == 7;
  SetCorner(shape, 0, c[0]);
  SetCorner(shape, 1, transposed ? c[2] : c[1]);
  SetCorner(shape, 2, transposed ? c[1] : c[2]);
  SetCorner(shape, 3, c[3]);
}

void ApplyMeshRectangle(TShape& shape, const std::string& rectangle, const std::string& rotation) {
  const std::vector<std::string> fields = SplitString(rectangle, ",");
  const TRectangle r{Number(fields, 0), Number(fields, 1), Number(fields, 2), Number(fields, 3)};
  const int32_t turn = Rotation(rotation);
  const TCorners c = CornersFor(r, turn);
  if (turn == 0 || turn == 2) {
    shape.SetUV(0, (c[0].u + c[1].u) * 0.5f, (c[0].v + c[2].v) * 0.5f);
  } else if (turn == 1 || turn == 3) {
    shape.SetUV(0, (c[0].u + c[2].u) * 0.5f, (c[0].v + c[1].v) * 0.5f);
  }
  const std::array<int, 5> order = {0, 1, 3, 2, 0};
  for (std::size_t i = 0; i < order.size(); ++i) {
    SetCorner(shape, static_cast<int32_t>(i + 1), c[static_cast<std::size_t>(order[i])]);
  }
}

std::unique_ptr<TShape> TShapeFactory::CreateShape(const std::string& typeName,
                                                   const std::vector<std::string>& parameters) const {
  const std::string rectangle = parameters.size() > 0 ? parameters[0] : std::string();
  const std::string rotation = parameters.size() > 1 ? parameters[1] : std::string();
  std::unique_ptr<TShape> shape;
  if (typeName == "MeshDD8") {
    shape = std::make_unique<MeshShapeDD8>(device_);
    ApplyMeshRectangle(*shape, rectangle, rotation);
    return shape;
  }
  if (typeName == QuadDD8::kClassName) {
    shape = std::make_unique<QuadDD8>(device_);
  } else if (typeName == Quad2D::kClassName) {
    shape = std::make_unique<Quad2D>();
  } else {
    return nullptr;
  }
  ApplyQuadRectangle(*shape, rectangle, rotation);
  return shape;
}

std::unique_ptr<TShape> TShapeFactory::CloneShape(const TShape& shape) const {
  std::unique_ptr<TShape> copy = CreateEmptyShape(shape.GetClassName());
  return copy != nullptr ? CopyVertices(std::move(copy), shape) : nullptr;
}

std::unique_ptr<TShape> TShapeFactory::CreateEmptyShape(const std::string& className) const {
  if (className == QuadDD8::kClassName) return std::make_unique<QuadDD8>(device_);
  if (className == MeshShapeDD8::kClassName) return std::make_unique<MeshShapeDD8>(device_);
  if (className == Quad2D::kClassName) return std::make_unique<Quad2D>();
  return nullptr;
}

std::unique_ptr<TShape> TShapeFactory::CreateReducedShape(const std::string& className, const TShape& source,
                                                          const std::string& xText, const std::string& yText,
                                                          float scale, float sheetSize) const {
  std::unique_ptr<TShape> shape = CreateEmptyShape(className);
  if (shape == nullptr || scale == 0.0f || sheetSize == 0.0f) return shape;
  const float a = source.GetU(0) / scale;
  const float b = source.GetV(0) / scale;
  const float du = (source.GetU(1) - source.GetU(0)) / scale;
  const float dv = (source.GetV(2) - source.GetV(0)) / scale;
  const float x = NarrowToFloat(StringToFloat(xText)) / sheetSize;
  const float y = NarrowToFloat(StringToFloat(yText)) / sheetSize;
  shape->SetUV(0, a + x, b + y);
  shape->SetUV(1, a + du + x, b + y);
  shape->SetUV(2, a + x, b + dv + y);
  shape->SetUV(3, a + du + x, b + dv + y);
  shape->SetWidth(source.GetWidth() * 0.5f);
  shape->SetHeight(source.GetHeight() * 0.5f);
  return shape;
}
