#include "display/arttools/art_generator.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/files.h"
#include "display/arttools/art_run.h"
#include "display/arttools/art_tool_command.h"
#include "display/arttools/map_view_packing.h"
#include "display/image/tga_image.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct TRgb {
  uint8_t r, g, b;
  bool operator==(const TRgb& other) const { return r == other.r && g == other.g && b == other.b; }
};

const TRgb kKey{0, 0, 255};

// A texture colour that tells every pixel of a 256 x 256 image apart.
TRgb TextureColour(uint32_t x, uint32_t y) {
  return TRgb{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>((x * 7 + y * 3) & 0x7F)};
}

void WriteBmp(const fs::path& path, uint32_t side, TRgb (*colour)(uint32_t, uint32_t)) {
  const uint32_t rowBytes = side * 3;
  std::vector<uint8_t> bytes(54 + rowBytes * side, 0);
  auto put32 = [&](std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, rowBytes * side);
  for (uint32_t y = 0; y < side; ++y) {
    uint8_t* row = &bytes[54 + (side - 1 - y) * rowBytes];
    for (uint32_t x = 0; x < side; ++x) {
      const TRgb c = colour(x, y);
      row[x * 3] = c.b;
      row[x * 3 + 1] = c.g;
      row[x * 3 + 2] = c.r;
    }
  }
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void WritePng(const fs::path& path, uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba) {
  fs::create_directories(path.parent_path());
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  ASSERT_NE(png_image_write_to_file(&image, path.string().c_str(), 0, rgba.data(), 0, nullptr), 0);
}

// A TGA of the given bits per pixel, every pixel zero but the ones set.
struct TPixelSet {
  uint32_t x, y;
  std::vector<uint8_t> bytes;
};
void WriteTga(const fs::path& stem, uint32_t side, uint32_t bits, const std::vector<TPixelSet>& pixels) {
  fs::create_directories(stem.parent_path());
  TTgaImage image;
  image.Create(side, side, bits);
  for (const TPixelSet& p : pixels) {
    for (uint32_t c = 0; c < p.bytes.size(); ++c) image.SetChannel(p.x, p.y, c, p.bytes[c]);
  }
  image.PrepareForSave();
  ASSERT_TRUE(image.Save(stem.string()));
}

TRgb SheetPixel(const TTgaImage& sheet, uint32_t x, uint32_t y) {
  return TRgb{sheet.GetChannel(x, y, 0), sheet.GetChannel(x, y, 1), sheet.GetChannel(x, y, 2)};
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<uint8_t> PngPattern(uint32_t width, uint32_t height) {
  std::vector<uint8_t> rgba(width * height * 4);
  for (uint32_t i = 0; i < width * height; ++i) {
    rgba[i * 4] = static_cast<uint8_t>(i);
    rgba[i * 4 + 1] = static_cast<uint8_t>(i * 3);
    rgba[i * 4 + 2] = static_cast<uint8_t>(i * 5);
    rgba[i * 4 + 3] = static_cast<uint8_t>(255 - i);
  }
  return rgba;
}

// The fixture data set in "data/" of a temporary folder, with its images.
class ArtGeneratorSet : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(fs::path(DVX_TEST_FIXTURES) / "arttools", folder_.Path("data"), fs::copy_options::recursive);
    WriteBmp(Data("Art/Grass.bmp"), 256, TextureColour);
    std::vector<uint8_t> sand(256 * 256 * 4, 0);
    for (uint32_t i = 0; i < 256 * 256; ++i) {
      const TRgb c = TextureColour(i % 256, i / 256);
      sand[i * 4] = c.r;
      sand[i * 4 + 1] = c.g;
      sand[i * 4 + 2] = c.b;
      sand[i * 4 + 3] = 255;
    }
    // Pure white in a PNG texture stays the key colour.
    std::memset(&sand[0], 255, 4);
    WritePng(Data("Art/Sand.png"), 256, 256, sand);
    for (int n = 0; n < 3; ++n) WritePng(Data("Art/Effects_" + std::to_string(n) + ".png"), 8, 6, PngPattern(8, 6));
    WriteMapViewImages();
  }

  void WriteMapViewImages() {
    // A: one mixed block at (0, 0) and one block of the key at (2, 0).
    WriteTga(Data("Art/A"), 256, 24,
             {{0, 0, {10, 20, 30}}, {1, 0, {10, 20, 255}}, {0, 1, {14, 24, 255}}, {1, 1, {10, 20, 30}},
              {2, 0, {0, 0, 255}}, {3, 0, {0, 0, 255}}, {2, 1, {0, 0, 255}}, {3, 1, {0, 0, 255}}});
    WriteTga(Data("Art/B"), 256, 24, {});
    std::vector<uint8_t> c(256 * 256 * 4, 0);
    auto set = [&](uint32_t x, uint32_t y, std::vector<uint8_t> v) { std::memcpy(&c[(y * 256 + x) * 4], v.data(), 4); };
    for (uint32_t i = 0; i < 256 * 256; ++i) c[i * 4 + 3] = 255;
    set(0, 0, {100, 50, 0, 255});
    set(1, 0, {104, 54, 4, 255});
    set(0, 1, {100, 50, 0, 255});
    set(1, 1, {100, 50, 0, 255});
    for (uint32_t x : {2u, 3u}) {
      for (uint32_t y : {0u, 1u}) set(x, y, {9, 9, 9, 40});
    }
    WritePng(Data("Art/C.png"), 256, 256, c);
    WritePng(Data("Art/D.png"), 256, 256, c);
    WritePng(Data("Art/E.png"), 256, 256, c);
  }

  fs::path Data(const std::string& name) const { return folder_.Path("data") / name; }

  bool Run(TArtRun& run) {
    TArtGenerator generator(run);
    return generator.GenerateArt();
  }

  TTempFolder folder_;
};

TEST_F(ArtGeneratorSet, TurnsTheDefinitionsInto2DDefinitions) {
  TArtRun run("data");
  EXPECT_TRUE(Run(run)) << (run.Problems().empty() ? "" : run.Problems().front());
  EXPECT_EQ(ReadText(Data("Configs/groundVisual2D.cfg")),
            "# Ground visuals of the test set\n"
            "[Grass]\n"
            "  DirectDrawFloor | Art\\Grass_2D_3.tga | 64,32 |0.250 ,0.250 ,0.500 ,0.375\n"
            "DirectDrawFloor | Art\\Grass.bmp | 64,64 | 0.25,0.375,0.375,0.5 | 1 | 0,0,0\n"
            "[Sand]\n"
            "  DirectDrawFloor | Art/Sand_2D_0.tga | 64,32 |0.000 ,0.000 ,0.250 ,0.125\n"
            "DirectDrawFloor | Art/Sand.png | 64,64 | 0,0,0.125,0.125 | 0 | 0,0,0\n"
            "[Explosion]\n"
            "Compound\n"
            "  DirectDrawSprite | Art/Effects_0.tga | 16, 16 | 16, 12, 8, 4, 24, 20 | 0.5,0.5\n"
            "End\n"
            "[Wall]\n"
            "DirectDrawTerrain | Art/Wall2D.tga | 64,96 | 0,0,1,1 | 0,0,0\n");
  // The 3D file itself is left as it was.
  EXPECT_EQ(ReadText(Data("Configs/groundVisual3D.cfg")),
            ReadText(fs::path(DVX_TEST_FIXTURES) / "arttools/Configs/groundVisual3D.cfg"));
}

TEST_F(ArtGeneratorSet, CutsFloorTexturesIntoTileSheets) {
  TArtRun run("data");
  ASSERT_TRUE(Run(run));
  for (int n = 0; n < 8; ++n) EXPECT_TRUE(fs::exists(Data("Art/Grass_2D_" + std::to_string(n) + ".tga"))) << n;
  TTgaImage sheet;
  ASSERT_TRUE(sheet.Load(Data("Art/Grass_2D_3.tga").string()));
  ASSERT_EQ(sheet.GetBytesPerPixel(), 3u);
  ASSERT_EQ(sheet.GetWidth(), 256u);
  // Cell 26 (column 2, row 3) is tile row 2 of sheet 3; orientation 1 sits at x = 64.
  const uint32_t cx = 64, cy = 96, left = 64, top = 64;
  struct TCase {
    uint32_t tileX, tileY, cellI, cellJ;
  };
  // Orientation 1 takes cell pixel (k, 31 - r) for step (r, k).
  const TCase cases[] = {{31, 1, 0, 31}, {63, 16, 0, 0}, {0, 16, 31, 31}, {32, 31, 31, 0}};
  for (const TCase& c : cases) {
    EXPECT_EQ(SheetPixel(sheet, left + c.tileX, top + c.tileY), TextureColour(cx + c.cellI, cy + c.cellJ))
        << c.tileX << "," << c.tileY;
  }
  EXPECT_EQ(SheetPixel(sheet, left, top), kKey);
  EXPECT_EQ(SheetPixel(sheet, left + 63, top + 31), kKey);

  // In a PNG texture pure white is not copied; a BMP is copied whole.
  TTgaImage sand;
  ASSERT_TRUE(sand.Load(Data("Art/Sand_2D_0.tga").string()));
  EXPECT_EQ(SheetPixel(sand, 31, 1), kKey);
  EXPECT_EQ(SheetPixel(sand, 63, 16), TextureColour(31, 0));
}

TEST(FloorTiles, EveryCellPixelLandsOnItsOwnTilePixel) {
  std::set<std::pair<uint32_t, uint32_t>> reached;
  for (uint32_t r = 0; r < 32; ++r) {
    for (uint32_t k = 0; k < 32; ++k) {
      uint32_t x = 0, y = 0;
      floor_tiles::TilePixel(r, k, x, y);
      EXPECT_LT(x, 64u);
      EXPECT_LT(y, 32u);
      reached.insert({x, y});
    }
  }
  EXPECT_EQ(reached.size(), 1024u);
  // Each orientation is a quarter turn of the one before.
  for (uint32_t o = 0; o < 4; ++o) {
    std::set<std::pair<uint32_t, uint32_t>> cell;
    for (uint32_t r = 0; r < 32; ++r) {
      for (uint32_t k = 0; k < 32; ++k) {
        uint32_t i = 0, j = 0;
        floor_tiles::CellPixel(o, r, k, i, j);
        cell.insert({i, j});
      }
    }
    EXPECT_EQ(cell.size(), 1024u) << o;
  }
  uint32_t i = 0, j = 0;
  floor_tiles::CellPixel(3, 5, 7, i, j);
  EXPECT_EQ(i, 24u);
  EXPECT_EQ(j, 5u);
}

TEST_F(ArtGeneratorSet, DoublesTheEffectImages) {
  TArtRun run("data");
  ASSERT_TRUE(Run(run));
  const std::vector<uint8_t> source = PngPattern(8, 6);
  TTgaImage doubled;
  ASSERT_TRUE(doubled.Load(Data("Art/Effects_2.tga").string()));
  ASSERT_EQ(doubled.GetWidth(), 16u);
  ASSERT_EQ(doubled.GetHeight(), 12u);
  ASSERT_EQ(doubled.GetBytesPerPixel(), 4u);
  for (uint32_t y = 0; y < 12; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      for (uint32_t c = 0; c < 4; ++c) {
        ASSERT_EQ(doubled.GetChannel(x, y, c), source[((y / 2) * 8 + x / 2) * 4 + c]) << x << "," << y << "," << c;
      }
    }
  }
}

// An explosion drawn from pictures mentions "Effects" only in its paths: it
// has no sprite to readdress, so the effect images are neither needed nor read.
TEST_F(ArtGeneratorSet, AnExplosionWithoutPolygonSpritesIsLeftToTheTypeConversion) {
  fs::remove(Data("Configs/groundVisual3D.cfg"));
  for (int n = 0; n < 3; ++n) fs::remove(Data("Art/Effects_" + std::to_string(n) + ".png"));
  {
    std::ofstream out(Data("Configs/effectsVisual3D.cfg"), std::ios::binary);
    out << "[Explosion]\n"
           "Cycle | 12.0 | YES\n"
           "PictureVisual | Art\\Effects\\Explosion.tga | 64, 64 | 512, 64, 0, 0, 64, 64 | 0.5, 0.5\n"
           "End\n";
  }
  TArtRun run("data");
  EXPECT_TRUE(Run(run)) << (run.Problems().empty() ? "" : run.Problems().front());
  EXPECT_EQ(ReadText(Data("Configs/effectsVisual2D.cfg")),
            "[Explosion]\n"
            "Cycle | 12.0 | YES\n"
            "DirectDrawPicture | Art\\Effects\\Explosion.tga | 64, 64 | 512, 64, 0, 0, 64, 64 | 0.5, 0.5\n"
            "End\n");
  for (int n = 0; n < 3; ++n) EXPECT_FALSE(fs::exists(Data("Art/Effects_" + std::to_string(n) + ".tga"))) << n;
}

TEST_F(ArtGeneratorSet, PacksTheMapViewImagesAtHalfSize) {
  TArtRun run("data");
  ASSERT_TRUE(Run(run));
  TConfigParser index;
  ASSERT_TRUE(index.LoadFile(Data("Configs/MapViewData.cfg").string()));
  ASSERT_TRUE(index.SelectSection("MapView Data"));
  const std::pair<const char*, const char*> expected[] = {{"Art\\A.tga", "0,0,Art/mapView0.tga"},
                                                          {"Art\\B.tga", "128,0,Art/mapView0.tga"},
                                                          {"Art\\C.png", "0,128,Art/mapView0.tga"},
                                                          {"Art\\D.png", "128,128,Art/mapView0.tga"},
                                                          {"Art\\E.png", "0,0,Art/mapView1.tga"}};
  for (const auto& [key, value] : expected) {
    std::string found;
    EXPECT_TRUE(index.GetString(key, found)) << key;
    EXPECT_EQ(found, value) << key;
  }
  TTgaImage sheet;
  ASSERT_TRUE(sheet.Load(Data("Art/mapView0.tga").string()));
  ASSERT_EQ(sheet.GetBytesPerPixel(), 3u);
  // A full third byte counts as nothing in a 3-byte image's mean.
  EXPECT_EQ(SheetPixel(sheet, 0, 0), (TRgb{11, 21, 15}));
  EXPECT_EQ(SheetPixel(sheet, 1, 0), kKey);
  EXPECT_EQ(SheetPixel(sheet, 2, 0), (TRgb{0, 0, 0}));
  EXPECT_EQ(SheetPixel(sheet, 0, 128), (TRgb{101, 51, 1}));
  EXPECT_EQ(SheetPixel(sheet, 1, 128), kKey);
  TTgaImage second;
  ASSERT_TRUE(second.Load(Data("Art/mapView1.tga").string()));
  EXPECT_EQ(SheetPixel(second, 0, 0), (TRgb{101, 51, 1}));
  EXPECT_EQ(SheetPixel(second, 200, 200), kKey);
  EXPECT_FALSE(fs::exists(Data("Art/mapView2.tga")));
}

TEST(MapViewPacking, RowsAndSheetsFollowTheImageBefore) {
  struct TCase {
    uint32_t half;
    std::vector<std::array<uint32_t, 4>> placements;  // x, y, sheet, new sheet
  };
  const TCase cases[] = {
      // Images ending exactly at 256 still fit.
      {128, {{0, 0, 0, 0}, {128, 0, 0, 0}, {0, 128, 0, 0}, {128, 128, 0, 0}, {0, 0, 1, 1}}},
      {100, {{0, 0, 0, 0}, {100, 0, 0, 0}, {0, 100, 0, 0}, {100, 100, 0, 0}, {0, 0, 1, 1}, {100, 0, 1, 0}}},
  };
  for (const TCase& c : cases) {
    map_view_packing::TPacker packer;
    for (const auto& want : c.placements) {
      const map_view_packing::TPlacement at = packer.Place(c.half, c.half);
      EXPECT_EQ((std::array<uint32_t, 4>{at.x, at.y, at.sheet, at.newSheet ? 1u : 0u}), want) << c.half;
    }
  }
}

TEST(ArtRunNames, OnlyNamesInsideTheDataFolderAreAdmitted) {
  const std::pair<const char*, bool> cases[] = {
      {"Art\\Grass.png", true},  {"Art/Sub/Grass.png", true}, {"Grass..png", true},
      {"", false},               {"../Grass.png", false},     {"Art\\..\\..\\Grass.png", false},
      {"..", false},             {"/tmp/Grass.png", false},   {"\\Grass.png", false},
      {"C:\\Grass.png", false},  {"Art/\nGrass.png", false},
  };
  for (const auto& [name, admitted] : cases) EXPECT_EQ(TArtRun::IsDataRelativeName(name), admitted) << name;
}

TEST_F(ArtGeneratorSet, RefusesNamesOutsideTheDataFolder) {
  folder_.Write("data/Configs/badVisual3D.cfg",
                "# Names that lead away\n[Up]\n  Mesh | ../Grass.bmp | 64,64 | 0,0,1,1 | 0 | 0,0,0\n"
                "[Abs]\n  Mesh | " + folder_.Path("Grass.bmp").string() + " | 64,64 | 0,0,1,1 | 0 | 0,0,0\n");
  WriteBmp(folder_.Path("Grass.bmp"), 256, TextureColour);
  folder_.Write("data/Configs/MapView.cfg", "# list\n[MapView Data]\n  ..\\Out.tga = 1\n");
  std::ostringstream echo;
  TArtRun run("data", &echo);
  EXPECT_FALSE(Run(run));
  int refused = 0;
  for (const std::string& problem : run.Problems()) refused += problem.find("Refused") != std::string::npos;
  EXPECT_EQ(refused, 3);
  EXPECT_NE(echo.str().find("Refused the name \"../Grass.bmp\""), std::string::npos);
  EXPECT_FALSE(fs::exists(folder_.Path("Grass_2D_0.tga")));
  // The refused lines stay as they were; everything else is still made.
  EXPECT_NE(ReadText(Data("Configs/badVisual2D.cfg")).find("DirectDrawFloor | ../Grass.bmp"), std::string::npos);
  EXPECT_TRUE(fs::exists(Data("Configs/groundVisual2D.cfg")));
}

TEST_F(ArtGeneratorSet, ReportsFilesItCouldNotRead) {
  fs::remove(Data("Art/Sand.png"));
  fs::remove(Data("Art/Effects_1.png"));
  fs::remove(Data("Art/B.tga"));
  TArtRun run("data");
  EXPECT_FALSE(Run(run));
  const std::vector<std::string> wanted = {"Art/Sand.png", "Art/Effects_1.png", "Art\\B.tga"};
  for (const std::string& name : wanted) {
    bool named = false;
    for (const std::string& problem : run.Problems()) named = named || problem.find("\"" + name + "\"") != std::string::npos;
    EXPECT_TRUE(named) << name;
  }
  EXPECT_EQ(run.Problems().size(), wanted.size());
  // The rest of the set is still generated; a missing image takes no place.
  TConfigParser index;
  ASSERT_TRUE(index.LoadFile(Data("Configs/MapViewData.cfg").string()));
  ASSERT_TRUE(index.SelectSection("MapView Data"));
  std::string value;
  EXPECT_FALSE(index.GetString("Art\\B.tga", value));
  ASSERT_TRUE(index.GetString("Art\\C.png", value));
  EXPECT_EQ(value, "128,0,Art/mapView0.tga");
  EXPECT_TRUE(fs::exists(Data("Art/Effects_2.tga")));
}

TEST_F(ArtGeneratorSet, TheProgramEntryRunsTheToolAndReportsByExitStatus) {
  const std::string program = std::string("\"") + DVX_PROGRAM + "\" --arttool ";
  EXPECT_EQ(WEXITSTATUS(std::system((program + "data > out.txt 2>&1").c_str())), 0);
  EXPECT_NE(ReadText(folder_.Path("out.txt")).find("Generating mapView1"), std::string::npos);
  EXPECT_TRUE(fs::exists(Data("Configs/groundVisual2D.cfg")));
  fs::remove(Data("Art/C.png"));
  EXPECT_EQ(WEXITSTATUS(std::system((program + "data > out.txt 2>&1").c_str())), 1);
  EXPECT_NE(ReadText(folder_.Path("out.txt")).find("Art\\C.png"), std::string::npos);
  EXPECT_EQ(WEXITSTATUS(std::system((program + "missing > out.txt 2>&1").c_str())), 2);
  EXPECT_EQ(WEXITSTATUS(std::system((program + "data extra > out.txt 2>&1").c_str())), 2);
}

}  // namespace
