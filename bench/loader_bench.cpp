// Loaders of outside data on large crafted inputs: each file shape that once
// cost time or memory beyond its size (unclosed headers, many sections, a
// compressed body of zeros, many doors, many tiles, a long node graph,
// events in falling time order, many ids) at growing sizes. The fitted
// complexity of each family ("BigO") must stay at N log N or below, and
// "heap/byte" (memory still held after the load, per input byte) must not
// grow with N.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ai/movement_class.h"
#include "ai/node_graph.h"
#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/string_table.h"
#include "display/text/font_manager.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "sim/event_registration.h"
#include "sim/world_events.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/terrain_object.h"

namespace {

const char* const kTerrain =
    "# bench set\n[Terrain Data]\n"
    "[Floor]\nType = ground\nDestroyed = none\n"
    "[Door]\nDoor Type = closed\nNext Door = Door\nMovement Type = "
    "blocked\nType = wall\nDestroyed = none\n";

// Blocks in use, and the large ones malloc maps on their own.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Records the input size and the memory the load left held, per input byte.
void Report(benchmark::State& state, std::size_t inputBytes, std::size_t heldBytes) {
  state.SetComplexityN(static_cast<int64_t>(inputBytes));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(inputBytes));
  state.counters["input"] = static_cast<double>(inputBytes);
  state.counters["heap/byte"] = static_cast<double>(heldBytes) / static_cast<double>(inputBytes);
}

// Times `load` (which returns what it loaded, or null when the load failed)
// and notes the heap its result holds.
template <typename TLoad>
void MeasureLoads(benchmark::State& state, std::size_t inputBytes, TLoad load) {
  std::size_t held = 0;
  for (auto _ : state) {
    const std::size_t before = HeapInUse();
    const std::shared_ptr<void> loaded = load();
    if (loaded == nullptr) {
      state.SkipWithError("the load failed");
      return;
    }
    held = HeapInUse() - before;
  }
  Report(state, inputBytes, held);
}

// A stream over a copy of the body, read from its start.
std::unique_ptr<TDataStream> StreamOf(const std::vector<uint8_t>& body) {
  auto stream = std::make_unique<TDataStream>();
  stream->Body() = body;
  stream->Rewind();
  return stream;
}

std::string Repeat(const std::string& piece, int64_t times) {
  std::string text;
  text.reserve(piece.size() * static_cast<std::size_t>(times));
  for (int64_t i = 0; i < times; ++i) text += piece;
  return text;
}

// --- text files
// ---------------------------------------------------------------------------

// "[" at every line start and never a "]": each header search once ran to the
// end.
void BM_LoaderConfigUnclosedHeaders(benchmark::State& state) {
  const std::string text = Repeat("[\n", state.range(0));
  MeasureLoads(state, text.size(), [&text]() -> std::shared_ptr<void> {
    auto parser = std::make_shared<TConfigParser>();
    parser->SetText(text);
    benchmark::DoNotOptimize(parser->SelectSection("Missing"));
    return parser;
  });
}
BENCHMARK(BM_LoaderConfigUnclosedHeaders)->RangeMultiplier(4)->Range(1 << 12, 1 << 20)->Complexity();

void BM_LoaderLanguageFileUnclosedHeaders(benchmark::State& state) {
  const std::string text = "[Section]\n0 = text\n" + Repeat("[\n", state.range(0));
  MeasureLoads(state, text.size(), [&text]() -> std::shared_ptr<void> {
    auto section = std::make_shared<TStringTableSection>();
    section->Parse(text);
    return section;
  });
}
BENCHMARK(BM_LoaderLanguageFileUnclosedHeaders)->RangeMultiplier(4)->Range(1 << 12, 1 << 20)->Complexity();

struct TFontsRead {
  TConfigParser config;
  TFontManager fonts;
};

void BM_LoaderFontStylesManySections(benchmark::State& state) {
  std::string text;
  for (int64_t i = 0; i < state.range(0); ++i) {
    text += "[Style" + std::to_string(i) + "]\nFont = Arial\nSize = 12\nColour = 255,255,255\n";
  }
  MeasureLoads(state, text.size(), [&text]() -> std::shared_ptr<void> {
    auto read = std::make_shared<TFontsRead>();
    read->config.SetText(text);
    return read->fonts.LoadFonts(read->config, false) > 0 ? read : nullptr;
  });
}
BENCHMARK(BM_LoaderFontStylesManySections)->RangeMultiplier(4)->Range(1 << 8, 1 << 14)->Complexity();

// --- stream files
// -------------------------------------------------------------------------

// A compressed body of zeros: a few bytes of file that inflate a thousandfold.
void BM_LoaderStreamCompressedZeros(benchmark::State& state) {
  const std::string path = "/tmp/dvx_loader_bench_zeros.dvx";
  TDataStream body("Vorhelm-3-10");
  body.Body().assign(static_cast<std::size_t>(state.range(0)), 0);
  TDataStream raw;
  const bool written = body.SaveToFile(path) && raw.LoadRaw(path);
  std::remove(path.c_str());
  if (!written) {
    state.SkipWithError("the file could not be written");
    return;
  }
  const std::vector<uint8_t> file = raw.Body();
  MeasureLoads(state, file.size(), [&file]() -> std::shared_ptr<void> {
    auto stream = std::make_shared<TDataStream>("Vorhelm-3-10");
    return stream->LoadFromBytes(file) ? stream : nullptr;
  });
}
BENCHMARK(BM_LoaderStreamCompressedZeros)->RangeMultiplier(4)->Range(1 << 20, 1 << 26)->Complexity();

// --- maps
// ---------------------------------------------------------------------------------

enum class EMapShape { kFloors, kDoorRows };

// A square map of n tiles: floors everywhere, or rows of doors one cell apart
// (every door looks for its pair).
std::vector<uint8_t> MapFile(const TGameData& data, int64_t n, EMapShape shape) {
  int32_t side = 1;
  while (static_cast<int64_t>(side) * side < n) ++side;
  TMap map(side, side);
  for (int64_t i = 0; i < n; ++i) {
    const auto x = static_cast<float>(i % side);
    const auto y = static_cast<float>(i / side);
    if (shape == EMapShape::kFloors) {
      map.Add(CreateTerrainObject("Floor", data, TVector3(x, y, 0.0f), 0.0f));
    } else {
      map.Add(CreateTerrainObject("Door", data, TVector3(x + 0.5f, y + 0.5f, 0.0f), 0.0f));
    }
  }
  TDataStream stream;
  WriteMapBody(stream, map);
  return stream.Body();
}

void RunMapLoad(benchmark::State& state, EMapShape shape) {
  TGameData data("", "city", kTerrain);
  const std::vector<uint8_t> body = MapFile(data, state.range(0), shape);
  MeasureLoads(state, body.size(), [&body, &data]() -> std::shared_ptr<void> {
    auto map = std::make_shared<TMap>(1, 1);
    return ReadMapBody(*StreamOf(body), data, *map) ? map : nullptr;
  });
}

void BM_LoaderMapFloorTiles(benchmark::State& state) { RunMapLoad(state, EMapShape::kFloors); }
void BM_LoaderMapDoorRows(benchmark::State& state) { RunMapLoad(state, EMapShape::kDoorRows); }
BENCHMARK(BM_LoaderMapFloorTiles)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 18)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_LoaderMapDoorRows)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// --- node graphs
// --------------------------------------------------------------------------

// A chain of n nodes, each joined to the next, loaded and searched end to end.
void BM_LoaderNodeGraphChainLoadAndRoute(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  TNodeGraph source;
  for (int32_t i = 0; i < n; ++i) source.AddNode(TVector3(static_cast<float>(i), 0.0f, 0.0f));
  for (int32_t i = 0; i + 1 < n; ++i) {
    source.Connect(i, i + 1);
    source.Node(i)->SetCostsOfConnectionTo(i + 1, std::vector<float>(kMovementClassCount, 1.0f));
    source.Node(i + 1)->SetCostsOfConnectionTo(i, std::vector<float>(kMovementClassCount, 1.0f));
  }
  TDataStream written;
  source.WriteBody(written);
  const std::vector<uint8_t>& body = written.Body();
  MeasureLoads(state, body.size(), [&body, n]() -> std::shared_ptr<void> {
    auto graph = std::make_shared<TNodeGraph>();
    std::vector<TVector3> route;
    if (!graph->ReadBody(*StreamOf(body))) return nullptr;
    // The search gives up on far goals: the way it walks counts, not where it ends.
    graph->FindRoute(0, n - 1, kSmallWalker, route);
    return route.empty() ? nullptr : graph;
  });
}
BENCHMARK(BM_LoaderNodeGraphChainLoadAndRoute)
    ->RangeMultiplier(4)
    ->Range(1 << 8, 1 << 14)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// --- events
// -------------------------------------------------------------------------------

// A turn of score events in falling time order, as a results file may
// carry them: each one goes in front of every event placed before it.
void BM_LoaderEventsInFallingTimeOrder(benchmark::State& state) {
  const int64_t n = state.range(0);
  TDataStream written;
  TStringList names;
  names.IndexOf("Score");
  names.IndexOf("End");
  names.Save(written);
  for (int64_t i = 0; i < n; ++i) {
    written.WriteShort(0);
    written.WriteFloat(static_cast<float>(n - i) * 0.001f);
    written.WriteFloat(1.0f);
    written.WriteInt(0);
  }
  written.WriteShort(1);
  static const bool registered = (RegisterEventReaders(), true);
  benchmark::DoNotOptimize(registered);
  TGameRecord record;
  TEventFactoryContext context;
  context.gameRecord = &record;
  const std::vector<uint8_t>& body = written.Body();
  MeasureLoads(state, body.size(), [&body, &context]() -> std::shared_ptr<void> {
    auto list = std::make_shared<TEventList>();
    return list->LoadTurn(*StreamOf(body), context) && list->GetEventCount() > 0 ? list : nullptr;
  });
}
BENCHMARK(BM_LoaderEventsInFallingTimeOrder)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// --- id mappers
// ---------------------------------------------------------------------------

void BM_LoaderIdMapperManyIds(benchmark::State& state) {
  const int64_t n = state.range(0);
  TDataStream written;
  written.WriteInt(static_cast<uint32_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    written.WriteInt(static_cast<uint32_t>(n - i));
    written.WriteInt(static_cast<uint32_t>(i));
  }
  written.WriteInt(static_cast<uint32_t>(n + 1));
  const std::vector<uint8_t>& body = written.Body();
  MeasureLoads(state, body.size(), [&body]() -> std::shared_ptr<void> {
    auto mapper = std::make_shared<TIdMapper>();
    return mapper->Load(*StreamOf(body)) ? mapper : nullptr;
  });
}
BENCHMARK(BM_LoaderIdMapperManyIds)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Complexity();

}  // namespace
