// Stream files come from mail and from disk: the header, the compressed body
// and everything a loader reads from the body must survive any bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/vector3.h"
#include "fuzz_scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A refused version shows its message, which also goes to the log in the
  // working folder: keep that out of the caller's folder, and let the log
  // swallow the endless refusals of a run.
  fuzz::EnterScratchFolder("stream");
  return 0;
}

namespace {

// Reads the body the way loaders do, steered by its own bytes, until a read fails.
void ReadBody(TDataStream& stream, int depth) {
  while (!stream.HasFailed() && stream.Remaining() > 0) {
    switch (stream.ReadByte() % 8) {
      case 0:
        stream.ReadShort();
        break;
      case 1:
        stream.ReadInt();
        break;
      case 2:
        stream.ReadFloat();
        break;
      case 3:
        stream.ReadString();
        break;
      case 4: {
        TVector3 point(stream);
        point.Normalise();
        point.DirectionIndex(TVector3(), 8);
        point.Neighbours();
        point.ScreenCentreY(1.0f);
        break;
      }
      case 5: {
        TStringList names;
        if (names.Load(stream)) names.At(names.Count() - 1);
        break;
      }
      case 6: {
        TDataStream embedded("Vorhelm-3-10");
        if (stream.ExtractStream(embedded) && depth < 4) ReadBody(embedded, depth + 1);
        break;
      }
      default: {
        uint8_t buffer[16];
        stream.ReadBytes(buffer, stream.ReadByte() % sizeof buffer);
        break;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  TDataStream stream("Vorhelm-3-10");
  if (!stream.LoadFromBytes(bytes)) {
    if (!stream.Body().empty()) std::abort();
    return 0;
  }
  // However much a header claims, a body never outgrows the cap.
  if (stream.Body().size() > kMaxDataFileBytes) std::abort();
  ReadBody(stream, 0);
  return 0;
}
