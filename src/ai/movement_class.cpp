#include "ai/movement_class.h"

#include <array>
#include <memory>

#include "app/vector3.h"
#include "world/volume.h"

namespace {

constexpr std::array<std::string_view, kMovementClassCount> kClassNames = {
    "Tiny Flyer", "Small Flyer", "Large Flyer", "Small Walker", "Medium Walker", "Large Walker"};

struct TUnitTypeClass {
  std::string_view typeName;
  int32_t classIndex;
};

// Unit types by body size; compared exactly and in this order.
constexpr std::array<TUnitTypeClass, 20> kUnitTypeClasses = {{
    {"Buzzer", kTinyFlyer},         {"Hunter", kSmallFlyer},       {"Saucer", kLargeFlyer},
    {"Commander", kSmallWalker},    {"Grunt", kSmallWalker},       {"Grenadier", kSmallWalker},
    {"Sniper", kSmallWalker},       {"Medic", kSmallWalker},       {"Exterminator", kSmallWalker},
    {"Goo Spitter", kSmallWalker},  {"Sentry", kSmallWalker},      {"Warp Gunner", kSmallWalker},
    {"Psyker", kSmallWalker},       {"Scanner", kMediumWalker},    {"Drone", kMediumWalker},
    {"Spiker", kMediumWalker},      {"AI", kLargeWalker},          {"Missile Tank", kLargeWalker},
    {"Queen", kLargeWalker},        {"Guardian", kLargeWalker},
}};

void AddSphere(TCompoundVolume& shape, const TVector3* positionRef, float z, float radius) {
  shape.Add(std::make_unique<TSphereVolume>(positionRef, TVector3(0.0f, 0.0f, z), radius));
}

void AddBox(TCompoundVolume& shape, const TVector3* positionRef, const TVector3& centre, const TVector3& size) {
  shape.Add(std::make_unique<TBoxVolume>(positionRef, centre, size));
}

}  // namespace

std::string_view MovementClassName(int32_t classIndex) {
  if (classIndex < 0 || classIndex >= kMovementClassCount) return {};
  return kClassNames[static_cast<std::size_t>(classIndex)];
}

void BuildClassShape(TCompoundVolume& shape, const TVector3* positionRef, int32_t classIndex) {
  shape.DeleteAll();
  switch (classIndex) {
    case kTinyFlyer:
      AddSphere(shape, positionRef, 0.72f, 0.15f);
      break;
    case kSmallFlyer:
      AddSphere(shape, positionRef, 0.8f, 0.155f);
      break;
    case kLargeFlyer:
      // A cross of two boxes.
      AddBox(shape, positionRef, TVector3(0.0f, 0.0f, 0.8f), TVector3(0.8f, 1.1f, 0.4f));
      AddBox(shape, positionRef, TVector3(0.0f, 0.0f, 0.8f), TVector3(1.1f, 0.8f, 0.4f));
      break;
    case kSmallWalker:
      AddBox(shape, positionRef, TVector3(0.0f, 0.0f, 0.5f), TVector3(0.4f, 0.4f, 1.0f));
      break;
    case kMediumWalker:
      AddBox(shape, positionRef, TVector3(0.0f, 0.0f, 0.5f), TVector3(0.5f, 0.5f, 1.0f));
      break;
    case kLargeWalker:
      AddSphere(shape, positionRef, 0.4f, 0.8f);
      break;
    default:
      break;
  }
}

int32_t MovementClassForUnitType(const std::string& unitTypeName) {
  for (const TUnitTypeClass& entry : kUnitTypeClasses) {
    if (entry.typeName == unitTypeName) return entry.classIndex;
  }
  return kSmallWalker;
}
