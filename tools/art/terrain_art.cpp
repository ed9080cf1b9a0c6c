// The terrain set: square floor textures (laid on the map's diamonds by the
// floor meshes), wall and door blocks, objects, and the 2D display's floor
// sheets cut from the floor texture. Each cell is drawn by what the visuals
// that use it are called.
#include <algorithm>
#include <cmath>
#include <set>

#include "app/text_utils.h"
#include "art/model.h"
#include "art/painters.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;
const TRgba kKey{0, 0, 255, 255};
const TRgba kConcrete{128, 124, 116, 255};
const TRgba kWallStone{150, 144, 134, 255};
const TRgba kMetal{112, 116, 124, 255};

// A cell and every visual that uses it.
struct TUse {
  TCell cell;
  std::set<std::string> visuals;
  bool stump = false;  // the low remains that every wall or object of the sheet shows when toggled away
};

std::vector<TUse> Uses(const TImageNeed& need) {
  std::vector<TUse> uses;
  for (const TCell& cell : need.cells) {
    auto at = std::find_if(uses.begin(), uses.end(), [&](const TUse& use) {
      return use.cell.x == cell.x && use.cell.y == cell.y && use.cell.width == cell.width;
    });
    if (at == uses.end()) {
      uses.push_back({cell, {}});
      at = uses.end() - 1;
    }
    at->visuals.insert(cell.visual);
  }
  std::size_t most = 0;
  for (const TUse& use : uses) most = std::max(most, use.visuals.size());
  for (TUse& use : uses) use.stump = most >= 4 && use.visuals.size() == most;
  return uses;
}

// The cell's position among the cells that visuals holding `word` (and not `unless`) use: 0 for the first,
// 1 for the last.
double RankAmong(const std::vector<TUse>& uses, const TUse& use, const std::string& word,
                 const std::string& unless = "\x01") {
  std::vector<int32_t> keys;
  for (const TUse& other : uses) {
    if (other.stump) continue;
    for (const std::string& visual : other.visuals) {
      const std::string name = LowerCase(visual);
      if (ContainsText(name, word) && !ContainsText(name, unless)) {
        keys.push_back(other.cell.y * 4096 + other.cell.x);
        break;
      }
    }
  }
  std::sort(keys.begin(), keys.end());
  if (keys.size() < 2) return 0.0;
  const auto at = std::find(keys.begin(), keys.end(), use.cell.y * 4096 + use.cell.x);
  return static_cast<double>(at - keys.begin()) / static_cast<double>(keys.size() - 1);
}

bool Has(const TUse& use, const std::string& word) {
  for (const std::string& visual : use.visuals) {
    if (ContainsText(LowerCase(visual), word)) return true;
  }
  return false;
}

// --- floor texture ---------------------------------------------------------------

void FloorPlate(TCanvas& canvas, const TCell& cell, uint32_t seed) {
  TNoise noise(seed);
  for (int32_t y = 0; y < cell.height; ++y) {
    for (int32_t x = 0; x < cell.width; ++x) {
      canvas.Set(cell.x + x, cell.y + y, Shade(kConcrete, noise.Between(0.92, 1.06)));
    }
  }
  canvas.FillRect(cell.x, cell.y, cell.width, 1, Shade(kConcrete, 1.2));
  canvas.FillRect(cell.x, cell.y, 1, cell.height, Shade(kConcrete, 1.2));
  canvas.FillRect(cell.x, cell.y + cell.height - 1, cell.width, 1, Shade(kConcrete, 0.65));
  canvas.FillRect(cell.x + cell.width - 1, cell.y, 1, cell.height, Shade(kConcrete, 0.65));
  for (int corner = 0; corner < 4; ++corner) {
    canvas.FillRect(cell.x + (corner % 2 == 0 ? 3 : cell.width - 5), cell.y + (corner < 2 ? 3 : cell.height - 5), 2, 2,
                    Shade(kConcrete, 0.75));
  }
}

void Pit(TCanvas& canvas, const TCell& cell) {
  FloorPlate(canvas, cell, SeedOf("pit"));
  for (int32_t y = 3; y < cell.height - 3; ++y) {
    for (int32_t x = 3; x < cell.width - 3; ++x) {
      const double edge = std::min({x - 3, y - 3, cell.width - 4 - x, cell.height - 4 - y}) / 6.0;
      canvas.Set(cell.x + x, cell.y + y, Shade({70, 64, 58, 255}, std::max(0.25, 1.0 - edge)));
    }
  }
}

// Power channels from the middle to the named sides: N top, E right, S bottom, W left.
void Conduit(TCanvas& canvas, const TCell& cell, const std::string& sides) {
  FloorPlate(canvas, cell, SeedOf(sides.c_str()));
  const int32_t mid = cell.width / 2;
  auto channel = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    canvas.FillRect(cell.x + std::min(x0, x1) - 3, cell.y + std::min(y0, y1) - 3, std::abs(x1 - x0) + 6,
                    std::abs(y1 - y0) + 6, {56, 54, 52, 255});
    canvas.FillRect(cell.x + std::min(x0, x1) - 1, cell.y + std::min(y0, y1) - 1, std::abs(x1 - x0) + 2,
                    std::abs(y1 - y0) + 2, {214, 168, 48, 255});
  };
  for (const char side : sides) {
    if (side == 'n') channel(mid, 0, mid, mid);
    if (side == 's') channel(mid, mid, mid, cell.height - 1);
    if (side == 'e') channel(mid, mid, cell.width - 1, mid);
    if (side == 'w') channel(0, mid, mid, mid);
  }
  canvas.FillRect(cell.x + mid - 3, cell.y + mid - 3, 6, 6, {96, 92, 86, 255});
}

void FloorCell(TCanvas& canvas, const TUse& use) {
  const std::string name = LowerCase(*use.visuals.begin());
  if (name == "pit") {
    Pit(canvas, use.cell);
  } else if (name.rfind("conduit_", 0) == 0) {
    const std::string sides = name.substr(8);
    Conduit(canvas, use.cell, sides == "cross" ? "nesw" : sides);
  } else {
    FloorPlate(canvas, use.cell, SeedOf(name.c_str()));
  }
}

// --- walls and doors -------------------------------------------------------------

// A quad on one of the two faces a block turns to the viewer: face 0 is the
// +x face, face 1 the +y face; `from` and `to` run along the face (0 to 1).
void FaceQuad(TCanvas& canvas, const TView& view, int face, double from, double to, double low, double high,
              TRgba colour) {
  auto point = [&](double along, double z, double& sx, double& sy) {
    const TPoint3 p = face == 0 ? TPoint3{0.5, 0.5 - along, z} : TPoint3{0.5 - along, 0.5, z};
    ProjectPoint(view, p, sx, sy);
  };
  double x[4];
  double y[4];
  point(from, low, x[0], y[0]);
  point(to, low, x[1], y[1]);
  point(to, high, x[2], y[2]);
  point(from, high, x[3], y[3]);
  canvas.FillPolygon({x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]}, colour);
}

// Terrain sprites stand on the middle of the floor diamond at the foot of their cell.
TView StandingView(const TCell& cell) {
  TView view;
  view.groundX = cell.width * 0.5;
  view.groundY = cell.height - 16.0;
  return view;
}

void WallCell(TCanvas& canvas, const std::vector<TUse>& uses, const TUse& use) {
  const TCell& cell = use.cell;
  TCanvas frame(cell.width, cell.height);
  TView view = StandingView(cell);
  const bool stump = use.stump;
  const double height = stump ? 0.3 : (cell.height - 32.0) / 40.0;
  TModel model;
  const bool military = Has(use, "mil_door");
  const bool door = Has(use, "door");
  model.Box({0.0, 0.0, height * 0.5}, {0.5, 0.5, height * 0.5}, military ? Shade(kMetal, 0.9) : kWallStone);
  if (stump) {
    TNoise noise(SeedOf("stump"));
    for (int k = 0; k < 5; ++k) {
      model.Box({noise.Between(-0.3, 0.3), noise.Between(-0.3, 0.3), height + 0.05}, {0.1, 0.08, 0.06},
                Shade(kWallStone, 0.85), noise.Between(0.0, kPi));
    }
  }
  RenderModel(model, view, frame, 0, 0, cell.width, cell.height);
  if (!stump) {
    // Courses of blocks on both faces.
    for (int face = 0; face < 2; ++face) {
      for (double z = 0.4; z < height; z += 0.4) {
        FaceQuad(frame, view, face, 0.0, 1.0, z - 0.02, z, {0, 0, 0, 50});
      }
    }
  }
  if (Has(use, "window") && !stump) {
    for (int face = 0; face < 2; ++face) {
      FaceQuad(frame, view, face, 0.25, 0.75, 0.75, 1.2, {40, 46, 52, 255});
      FaceQuad(frame, view, face, 0.3, 0.45, 0.8, 1.15, {120, 150, 160, 255});
    }
  }
  if (door && !stump) {
    // Door panels slide up into the block as the door opens.
    const std::string word = military ? "mil_door_green" : "door";
    const bool locked = Has(use, "red");
    const double open = locked ? 0.0 : RankAmong(uses, use, word, military ? "\x01" : "mil_");
    const double top = 1.2;
    for (int face = 0; face < 2; ++face) {
      FaceQuad(frame, view, face, 0.18, 0.82, 0.0, top, {24, 22, 20, 255});
      const double bottom = top * open;
      if (bottom < top - 0.05) {
        FaceQuad(frame, view, face, 0.22, 0.78, bottom, top, military ? TRgba{92, 100, 80, 255} : kMetal);
        FaceQuad(frame, view, face, 0.22, 0.78, bottom, std::min(top, bottom + 0.12), {210, 180, 40, 255});
      }
      if (military) {
        const TRgba lamp = locked ? TRgba{240, 50, 40, 255} : TRgba{70, 240, 80, 255};
        FaceQuad(frame, view, face, 0.45, 0.55, top + 0.1, top + 0.22, lamp);
      }
    }
  }
  frame.Outline(0, 0, frame.Width(), frame.Height(), 0.35);
  canvas.Paste(frame, cell.x, cell.y);
}

// --- objects ---------------------------------------------------------------------

double DirectionAngle(const TUse& use) {
  if (Has(use, "north")) return std::atan2(-1.0, 0.0);
  if (Has(use, "east")) return 0.0;
  if (Has(use, "south")) return std::atan2(1.0, 0.0);
  return kPi;
}

void ForceField(TCanvas& frame, const TView& view, bool alongX, double phase) {
  auto at = [&](double t, double z, double& sx, double& sy) {
    ProjectPoint(view, alongX ? TPoint3{t, 0.0, z} : TPoint3{0.0, t, z}, sx, sy);
  };
  double x[4];
  double y[4];
  at(-0.5, 0.0, x[0], y[0]);
  at(0.5, 0.0, x[1], y[1]);
  at(0.5, 0.7, x[2], y[2]);
  at(-0.5, 0.7, x[3], y[3]);
  frame.FillPolygon({x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]}, {120, 220, 255, 90});
  for (int k = 0; k < 3; ++k) {
    const double z = std::fmod(k * 0.25 + phase * 0.25, 0.7);
    double ax, ay, bx, by;
    at(-0.5, z, ax, ay);
    at(0.5, z, bx, by);
    frame.Line(ax, ay, bx, by, 1.5, {200, 245, 255, 200});
  }
}

void ObjectCell(TCanvas& canvas, const std::vector<TUse>& uses, const TUse& use) {
  const TCell& cell = use.cell;
  TCanvas frame(cell.width, cell.height);
  TView view = StandingView(cell);
  TModel model;
  TNoise noise(SeedOf((*use.visuals.begin()).c_str()));
  const bool stump = use.stump;
  const double rank = stump ? 0.0 : RankAmong(uses, use, LowerCase(*use.visuals.begin()));
  const bool on = Has(use, "_on_");
  if (stump || Has(use, "rubble")) {
    const int pieces = stump ? 5 : 9;
    for (int k = 0; k < pieces; ++k) {
      model.Box({noise.Between(-0.3, 0.3), noise.Between(-0.3, 0.3), 0.06}, {0.1, 0.07, stump ? 0.05 : 0.1},
                Shade(kWallStone, noise.Between(0.75, 1.0)), noise.Between(0.0, kPi));
    }
  } else if (Has(use, "crate")) {
    const bool explosive = Has(use, "explosive");
    const TRgba wood = explosive ? TRgba{168, 52, 40, 255} : TRgba{150, 112, 62, 255};
    model.Box({0.0, 0.0, 0.28}, {0.3, 0.3, 0.28}, wood);
    model.Box({0.0, 0.0, 0.28}, {0.31, 0.31, 0.05}, explosive ? TRgba{230, 200, 40, 255} : Shade(wood, 0.7));
  } else if (Has(use, "door_control")) {
    view.facing = DirectionAngle(use);
    model.Box({0.0, 0.0, 0.35}, {0.08, 0.12, 0.35}, kMetal);
    model.Box({0.1, 0.0, 0.55}, {0.03, 0.1, 0.08}, {50, 56, 60, 255});
    model.Glow({0.14, 0.0, 0.6}, 0.035, {240, 200, 60, 255});
    model.Box({0.16, 0.0, 0.45}, {0.08, 0.02, 0.02}, {230, 200, 40, 255});
  } else if (Has(use, "power_cell")) {
    model.Capsule({0.0, 0.0, 0.1}, {0.0, 0.0, 0.6}, 0.2, kMetal);
    const TRgba glow = on ? Mix({120, 230, 255, 255}, {255, 255, 255, 255}, rank * 0.5) : TRgba{50, 70, 80, 255};
    for (int k = 0; k < 2; ++k) model.Box({0.0, 0.0, 0.25 + k * 0.22}, {0.21, 0.21, 0.04}, glow, kPi / 4);
  } else if (Has(use, "power_control")) {
    model.Box({0.0, 0.0, 0.25}, {0.25, 0.2, 0.25}, kMetal);
    model.Capsule({0.05, 0.0, 0.5}, {on ? 0.2 : -0.1, 0.0, 0.72}, 0.03, {60, 60, 64, 255});
    model.Glow({0.26, 0.1, 0.38}, 0.04, on ? TRgba{70, 240, 80, 255} : TRgba{240, 60, 40, 255});
  } else if (Has(use, "relay_post")) {
    model.Capsule({0.0, 0.0, 0.0}, {0.0, 0.0, 0.9}, 0.05, kMetal);
    model.Ellipsoid({0.0, 0.0, 0.95}, {0.1, 0.1, 0.06}, {200, 190, 170, 255});
    if (on) model.Glow({0.0, 0.0, 1.03}, 0.05 + 0.03 * (1.0 - rank), {120, 230, 255, 255});
  } else if (Has(use, "field_")) {
    const bool alongX = Has(use, "000");
    for (int side = -1; side <= 1; side += 2) {
      const TPoint3 at = alongX ? TPoint3{side * 0.45, 0.0, 0.0} : TPoint3{0.0, side * 0.45, 0.0};
      model.Capsule(at, {at.x, at.y, 0.75}, 0.06, kMetal);
      model.Glow({at.x, at.y, 0.8}, 0.05, {160, 230, 255, 255});
    }
    RenderModel(model, view, frame, 0, 0, cell.width, cell.height);
    ForceField(frame, view, alongX, rank);
    canvas.Paste(frame, cell.x, cell.y);
    return;
  } else {
    model.Box({0.0, 0.0, 0.2}, {0.25, 0.25, 0.2}, kMetal);
  }
  RenderModel(model, view, frame, 0, 0, cell.width, cell.height);
  frame.Outline(0, 0, frame.Width(), frame.Height(), 0.35);
  canvas.Paste(frame, cell.x, cell.y);
}

// The 64 x 32 diamond of one square floor cell, turned by `orientation` quarter turns.
void FloorDiamond(const TCanvas& floor, int32_t cx, int32_t cy, int orientation, TCanvas& sheet, int32_t tx,
                  int32_t ty) {
  for (int32_t r = 0; r < 32; ++r) {
    const int32_t s = 33 + 2 * static_cast<int32_t>(std::floor((r - 1) / 2.0));
    const int32_t t = 1 + r / 2;
    for (int32_t k = 0; k < 32; ++k) {
      int32_t i = r;
      int32_t j = k;
      if (orientation == 1) {
        i = k;
        j = 31 - r;
      } else if (orientation == 2) {
        i = 31 - r;
        j = 31 - k;
      } else if (orientation == 3) {
        i = 31 - k;
        j = r;
      }
      const TRgba pixel = floor.Get(cx + i, cy + j);
      if (pixel.r == 255 && pixel.g == 255 && pixel.b == 255) continue;
      sheet.Set(tx + s - k, ty + t + k / 2, WithAlpha(pixel, 255));
    }
  }
}

}  // namespace

bool PaintTerrainSheet(const TImageNeed& need, TCanvas& canvas) {
  const std::string base = LowerCase(BaseName(need.path));
  if (need.path.rfind("Art/", 0) != 0 || ContainsText(base, "_2d_")) return false;
  const std::vector<TUse> uses = Uses(need);
  bool mesh = false;
  for (const TCell& cell : need.cells) mesh = mesh || cell.entry == "Mesh";
  if (mesh) {
    // Unused cells stay plain floor, so a new floor type has something to show.
    for (int32_t y = 0; y + 32 <= canvas.Height(); y += 32) {
      for (int32_t x = 0; x + 32 <= canvas.Width(); x += 32) {
        TCell plain;
        plain.x = x;
        plain.y = y;
        plain.width = 32;
        plain.height = 32;
        FloorPlate(canvas, plain, SeedOf("floor") + static_cast<uint32_t>(x * 31 + y));
      }
    }
    for (const TUse& use : uses) FloorCell(canvas, use);
    return true;
  }
  bool terrain = false;
  for (const TCell& cell : need.cells) terrain = terrain || ContainsText(cell.entry, "Terrain");
  if (!terrain) return false;
  for (const TUse& use : uses) {
    if (use.cell.height > use.cell.width) {
      WallCell(canvas, uses, use);
    } else {
      ObjectCell(canvas, uses, use);
    }
  }
  return true;
}

bool PaintFloorTileSheet(const TImageNeed& need, const TArtCatalogue& catalogue, TCanvas& canvas) {
  const std::string base = BaseName(need.path);
  const std::size_t mark = base.rfind("_2D_");
  if (mark == std::string::npos) return false;
  const std::string folder = need.path.substr(0, need.path.size() - BaseName(need.path).size() - 4);
  const TImageNeed* texture = catalogue.Find(folder + base.substr(0, mark) + ".png");
  if (texture == nullptr) return false;
  const int32_t sheet = StringToInt(base.substr(mark + 4));
  TCanvas floor(texture->width, texture->height);
  if (!PaintTerrainSheet(*texture, floor)) return false;
  canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), kKey);
  for (int32_t a = 0; a < 8; ++a) {
    for (int orientation = 0; orientation < 4; ++orientation) {
      FloorDiamond(floor, a * 32, sheet * 32, orientation, canvas, orientation * 64, a * 32);
    }
  }
  return true;
}

}  // namespace art
