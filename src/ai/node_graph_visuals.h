// What the map designer shows of a movement node graph: a "MovementPoint"
// marker on every node, a "NodeConnection" bar along every connection that
// is open for the graph's shown movement class, and the "ANodePath" markers
// of the last route tried between two points. All are interface visuals of
// the map view; without one nothing is built.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "display/visual_registry.h"

class TNodeGraph;
class TWorld;

class TNodeGraphVisuals {
 public:
  // The graph must outlive the visuals.
  explicit TNodeGraphVisuals(const TNodeGraph& graph) : graph_(graph) {}

  // Builds what is missing (a node's marker on first use, a connection's
  // bar while it is open for the shown class), drops what no longer stands,
  // and draws the markers, the bars and the route.
  void RefreshVisuals();
  // The first call keeps the point as the start of a route and clears the
  // last route; the next finds the route over the graph from that start to
  // the point for the unit type and marks every point of it. True when a
  // route of more than one point is found (and marked, when a library
  // builds the markers).
  bool TryRoutePoint(const TVector3& point, const std::string& unitTypeName, TWorld& world);
  void ClearPathVisuals();

  int32_t NodeVisualCount() const;
  int32_t ConnectionVisualCount() const { return static_cast<int32_t>(connections_.size()); }
  int32_t PathVisualCount() const { return static_cast<int32_t>(path_.size()); }
  bool HasPathStart() const { return pathStart_ != nullptr; }

 private:
  // A visual and where it was built, so that a graph loaded anew with other
  // points at the same indices gets visuals of its own.
  struct TPlaced {
    TVector3 from;
    TVector3 to;
    TMapVisualPtr visual;
  };

  void RefreshNode(int32_t index);
  void RefreshConnections(int32_t index);

  const TNodeGraph& graph_;
  std::vector<TPlaced> nodes_;
  // By node and connection index.
  std::map<std::pair<int32_t, int32_t>, TPlaced> connections_;
  std::vector<TMapVisualPtr> path_;
  std::unique_ptr<TVector3> pathStart_;
};
