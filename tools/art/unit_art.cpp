// Units of the four races, drawn as small solid models in every facing and
// animation frame their sheets hold: columns are the eight facings, rows the
// frames of the animation. Races differ in build and palette (armoured
// soldiers, machines, slender psychics, a brood of creatures); sides differ by
// the team patches.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "art/model.h"
#include "art/painters.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

// What one frame of an animation asks of a model.
struct TPose {
  double stride = 0.0;   // leg swing, -1 to 1
  double bob = 0.0;      // body lift in height units
  double aim = 0.0;      // 0 weapon lowered, 1 raised to fire
  double recoil = 0.0;   // 0 to 1
  bool flash = false;    // muzzle flash
  double heal = -1.0;    // phase of the healing glow, 0 to 1; below 0 none
  double fall = 0.0;     // 0 standing to 1 lying (death)
  double open = 0.0;     // egg opening, queen laying: 0 to 1
  bool remains = false;  // the last death frame: the corpse
};

struct TPalette {
  TRgba main;
  TRgba dark;
  TRgba light;
  TRgba eye;
  TRgba blood;
};

const TPalette kMarine{{104, 122, 98, 255}, {58, 66, 56, 255}, {168, 172, 150, 255}, {96, 232, 110, 255},
                       {150, 20, 24, 255}};
const TPalette kMachine{{150, 150, 158, 255}, {70, 70, 80, 255}, {206, 206, 212, 255}, {120, 255, 140, 255},
                        {40, 38, 36, 255}};
const TPalette kGrey{{178, 166, 182, 255}, {88, 58, 98, 255}, {222, 214, 226, 255}, {20, 16, 24, 255},
                     {120, 60, 140, 255}};
const TPalette kBrood{{92, 148, 84, 255}, {52, 78, 50, 255}, {214, 204, 176, 255}, {250, 220, 90, 255},
                      {120, 200, 60, 255}};

const TRgba kGun{52, 54, 60, 255};
// Colours of large areas keep red and blue near each other, so that a body
// looks the same on either side once the swapper has exchanged them.
const TRgba kBroodSac{150, 204, 136, 255};
const TRgba kFlash{255, 240, 160, 255};
const TRgba kHealGlow{140, 255, 150, 255};

using TBuilder = std::function<void(TModel&, const TPose&)>;

// --- soldiers and psychics ---------------------------------------------------

struct TBodyPlan {
  const TPalette* palette;
  double height = 1.0;   // scale of the whole figure
  double bulk = 1.0;     // width of the torso
  double headSize = 1.0;
  bool helmet = true;
  bool backpack = true;
  bool robe = false;
};

void Humanoid(TModel& m, const TPose& pose, const TBodyPlan& plan) {
  const TPalette& p = *plan.palette;
  const double s = plan.height;
  const double lift = pose.bob;
  const double swing = pose.stride * 0.12 * s;
  // Legs.
  if (plan.robe) {
    m.Ellipsoid({0.0, 0.0, 0.22 * s + lift}, {0.13 * plan.bulk, 0.14 * plan.bulk, 0.22 * s}, p.dark);
  } else {
    for (int side = -1; side <= 1; side += 2) {
      const double forward = side * swing;
      m.Capsule({0.0, side * 0.07 * plan.bulk, 0.32 * s + lift}, {forward, side * 0.08 * plan.bulk, 0.05 + lift},
                0.055 * plan.bulk, p.dark);
    }
  }
  // Torso, team shoulders and chest band.
  m.Ellipsoid({0.0, 0.0, 0.5 * s + lift}, {0.11 * plan.bulk, 0.15 * plan.bulk, 0.17 * s}, p.main);
  m.Ellipsoid({0.05 * plan.bulk, 0.0, 0.5 * s + lift}, {0.075 * plan.bulk, 0.12 * plan.bulk, 0.04 * s}, kTeam);
  for (int side = -1; side <= 1; side += 2) {
    m.Sphere({0.0, side * 0.16 * plan.bulk, 0.6 * s + lift}, 0.07 * plan.bulk, kTeam);
  }
  if (plan.backpack) m.Box({-0.13 * plan.bulk, 0.0, 0.52 * s + lift}, {0.05, 0.1 * plan.bulk, 0.12 * s}, p.dark);
  // Head.
  const double headZ = 0.76 * s + lift;
  const double r = 0.09 * plan.headSize;
  if (plan.helmet) {
    m.Sphere({0.0, 0.0, headZ}, r, p.light);
    m.Ellipsoid({r * 0.8, 0.0, headZ}, {0.03, 0.065 * plan.headSize, 0.03}, p.eye);
  } else {
    m.Ellipsoid({0.0, 0.0, headZ + r * 0.4}, {r * 1.0, r * 1.1, r * 1.35}, p.light);
    for (int side = -1; side <= 1; side += 2) {
      m.Ellipsoid({r * 0.85, side * r * 0.45, headZ + r * 0.3}, {0.02, 0.035, 0.045}, p.eye);
    }
  }
  // Arms reach for the weapon; aiming lifts it to the shoulder.
  const double handZ = (0.45 + 0.12 * pose.aim) * s + lift;
  const double back = -0.06 * pose.recoil;
  for (int side = -1; side <= 1; side += 2) {
    m.Capsule({0.0, side * 0.16 * plan.bulk, 0.58 * s + lift}, {0.2 + back, side * 0.06, handZ}, 0.04 * plan.bulk,
              p.main);
  }
  if (pose.heal >= 0.0) {
    for (int k = 0; k < 3; ++k) {
      const double phase = std::fmod(pose.heal + k / 3.0, 1.0);
      const double angle = 2.0 * kPi * (k / 3.0 + pose.heal * 0.5);
      m.Glow({0.22 * std::cos(angle), 0.22 * std::sin(angle), 0.2 + phase * 0.8 * s}, 0.035, kHealGlow);
    }
  }
}

// A long arm of the weapon from the hands forward, with its muzzle flash.
void Weapon(TModel& m, const TPose& pose, double s, double length, double radius, TRgba colour) {
  const double z = (0.45 + 0.12 * pose.aim) * s + pose.bob;
  const double back = -0.06 * pose.recoil;
  m.Capsule({0.08 + back, -0.05, z - 0.02}, {0.08 + length + back, -0.05, z + 0.04 * pose.aim}, radius, colour);
  if (pose.flash) m.Glow({0.14 + length + back, -0.05, z + 0.04 * pose.aim}, radius + 0.05, kFlash);
}

void Grunt(TModel& m, const TPose& pose) {
  Humanoid(m, pose, {&kMarine});
  Weapon(m, pose, 1.0, 0.3, 0.028, kGun);
}

void Grenadier(TModel& m, const TPose& pose) {
  Humanoid(m, pose, {&kMarine, 1.05, 1.2});
  Weapon(m, pose, 1.05, 0.24, 0.06, kMarine.dark);
}

void Psyker(TModel& m, const TPose& pose) {
  TBodyPlan plan{&kGrey, 0.95, 0.8, 1.6, false, false, true};
  Humanoid(m, pose, plan);
  const double pulse = pose.flash ? 0.09 : 0.05 + 0.02 * pose.aim;
  m.Glow({0.18, 0.0, 0.98 + pose.bob}, pulse, {220, 110, 230, 255});
}

void WarpGunner(TModel& m, const TPose& pose) {
  Humanoid(m, pose, {&kGrey, 0.95, 0.85, 1.4, false, false, false});
  Weapon(m, pose, 0.95, 0.34, 0.035, kGrey.dark);
  const double z = (0.45 + 0.12 * pose.aim) * 0.95 + pose.bob;
  m.Glow({0.3, -0.05, z + 0.02}, 0.045, {120, 240, 130, 255});
}

void Scanner(TModel& m, const TPose& pose) {
  // A psychic riding a hovering disc that carries a dish.
  const double hover = 0.12 + pose.bob;
  m.Ellipsoid({0.0, 0.0, hover}, {0.3, 0.3, 0.05}, kGrey.dark);
  m.Ellipsoid({0.0, 0.0, hover + 0.03}, {0.2, 0.2, 0.03}, kTeam);
  TPose rider = pose;
  rider.bob = hover - 0.02;
  Humanoid(m, rider, {&kGrey, 0.7, 0.75, 1.5, false, false, true});
  m.Capsule({-0.15, 0.15, hover}, {-0.15, 0.15, hover + 0.55}, 0.02, kGun);
  m.Ellipsoid({-0.12, 0.15, hover + 0.6}, {0.03, 0.12, 0.12}, kGrey.light, 0.3 * pose.aim);
  if (pose.flash) m.Glow({-0.05, 0.15, hover + 0.6}, 0.08, {180, 255, 190, 255});
}

void Regenerator(TModel& m, const TPose& pose) {
  Humanoid(m, pose, {&kGrey, 1.0, 0.9, 1.5, false, false, true});
  const double z = (0.45 + 0.12 * pose.aim) + pose.bob;
  m.Glow({0.26, 0.0, z}, pose.flash ? 0.11 : 0.07, kHealGlow);
}

// --- machines ------------------------------------------------------------------

void Tracks(TModel& m, const TPose& pose, double length, double width, TRgba colour) {
  for (int side = -1; side <= 1; side += 2) {
    m.Box({0.0, side * width, 0.09 + pose.bob * 0.3}, {length, 0.07, 0.09}, colour);
    for (int k = -1; k <= 1; ++k) {
      const double roll = std::fmod(k * length * 0.6 + pose.stride * 0.05 + 4.0, 0.12);
      m.Sphere({k * length * 0.6 + roll - 0.06, side * (width + 0.075), 0.09}, 0.045, kGun);
    }
  }
}

void MissileTank(TModel& m, const TPose& pose) {
  Tracks(m, pose, 0.3, 0.17, kMachine.dark);
  m.Box({0.0, 0.0, 0.24}, {0.27, 0.15, 0.08}, kMachine.main);
  m.Box({0.05, 0.0, 0.33}, {0.14, 0.12, 0.02}, kTeam);
  // The launcher pod tilts up to fire.
  const double tilt = -0.25 - 0.35 * pose.aim;
  const double back = -0.05 * pose.recoil;
  m.Box({-0.02 + back, 0.0, 0.42}, {0.16, 0.13, 0.07}, kMachine.light);
  for (int side = -1; side <= 1; side += 2) {
    m.Capsule({0.1 + back, side * 0.06, 0.42}, {0.2 + back, side * 0.06, 0.42 - tilt * 0.2}, 0.035, kGun);
  }
  m.Glow({-0.1, 0.1, 0.34}, 0.025, kMachine.eye);
  if (pose.flash) m.Glow({0.26 + back, 0.0, 0.48}, 0.09, kFlash);
}

void Spiker(TModel& m, const TPose& pose) {
  // A four-legged walker with a spike gun under its body.
  const double lift = 0.34 + pose.bob;
  for (int fx = -1; fx <= 1; fx += 2) {
    for (int side = -1; side <= 1; side += 2) {
      const double step = pose.stride * 0.08 * fx * side;
      const TPoint3 hip{fx * 0.12, side * 0.1, lift};
      const TPoint3 knee{fx * 0.2 + step, side * 0.24, lift + 0.08};
      const TPoint3 foot{fx * 0.22 + step, side * 0.26, 0.03};
      m.Capsule(hip, knee, 0.035, kMachine.dark);
      m.Capsule(knee, foot, 0.03, kMachine.main);
    }
  }
  m.Ellipsoid({0.0, 0.0, lift + 0.04}, {0.2, 0.16, 0.1}, kMachine.main);
  m.Ellipsoid({-0.02, 0.0, lift + 0.12}, {0.12, 0.1, 0.04}, kTeam);
  m.Glow({0.18, 0.05, lift + 0.07}, 0.025, kMachine.eye);
  m.Glow({0.18, -0.05, lift + 0.07}, 0.025, kMachine.eye);
  const double back = -0.05 * pose.recoil;
  m.Capsule({0.1 + back, 0.0, lift - 0.06}, {0.38 + back, 0.0, lift - 0.04 + 0.08 * pose.aim}, 0.03, kGun);
  if (pose.flash) m.Glow({0.42 + back, 0.0, lift + 0.08 * pose.aim}, 0.07, kFlash);
}

void MechHQ(TModel& m, const TPose& pose) {
  Tracks(m, pose, 0.32, 0.22, kMachine.dark);
  m.Box({0.0, 0.0, 0.3}, {0.28, 0.22, 0.12}, kMachine.main);
  m.Box({-0.04, 0.0, 0.5}, {0.16, 0.14, 0.09}, kMachine.light);
  m.Ellipsoid({-0.04, 0.0, 0.62}, {0.12, 0.12, 0.07}, kTeam);
  m.Capsule({-0.15, 0.12, 0.55}, {-0.15, 0.12, 1.05}, 0.015, kGun);
  m.Glow({-0.15, 0.12, 1.07}, pose.flash ? 0.06 : 0.035, kTeamLight);
  m.Glow({0.29, 0.0, 0.34}, 0.03, kMachine.eye);
}

void MarineHQ(TModel& m, const TPose& pose) {
  // An armoured command carrier on wheels with a dish and a flag.
  for (int fx = -1; fx <= 1; fx += 2) {
    for (int side = -1; side <= 1; side += 2) {
      m.Ellipsoid({fx * 0.2, side * 0.2, 0.1}, {0.1, 0.05, 0.1}, kGun, 0.0);
    }
  }
  m.Box({0.0, 0.0, 0.28}, {0.32, 0.19, 0.12}, kMarine.main);
  m.Box({0.22, 0.0, 0.33}, {0.08, 0.16, 0.06}, kMarine.light);
  m.Box({-0.08, 0.0, 0.44}, {0.16, 0.15, 0.05}, kTeam);
  m.Capsule({-0.2, -0.1, 0.45}, {-0.2, -0.1, 1.0 + pose.bob}, 0.015, kGun);
  m.Box({-0.2, -0.2, 0.92 + pose.bob}, {0.01, 0.1, 0.07}, kTeam);
  m.Ellipsoid({0.0, 0.1, 0.58}, {0.04, 0.12, 0.12}, kMarine.light, 0.4 + pose.aim);
  m.Glow({0.33, 0.1, 0.33}, 0.03, kMarine.eye);
  m.Glow({0.33, -0.1, 0.33}, 0.03, kMarine.eye);
}

// --- the brood -----------------------------------------------------------------

void BugLegs(TModel& m, const TPose& pose, double length, double bodyZ, int pairs, TRgba colour) {
  for (int k = 0; k < pairs; ++k) {
    const double along = pairs == 1 ? 0.0 : -0.15 + 0.3 * k / (pairs - 1);
    for (int side = -1; side <= 1; side += 2) {
      const double step = pose.stride * 0.07 * ((k + (side > 0 ? 1 : 0)) % 2 == 0 ? 1.0 : -1.0);
      const TPoint3 hip{along * length * 2.0, side * 0.08, bodyZ};
      const TPoint3 knee{along * length * 2.4 + step, side * (0.08 + length * 0.7), bodyZ + 0.1};
      const TPoint3 foot{along * length * 2.6 + step, side * (0.1 + length), 0.02};
      m.Capsule(hip, knee, 0.025, colour);
      m.Capsule(knee, foot, 0.02, colour);
    }
  }
}

void Drone(TModel& m, const TPose& pose) {
  const double z = 0.22 + pose.bob;
  BugLegs(m, pose, 0.18, z, 3, kBrood.dark);
  m.Ellipsoid({-0.08, 0.0, z + 0.02}, {0.16, 0.1, 0.09}, kBrood.main);
  m.Ellipsoid({-0.1, 0.0, z + 0.09}, {0.1, 0.07, 0.03}, kTeam);
  m.Ellipsoid({0.12, 0.0, z + 0.04}, {0.08, 0.07, 0.07}, kBrood.main);
  m.Glow({0.18, 0.04, z + 0.07}, 0.02, kBrood.eye);
  m.Glow({0.18, -0.04, z + 0.07}, 0.02, kBrood.eye);
  const double reach = 0.05 * pose.aim + 0.08 * pose.recoil;
  for (int side = -1; side <= 1; side += 2) {
    m.Capsule({0.16, side * 0.05, z}, {0.3 + reach, side * 0.04, z - 0.06 + 0.1 * pose.aim}, 0.018, kBrood.light);
  }
  if (pose.flash) m.Glow({0.34 + reach, 0.0, z + 0.04}, 0.06, {200, 255, 120, 255});
}

void Guardian(TModel& m, const TPose& pose) {
  const double z = 0.3 + pose.bob;
  BugLegs(m, pose, 0.24, z, 3, kBrood.dark);
  m.Ellipsoid({-0.05, 0.0, z + 0.06}, {0.26, 0.2, 0.15}, kBrood.dark);
  m.Ellipsoid({-0.07, 0.0, z + 0.14}, {0.2, 0.15, 0.08}, kBrood.main);
  m.Ellipsoid({-0.09, 0.0, z + 0.21}, {0.12, 0.06, 0.025}, kTeam);
  m.Ellipsoid({0.2, 0.0, z + 0.06}, {0.09, 0.1, 0.08}, kBrood.main);
  for (int side = -1; side <= 1; side += 2) {
    const double reach = 0.06 * pose.aim + 0.1 * pose.recoil;
    m.Capsule({0.22, side * 0.1, z}, {0.38 + reach, side * 0.16, z + 0.08}, 0.04, kBrood.light);
    m.Capsule({0.38 + reach, side * 0.16, z + 0.08}, {0.46 + reach, side * 0.08, z - 0.04}, 0.03, kBrood.light);
  }
  m.Glow({0.28, 0.05, z + 0.1}, 0.02, kBrood.eye);
  m.Glow({0.28, -0.05, z + 0.1}, 0.02, kBrood.eye);
  if (pose.flash) m.Glow({0.5, 0.0, z}, 0.07, {200, 255, 120, 255});
}

void Splatter(TModel& m, const TPose& pose) {
  const double z = 0.18 + pose.bob;
  BugLegs(m, pose, 0.14, z, 2, kBrood.dark);
  const double swell = 1.0 + 0.15 * pose.aim + (pose.flash ? 0.25 : 0.0);
  m.Ellipsoid({-0.02, 0.0, z + 0.16}, {0.2 * swell, 0.2 * swell, 0.2 * swell}, kBroodSac);
  m.Ellipsoid({-0.02, 0.0, z + 0.3 * swell}, {0.1, 0.1, 0.07}, kTeam);
  m.Ellipsoid({0.16 * swell, 0.0, z + 0.06}, {0.07, 0.07, 0.06}, kBrood.main);
  m.Glow({0.22 * swell, 0.03, z + 0.08}, 0.018, kBrood.eye);
  m.Glow({0.22 * swell, -0.03, z + 0.08}, 0.018, kBrood.eye);
}

void GooSpitter(TModel& m, const TPose& pose) {
  const double z = 0.3 + pose.bob;
  BugLegs(m, pose, 0.2, z - 0.05, 2, kBrood.dark);
  m.Ellipsoid({-0.1, 0.0, z + 0.05}, {0.18, 0.14, 0.14}, kBrood.main);
  m.Ellipsoid({-0.12, 0.0, z + 0.17}, {0.1, 0.08, 0.04}, kTeam);
  // The neck rises to spit.
  const double neck = 0.12 + 0.12 * pose.aim;
  m.Capsule({0.04, 0.0, z + 0.08}, {0.16, 0.0, z + neck + 0.1}, 0.06, kBrood.main);
  m.Sphere({0.16, 0.0, z + 0.04}, 0.08 + 0.03 * pose.recoil, kBroodSac);
  m.Ellipsoid({0.22, 0.0, z + neck + 0.13}, {0.08, 0.06, 0.05}, kBrood.light);
  m.Glow({0.27, 0.035, z + neck + 0.16}, 0.018, kBrood.eye);
  m.Glow({0.27, -0.035, z + neck + 0.16}, 0.018, kBrood.eye);
  if (pose.flash) m.Glow({0.34, 0.0, z + neck + 0.12}, 0.07, {170, 255, 60, 255});
}

void Queen(TModel& m, const TPose& pose) {
  const double z = 0.26 + pose.bob;
  BugLegs(m, pose, 0.26, z, 3, kBrood.dark);
  // The swollen abdomen sinks while she lays.
  const double low = 0.1 * pose.open;
  m.Ellipsoid({-0.22, 0.0, z + 0.08 - low}, {0.26, 0.2, 0.17}, {150, 120, 150, 255});
  for (int k = 0; k < 3; ++k) {
    m.Ellipsoid({-0.34 + 0.12 * k, 0.0, z + 0.22 - low - 0.02 * k}, {0.04, 0.16, 0.03}, kTeam);
  }
  m.Ellipsoid({0.06, 0.0, z + 0.12}, {0.12, 0.12, 0.13}, kBrood.main);
  m.Ellipsoid({0.2, 0.0, z + 0.24 + 0.05 * pose.aim}, {0.08, 0.09, 0.07}, kBrood.main);
  m.Capsule({0.2, 0.06, z + 0.3}, {0.12, 0.14, z + 0.5}, 0.02, kBrood.light);
  m.Capsule({0.2, -0.06, z + 0.3}, {0.12, -0.14, z + 0.5}, 0.02, kBrood.light);
  m.Glow({0.27, 0.04, z + 0.27}, 0.02, kBrood.eye);
  m.Glow({0.27, -0.04, z + 0.27}, 0.02, kBrood.eye);
  if (pose.open > 0.3) m.Ellipsoid({-0.5, 0.0, 0.08}, {0.08 * pose.open, 0.07 * pose.open, 0.09 * pose.open}, kBrood.light);
  if (pose.flash) m.Glow({0.34, 0.0, z + 0.26}, 0.07, {200, 255, 120, 255});
}

void Egg(TModel& m, const TPose& pose) {
  const double crack = pose.open;
  const TRgba shell{188, 184, 176, 255};
  if (crack < 0.5) {
    m.Ellipsoid({0.0, 0.0, 0.2 + 0.02 * std::sin(pose.stride * kPi)}, {0.16, 0.16, 0.21}, shell);
    m.Ellipsoid({0.0, 0.0, 0.38}, {0.09, 0.09, 0.04}, kTeam);
    if (crack > 0.0) m.Glow({0.1, 0.0, 0.28}, 0.03 + 0.05 * crack, {200, 255, 120, 255});
  } else {
    // Split shell with the hatchling rising out of it.
    for (int side = -1; side <= 1; side += 2) {
      m.Ellipsoid({0.0, side * 0.09, 0.14}, {0.15, 0.07, 0.15}, shell, 0.0);
    }
    m.Ellipsoid({0.0, 0.0, 0.18 + 0.2 * (crack - 0.5)}, {0.1, 0.08, 0.09}, kBrood.main);
    m.Glow({0.08, 0.03, 0.22 + 0.2 * (crack - 0.5)}, 0.018, kBrood.eye);
    m.Glow({0.08, -0.03, 0.22 + 0.2 * (crack - 0.5)}, 0.018, kBrood.eye);
  }
}

struct TDesign {
  TBuilder build;
  const TPalette* palette;
  double scale;  // figures are drawn larger than vehicles, which fill a tile
  double fall;   // how far the body tips over in death, radians: vehicles hardly tip
};

const std::map<std::string, TDesign>& Designs() {
  static const std::map<std::string, TDesign> designs = {
      {"Grunt", {Grunt, &kMarine, 1.3, 1.4}},          {"Grenadier", {Grenadier, &kMarine, 1.3, 1.4}},
      {"MarineHQ", {MarineHQ, &kMarine, 1.0, 0.2}},    {"MissileTank", {MissileTank, &kMachine, 1.0, 0.2}},
      {"Spiker", {Spiker, &kMachine, 1.1, 0.6}},       {"MechHQ", {MechHQ, &kMachine, 0.95, 0.15}},
      {"Psyker", {Psyker, &kGrey, 1.1, 1.4}},          {"WarpGunner", {WarpGunner, &kGrey, 1.2, 1.4}},
      {"Scanner", {Scanner, &kGrey, 1.1, 1.4}},        {"Regenerator", {Regenerator, &kGrey, 1.15, 1.4}},
      {"Queen", {Queen, &kBrood, 1.0, 0.4}},           {"Egg", {Egg, &kBrood, 1.3, 0.3}},
      {"Splatter", {Splatter, &kBrood, 1.3, 0.5}},     {"GooSpitter", {GooSpitter, &kBrood, 1.2, 0.8}},
      {"Drone", {Drone, &kBrood, 1.3, 0.8}},           {"Guardian", {Guardian, &kBrood, 1.1, 0.6}},
  };
  return designs;
}

const char* const kAnimations[] = {"Stand", "Run", "Fire", "Heal", "Aim", "Death", "Lay", "Hatch"};

TPose PoseOf(const std::string& animation, int32_t frame, int32_t frames) {
  TPose pose;
  const double t = frames > 0 ? static_cast<double>(frame) / frames : 0.0;
  if (animation == "Run") {
    pose.stride = std::sin(2.0 * kPi * t);
    pose.bob = 0.025 * std::fabs(std::cos(2.0 * kPi * t));
    pose.aim = 0.2;
  } else if (animation == "Fire") {
    pose.aim = 1.0;
    pose.flash = frame % 2 == 0;
    pose.recoil = frame % 2 == 0 ? 1.0 : 0.3;
  } else if (animation == "Aim") {
    pose.aim = 1.0;
  } else if (animation == "Heal") {
    pose.heal = t;
  } else if (animation == "Death") {
    pose.fall = frames > 1 ? static_cast<double>(frame) / (frames - 1) : 1.0;
    pose.remains = frame == frames - 1;
  } else if (animation == "Lay" || animation == "Hatch") {
    pose.open = frames > 1 ? static_cast<double>(frame + 1) / frames : 1.0;
    pose.stride = t;
  }
  return pose;
}

void DrawFrame(TCanvas& canvas, const TCell& cell, const TDesign& design, TPose pose, double facing) {
  const TPalette& palette = *design.palette;
  TCanvas frame(cell.width, cell.height);
  const double groundX = cell.width * 0.5;
  // A body lying towards the viewer needs room below its feet.
  const double groundY = cell.height * 0.85 - 9.0 * pose.fall * design.fall / 1.4;
  // Shadow on the ground, then blood or oil under the fallen.
  frame.FillEllipse(groundX, groundY, cell.width * 0.22, cell.width * 0.1, {0, 0, 0, 80});
  // The side ring round the feet reads from every facing, even where the
  // body hides its patches; the fallen lose it.
  if (pose.fall == 0.0) {
    frame.Ring(groundX, groundY, cell.width * 0.3, cell.width * 0.13, cell.width / 32.0, kTeam);
  }
  if (pose.fall > 0.6) {
    const double size = (pose.fall - 0.6) / 0.4;
    frame.FillEllipse(groundX, groundY, cell.width * 0.26 * size, cell.width * 0.12 * size, WithAlpha(palette.blood, 200));
  }
  TModel model;
  if (pose.fall > 0.0) {
    model.SetFall(pose.fall * design.fall, pose.fall * 0.08);
  }
  design.build(model, pose);
  TView view;
  view.facing = facing;
  view.groundX = groundX;
  view.groundY = groundY;
  view.scale = cell.width / 64.0 * design.scale;
  RenderModel(model, view, frame, 0, 0, cell.width, cell.height);
  if (pose.remains) {
    // What stays on the ground: the same body, dulled.
    for (int32_t y = 0; y < frame.Height(); ++y) {
      for (int32_t x = 0; x < frame.Width(); ++x) {
        const TRgba c = frame.Get(x, y);
        if (c.a == 255) frame.Set(x, y, Mix(c, Shade(palette.dark, 0.7), 0.45));
      }
    }
  }
  frame.Outline(0, 0, frame.Width(), frame.Height(), 0.3);
  canvas.Paste(frame, cell.x, cell.y);
}

}  // namespace

bool PaintUnitSheet(const TImageNeed& need, TCanvas& canvas) {
  if (need.path.rfind("Art/Units/", 0) != 0) return false;
  const std::string base = BaseName(need.path);
  for (const char* animation : kAnimations) {
    if (!EndsWith(base, animation)) continue;
    const std::string type = base.substr(0, base.size() - std::string(animation).size());
    const auto design = Designs().find(type);
    if (design == Designs().end()) return false;
    // Columns are facings; rows are frames.
    int32_t rows = 1;
    for (const TCell& cell : need.cells) rows = std::max(rows, (cell.y + cell.height) / std::max(cell.height, 1));
    std::vector<TCell> drawn;
    for (const TCell& cell : need.cells) {
      bool seen = false;
      for (const TCell& other : drawn) seen = seen || (other.x == cell.x && other.y == cell.y);
      if (seen || cell.width <= 0 || cell.height <= 0) continue;
      drawn.push_back(cell);
      const int32_t column = cell.x / cell.width;
      const int32_t row = cell.y / cell.height;
      DrawFrame(canvas, cell, design->second, PoseOf(animation, row, rows), FacingAngle(column));
    }
    return true;
  }
  return false;
}

}  // namespace art
