// Marks on the map: order markers, the selection ring, the map cursor and the
// deployment squares; and the shared helpers of the painters.
#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "app/text_utils.h"
#include "art/painters.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;
const TRgba kInk{250, 250, 240, 255};
const TRgba kDisc{20, 24, 28, 150};

void Chevron(TCanvas& c, double cx, double cy, double size, bool forward, TRgba colour) {
  const double d = forward ? 1.0 : -1.0;
  c.Line(cx - d * size * 0.5, cy - size, cx + d * size * 0.5, cy, 3.0, colour);
  c.Line(cx + d * size * 0.5, cy, cx - d * size * 0.5, cy + size, 3.0, colour);
}

void Eye(TCanvas& c, double cx, double cy, TRgba colour) {
  c.FillPolygon({cx - 10, cy, cx - 4, cy - 5, cx + 4, cy - 5, cx + 10, cy, cx + 4, cy + 5, cx - 4, cy + 5}, kInk);
  c.FillEllipse(cx, cy, 3.5, 3.5, colour);
}

void Crosshair(TCanvas& c, double cx, double cy, TRgba colour) {
  c.Ring(cx, cy, 8, 8, 2.0, colour);
  c.Line(cx - 12, cy, cx - 4, cy, 2.0, colour);
  c.Line(cx + 4, cy, cx + 12, cy, 2.0, colour);
  c.Line(cx, cy - 12, cx, cy - 4, 2.0, colour);
  c.Line(cx, cy + 4, cx, cy + 12, 2.0, colour);
}

void ShieldShape(TCanvas& c, double cx, double cy, TRgba colour) {
  c.FillPolygon({cx - 8, cy - 9, cx + 8, cy - 9, cx + 8, cy, cx, cy + 10, cx - 8, cy}, colour);
}

void Slash(TCanvas& c, double cx, double cy) { c.Line(cx - 10, cy + 10, cx + 10, cy - 10, 3.0, {235, 50, 40, 255}); }

// The emblem of one order marker, centred in a 32 x 32 image.
bool Marker(const std::string& base, TCanvas& c) {
  static const std::set<std::string> kMarkers = {
      "HoldPoint",         "SuicidePoint",       "LayPoint",       "EatPoint",          "WayPoint",
      "ActivatePoint",     "ActivateShieldPoint", "DeactivateShieldPoint", "SightContinuePoint", "SightHaltPoint",
      "SightRetreatPoint", "HoldFirePoint",      "FireAtWillPoint", "PursuePoint",       "RetreatPoint"};
  if (kMarkers.count(base) == 0) return false;
  const double cx = c.Width() * 0.5;
  const double cy = c.Height() * 0.5;
  const double scale = c.Width() / 32.0;
  c.FillEllipse(cx, cy, 14.5 * scale, 14.5 * scale, kDisc);
  c.Ring(cx, cy, 14.0 * scale, 14.0 * scale, 1.5, {230, 230, 220, 220});
  const TRgba green{90, 230, 100, 255};
  const TRgba yellow{240, 210, 60, 255};
  const TRgba red{235, 60, 45, 255};
  if (base == "HoldPoint") {
    c.FillRect(static_cast<int32_t>(cx - 6), static_cast<int32_t>(cy - 7), 4, 14, yellow);
    c.FillRect(static_cast<int32_t>(cx + 2), static_cast<int32_t>(cy - 7), 4, 14, yellow);
  } else if (base == "SuicidePoint") {
    for (int k = 0; k < 8; ++k) {
      const double a = kPi * k / 4;
      c.Line(cx, cy, cx + std::cos(a) * 10, cy + std::sin(a) * 10, 3.0, red);
    }
    c.FillEllipse(cx, cy, 4, 4, yellow);
  } else if (base == "LayPoint") {
    c.FillEllipse(cx, cy + 1, 6, 8, {214, 204, 176, 255});
  } else if (base == "EatPoint") {
    c.FillEllipse(cx, cy, 9, 9, green);
    c.FillPolygon({cx, cy, cx + 11, cy - 6, cx + 11, cy + 6}, kDisc);
  } else if (base == "WayPoint") {
    c.Line(cx - 4, cy + 9, cx - 4, cy - 9, 2.0, kInk);
    c.FillPolygon({cx - 3, cy - 9, cx + 8, cy - 5, cx - 3, cy - 1}, green);
  } else if (base == "ActivatePoint") {
    c.FillPolygon({cx + 2, cy - 11, cx - 6, cy + 1, cx - 1, cy + 1, cx - 3, cy + 11, cx + 6, cy - 2, cx + 1, cy - 2},
                  yellow);
  } else if (base == "ActivateShieldPoint" || base == "DeactivateShieldPoint") {
    ShieldShape(c, cx, cy, {120, 210, 240, 255});
    if (base[0] == 'D') Slash(c, cx, cy);
  } else if (base == "SightContinuePoint") {
    Eye(c, cx, cy - 3, green);
    Chevron(c, cx, cy + 8, 3.0, true, green);
  } else if (base == "SightHaltPoint") {
    Eye(c, cx, cy - 3, yellow);
    c.FillRect(static_cast<int32_t>(cx - 6), static_cast<int32_t>(cy + 6), 12, 3, yellow);
  } else if (base == "SightRetreatPoint") {
    Eye(c, cx, cy - 3, red);
    Chevron(c, cx, cy + 8, 3.0, false, red);
  } else if (base == "HoldFirePoint") {
    Crosshair(c, cx, cy, {200, 200, 200, 255});
    Slash(c, cx, cy);
  } else if (base == "FireAtWillPoint") {
    Crosshair(c, cx, cy, red);
  } else if (base == "PursuePoint") {
    Chevron(c, cx - 3, cy, 7.0, true, {250, 150, 40, 255});
    Chevron(c, cx + 5, cy, 7.0, true, {250, 150, 40, 255});
  } else if (base == "RetreatPoint") {
    Chevron(c, cx + 3, cy, 7.0, false, kInk);
    Chevron(c, cx - 5, cy, 7.0, false, kInk);
  } else {
    return false;
  }
  return true;
}

void Cursor(const TImageNeed& need, TCanvas& c) {
  int32_t frames = 0;
  for (const TCell& cell : need.cells) frames = std::max(frames, (cell.x + cell.width) / std::max(cell.width, 1));
  for (const TCell& cell : need.cells) {
    const int32_t frame = cell.x / std::max(cell.width, 1);
    const double bounce = 4.0 * std::sin(2.0 * kPi * frame / std::max(frames, 1));
    const double cx = cell.x + cell.width * 0.5;
    const double tip = cell.y + cell.height * 0.9 - 2.0 - bounce;
    const TRgba fill{250, 220, 60, 255};
    c.FillPolygon({cx, tip, cx - 12, tip - 14, cx - 5, tip - 14, cx - 5, tip - 30, cx + 5, tip - 30, cx + 5, tip - 14,
                   cx + 12, tip - 14},
                  fill);
    c.Outline(cell.x, cell.y, cell.width, cell.height, 0.3);
  }
}

// Screen furniture for widgets, by the word in the image's name: bevelled
// buttons (one state a cell: normal, lit, pressed, greyed, in cell order),
// dark panels, frames and a pointer.
bool WidgetPiece(const std::string& base, const TImageNeed& need, TCanvas& c) {
  const TRgba steel{70, 82, 96, 255};
  auto bevel = [&](int32_t x, int32_t y, int32_t w, int32_t h, TRgba face, bool sunk) {
    c.FillRect(x, y, w, h, face);
    const TRgba light = Shade(face, sunk ? 0.6 : 1.5);
    const TRgba dark = Shade(face, sunk ? 1.5 : 0.6);
    c.FillRect(x, y, w, 2, light);
    c.FillRect(x, y, 2, h, light);
    c.FillRect(x, y + h - 2, w, 2, dark);
    c.FillRect(x + w - 2, y, 2, h, dark);
  };
  std::vector<TCell> cells = need.cells;
  if (cells.empty()) cells.push_back({0, 0, c.Width(), c.Height(), {}, {}});
  if (ContainsText(base, "Button")) {
    for (std::size_t k = 0; k < cells.size(); ++k) {
      const TCell& cell = cells[k];
      const int state = static_cast<int>(k % 4);
      const TRgba face = state == 1 ? Shade(steel, 1.3) : state == 3 ? TRgba{90, 90, 90, 255} : steel;
      bevel(cell.x, cell.y, cell.width, cell.height, face, state == 2);
    }
  } else if (ContainsText(base, "Panel")) {
    for (const TCell& cell : cells) {
      c.FillRect(cell.x, cell.y, cell.width, cell.height, {18, 24, 32, 210});
      c.FillRect(cell.x, cell.y, cell.width, 1, {150, 170, 190, 255});
      c.FillRect(cell.x, cell.y + cell.height - 1, cell.width, 1, {150, 170, 190, 255});
      c.FillRect(cell.x, cell.y, 1, cell.height, {150, 170, 190, 255});
      c.FillRect(cell.x + cell.width - 1, cell.y, 1, cell.height, {150, 170, 190, 255});
    }
  } else if (ContainsText(base, "Frame")) {
    for (const TCell& cell : cells) {
      bevel(cell.x, cell.y, cell.width, 4, steel, false);
      bevel(cell.x, cell.y + cell.height - 4, cell.width, 4, steel, false);
      bevel(cell.x, cell.y, 4, cell.height, steel, false);
      bevel(cell.x + cell.width - 4, cell.y, 4, cell.height, steel, false);
    }
  } else if (ContainsText(base, "Cursor") || ContainsText(base, "Pointer")) {
    for (const TCell& cell : cells) {
      const double s = std::min(cell.width, cell.height) / 32.0;
      const double x = cell.x + 1;
      const double y = cell.y + 1;
      c.FillPolygon({x, y, x, y + 22 * s, x + 6 * s, y + 16 * s, x + 10 * s, y + 25 * s, x + 14 * s, y + 23 * s,
                     x + 10 * s, y + 15 * s, x + 17 * s, y + 15 * s},
                    {245, 245, 235, 255});
      c.Outline(cell.x, cell.y, cell.width, cell.height, 0.1);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string BaseName(const std::string& path) {
  std::string base = path;
  if (const auto slash = base.find_last_of("/\\"); slash != std::string::npos) base.erase(0, slash + 1);
  if (const auto dot = base.rfind('.'); dot != std::string::npos) base.erase(dot);
  return base;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool PaintInterfaceImage(const TImageNeed& need, TCanvas& canvas) {
  if (need.path.rfind("Art/Interface/", 0) != 0) return false;
  const std::string base = BaseName(need.path);
  const double w = canvas.Width();
  const double h = canvas.Height();
  if (base == "Selection") {
    canvas.Ring(w * 0.5, h * 0.5, w * 0.42, h * 0.4, 2.5, {90, 240, 100, 230});
  } else if (base == "CursorBottom") {
    canvas.FillDiamond(1, 1, w - 2, h - 2, {250, 220, 60, 60});
    canvas.Line(w * 0.5, 1, w - 1, h * 0.5, 2.0, {250, 220, 60, 255});
    canvas.Line(w - 1, h * 0.5, w * 0.5, h - 1, 2.0, {250, 220, 60, 255});
    canvas.Line(w * 0.5, h - 1, 1, h * 0.5, 2.0, {250, 220, 60, 255});
    canvas.Line(1, h * 0.5, w * 0.5, 1, 2.0, {250, 220, 60, 255});
  } else if (base == "CursorTop") {
    Cursor(need, canvas);
  } else if (base.rfind("DeployTile", 0) == 0) {
    // The deployment squares of the two sides: blue, then green.
    const TRgba colour = EndsWith(base, "0") ? TRgba{40, 80, 255, 110} : TRgba{40, 230, 80, 110};
    canvas.FillDiamond(0, 0, w, h, colour);
    canvas.FillDiamond(w * 0.25, h * 0.25, w * 0.5, h * 0.5, WithAlpha(colour, 60));
  } else {
    return Marker(base, canvas) || WidgetPiece(base, need, canvas);
  }
  return true;
}

void PaintPlaceholder(const TImageNeed& need, TCanvas& canvas) {
  for (const TCell& cell : need.cells) {
    canvas.FillRect(cell.x + 2, cell.y + 2, cell.width - 4, cell.height - 4, {200, 60, 200, 160});
    canvas.Ring(cell.x + cell.width * 0.5, cell.y + cell.height * 0.5, cell.width * 0.3, cell.height * 0.3, 2.0,
                {255, 255, 255, 255});
  }
}

}  // namespace art
