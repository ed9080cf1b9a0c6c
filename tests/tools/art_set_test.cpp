// The generated art set: the image files the shipped visual definitions name
// are in the data set and load at the size their rectangles need; sizes and
// cells are read from definitions as the library reads them; drawing and
// writing give the same bytes every time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "art/art_catalogue.h"
#include "art/art_set.h"
#include "art/image_writer.h"
#include "display/image/png_image.h"
#include "display/image/tga_image.h"
#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<TImage> LoadImage(const std::string& path) {
  std::unique_ptr<TImage> image;
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0) {
    image = std::make_unique<TPngJpegImage>();
  } else {
    image = std::make_unique<TTgaImage>();
  }
  if (!image->Load(path)) return nullptr;
  return image;
}

art::TArtCatalogue ShippedCatalogue() {
  art::TArtCatalogue catalogue;
  for (const std::string& file : art::DefinitionFiles(DVX_DATA_DIR)) {
    EXPECT_TRUE(catalogue.AddFile(file)) << file;
  }
  return catalogue;
}

TEST(ArtSet, EveryNamedImageIsShippedAndLoadsAtTheSizeItsRectanglesNeed) {
  const art::TArtCatalogue catalogue = ShippedCatalogue();
  ASSERT_GT(catalogue.Needs().size(), 100u);
  for (const auto& [path, need] : catalogue.Needs()) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(need.conflicts.empty()) << "rectangles disagree on the size";
    const std::string file = std::string(DVX_DATA_DIR) + "/" + path;
    ASSERT_TRUE(std::filesystem::exists(file));
    const std::unique_ptr<TImage> image = LoadImage(file);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), static_cast<uint32_t>(need.width));
    EXPECT_EQ(image->GetHeight(), static_cast<uint32_t>(need.height));
  }
}

// A cell the definitions draw from must not be empty: a frame with no opaque
// pixel would show nothing in the game.
TEST(ArtSet, EveryUnitAndEffectCellHoldsAVisiblePicture) {
  const art::TArtCatalogue catalogue = ShippedCatalogue();
  for (const auto& [path, need] : catalogue.Needs()) {
    if (path.rfind("Art/Units/", 0) != 0 && path.rfind("Art/Effects/", 0) != 0) continue;
    const std::unique_ptr<TImage> image = LoadImage(std::string(DVX_DATA_DIR) + "/" + path);
    ASSERT_NE(image, nullptr) << path;
    ASSERT_EQ(image->GetBytesPerPixel(), 4u) << path;
    for (const art::TCell& cell : need.cells) {
      int32_t visible = 0;
      for (int32_t y = cell.y; y < cell.y + cell.height; ++y) {
        for (int32_t x = cell.x; x < cell.x + cell.width; ++x) visible += image->GetChannel(x, y, 3) >= 8 ? 1 : 0;
      }
      EXPECT_GT(visible, cell.width * cell.height / 50) << path << " cell " << cell.x << "," << cell.y;
    }
  }
}

TEST(ArtSet, SidesDifferOnlyWhereTheColourSwapperTurnsTheTeamPatches) {
  // A unit frame holds strongly red team pixels, which the swapper turns blue.
  const std::unique_ptr<TImage> image = LoadImage(std::string(DVX_DATA_DIR) + "/Art/Units/GruntStand.tga");
  ASSERT_NE(image, nullptr);
  int32_t team = 0;
  for (uint32_t y = 0; y < image->GetHeight(); ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      const int r = image->GetChannel(x, y, 0);
      const int b = image->GetChannel(x, y, 2);
      if (image->GetChannel(x, y, 3) == 255 && r > 120 && r > 2 * b) ++team;
    }
  }
  EXPECT_GT(team, 10);
}

struct TExpectedImage {
  const char* path;
  int32_t width;
  int32_t height;
  std::size_t cells;
};

TEST(ArtCatalogue, ReadsImageNamesSizesAndCellsFromADefinitionFile) {
  art::TArtCatalogue catalogue;
  ASSERT_TRUE(catalogue.AddFile(std::string(DVX_TEST_FIXTURES) + "/art/sampleVisual3D.cfg"));
  const TExpectedImage expected[] = {
      {"Art/Units/WalkerRun.tga", 256, 128, 3},  // pixel rectangles give the size
      {"Art/Interface/Ring.tga", 64, 32, 1},     // a whole-image rectangle takes the entry's size
      {"Art/sample_floor.png", 256, 256, 1},     // floor meshes address 32-pixel cells
      {"Art/sample_objects.png", 512, 256, 1},   // an empty field shifts the rectangle into field 3
      {"Art/Effects/Flare.tga", 128, 64, 1},     // a part of the image scales the entry's size
      {"Art/Effects/Beam.tga", 16, 16, 0},       // a textured world bar stretches any image
  };
  ASSERT_EQ(catalogue.Needs().size(), std::size(expected));
  for (const TExpectedImage& image : expected) {
    SCOPED_TRACE(image.path);
    const art::TImageNeed* need = catalogue.Find(image.path);
    ASSERT_NE(need, nullptr);
    EXPECT_EQ(need->width, image.width);
    EXPECT_EQ(need->height, image.height);
    EXPECT_EQ(need->cells.size(), image.cells);
  }
  const art::TImageNeed* floor = catalogue.Find("Art\\sample_floor.png");
  ASSERT_NE(floor, nullptr);
  EXPECT_EQ(floor->cells[0].x, 64);
  EXPECT_EQ(floor->cells[0].y, 32);
  EXPECT_EQ(floor->cells[0].visual, "Ground");
  const art::TImageNeed* walker = catalogue.Find("Art/Units/WalkerRun.tga");
  ASSERT_NE(walker, nullptr);
  EXPECT_EQ(walker->cells.back().x, 192);
  EXPECT_EQ(walker->cells.back().y, 64);
  EXPECT_EQ(walker->name, "Art\\Units\\WalkerRun.tga");
}

// A section that opens with a floor is that floor: the lines behind it are
// never built, so they ask nothing of any image. Children of a container all
// count.
TEST(ArtCatalogue, ReadsOnlyTheFloorOfASectionThatOpensWithOne) {
  art::TArtCatalogue catalogue;
  catalogue.AddDefinitions(
      "[Floor]\n  DirectDrawFloor | Art/ground_2D_0.tga | 64,32 |0.000 ,0.125 ,0.250 ,0.250\n"
      "DirectDrawFloor | Art/ground.png | 64, 32 | 0.125, 0.000, 0.250, 0.125 | 0\n"
      "[Glow]\n# a note\nCycle | 2 | YES\n"
      "PictureVisual | Art\\Glow.tga | 32, 32 | 64, 32, 0, 0, 32, 32 | 0.5, 0.5\n"
      "PictureVisual | Art\\Glow.tga | 32, 32 | 64, 32, 32, 0, 64, 32 | 0.5, 0.5\nEnd\n",
      "test");
  EXPECT_EQ(catalogue.Find("Art/ground.png"), nullptr);
  const art::TImageNeed* sheet = catalogue.Find("Art/ground_2D_0.tga");
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->width, 256);
  EXPECT_EQ(sheet->height, 256);
  const art::TImageNeed* glow = catalogue.Find("Art/Glow.tga");
  ASSERT_NE(glow, nullptr);
  EXPECT_EQ(glow->cells.size(), 2u);
}

TEST(ArtCatalogue, ReportsRectanglesThatDisagreeOnAnImageSizeOrExceedAnyImage) {
  art::TArtCatalogue catalogue;
  catalogue.AddDefinitions(
      "# two sizes\n[A]\nPictureVisual | Art\\x.tga | 64, 64 | 512, 64, 0, 0, 64, 64 | 0.5, 0.5\n"
      "[B]\nPictureVisual | Art\\x.tga | 64, 64 | 256, 64, 0, 0, 64, 64 | 0.5, 0.5\n"
      "[C]\nPictureVisual | Art\\y.tga | 64, 64 | 1e12, 64, 0, 0, 64, 64 | 0.5, 0.5\n"
      "[D]\nPictureVisual | Art\\z.tga | 64, 64 | 0, 0, 0.0000001, 1 | 0.5, 0.5\n",
      "test");
  const art::TImageNeed* need = catalogue.Find("Art/x.tga");
  ASSERT_NE(need, nullptr);
  EXPECT_EQ(need->width, 512);
  EXPECT_EQ(need->conflicts.size(), 1u);
  // Sizes no image reader would take are refused, not drawn.
  for (const char* huge : {"Art/y.tga", "Art/z.tga"}) {
    const art::TImageNeed* refused = catalogue.Find(huge);
    ASSERT_NE(refused, nullptr) << huge;
    EXPECT_EQ(refused->width, 0) << huge;
    EXPECT_EQ(refused->conflicts.size(), 1u) << huge;
  }
}

TEST(ArtGenerator, DrawsAndWritesTheSameBytesOnEveryRun) {
  const art::TArtCatalogue catalogue = ShippedCatalogue();
  TTempFolder folder;
  const char* const samples[] = {"Art/Units/QueenRun.tga", "Art/city_walls.png", "Art/city_floor_2D_1.tga",
                                 "Art/Effects/Explosion.tga"};
  for (const char* sample : samples) {
    SCOPED_TRACE(sample);
    const art::TImageNeed* need = catalogue.Find(sample);
    ASSERT_NE(need, nullptr);
    bool known = false;
    ASSERT_TRUE(art::WriteArt(*need, catalogue, folder.Path("one").string(), known));
    EXPECT_TRUE(known);
    ASSERT_TRUE(art::WriteArt(*need, catalogue, folder.Path("two").string(), known));
    const std::vector<uint8_t> first = FileBytes(folder.Path("one") / sample);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, FileBytes(folder.Path("two") / sample));
  }
}

TEST(ArtSet, LeavesTheImagesThe2DArtToolMakesToIt) {
  struct TCase {
    const char* path;
    bool made;
  };
  const TCase cases[] = {
      {"Art/city_floor_2D_0.tga", true},    {"Art\\city_floor_2D_17.tga", true}, {"Art/Effects_2.tga", true},
      {"Art/mapView0.tga", true},           {"Art\\mapView12.tga", true},        {"Art/city_floor.png", false},
      {"Art/Wall2D.tga", false},            {"Art/_2D_0.tga", false},           {"Art/city_floor_2D_x.tga", false},
      {"Art/city_floor_2D_0.png", false},   {"Art/Effects/Explosion.tga", false}, {"Art/Effects/Effects_0.tga", false},
      {"Art/mapView.tga", false},           {"Art/Units/mapView0.tga", false},
  };
  for (const TCase& c : cases) EXPECT_EQ(art::IsMadeBy2DArtTool(c.path), c.made) << c.path;
  // Every floor sheet the shipped 2D definitions name is one of them.
  const art::TArtCatalogue catalogue = ShippedCatalogue();
  int sheets = 0;
  for (const auto& [path, need] : catalogue.Needs()) {
    if (path.find("_2D_") == std::string::npos) continue;
    ++sheets;
    EXPECT_TRUE(art::IsMadeBy2DArtTool(path)) << path;
  }
  EXPECT_GT(sheets, 0);
}

// Interface pieces that no shipped definition names yet are drawn by their
// kind, not left to the placeholder.
TEST(ArtGenerator, DrawsWidgetPiecesByTheKindTheirNameGives) {
  art::TArtCatalogue catalogue;
  catalogue.AddDefinitions(
      "# widgets\n[Ok]\nPictureVisual | Art\\Interface\\OkButton.tga | 96, 32 | 96, 64, 0, 0, 96, 32 | 0, 0\n"
      "PictureVisual | Art\\Interface\\OkButton.tga | 96, 32 | 96, 64, 0, 32, 96, 64 | 0, 0\n"
      "[Back]\nPictureVisual | Art\\Interface\\MenuPanel.tga | 128, 128 | 0, 0, 1, 1 | 0, 0\n"
      "[Odd]\nPictureVisual | Art\\Interface\\Mystery.tga | 32, 32 | 0, 0, 1, 1 | 0, 0\n",
      "test");
  struct TCase {
    const char* path;
    bool known;
  };
  for (const TCase& c : {TCase{"Art/Interface/OkButton.tga", true}, TCase{"Art/Interface/MenuPanel.tga", true},
                         TCase{"Art/Interface/Mystery.tga", false}}) {
    SCOPED_TRACE(c.path);
    const art::TImageNeed* need = catalogue.Find(c.path);
    ASSERT_NE(need, nullptr);
    bool known = !c.known;
    const std::unique_ptr<art::TCanvas> canvas = art::DrawImage(*need, catalogue, known);
    EXPECT_EQ(known, c.known);
    EXPECT_EQ(canvas->Width(), need->width);
    EXPECT_EQ(canvas->Get(need->width / 2, need->height / 2).a > 0, true);
  }
  // Each cell of a button holds its own state: the second (lit) differs from the first.
  bool known = false;
  const std::unique_ptr<art::TCanvas> button =
      art::DrawImage(*catalogue.Find("Art/Interface/OkButton.tga"), catalogue, known);
  EXPECT_NE(button->Get(0, 0), button->Get(0, 32));
}

// Runs, literal stretches and packets longer than 128 pixels all come back as drawn.
TEST(ArtImageWriter, TgaAndPngReadBackThroughTheGameReaders) {
  TTempFolder folder;
  art::TCanvas canvas(300, 7);
  art::TNoise noise(7);
  for (int32_t y = 0; y < canvas.Height(); ++y) {
    for (int32_t x = 0; x < canvas.Width(); ++x) {
      const bool busy = (x / 50 + y) % 2 == 0;
      const uint8_t v = busy ? static_cast<uint8_t>(noise.NextBits()) : 40;
      canvas.Set(x, y, {v, static_cast<uint8_t>(x), static_cast<uint8_t>(y * 30), static_cast<uint8_t>(busy ? 255 : x % 3)});
    }
  }
  ASSERT_TRUE(art::WriteTga(canvas, folder.Path("a.tga").string()));
  ASSERT_TRUE(art::WritePng(canvas, folder.Path("a.png").string()));
  TTgaImage tga;
  ASSERT_TRUE(tga.Load(folder.Path("a.tga").string()));
  TPngImage png;
  ASSERT_TRUE(png.Load(folder.Path("a.png").string()));
  for (const TImage* image : {static_cast<const TImage*>(&tga), static_cast<const TImage*>(&png)}) {
    ASSERT_EQ(image->GetWidth(), 300u);
    ASSERT_EQ(image->GetHeight(), 7u);
    ASSERT_EQ(image->GetBytesPerPixel(), 4u);
    const std::vector<uint8_t> read(image->GetPixels(), image->GetPixels() + 300 * 7 * 4);
    EXPECT_EQ(read, canvas.Pixels());
  }
  EXPECT_FALSE(art::WriteImage(canvas, folder.Path("a.bmp").string()));
}

}  // namespace
