// Loads a terrain table from arbitrary terrain-set text and builds the
// volumes of every type, as a placed tile would. Besides crashes, leaks and
// runaway loops, the checks below trap when a table stops describing itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/log.h"
#include "app/vector3.h"
#include "world/terrain_type.h"
#include "world/volume.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

void ExerciseType(const TTerrainTypeTable& table, const TTerrainType& type) {
  const TVector3 position(3.0f, 4.0f, 0.0f);
  TCompoundVolume fire;
  TCompoundVolume sight;
  type.BuildFireVolume(fire, &position);
  type.BuildSightVolume(sight, &position);
  Check(sight.Count() == type.GetSightShapes().size());
  Check(fire.Count() == type.GetSightShapes().size() + type.GetFireShapes().size());
  if (!fire.IsEmpty()) {
    TVector3 centre;
    fire.Centre(centre);
    fire.MaxGroundRadius();
    fire.MinDistanceTo(position);
    TCompoundVolume placed(fire, &position);
    Check(placed.Count() == fire.Count());
    fire.AnyIntersects(sight);
  }

  for (int32_t direction = -1; direction <= 4; ++direction) {
    const int32_t exit = type.PowerExit(direction);
    Check(exit >= -1 && exit <= 3);
  }
  // A linked successor is a type of this table bearing the linked name.
  const TTerrainType* destroyed = type.GetDestroyedType();
  if (destroyed != nullptr) {
    Check(destroyed->GetName() == type.GetDestroyedName());
    Check(table.Find(type.GetDestroyedName()) == destroyed);
  }
  Check(type.GetDoorKey() == "any");
  const TTerrainType* found = table.Find(type.GetName());
  Check(found != nullptr);
  Check(table.At(table.IndexOf(type.GetName())) == found);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Faulty shapes are logged; keep the log from growing without end.
  static uint32_t runs = 0;
  if (runs++ % 256 == 0) {
    ResetLog();
  }

  const std::string text(reinterpret_cast<const char*>(data), size);
  TTerrainTypeTable table("fuzz", text);
  Check(table.At(table.Count()) == nullptr);
  for (int32_t index = 0; index < table.Count(); ++index) {
    const TTerrainType* type = table.At(index);
    Check(type != nullptr);
    ExerciseType(table, *type);
  }
  // Switching sets replaces the table; the same name keeps it.
  const int32_t count = table.Count();
  table.SetTerrainSet("fuzz", "[Terrain Data]\n[Floor]\n");
  Check(table.Count() == count);
  table.SetTerrainSet("other", text);
  Check(table.Count() == count);
  return 0;
}
