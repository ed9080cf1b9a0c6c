#include <gtest/gtest.h>

#include <algorithm>

#include "display/d3d/d3d_test_support.h"
#include "display/image/pixel_shader.h"
#include "display/jpeg_test_files.h"
#include "support/temp_folder.h"

namespace {

using d3d_test::SoftwareScene;
using platform::TextureFormat;

const std::vector<uint32_t> k3x2 = {0xFF102030u, 0x80405060u, 0x00708090u,  //
                                    0xFFA0B0C0u, 0xFFD0E0F0u, 0x11223344u};

std::unique_ptr<TD3D8Texture> Load(SoftwareScene& scene, const std::string& file, const TPixelShader* shader = nullptr) {
  std::unique_ptr<TSurface> surface = scene.display->CreateSurface(TSurfaceKey(file, shader));
  return std::unique_ptr<TD3D8Texture>(dynamic_cast<TD3D8Texture*>(surface.release()));
}

TEST(D3DTexture, ATgaLoadsIntoA8R8G8B8TexelsWithItsAlpha) {
  TTempFolder folder;
  SoftwareScene scene;
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 3, 2, k3x2));
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  const platform::RenderTexture& texels = *texture->GetDeviceTexture();
  EXPECT_EQ(texels.Format(), TextureFormat::kA8R8G8B8);
  EXPECT_FALSE(texture->IsCopyTexture());
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(texels.ArgbAt(x, y), k3x2[static_cast<std::size_t>(y * 3 + x)]);
  }
}

TEST(D3DTexture, LowResolutionHalvesTheImage) {
  TTempFolder folder;
  SoftwareScene scene;
  scene.view.highResolution = false;
  const std::vector<uint32_t> pixels = {0xFF000000u, 0xFF040404u, 0xFF080808u, 0xFF0C0C0Cu};
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 2, 2, pixels));
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  EXPECT_EQ(texture->GetWidth(), 1);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(0, 0), 0xFF060606u);
}

TEST(D3DTexture, AFailedCreationIsRetriedAtPowerOfTwoSizes) {
  TTempFolder folder;
  SoftwareScene scene;
  scene.faults->refuseNonPowerOfTwo = true;
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 3, 2, k3x2));
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  EXPECT_EQ(texture->GetWidth(), 4);
  EXPECT_EQ(texture->GetHeight(), 2) << "a texture answers its own height";
  EXPECT_EQ(texture->GetImageWidth(), 3);
  EXPECT_EQ(texture->GetImageHeight(), 2);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(2, 1), k3x2[5]) << "the image sits in the top-left corner";

  scene.faults->failTextureCreations = 2;
  const auto failed = Load(scene, "pic.tga");
  EXPECT_EQ(failed->GetDeviceTexture(), nullptr) << "both tries failed: the texture draws nothing";
  EXPECT_EQ(failed->GetWidth(), 0);
}

TEST(D3DTexture, ALockFailureLeavesNoTexture) {
  TTempFolder folder;
  SoftwareScene scene;
  scene.faults->failLocks = 1;
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 3, 2, k3x2));
  EXPECT_EQ(texture->GetDeviceTexture(), nullptr);
  QuadDD8 quad(scene.display.get());
  texture->Draw(&quad);  // nothing to draw, and no fault
  texture->Bind();
  // A restore loads it again once the device locks.
  texture->Restore(TSurfaceKey("pic.tga", nullptr));
  EXPECT_NE(texture->GetDeviceTexture(), nullptr);
}

TEST(D3DTexture, ImagesLargerThanTheDeviceAllowsAreRefusedBeforeAllocation) {
  TTempFolder folder;
  SoftwareScene scene;
  scene.faults->maxTextureWidth = 2;
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 3, 2, k3x2));
  EXPECT_EQ(texture->GetDeviceTexture(), nullptr);
}

TEST(D3DTexture, MissingFilesAndUnknownExtensionsMakeNoTexture) {
  TTempFolder folder;
  SoftwareScene scene;
  for (const char* name : {"none.tga", "none.png", "none.jpg", "none.bmp", "picture.gif", ""}) {
    const auto texture = Load(scene, name);
    ASSERT_NE(texture, nullptr) << name;
    EXPECT_EQ(texture->GetDeviceTexture(), nullptr) << name;
  }
}

// A 2 x 1 bitmap of 24 bits: red, then blue.
std::vector<uint8_t> TwoPixelBmp() {
  std::vector<uint8_t> bytes(54 + 8, 0);
  const auto put32 = [&bytes](std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 1);
  bytes[26] = 1;
  bytes[28] = 24;
  const uint8_t pixels[6] = {0, 0, 255, 255, 0, 0};  // blue, green, red per pixel
  std::copy(pixels, pixels + 6, bytes.begin() + 54);
  return bytes;
}

TEST(D3DTexture, BitmapsLoadOpaque) {
  TTempFolder folder;
  folder.WriteBytes("pic.bmp", TwoPixelBmp());
  SoftwareScene scene;
  const auto texture = Load(scene, "pic.bmp");
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(0, 0), 0xFFFF0000u);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(1, 0), 0xFF0000FFu);
}

TEST(D3DTexture, TheKeysShaderRecoloursTheTexels) {
  TTempFolder folder;
  SoftwareScene scene;
  const TColourSwapper swapper;
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 3, 2, k3x2), &swapper);
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(0, 0), 0xFF302010u);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(1, 0), 0x80605040u);
}

TEST(D3DTexture, ReleaseDropsTheTexelsAndRestoreLoadsThemAgain) {
  TTempFolder folder;
  SoftwareScene scene;
  const auto texture = Load(scene, d3d_test::WriteTga("pic", 3, 2, k3x2));
  texture->Release();
  EXPECT_EQ(texture->GetDeviceTexture(), nullptr);
  texture->Restore(TSurfaceKey("pic.tga", nullptr));
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  EXPECT_EQ(texture->GetDeviceTexture()->ArgbAt(0, 1), k3x2[3]);
}

TEST(D3DTexture, AJpegBecomesACopyTextureInTheBackBufferFormatClippedAtTheEdges) {
  TTempFolder folder;
  folder.WriteBytes("pic.jpg", jpeg_test::PlainGrey(40, 30).End().Bytes());
  SoftwareScene scene(64, 48);
  const auto texture = Load(scene, "pic.jpg");
  ASSERT_NE(texture->GetDeviceTexture(), nullptr);
  EXPECT_TRUE(texture->IsCopyTexture());
  EXPECT_EQ(texture->GetDeviceTexture()->Format(), scene.display->GetBackBufferFormat());
  EXPECT_EQ(texture->GetDeviceTexture()->Pool(), platform::TexturePool::kSystemMemory);

  // Vertex 0 left of the screen: source column 10 lands in column 0.
  QuadDD8 quad(scene.display.get());
  quad.SetVertex(0, -10.0f, 5.0f, 0xFFFFFFFFu, 0.0f, 0.0f);
  quad.SetVertex(3, 30.0f, 35.0f, 0xFFFFFFFFu, 1.0f, 1.0f);
  scene.display->BeginFrame();
  texture->Draw(&quad);
  EXPECT_EQ(scene.Pixel(0, 5), 0x808080u);
  EXPECT_EQ(scene.Pixel(29, 34), 0x808080u);
  EXPECT_EQ(scene.Pixel(30, 5), 0u);
  EXPECT_EQ(scene.Pixel(0, 4), 0u);
  EXPECT_EQ(scene.Pixel(0, 35), 0u);

  // Past the right and bottom edges: cut there.
  quad.SetVertex(0, 50.0f, 40.0f, 0xFFFFFFFFu, 0.0f, 0.0f);
  texture->Draw(&quad);
  EXPECT_EQ(scene.Pixel(63, 47), 0x808080u);
  EXPECT_EQ(scene.Pixel(49, 47), 0u);
}

}  // namespace
