#include "ai/node_graph_visuals.h"

#include "ai/node_graph.h"

namespace {

constexpr const char* kInterface = "Interface";
constexpr const char* kNodeMarker = "MovementPoint";
constexpr const char* kConnectionBar = "NodeConnection";
constexpr const char* kPathMarker = "ANodePath";

}  // namespace

int32_t TNodeGraphVisuals::NodeVisualCount() const {
  int32_t count = 0;
  for (const TPlaced& node : nodes_) count += node.visual != nullptr ? 1 : 0;
  return count;
}

void TNodeGraphVisuals::RefreshVisuals() {
  const int32_t count = graph_.NodeCount();
  nodes_.resize(static_cast<std::size_t>(count));
  // Connections of nodes that are gone go with them.
  connections_.erase(connections_.lower_bound({count, 0}), connections_.end());
  for (int32_t i = 0; i < count; ++i) {
    RefreshNode(i);
    RefreshConnections(i);
  }
  for (const TMapVisualPtr& marker : path_) RenderMapVisual(marker.get());
}

void TNodeGraphVisuals::RefreshNode(int32_t index) {
  TPlaced& node = nodes_[static_cast<std::size_t>(index)];
  const TVector3 at = graph_.NodePosition(index);
  if (node.visual == nullptr || !(node.from == at)) {
    TVector3 position = at;
    node.visual = BuildMapVisual(kNodeMarker, kInterface, &position, true);
    node.from = at;
  }
  RenderMapVisual(node.visual.get());
}

void TNodeGraphVisuals::RefreshConnections(int32_t index) {
  const TAINode* node = graph_.Node(index);
  const int32_t shownClass = graph_.GetShownClass();
  const int32_t connectionCount = node != nullptr ? node->ConnectionCount() : 0;
  // Entries past the node's connections are dropped.
  connections_.erase(connections_.lower_bound({index, connectionCount}), connections_.lower_bound({index + 1, 0}));
  for (int32_t c = 0; c < connectionCount; ++c) {
    const TNodeConnection* connection = node->Connection(c);
    const std::pair<int32_t, int32_t> key{index, c};
    if (!connection->IsOpenFor(shownClass)) {
      connections_.erase(key);
      continue;
    }
    TPlaced& bar = connections_[key];
    if (bar.visual == nullptr || !(bar.from == node->Position()) || !(bar.to == connection->Position())) {
      bar.visual = BuildMapBar(kConnectionBar, kInterface, node->Position(), connection->Position(), nullptr);
      bar.from = node->Position();
      bar.to = connection->Position();
    }
    RenderMapVisual(bar.visual.get());
  }
}

bool TNodeGraphVisuals::TryRoutePoint(const TVector3& point, const std::string& unitTypeName, TWorld& world) {
  if (pathStart_ == nullptr) {
    pathStart_ = std::make_unique<TVector3>(point);
    ClearPathVisuals();
    return false;
  }
  const TVector3 start = *pathStart_;
  pathStart_.reset();
  std::vector<TVector3> route;
  graph_.FindRouteBetween(start, point, unitTypeName, world, route);
  if (route.size() <= 1) return false;
  for (const TVector3& at : route) {
    TVector3 position = at;
    if (TMapVisualPtr marker = BuildMapVisual(kPathMarker, kInterface, &position, true)) {
      path_.push_back(std::move(marker));
    }
  }
  return true;
}

void TNodeGraphVisuals::ClearPathVisuals() { path_.clear(); }
