// Map areas and object records come from map files and mail: an area list
// and a bit set read from any body must load or fail cleanly, and what loads
// must save and load back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/data_stream.h"
#include "app/vector3.h"
#include "world/bit_set.h"
#include "world/bounding_box.h"

namespace {

// Hostile boxes can be vast; a few points of each walk are enough.
constexpr int kWalkPoints = 64;

void Check(bool condition) {
  if (!condition) std::abort();
}

void ExerciseAreas(TAreaList& areas, const char* tag) {
  for (std::size_t i = 0; i < areas.Count(); ++i) {
    TBoundingBox& box = *areas.At(i);
    TVector3 centre;
    box.Centre(centre);
    areas.FindContaining(centre);
    box.ContainsWithRadius(centre, 1.0f);
    box.SetSpacing(box.Extent(0));
    for (int n = 0; n < kWalkPoints && box.NextGridPoint() != nullptr; ++n) {
    }
  }
  TDataStream saved(tag);
  areas.Save(saved);
  saved.Rewind();
  TAreaList reloaded;
  Check(reloaded.Load(saved) && reloaded.Count() == areas.Count() && saved.Remaining() == 0);
  TDataStream again(tag);
  reloaded.Save(again);
  Check(again.Body() == saved.Body());
}

void ExerciseBits(TDataStream& stream, const char* tag) {
  const bool failedBefore = stream.HasFailed();
  TBitSet bits(stream);
  if (stream.HasFailed() && !failedBefore) Check(bits.Size() == 0);
  bits.Set(bits.Size(), true);  // outside: ignored
  Check(!bits.Test(bits.Size()));
  bits.FlipAll();
  bits.AllSet();
  TDataStream saved(tag);
  bits.Save(saved);
  Check(saved.Body().size() == 4 + bits.Size());
  saved.Rewind();
  Check(TBitSet(saved) == bits && !saved.HasFailed());
}

}  // namespace

// The first byte picks the stream version (the old form carries a count
// before every point); the rest is the body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* tag = (data[0] & 1) != 0 ? "Vorhelm-1-05" : "Vorhelm-3-10";
  TDataStream stream(tag);
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();

  TAreaList areas;
  if (areas.Load(stream)) {
    Check(!stream.HasFailed());
    ExerciseAreas(areas, tag);
  } else {
    Check(stream.HasFailed() && areas.Count() == 0);
  }
  ExerciseBits(stream, tag);
  return 0;
}
