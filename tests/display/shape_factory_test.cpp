#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/visuals/shape_factory.h"
#include "support/recording_display.h"

namespace {

using UV = std::pair<float, float>;

std::vector<UV> Coordinates(const TShape& shape) {
  std::vector<UV> uv;
  for (int32_t i = 0; i < shape.GetVertexCount(); ++i) uv.emplace_back(shape.GetU(i), shape.GetV(i));
  return uv;
}

struct RectangleCase {
  const char* rectangle;
  const char* rotation;
  std::vector<UV> expected;
};

TEST(ShapeFactory, QuadTextureRectangles) {
  const TShapeFactory factory;
  const RectangleCase cases[] = {
      {"0,0,1,1", "0", {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
      {"0,0,1,1", "1", {{0, 1}, {0, 0}, {1, 1}, {1, 0}}},
      {"0,0,1,1", "2", {{1, 1}, {0, 1}, {1, 0}, {0, 0}}},
      {"0,0,1,1", "3", {{1, 0}, {1, 1}, {0, 0}, {0, 1}}},
      {"0,0,1,1", "1.9", {{0, 1}, {0, 0}, {1, 1}, {1, 0}}},
      {"0,0,1,1", "5", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
      {"0.5, 0.25 ,1,0.75", "0", {{0.5f, 0.25f}, {1, 0.25f}, {0.5f, 0.75f}, {1, 0.75f}}},
      {"64,32,0,0,32,16", "0", {{0, 0}, {0.5f, 0}, {0, 0.5f}, {0.5f, 0.5f}}},
      // A seventh item transposes vertices 1 and 2.
      {"64,32,0,0,32,16,t", "0", {{0, 0}, {0, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}}},
      // Other counts, and images without size, leave the coordinates alone.
      {"0,0,1,1,1", "0", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
      {"", "0", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
      {"0,32,0,0,32,16", "0", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
      {"0,0,1,1", "1e300", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
  };
  for (const char* type : {"QuadDD8", "Quad2D"}) {
    for (const RectangleCase& c : cases) {
      const std::unique_ptr<TShape> shape = factory.CreateShape(type, {c.rectangle, c.rotation});
      ASSERT_NE(shape, nullptr);
      EXPECT_STREQ(shape->GetClassName(), type);
      EXPECT_EQ(Coordinates(*shape), c.expected) << type << " " << c.rectangle << " rot " << c.rotation;
    }
  }
}

TEST(ShapeFactory, MeshFanWithItsCentre) {
  const TShapeFactory factory;
  const RectangleCase cases[] = {
      {"0,0,1,1", "0", {{0.5f, 0.5f}, {0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}},
      {"0,0,1,1", "1", {{0.5f, 0.5f}, {0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1}}},
      {"0,0,0.5,0.25", "2", {{0.25f, 0.125f}, {0.5f, 0.25f}, {0, 0.25f}, {0, 0}, {0.5f, 0}, {0.5f, 0.25f}}},
      // Missing numbers read 0.
      {"0.5", "0", {{0.25f, 0}, {0.5f, 0}, {0, 0}, {0, 0}, {0.5f, 0}, {0.5f, 0}}},
      // Another rotation leaves the centre as it was.
      {"0,0,1,1", "4", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}},
  };
  for (const RectangleCase& c : cases) {
    const std::unique_ptr<TShape> shape = factory.CreateShape("MeshDD8", {c.rectangle, c.rotation});
    ASSERT_NE(shape, nullptr);
    EXPECT_STREQ(shape->GetClassName(), "MeshShapeDD8");
    EXPECT_EQ(Coordinates(*shape), c.expected) << c.rectangle << " rot " << c.rotation;
  }
}

TEST(ShapeFactory, NamesMatchExactly) {
  const TShapeFactory factory;
  for (const char* name : {"quaddd8", "QuadDD8 ", "MeshShapeDD8", "Mesh", "", "Quad2d"}) {
    EXPECT_EQ(factory.CreateShape(name, {"0,0,1,1", "0"}), nullptr) << name;
  }
  EXPECT_NE(factory.CreateShape("QuadDD8", {}), nullptr);
  EXPECT_EQ(factory.CreateEmptyShape("MeshDD8"), nullptr);
  EXPECT_EQ(factory.CreateEmptyShape("Quad"), nullptr);
}

TEST(ShapeFactory, NewShapesHaveTheirDefaultSizesAndVertices) {
  const TShapeFactory factory;
  const std::unique_ptr<TShape> quad = factory.CreateEmptyShape("QuadDD8");
  const std::unique_ptr<TShape> mesh = factory.CreateEmptyShape("MeshShapeDD8");
  const std::unique_ptr<TShape> flat = factory.CreateEmptyShape("Quad2D");
  EXPECT_EQ(quad->GetVertexCount(), 4);
  EXPECT_EQ(mesh->GetVertexCount(), 6);
  EXPECT_EQ(flat->GetVertexCount(), 4);
  EXPECT_FLOAT_EQ(quad->GetWidth(), 64.0f);
  EXPECT_FLOAT_EQ(quad->GetHeight(), 80.0f);
  EXPECT_FLOAT_EQ(flat->GetWidth(), 0.0f);
  EXPECT_FLOAT_EQ(flat->GetHeight(), 0.0f);
  const auto* vertices = dynamic_cast<const TVertexShape*>(mesh.get());
  ASSERT_NE(vertices, nullptr);
  for (const TVertex& vertex : vertices->GetVertices()) {
    EXPECT_FLOAT_EQ(vertex.z, 0.5f);
    EXPECT_FLOAT_EQ(vertex.rhw, 1.0f);
    EXPECT_EQ(vertex.colour, 0xFFFFFFFFu);
  }
}

TEST(ShapeFactory, VertexSettersAndOutOfRangeIndices) {
  QuadDD8 quad(nullptr);
  quad.SetVertex(2, 10.0f, 20.0f, 0x80112233u, 0.25f, 0.75f);
  EXPECT_FLOAT_EQ(quad.GetX(2), 10.0f);
  EXPECT_FLOAT_EQ(quad.GetY(2), 20.0f);
  EXPECT_FLOAT_EQ(quad.GetU(2), 0.25f);
  EXPECT_FLOAT_EQ(quad.GetV(2), 0.75f);
  EXPECT_EQ(quad.GetVertices()[2].colour, 0x80112233u);
  for (int32_t index : {-1, 4, 1000}) {
    quad.SetVertex(index, 1.0f, 1.0f, 0u, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(quad.GetX(index), 0.0f);
    EXPECT_FLOAT_EQ(quad.GetU(index), 0.0f);
  }
  quad.SetVertexCount(2);
  EXPECT_EQ(quad.GetVertexCount(), 6);

  Quad2D flat;
  flat.SetXY(3, 5.0f, 6.0f);
  flat.SetUV(3, 0.5f, 0.25f);
  flat.SetXY(4, 9.0f, 9.0f);
  EXPECT_FLOAT_EQ(flat.GetX(3), 5.0f);
  EXPECT_FLOAT_EQ(flat.GetV(3), 0.25f);
  EXPECT_FLOAT_EQ(flat.GetX(4), 0.0f);
}

TEST(ShapeFactory, ClonesCopySizeAndEveryVertex) {
  const TShapeFactory factory;
  for (const char* type : {"QuadDD8", "MeshDD8", "Quad2D"}) {
    std::unique_ptr<TShape> source = factory.CreateShape(type, {"0.1,0.2,0.3,0.4", "1"});
    source->SetWidth(12.0f);
    source->SetHeight(34.0f);
    source->SetXY(1, 7.0f, 8.0f);
    source->SetColour(1, 0x12345678u);
    const std::unique_ptr<TShape> copy = factory.CloneShape(*source);
    ASSERT_NE(copy, nullptr) << type;
    EXPECT_STREQ(copy->GetClassName(), source->GetClassName());
    EXPECT_FLOAT_EQ(copy->GetWidth(), 12.0f);
    EXPECT_FLOAT_EQ(copy->GetHeight(), 34.0f);
    EXPECT_EQ(Coordinates(*copy), Coordinates(*source)) << type;
    EXPECT_FLOAT_EQ(copy->GetX(1), 7.0f);
    if (const auto* vertices = dynamic_cast<const TVertexShape*>(copy.get())) {
      EXPECT_EQ(vertices->GetVertices()[1].colour, 0x12345678u);
    }
    source->SetUV(0, 0.9f, 0.9f);
    EXPECT_NE(copy->GetU(0), 0.9f);
  }
}

TEST(ShapeFactory, ReducedShapeAddressesTheSheet) {
  const TShapeFactory factory;
  std::unique_ptr<TShape> source = factory.CreateShape("Quad2D", {"0.5,0.25,1,0.75", "0"});
  source->SetWidth(64.0f);
  source->SetHeight(32.0f);
  const std::unique_ptr<TShape> reduced = factory.CreateReducedShape("Quad2D", *source, "128", "64", 2.0f, 256.0f);
  ASSERT_NE(reduced, nullptr);
  // a = 0.25, b = 0.125, du = 0.25, dv = 0.25, x' = 0.5, y' = 0.25.
  const std::vector<UV> expected = {{0.75f, 0.375f}, {1.0f, 0.375f}, {0.75f, 0.625f}, {1.0f, 0.625f}};
  EXPECT_EQ(Coordinates(*reduced), expected);
  EXPECT_FLOAT_EQ(reduced->GetWidth(), 32.0f);
  EXPECT_FLOAT_EQ(reduced->GetHeight(), 16.0f);

  const std::unique_ptr<TShape> explosion = factory.CreateReducedShape("Quad2D", *source, "128", "0", 1.0f, 512.0f);
  EXPECT_FLOAT_EQ(explosion->GetU(0), 0.75f);
  EXPECT_EQ(factory.CreateReducedShape("Nothing", *source, "0", "0", 2.0f, 256.0f), nullptr);
}

TEST(ShapeFactory, VertexShapesDrawThroughTheirDevice) {
  testing_display::RecordingOptions options;
  options.is3D = true;
  testing_display::RecordingDisplay device(options);
  const TShapeFactory factory(&device);
  std::unique_ptr<TShape> quad = factory.CreateShape("QuadDD8", {"0,0,1,1", "0"});
  std::unique_ptr<TShape> mesh = factory.CreateShape("MeshDD8", {"0,0,1,1", "0"});
  std::unique_ptr<TShape> flat = factory.CreateShape("Quad2D", {"0,0,1,1", "0"});
  device.ClearCalls();
  quad->SetXY(3, 64.0f, 80.0f);
  quad->Draw();
  mesh->Draw();
  flat->Draw();
  quad->ClearTexture();
  flat->ClearTexture();
  EXPECT_EQ(device.Operations(), (std::vector<std::string>{"SetVertexFormat", "DrawPrimitiveUP", "SetVertexFormat",
                                                           "DrawPrimitiveUP", "SetNoTexture"}));
  const auto formats = device.CallsOf("SetVertexFormat");
  EXPECT_EQ(formats[0].value, 0x144);
  const auto draws = device.CallsOf("DrawPrimitiveUP");
  EXPECT_EQ(draws[0].text, "strip");
  EXPECT_EQ(draws[0].value, 2);
  EXPECT_FLOAT_EQ(draws[0].position.x, 28.0f);
  ASSERT_EQ(draws[0].vertices.size(), 4u);
  EXPECT_FLOAT_EQ(draws[0].vertices[3].x, 64.0f);
  EXPECT_FLOAT_EQ(draws[0].vertices[3].u, 1.0f);
  EXPECT_EQ(draws[1].text, "fan");
  EXPECT_EQ(draws[1].value, 4);
  EXPECT_EQ(draws[1].vertices.size(), 6u);
  // Clones draw through the same device.
  const std::unique_ptr<TShape> copy = factory.CloneShape(*quad);
  device.ClearCalls();
  copy->Draw();
  EXPECT_EQ(device.CallsOf("DrawPrimitiveUP").size(), 1u);
}

}  // namespace
