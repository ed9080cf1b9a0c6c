// The screen geometry of a drawable visual: a few screen-space vertices with
// colours and texture coordinates. The 3D display draws the vertex shapes
// (a four-vertex strip and a six-vertex fan) through its vertex device; the
// 2D display copies a surface into the rectangle of a flat quad's corners.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "display/vertex_device.h"

class TShape {
 public:
  virtual ~TShape() = default;
  virtual const char* GetClassName() const = 0;
  virtual void Draw() = 0;
  virtual float GetWidth() const = 0;
  virtual float GetHeight() const = 0;
  virtual void SetWidth(float width) = 0;
  virtual void SetHeight(float height) = 0;
  virtual int32_t GetVertexCount() const = 0;
  // Indices outside the vertices are ignored by the setters and read 0.
  virtual void SetXY(int32_t index, float x, float y) = 0;
  virtual void SetColour(int32_t index, uint32_t packedColour) = 0;
  virtual void SetUV(int32_t index, float u, float v) = 0;
  virtual void ClearTexture() = 0;
  virtual float GetX(int32_t index) const = 0;
  virtual float GetY(int32_t index) const = 0;
  virtual float GetU(int32_t index) const = 0;
  virtual float GetV(int32_t index) const = 0;
};

// Pre-transformed vertices drawn by a vertex device (none: drawn nowhere).
class TVertexShape : public TShape {
 public:
  float GetWidth() const override { return width_; }
  float GetHeight() const override { return height_; }
  void SetWidth(float width) override { width_ = width; }
  void SetHeight(float height) override { height_ = height; }
  int32_t GetVertexCount() const override { return static_cast<int32_t>(vertices_.size()); }
  // Also puts the vertex back at depth 0.5.
  void SetXY(int32_t index, float x, float y) override;
  void SetColour(int32_t index, uint32_t packedColour) override;
  void SetUV(int32_t index, float u, float v) override;
  void ClearTexture() override;
  float GetX(int32_t index) const override { return Read(index, &TVertex::x); }
  float GetY(int32_t index) const override { return Read(index, &TVertex::y); }
  float GetU(int32_t index) const override { return Read(index, &TVertex::u); }
  float GetV(int32_t index) const override { return Read(index, &TVertex::v); }

  void SetVertex(int32_t index, float x, float y, uint32_t colour, float u, float v);
  // Appends that many new vertices.
  void SetVertexCount(int32_t count);
  const std::vector<TVertex>& GetVertices() const { return vertices_; }
  // Takes every vertex of another shape of the same vertex count.
  void CopyVerticesFrom(const TVertexShape& other);
  TVertexDevice* GetDevice() const { return device_; }

 protected:
  TVertexShape(TVertexDevice* device, int32_t vertexCount);
  void DrawAs(TPrimitiveType type, uint32_t primitiveCount);
  const TVertex* VertexAt(int32_t index) const;
  TVertex* VertexAt(int32_t index);

 private:
  float Read(int32_t index, float TVertex::*member) const;
  TVertexDevice* device_ = nullptr;
  std::vector<TVertex> vertices_;
  float width_ = 64.0f;
  float height_ = 80.0f;
};

// Four vertices: top-left, top-right, bottom-left, bottom-right, drawn as a
// strip of two triangles.
class QuadDD8 : public TVertexShape {
 public:
  static constexpr const char* kClassName = "QuadDD8";
  explicit QuadDD8(TVertexDevice* device) : TVertexShape(device, 4) {}
  const char* GetClassName() const override { return kClassName; }
  void Draw() override;
};

// Six vertices: the centre, then top-left, top-right, bottom-right,
// bottom-left and top-left again, drawn as a fan of four triangles.
class MeshShapeDD8 : public TVertexShape {
 public:
  static constexpr const char* kClassName = "MeshShapeDD8";
  explicit MeshShapeDD8(TVertexDevice* device) : TVertexShape(device, 6) {}
  const char* GetClassName() const override { return kClassName; }
  void Draw() override;
};

// Four corners in the order of QuadDD8 with no colours; its owner draws it
// through the 2D display's quad copy.
class Quad2D : public TShape {
 public:
  static constexpr const char* kClassName = "Quad2D";
  static constexpr int32_t kVertexCount = 4;

  const char* GetClassName() const override { return kClassName; }
  void Draw() override {}
  float GetWidth() const override { return width_; }
  float GetHeight() const override { return height_; }
  void SetWidth(float width) override { width_ = width; }
  void SetHeight(float height) override { height_ = height; }
  int32_t GetVertexCount() const override { return kVertexCount; }
  void SetXY(int32_t index, float x, float y) override;
  void SetColour(int32_t /*index*/, uint32_t /*packedColour*/) override {}
  void SetUV(int32_t index, float u, float v) override;
  void ClearTexture() override {}
  float GetX(int32_t index) const override { return Read(x_, index); }
  float GetY(int32_t index) const override { return Read(y_, index); }
  float GetU(int32_t index) const override { return Read(u_, index); }
  float GetV(int32_t index) const override { return Read(v_, index); }

 private:
  static bool InRange(int32_t index) { return index >= 0 && index < kVertexCount; }
  static float Read(const std::array<float, kVertexCount>& values, int32_t index) {
    return InRange(index) ? values[static_cast<std::size_t>(index)] : 0.0f;
  }

  float width_ = 0.0f;
  float height_ = 0.0f;
  std::array<float, kVertexCount> x_{};
  std::array<float, kVertexCount> y_{};
  std::array<float, kVertexCount> u_{};
  std::array<float, kVertexCount> v_{};
};
