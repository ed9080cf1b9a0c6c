// Node graphs come with maps (".nde") and with the mission data of a
// single-player battle ("Node.dat"): any file must either be refused or give
// a graph whose route queries stay within it and that saves again. The input
// is the whole file, read through TNodeGraph::Load.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ai/movement_class.h"
#include "ai/node_graph.h"
#include "app/data_stream.h"
#include "platform/file_system.h"
#include "units/path_search.h"
#include "fuzz_scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Refused versions are logged into the working folder.
  fuzz::EnterScratchFolder("node_graph");
  std::atexit([] { std::remove("input.nde"); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!platform::WriteWholeFile("input.nde", data, size)) std::abort();
  TNodeGraph graph;
  if (!graph.Load("input.nde")) {
    if (graph.NodeCount() != 0 || !graph.PendingNodes().empty()) std::abort();
    return 0;
  }

  // A graph that loaded is whole: its connections lead to its own nodes.
  const int32_t count = graph.NodeCount();
  for (int32_t i = 0; i < count && i < 32; ++i) {
    const TAINode& node = *graph.Node(i);
    for (int32_t c = 0; c < node.ConnectionCount(); ++c) {
      if (graph.Node(node.ConnectionTarget(c)) == nullptr) std::abort();
    }
    std::vector<TVector3> reachable;
    graph.CollectReachable(i, i % kMovementClassCount, reachable);
    graph.FindNodeAt(graph.NodePosition(i));
  }
  if (count > 1) {
    std::vector<TVector3> route;
    graph.FindRoute(0, count - 1, kSmallWalker, route);
  }
  TDataStream copy;
  graph.WriteBody(copy);
  copy.Rewind();
  TNodeGraph again;
  if (!again.ReadBody(copy) || again.NodeCount() != count) std::abort();
  return 0;
}
