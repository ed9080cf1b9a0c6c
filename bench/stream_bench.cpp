// Saving and loading a stream the size of a large saved game.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/data_stream.h"

namespace {

constexpr uint32_t kRecords = 26000;  // about 1 MB of body

// A folder of its own for the files the benchmarks write, removed at exit.
class BenchFolder {
 public:
  BenchFolder() {
    char pattern[] = "/tmp/dvx_stream_bench_XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    path_ = pattern;
  }
  ~BenchFolder() { std::filesystem::remove_all(path_); }
  std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

const BenchFolder& Folder() {
  static const BenchFolder folder;
  return folder;
}

// Records shaped like saved objects: a type name, an id, a position, flags.
void FillGameLikeBody(TDataStream& stream) {
  static const char* const kNames[] = {"TUnit", "TDoor", "TPowerCell", "TAmmoDump"};
  for (uint32_t i = 0; i < kRecords; ++i) {
    stream.WriteString(kNames[i % 4]);
    stream.WriteInt(i);
    stream.WriteFloat(static_cast<float>(i % 64) + 0.5f);
    stream.WriteFloat(static_cast<float>(i / 64) + 0.25f);
    stream.WriteFloat(0.0f);
    stream.WriteShort(static_cast<uint16_t>(i * 7));
    stream.WriteByte(static_cast<uint8_t>(i & 1));
  }
}

void BM_StreamWriteCompressSave(benchmark::State& state) {
  const std::string path = Folder().File("save.dvx");
  std::size_t bytes = 0;
  for (auto _ : state) {
    TDataStream stream("Vorhelm-3-10");
    FillGameLikeBody(stream);
    bytes = stream.Body().size();
    if (!stream.SaveToFile(path)) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_StreamWriteCompressSave)->Unit(benchmark::kMillisecond);

void BM_StreamLoadDecompressRead(benchmark::State& state) {
  const std::string path = Folder().File("load.dvx");
  TDataStream written("Vorhelm-3-10");
  FillGameLikeBody(written);
  if (!written.SaveToFile(path)) {
    state.SkipWithError("save failed");
    return;
  }
  for (auto _ : state) {
    TDataStream stream("Vorhelm-3-10");
    if (!stream.LoadFromFile(path)) {
      state.SkipWithError("load failed");
      break;
    }
    float sum = 0.0f;
    for (uint32_t i = 0; i < kRecords; ++i) {
      benchmark::DoNotOptimize(stream.ReadString());
      stream.ReadInt();
      sum += stream.ReadFloat() + stream.ReadFloat() + stream.ReadFloat();
      stream.ReadShort();
      stream.ReadByte();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written.Body().size()));
}
BENCHMARK(BM_StreamLoadDecompressRead)->Unit(benchmark::kMillisecond);

}  // namespace
