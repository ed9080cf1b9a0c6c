// Makes shapes by type name from a texture-rectangle text and a rotation
// text, copies them, and makes the shapes that address reduced copies of an
// image on a sheet. One factory belongs to the visual library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "display/visuals/shape.h"

class TShapeFactory {
 public:
  // Vertex shapes draw through the device, which may be null (then they
  // draw nowhere); it must outlive the shapes.
  explicit TShapeFactory(TVertexDevice* device = nullptr) : device_(device) {}

  // "QuadDD8", "MeshDD8" or "Quad2D" (exact bytes) with the parameters
  // [texture rectangle, rotation]; null for any other name.
  std::unique_ptr<TShape> CreateShape(const std::string& typeName, const std::vector<std::string>& parameters) const;
  // Same class, size and vertices; null for an unknown class.
  std::unique_ptr<TShape> CloneShape(const TShape& shape) const;
  // A default shape of the class "QuadDD8", "MeshShapeDD8" or "Quad2D".
  std::unique_ptr<TShape> CreateEmptyShape(const std::string& className) const;
  // A shape of the class whose texture coordinates address the source's
  // image reduced by the scale and placed at (x, y) pixels on a sheet of
  // the given size; half the source's width and height.
  std::unique_ptr<TShape> CreateReducedShape(const std::string& className, const TShape& source,
                                             const std::string& xText, const std::string& yText, float scale,
                                             float sheetSize) const;

 private:
  TVertexDevice* device_ = nullptr;
};

// Applies a texture-rectangle text and a rotation text to a four-vertex
// quad's texture coordinates.
void ApplyQuadRectangle(TShape& shape, const std::string& rectangle, const std::string& rotation);
// The same for the six-vertex mesh fan, with its centre vertex.
void ApplyMeshRectangle(TShape& shape, const std::string& rectangle, const std::string& rotation);
