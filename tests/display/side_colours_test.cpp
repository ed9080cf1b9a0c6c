// The two sides of a battle tell apart by colour: the art paints each unit's
// side marks in red, and the second side's visuals are built through the
// colour swapper, which shows those marks in blue. A unit of each side, of
// the same type in the same place, drawn headless by each display over the
// shipped data set (the 2D display in either pixel depth), differs only in
// red and blue exchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "display/d3d/d3d_display.h"
#include "display/d3d/map_view_d3d_view.h"
#include "display/direct_draw_display.h"
#include "display/image/pixel_shader.h"
#include "display/map_view.h"
#include "display/unit_visual_hooks.h"
#include "display/visual_registry.h"
#include "display/visuals/visual_library.h"
#include "platform/render_device.h"
#include "platform/soft_surface.h"
#include "session/battle.h"
#include "sim/corpse.h"
#include "support/game_folder_test.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;
constexpr int32_t kFirstSide = 0;
constexpr int32_t kSecondSide = 1;
// A 64 x 64 unit frame shows at least this many side-mark pixels.
constexpr int32_t kMinimumMarkPixels = 120;

using TFrame = std::vector<uint32_t>;  // X8R8G8B8, rows from the top

int32_t Red(uint32_t pixel) { return static_cast<int32_t>((pixel >> 16) & 0xFFu); }
int32_t Green(uint32_t pixel) { return static_cast<int32_t>((pixel >> 8) & 0xFFu); }
int32_t Blue(uint32_t pixel) { return static_cast<int32_t>(pixel & 0xFFu); }

// A side mark as drawn: a strong red (or, swapped, blue) well above the
// other two channels, whatever light and shading did to it.
bool IsRedMark(uint32_t pixel) {
  return Red(pixel) >= 110 && Red(pixel) >= 2 * Green(pixel) && Red(pixel) >= 2 * Blue(pixel);
}
bool IsBlueMark(uint32_t pixel) {
  return Blue(pixel) >= 110 && Blue(pixel) >= 2 * Green(pixel) && Blue(pixel) >= 2 * Red(pixel);
}

uint32_t Swapped(uint32_t pixel) {
  return (static_cast<uint32_t>(Blue(pixel)) << 16) | (pixel & 0x00FF00u) | static_cast<uint32_t>(Red(pixel));
}

// Channels within the tolerance: the 3D device may round a texel's
// channels differently once they trade places.
bool Near(uint32_t a, uint32_t b, int32_t tolerance) {
  return std::abs(Red(a) - Red(b)) <= tolerance && std::abs(Green(a) - Green(b)) <= tolerance &&
         std::abs(Blue(a) - Blue(b)) <= tolerance;
}

enum class TDisplayKind { k2D32, k2D16, k3DSoftware };

std::unique_ptr<TDisplay> MakeDisplay(TDisplayKind kind) {
  if (kind != TDisplayKind::k3DSoftware) {
    TDirectDrawDisplayOptions options;
    options.bitsPerPixel = kind == TDisplayKind::k2D16 ? 16 : 32;
    return std::make_unique<TDirectDrawDisplay>(false, kWidth, kHeight, std::move(options));
  }
  TD3DDisplayOptions options;
  options.createDevice = platform::CreateSoftwareDevice;
  auto display = std::make_unique<TDirect3D8Display>(false, kWidth, kHeight, std::move(options));
  display->AdoptView(std::make_unique<TMapViewD3DView>(display.get()));
  return display;
}

class SideColoursTest : public GameFolderTest, public ::testing::WithParamInterface<TDisplayKind> {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    TMapView::Create(MakeDisplay(GetParam()));
    ASSERT_NE(TMapView::Instance()->GetDisplay(), nullptr);
    ASSERT_TRUE(TMapView::Instance()->GetDisplay()->IsInitialised());
    battle_ = std::make_unique<TBattle>();
    ASSERT_TRUE(battle_->GetWorld().LoadMapFile("Map\\Foundry.map"));
    const TMap& map = battle_->GetWorld().GetMap();
    at_ = TVector3(static_cast<float>(map.GetWidth()) * 0.5f, static_cast<float>(map.GetHeight()) * 0.5f, 0.0f);
    TMapView::Instance()->CentreOn(at_);
  }
  void TearDown() override {
    battle_.reset();
    TMapView::Destroy();
    GameFolderTest::TearDown();
  }

  bool Is3D() const { return GetParam() == TDisplayKind::k3DSoftware; }
  const TUnitType& Type(const char* name) const {
    const TUnitType* type = battle_->GetWorld().GetGameData().FindUnitType(name);
    EXPECT_NE(type, nullptr) << name;
    return *type;
  }

  // The frame with the one unit of the type and side standing at the map's
  // middle, facing the viewer's right.
  TFrame FrameWith(const TUnitType& type, int32_t side) {
    TUnitAnimator unit(type, at_, side);
    EXPECT_NE(unit.GetVisual(), nullptr);
    unit.SetFacing(2);
    return Frame();
  }

  TFrame Frame() {
    TMapView& view = *TMapView::Instance();
    view.BeginFrame();
    view.Draw();
    TFrame pixels(static_cast<std::size_t>(kWidth) * kHeight, 0u);
    if (auto* display2D = dynamic_cast<TDirectDrawDisplay*>(view.GetDisplay())) {
      for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
          pixels[static_cast<std::size_t>(y) * kWidth + x] =
              display2D->GetBackBuffer()->GetPixelX8R8G8B8(x, y) & 0xFFFFFFu;
        }
      }
    } else {
      std::vector<uint32_t> back;
      int32_t width = 0;
      int32_t height = 0;
      auto* display3D = dynamic_cast<TDirect3D8Display*>(view.GetDisplay());
      EXPECT_NE(display3D, nullptr);
      if (display3D != nullptr) {
        EXPECT_TRUE(display3D->GetRenderDevice()->ReadBackBuffer(back, width, height));
      }
      EXPECT_EQ(width, kWidth);
      EXPECT_EQ(height, kHeight);
      for (std::size_t i = 0; i < pixels.size() && i < back.size(); ++i) pixels[i] = back[i] & 0xFFFFFFu;
    }
    view.EndFrame();
    return pixels;
  }

  std::unique_ptr<TBattle> battle_;
  TVector3 at_;
};

// Per unit type: where the two frames differ, the second side's pixel is the
// first side's with red and blue exchanged, and the first side's marks are
// red where the second's are blue.
TEST_P(SideColoursTest, TheSecondSideShowsTheRedMarksInBlue) {
  const int32_t tolerance = Is3D() ? 1 : 0;
  const TFrame empty = Frame();
  ASSERT_EQ(Frame(), empty) << "the scene must draw the same without a unit";
  for (const char* name : {"Grunt", "Missile Tank", "Psyker", "Drone", "Queen"}) {
    SCOPED_TRACE(name);
    const TFrame first = FrameWith(Type(name), kFirstSide);
    const TFrame second = FrameWith(Type(name), kSecondSide);
    int32_t unitPixels = 0;
    int32_t redMarks = 0;
    int32_t wrongSideMarks = 0;
    int32_t notSwapped = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
      if (first[i] == empty[i] && second[i] == empty[i]) continue;
      ++unitPixels;
      // Where the two agree (shadow, grey armour) nothing is owed; the
      // shadow blends with the ground, so it is no exact swap of itself.
      if (first[i] != second[i] && !Near(second[i], Swapped(first[i]), tolerance)) ++notSwapped;
      if (first[i] != second[i] && IsRedMark(first[i]) && IsBlueMark(second[i])) ++redMarks;
      if (IsBlueMark(first[i]) || IsRedMark(second[i])) ++wrongSideMarks;
    }
    EXPECT_GT(unitPixels, 100);
    EXPECT_EQ(notSwapped, 0);
    // The marks (the ring at the feet and the patches) are big enough to
    // see at a glance, and nothing of either unit wears the other side's
    // colour.
    EXPECT_GE(redMarks, kMinimumMarkPixels);
    EXPECT_EQ(wrongSideMarks, 0);
  }
}

// The library builds a name once per shader: both prototypes of one name
// stand side by side, and a later visual of either side reuses its own.
TEST_P(SideColoursTest, TheLibraryHoldsAPrototypePerSide) {
  TVisualLibrary& library = *MapVisualLibrary();
  const TPixelShader* swapper = SideColourShader(kSecondSide);
  ASSERT_NE(swapper, nullptr);
  EXPECT_STREQ(swapper->GetTypeName(), TColourSwapper::kTypeName);
  EXPECT_EQ(SideColourShader(kFirstSide), nullptr);
  EXPECT_EQ(SideColourShader(2), nullptr);

  const TUnitType& grunt = Type("Grunt");
  TUnitAnimator first(grunt, at_, kFirstSide);
  const int32_t loadsAfterFirst = library.GetLoadCount();
  TUnitAnimator second(grunt, at_, kSecondSide);
  EXPECT_GT(library.GetLoadCount(), loadsAfterFirst);
  const TVisual* plain = library.FindPrototype("Grunt", nullptr);
  const TVisual* swapped = library.FindPrototype("Grunt", swapper);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(swapped, nullptr);
  EXPECT_NE(plain, swapped);

  const int32_t loads = library.GetLoadCount();
  TUnitAnimator third(grunt, at_, kSecondSide);
  TUnitAnimator fourth(grunt, at_, kFirstSide);
  EXPECT_EQ(library.GetLoadCount(), loads);
}

// What a side leaves on the map and what it lays keep its colours: the
// second side's corpse, egg and dump come from the swapped prototypes, the
// first side's from the plain ones.
TEST_P(SideColoursTest, CorpsesEggsAndDumpsKeepTheirSidesColours) {
  TVisualLibrary& library = *MapVisualLibrary();
  const TPixelShader* swapper = SideColourShader(kSecondSide);
  struct TCase {
    const char* visual;
    int32_t side;
  };
  const TCase cases[] = {{"GruntDeath", kSecondSide}, {"Egg", kSecondSide}, {"Marine HQ", kFirstSide}};
  Corpse corpse(at_, Type("Grunt"), 3, 0.0f, kSecondSide);
  Egg egg(at_, Type("Egg"), kSecondSide, 0.0f);
  AmmoDump dump(at_, Type("Marine HQ"), kFirstSide);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.visual);
    const TPixelShader* own = c.side == kSecondSide ? swapper : nullptr;
    const TPixelShader* other = c.side == kSecondSide ? nullptr : swapper;
    EXPECT_NE(library.FindPrototype(c.visual, own), nullptr);
    EXPECT_FALSE(library.IsCached(c.visual, other));
  }
}

// The health bar stands over the unit as a strip some pixels long and thick
// on every display (bar sizes are screen pixels, not world units), and its
// fill shrinks with the health it shows.
TEST_P(SideColoursTest, TheHealthBarShowsOverTheUnitAndShrinksWithHealth) {
  // The fill's green (0.1, 0.9, 0.1) where it is bright.
  auto isFill = [](uint32_t pixel) {
    return Green(pixel) >= 150 && Green(pixel) >= 3 * Red(pixel) && Green(pixel) >= 3 * Blue(pixel);
  };
  TUnitAnimator unit(Type("Grunt"), at_, kFirstSide);
  unit.SetFacing(2);
  unit.ShowHealth(1.0f);
  const TFrame full = Frame();
  unit.ShowHealth(0.5f);
  const TFrame half = Frame();
  // What the lost half of the health took with it: bright fill in the
  // full bar that the half bar no longer has.
  int32_t lost = 0;
  int32_t top = kHeight;
  int32_t bottom = -1;
  for (std::size_t i = 0; i < full.size(); ++i) {
    if (!isFill(full[i]) || isFill(half[i])) continue;
    ++lost;
    top = std::min(top, static_cast<int32_t>(i / kWidth));
    bottom = std::max(bottom, static_cast<int32_t>(i / kWidth));
  }
  // Half of a bar 32 pixels long and 4 thick at zoom 1.
  EXPECT_GE(lost, 16 * 3);
  EXPECT_LE(lost, 16 * 5);
  EXPECT_LE(bottom - top, 5);
  // Over the unit, which stands at the middle of the view.
  EXPECT_LT(bottom, kHeight / 2 - 20);
}

std::string DisplayName(const ::testing::TestParamInfo<TDisplayKind>& info) {
  switch (info.param) {
    case TDisplayKind::k2D32:
      return "Direct2D32";
    case TDisplayKind::k2D16:
      return "Direct2D16";
    case TDisplayKind::k3DSoftware:
      break;
  }
  return "Software3D";
}

INSTANTIATE_TEST_SUITE_P(Displays, SideColoursTest,
                         ::testing::Values(TDisplayKind::k2D32, TDisplayKind::k2D16, TDisplayKind::k3DSoftware),
                         DisplayName);

}  // namespace
