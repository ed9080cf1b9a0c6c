// Shots, impact sparks, blasts, smoke, goo and shields: flat glowing shapes,
// one cell per frame, coloured by the weapon or race that makes them.
#include <algorithm>
#include <cmath>
#include <map>

#include "art/painters.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct TGlowColours {
  TRgba core;
  TRgba outer;
};

// Each weapon's tint, by the name its shot and spark images start with.
TGlowColours WeaponColours(const std::string& weapon) {
  static const std::map<std::string, TGlowColours> colours = {
      {"Grunt", {{255, 250, 190, 255}, {255, 190, 60, 255}}},
      {"Grenadier", {{255, 220, 120, 255}, {90, 96, 80, 255}}},
      {"MissileTank", {{255, 240, 200, 255}, {255, 140, 40, 255}}},
      {"Spiker", {{240, 240, 250, 255}, {150, 150, 170, 255}}},
      {"Psyker", {{255, 200, 255, 255}, {210, 80, 220, 255}}},
      {"WarpGunner", {{210, 255, 210, 255}, {90, 230, 110, 255}}},
      {"Scanner", {{230, 255, 230, 255}, {140, 220, 150, 255}}},
      {"Queen", {{240, 255, 170, 255}, {160, 210, 60, 255}}},
      {"GooSpitter", {{220, 255, 140, 255}, {120, 200, 40, 255}}},
      {"Drone", {{250, 255, 200, 255}, {190, 220, 80, 255}}},
      {"Guardian", {{255, 240, 190, 255}, {200, 170, 70, 255}}},
  };
  const auto found = colours.find(weapon);
  return found != colours.end() ? found->second : TGlowColours{{255, 255, 255, 255}, {200, 200, 200, 255}};
}

int32_t FramesOf(const TImageNeed& need) {
  int32_t frames = 0;
  for (const TCell& cell : need.cells) frames = std::max(frames, (cell.x + cell.width) / std::max(cell.width, 1));
  return std::max(frames, 1);
}

// Every distinct cell once, with its frame number along the row.
template <typename TDraw>
void ForEachFrame(const TImageNeed& need, TDraw draw) {
  const int32_t frames = FramesOf(need);
  std::vector<std::pair<int32_t, int32_t>> done;
  for (const TCell& cell : need.cells) {
    const std::pair<int32_t, int32_t> at{cell.x, cell.y};
    if (std::find(done.begin(), done.end(), at) != done.end() || cell.width <= 0 || cell.height <= 0) continue;
    done.push_back(at);
    draw(cell, cell.x / cell.width, frames);
  }
}

void Shot(TCanvas& canvas, const TCell& cell, int32_t frame, const std::string& weapon) {
  const TGlowColours c = WeaponColours(weapon);
  const double cx = cell.x + cell.width * 0.5;
  const double cy = cell.y + cell.height * 0.5;
  const double r = cell.width * 0.16;
  const double pulse = frame % 2 == 0 ? 1.0 : 0.8;
  if (weapon == "Grenadier") {
    canvas.FillEllipse(cx, cy, r * 1.1, r * 1.1, {70, 76, 64, 255});
    canvas.FillEllipse(cx - r * 0.35, cy - r * 0.35, r * 0.4, r * 0.4, {150, 156, 140, 255});
    canvas.FillEllipse(cx + r, cy - r, r * 0.35 * pulse, r * 0.35 * pulse, c.core);
  } else if (weapon == "Spiker" || weapon == "MissileTank") {
    canvas.Line(cx - r * 1.6, cy, cx + r * 1.4, cy, r * 0.8, c.outer);
    canvas.Line(cx - r * 1.2, cy, cx + r * 1.8, cy, r * 0.45, c.core);
    canvas.FillEllipse(cx - r * 1.8, cy, r * 0.7 * pulse, r * 0.5 * pulse, {255, 170, 60, 200});
  } else {
    canvas.FillEllipse(cx, cy, r * 1.6 * pulse, r * 1.6 * pulse, WithAlpha(c.outer, 110));
    canvas.FillEllipse(cx, cy, r * pulse, r * pulse, c.outer);
    canvas.FillEllipse(cx, cy, r * 0.55, r * 0.55, c.core);
  }
}

void Spark(TCanvas& canvas, const TCell& cell, int32_t frame, int32_t frames, const std::string& weapon) {
  const TGlowColours c = WeaponColours(weapon);
  const double t = (frame + 1.0) / frames;
  const double cx = cell.x + cell.width * 0.5;
  const double cy = cell.y + cell.height * 0.5;
  const double reach = cell.width * 0.45 * t;
  const uint8_t alpha = static_cast<uint8_t>(255 * (1.0 - 0.6 * t));
  for (int k = 0; k < 8; ++k) {
    const double angle = kPi * 2.0 * k / 8 + 0.3;
    const double inner = reach * 0.45;
    canvas.Line(cx + std::cos(angle) * inner, cy + std::sin(angle) * inner * 0.7, cx + std::cos(angle) * reach,
                cy + std::sin(angle) * reach * 0.7, 1.6, WithAlpha(c.outer, alpha));
  }
  canvas.FillEllipse(cx, cy, cell.width * 0.18 * (1.0 - t * 0.5), cell.width * 0.14 * (1.0 - t * 0.5),
                     WithAlpha(c.core, alpha));
}

// A ball of fire that swells and turns to smoke; `tint` colours an implosion or goo burst.
void Blast(TCanvas& canvas, const TCell& cell, int32_t frame, int32_t frames, TRgba hot, TRgba cool, bool inward,
           uint32_t seed) {
  TNoise noise(seed + static_cast<uint32_t>(frame) * 7919u);
  const double t = frames > 1 ? static_cast<double>(frame) / (frames - 1) : 1.0;
  const double grow = inward ? 1.0 - t * 0.7 : 0.3 + 0.7 * std::sqrt(t);
  const double cx = cell.x + cell.width * 0.5;
  const double cy = cell.y + cell.height * 0.55;
  const double r = cell.width * 0.42 * grow;
  const uint8_t fade = static_cast<uint8_t>(255 * (1.0 - 0.75 * t * t));
  for (int k = 0; k < 9; ++k) {
    const double angle = noise.Between(0.0, 2.0 * kPi);
    const double d = noise.Between(0.2, 0.6) * r;
    const double size = noise.Between(0.35, 0.55) * r;
    canvas.FillEllipse(cx + std::cos(angle) * d, cy + std::sin(angle) * d * 0.75, size, size * 0.85,
                       WithAlpha(Mix(hot, cool, t), fade));
  }
  if (inward) canvas.Ring(cx, cy, r, r * 0.75, 2.5, WithAlpha(hot, fade));
  if (t < 0.6) canvas.FillEllipse(cx, cy, r * 0.45 * (1.0 - t), r * 0.4 * (1.0 - t), {255, 250, 220, 255});
}

void Smoke(TCanvas& canvas, const TCell& cell, int32_t frame, int32_t frames) {
  TNoise noise(SeedOf("smoke"));
  const double drift = static_cast<double>(frame) / frames;
  for (int k = 0; k < 5; ++k) {
    const double phase = std::fmod(k / 5.0 + drift, 1.0);
    const double x = cell.x + cell.width * (0.5 + noise.Between(-0.12, 0.12));
    const double y = cell.y + cell.height * (0.8 - 0.65 * phase);
    const double r = cell.width * (0.1 + 0.16 * phase);
    const uint8_t alpha = static_cast<uint8_t>(170 * (1.0 - phase));
    canvas.FillEllipse(x, y, r, r * 0.85, {110, 108, 104, alpha});
    canvas.FillEllipse(x - r * 0.25, y - r * 0.25, r * 0.5, r * 0.4, {150, 148, 144, alpha});
  }
}

void Goo(TCanvas& canvas, const TCell& cell, int32_t frame, double size, uint32_t seed) {
  TNoise noise(seed);
  const double cx = cell.x + cell.width * 0.5;
  const double cy = cell.y + cell.height * 0.5;
  const TRgba goo{120, 200, 50, 220};
  for (int k = 0; k < 6; ++k) {
    const double dx = noise.Between(-0.25, 0.25) * cell.width * size;
    const double dy = noise.Between(-0.2, 0.2) * cell.height * size;
    const double r = noise.Between(0.12, 0.22) * cell.width * size;
    canvas.FillEllipse(cx + dx, cy + dy, r, r * 0.5, goo);
  }
  const double shine = frame % 2 == 0 ? 0.0 : 2.0;
  canvas.FillEllipse(cx - 4 + shine, cy - 2, 3.0 * size + 1, 1.5 * size + 0.5, {220, 255, 170, 230});
}

void Shield(TCanvas& canvas, const TCell& cell, int32_t frame, int32_t frames) {
  const double cx = cell.x + cell.width * 0.5;
  const double cy = cell.y + cell.height * 0.55;
  const double shimmer = std::sin(2.0 * kPi * frame / std::max(frames, 1));
  canvas.FillEllipse(cx, cy, cell.width * 0.42, cell.height * 0.46, {110, 200, 240, 70});
  canvas.Ring(cx, cy, cell.width * 0.42, cell.height * 0.46, 2.0, {170, 230, 255, 170});
  canvas.Ring(cx, cy - 3 * shimmer, cell.width * 0.3, cell.height * 0.12, 1.5, {200, 240, 255, 120});
}

void PsychicWaves(TCanvas& canvas, const TCell& cell, int32_t frame, int32_t frames) {
  const double cx = cell.x + cell.width * 0.5;
  const double cy = cell.y + cell.height * 0.5;
  for (int k = 0; k < 3; ++k) {
    const double phase = std::fmod(k / 3.0 + static_cast<double>(frame) / frames, 1.0);
    const double r = cell.width * (0.08 + 0.38 * phase);
    canvas.Ring(cx, cy, r, r * 0.7, 2.0, {220, 90, 235, static_cast<uint8_t>(230 * (1.0 - phase))});
  }
  canvas.FillEllipse(cx, cy, 4, 3, {255, 210, 255, 255});
}

}  // namespace

bool PaintEffectSheet(const TImageNeed& need, TCanvas& canvas) {
  if (need.path.rfind("Art/Effects/", 0) != 0) return false;
  const std::string base = BaseName(need.path);
  const uint32_t seed = SeedOf(base.c_str());
  if (EndsWith(base, "Shot")) {
    const std::string weapon = base.substr(0, base.size() - 4);
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t) { Shot(canvas, cell, frame, weapon); });
  } else if (EndsWith(base, "Ptang")) {
    const std::string weapon = base.substr(0, base.size() - 5);
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) {
      Spark(canvas, cell, frame, frames, weapon);
    });
  } else if (base == "Explosion") {
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) {
      Blast(canvas, cell, frame, frames, {255, 200, 70, 255}, {90, 84, 80, 255}, false, seed);
    });
  } else if (base == "Implosion") {
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) {
      Blast(canvas, cell, frame, frames, {230, 120, 240, 255}, {70, 30, 90, 255}, true, seed);
    });
  } else if (base == "GooExplosion") {
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) {
      Blast(canvas, cell, frame, frames, {200, 255, 110, 255}, {80, 140, 40, 255}, false, seed);
    });
  } else if (base == "Smoke") {
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) { Smoke(canvas, cell, frame, frames); });
  } else if (base.rfind("Goo", 0) == 0 && base.size() == 4) {
    const double size = 0.5 + 0.25 * (base[3] - '1');
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t) { Goo(canvas, cell, frame, size, seed); });
  } else if (base == "Shield") {
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) { Shield(canvas, cell, frame, frames); });
  } else if (base == "PsychicAttack") {
    ForEachFrame(need, [&](const TCell& cell, int32_t frame, int32_t frames) {
      PsychicWaves(canvas, cell, frame, frames);
    });
  } else {
    return false;
  }
  return true;
}

}  // namespace art
