// The computer opponent's movement node graph: a coarse graph of movement
// points on a map whose directed connections store, per movement class, the
// length of the route a unit of that class really has between the two points
// (0 when it cannot pass). The planner asks it for routes between nodes and
// for the node a unit should start from; the costs are worked out with the
// fine route search, a few nodes per AI turn. Stored with each map (".nde")
// and with the mission data ("Node.dat").
//
// The graph's visuals and the designer's route preview belong to the map
// designer and are not kept here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/vector3.h"

class TDataStream;
class TWorld;

// One directed link to another node.
class TNodeConnection {
 public:
  TNodeConnection(int32_t target, const TVector3& position) : target_(target), position_(position) {}

  // Costs are known and the class's is above 0.0001.
  bool IsOpenFor(int32_t movementClass) const;
  // The class may be skipped because a smaller class is already blocked
  // here; class 0 never is, a class outside 0..5 always is.
  bool IsBlockedFor(int32_t movementClass) const;
  // 0 when the costs are not known or the class is outside them.
  float Cost(int32_t movementClass) const;
  void SetCosts(std::vector<float> costs) { costs_ = std::move(costs); }
  const std::vector<float>& Costs() const { return costs_; }
  void AppendIfOpen(int32_t movementClass, std::vector<TVector3>& points) const;

  int32_t Target() const { return target_; }
  const TVector3& Position() const { return position_; }

 private:
  int32_t target_;
  TVector3 position_;
  // Route length per class 0..5; empty until computed.
  std::vector<float> costs_;
};

class TAINode {
 public:
  explicit TAINode(const TVector3& position) : position_(position) {}

  void AddConnection(int32_t target, const TVector3& position);
  bool HasConnectionTo(int32_t target) const;
  // 0 when there is no connection to the target.
  float CostTo(int32_t target, int32_t movementClass) const;
  int32_t ConnectionCount() const { return static_cast<int32_t>(connections_.size()); }
  // Null for an index outside the connections.
  TNodeConnection* Connection(int32_t index) const;
  // -1 for an index outside the connections.
  int32_t ConnectionTarget(int32_t index) const;
  // Empty for an index outside the connections.
  const std::vector<float>& ConnectionCosts(int32_t index) const;
  // The first connection to the target only.
  void SetCostsOfConnectionTo(int32_t target, const std::vector<float>& costs);
  // Every connection's target position when open for the class, in order.
  void CollectOpenNeighbours(int32_t movementClass, std::vector<TVector3>& points) const;
  void SetHub(bool flag) { hub_ = flag ? 1 : 0; }
  bool IsHub() const { return hub_ != 0; }

  const TVector3& Position() const { return position_; }

 private:
  TVector3 position_;
  std::vector<std::unique_ptr<TNodeConnection>> connections_;
  uint8_t hub_ = 0;
};

class TNodeGraph {
 public:
  static constexpr float kSamePlace = 0.0001f;
  // Nodes nearer a point than this may be its start node.
  static constexpr float kCandidateRadius = 8.0f;
  // Nodes nearer a changed door than this get their costs worked out again.
  static constexpr float kRequeueRadius = 6.0f;
  // Reach of the route search that finds a start node.
  static constexpr float kStartSearchRange = kCandidateRadius + 2.0f;
  static constexpr int32_t kPendingPerCall = 4;
  // The class whose connections the designer shows at first.
  static constexpr int32_t kDefaultShownClass = 3;

  TNodeGraph();
  ~TNodeGraph();
  TNodeGraph(const TNodeGraph&) = delete;
  TNodeGraph& operator=(const TNodeGraph&) = delete;

  // --- files ---------------------------------------------------------------
  // Replaces the graph with the file's. A missing file leaves the graph
  // empty and gives false; so does a file that does not read whole.
  bool Load(const std::string& fileName);
  // Writes the current format; false (the previous file kept) when the file
  // cannot be written.
  bool Save(const std::string& fileName) const;
  // The body alone, under the stream's version. A body that does not read
  // whole (counts beyond the bytes left, a node index outside the graph, a
  // cost list that is neither empty nor one per class, a cost below zero or
  // a cost or position that is not finite) leaves the graph empty and marks
  // the stream failed.
  bool ReadBody(TDataStream& stream);
  void WriteBody(TDataStream& stream) const;

  // --- nodes ---------------------------------------------------------------
  int32_t NodeCount() const { return static_cast<int32_t>(nodes_.size()); }
  // Null for an index outside the graph.
  TAINode* Node(int32_t index) const;
  // (0, 0, 0) for an index outside the graph.
  TVector3 NodePosition(int32_t index) const;
  // Appends a node without connections; returns its index.
  int32_t AddNode(const TVector3& position);
  // Connects the two nodes both ways (connections with unknown costs); false
  // for an index outside the graph, the same node twice, or nodes already
  // connected.
  bool Connect(int32_t a, int32_t b);
  void DeleteAll();

  // --- the route search's questions ------------------------------------------
  // The first node at the point (within 0.0001 on every axis); 0 when none
  // is, which the caller cannot tell from node 0.
  int32_t FindNodeAt(const TVector3& point) const;
  // Appends the positions the node's connections open for the class lead to.
  void CollectReachable(int32_t node, int32_t movementClass, std::vector<TVector3>& points) const;
  // The cost of the node's connection to the other; 0 when not connected.
  float ConnectionCost(int32_t node, int32_t other, int32_t movementClass) const;

  // --- routes ----------------------------------------------------------------
  // The node a unit of the class at the point starts from: the candidate
  // within 8.0 with the shortest fine route to it; -1 when none is reachable.
  int32_t NearestReachableNode(const TVector3& point, int32_t movementClass, TWorld& world) const;
  int32_t NodeIndexForUnitType(const TVector3& point, const std::string& unitTypeName, TWorld& world) const;
  // Appends the route over the graph between the two nodes; true when it
  // reaches the second.
  bool FindRoute(int32_t fromIndex, int32_t toIndex, int32_t movementClass, std::vector<TVector3>& route) const;
  bool FindRouteBetween(const TVector3& a, const TVector3& b, const std::string& unitTypeName, TWorld& world,
                        std::vector<TVector3>& route) const;

  // --- connection costs --------------------------------------------------------
  // Queues the nodes within 6.0 of the point for their costs; urgent ones go
  // to the front.
  void QueueNodesNear(const TVector3& point, bool urgent);
  const std::vector<int32_t>& PendingNodes() const { return pendingNodes_; }
  // Works out the costs of up to four queued nodes, oldest first.
  void ProcessPendingNodes(TWorld& world);
  // The route lengths of the connection for every class, unless it has them.
  void ComputeConnectionCosts(int32_t node, int32_t connection, TWorld& world);
  // Every connection back to the node takes the cost list of the node's
  // connection to its source.
  void MakeSymmetric(int32_t node);
  // Makes the node of the point (a large walker's, else a small walker's)
  // a hub joined to every other hub.
  void AddHubAt(const TVector3& point, TWorld& world);

  int32_t GetShownClass() const { return shownClass_; }
  void SetShownClass(int32_t movementClass) { shownClass_ = movementClass; }

 private:
  bool IsNodeIndex(int32_t index) const { return index >= 0 && index < NodeCount(); }
  bool ReadNode(TDataStream& stream, int32_t nodeCount);
  // The fine route's length from one point to the other for the class's
  // shape within the range; 0 when it does not get there.
  static float FineRouteLength(TWorld& world, const TVector3& from, const TVector3& to, int32_t movementClass,
                               float range);

  // A cell of the lattice the nodes are filed by: wider than twice the
  // same-place tolerance, so a point's matches lie in at most two cells a
  // side. Coordinates are kept as doubles: every float scales and floors
  // exactly there.
  struct TCell {
    double x;
    double y;
    double z;
    bool operator==(const TCell& other) const = default;
  };
  struct TCellHash {
    std::size_t operator()(const TCell& cell) const;
  };
  static constexpr double kCellsPerUnit = 4.0;
  static double CellOf(float coordinate, float offset);
  void FileNode(int32_t index);

  std::vector<std::unique_ptr<TAINode>> nodes_;
  // The nodes by cell, in index order: FindNodeAt reads a few cells however
  // large a graph a file brings.
  std::unordered_map<TCell, std::vector<int32_t>, TCellHash> cells_;
  std::vector<int32_t> pendingNodes_;
  int32_t shownClass_ = kDefaultShownClass;
};
