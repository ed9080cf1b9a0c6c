#include "display/visuals/shape.h"

TVertexShape::TVertexShape(TVertexDevice* device, int32_t vertexCount) : device_(device) {
  SetVertexCount(vertexCount);
}

const TVertex* TVertexShape::VertexAt(int32_t index) const {
  if (index < 0 || index >= GetVertexCount()) return nullptr;
  return &vertices_[static_cast<std::size_t>(index)];
}

TVertex* TVertexShape::VertexAt(int32_t index) {
  return const_cast<TVertex*>(static_cast<const TVertexShape*>(this)->VertexAt(index));
}

void TVertexShape::SetXY(int32_t index, float x, float y) {
  if (TVertex* vertex = VertexAt(index)) {
    vertex->x = x;
    vertex->y = y;
    vertex->z = 0.5f;
  }
}

void TVertexShape::SetColour(int32_t index, uint32_t packedColour) {
  if (TVertex* vertex = VertexAt(index)) vertex->colour = packedColour;
}

void TVertexShape::SetUV(int32_t index, float u, float v) {
  if (TVertex* vertex = VertexAt(index)) {
    vertex->u = u;
    vertex->v = v;
  }
}

void TVertexShape::ClearTexture() {
  if (device_ != nullptr) device_->SetNoTexture();
}

float TVertexShape::Read(int32_t index, float TVertex::*member) const {
  const TVertex* vertex = VertexAt(index);
  return vertex != nullptr ? vertex->*member : 0.0f;
}

void TVertexShape::SetVertex(int32_t index, float x, float y, uint32_t colour, float u, float v) {
  SetXY(index, x, y);
  SetColour(index, colour);
  SetUV(index, u, v);
}

void TVertexShape::SetVertexCount(int32_t count) {
  if (count > 0) vertices_.resize(vertices_.size() + static_cast<std::size_t>(count));
}

void TVertexShape::CopyVerticesFrom(const TVertexShape& other) {
  if (other.vertices_.size() == vertices_.size()) vertices_ = other.vertices_;
}

void TVertexShape::DrawAs(TPrimitiveType type, uint32_t primitiveCount) {
  if (device_ == nullptr) return;
  device_->SetVertexFormat(kTransformedVertexFormat);
  device_->DrawPrimitiveUP(type, primitiveCount, vertices_.data(), sizeof(TVertex));
}

void QuadDD8::Draw() { DrawAs(TPrimitiveType::kTriangleStrip, 2); }

void MeshShapeDD8::Draw() { DrawAs(TPrimitiveType::kTriangleFan, 4); }

void Quad2D::SetXY(int32_t index, float x, float y) {
  if (!InRange(index)) return;
  x_[static_cast<std::size_t>(index)] = x;
  y_[static_cast<std::size_t>(index)] = y;
}

void Quad2D::SetUV(int32_t index, float u, float v) {
  if (!InRange(index)) return;
  u_[static_cast<std::size_t>(index)] = u;
  v_[static_cast<std::size_t>(index)] = v;
}
