#include "ai/node_graph.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "ai/movement_class.h"
#include "app/data_stream.h"
#include "units/path_search.h"
#include "world/finite_values.h"
#include "world/map.h"
#include "world/volume.h"
#include "world/world.h"

namespace {

// Stream versions from which the pending list and the hub flags are stored.
constexpr float kPendingListAbove = 2.2299f;
constexpr float kHubFlagAbove = 2.2599f;
// Streams below this put a component count before each point.
constexpr float kCountedPointsBelow = 1.059f;

// A connection's search may wander this much beyond the straight distance.
constexpr float kCostRangeFactor = 1.33f;
constexpr float kCostRangeSlack = 3.0f;
// The map test of the class shapes admits every door.
const char* const kAnyAccess = "any";

std::size_t PointBytes(const TDataStream& stream) {
  return stream.GetVersion() < kCountedPointsBelow ? 16 : 12;
}

// Reads a count that the bytes left can hold at the given size per entry.
bool ReadCount(TDataStream& stream, std::size_t entryBytes, int32_t& count) {
  count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < 0 || static_cast<std::size_t>(count) > stream.Remaining() / entryBytes) {
    stream.SetFailed();
    return false;
  }
  return true;
}

}  // namespace

// --- TNodeConnection -----------------------------------------------------------

bool TNodeConnection::IsOpenFor(int32_t movementClass) const {
  return Cost(movementClass) > TNodeGraph::kSamePlace;
}

bool TNodeConnection::IsBlockedFor(int32_t movementClass) const {
  switch (movementClass) {
    case kTinyFlyer:
      return false;
    case kSmallFlyer:
      return !IsOpenFor(kTinyFlyer);
    case kLargeFlyer:
    case kSmallWalker:
      return !IsOpenFor(kSmallFlyer);
    case kMediumWalker:
      return !IsOpenFor(kSmallWalker);
    case kLargeWalker:
      return !IsOpenFor(kMediumWalker);
    default:
      return true;
  }
}

float TNodeConnection::Cost(int32_t movementClass) const {
  if (movementClass < 0 || static_cast<std::size_t>(movementClass) >= costs_.size()) return 0.0f;
  return costs_[static_cast<std::size_t>(movementClass)];
}

void TNodeConnection::AppendIfOpen(int32_t movementClass, std::vector<TVector3>& points) const {
  if (IsOpenFor(movementClass)) points.push_back(position_);
}

// --- TAINode ---------------------------------------------------------------------

void TAINode::AddConnection(int32_t target, const TVector3& position) {
  connections_.push_back(std::make_unique<TNodeConnection>(target, position));
}

bool TAINode::HasConnectionTo(int32_t target) const {
  return std::any_of(connections_.begin(), connections_.end(),
                     [target](const auto& connection) { return connection->Target() == target; });
}

float TAINode::CostTo(int32_t target, int32_t movementClass) const {
  for (const auto& connection : connections_) {
    if (connection->Target() == target) return connection->Cost(movementClass);
  }
  return 0.0f;
}

TNodeConnection* TAINode::Connection(int32_t index) const {
  if (index < 0 || index >= ConnectionCount()) return nullptr;
  return connections_[static_cast<std::size_t>(index)].get();
}

int32_t TAINode::ConnectionTarget(int32_t index) const {
  const TNodeConnection* connection = Connection(index);
  return connection != nullptr ? connection->Target() : -1;
}

const std::vector<float>& TAINode::ConnectionCosts(int32_t index) const {
  static const std::vector<float> kNone;
  const TNodeConnection* connection = Connection(index);
  return connection != nullptr ? connection->Costs() : kNone;
}

void TAINode::SetCostsOfConnectionTo(int32_t target, const std::vector<float>& costs) {
  for (const auto& connection : connections_) {
    if (connection->Target() == target) {
      connection->SetCosts(costs);
      return;
    }
  }
}

void TAINode::CollectOpenNeighbours(int32_t movementClass, std::vector<TVector3>& points) const {
  for (const auto& connection : connections_) connection->AppendIfOpen(movementClass, points);
}

// --- TNodeGraph: nodes -------------------------------------------------------------

TNodeGraph::TNodeGraph() = default;

TNodeGraph::~TNodeGraph() = default;

TAINode* TNodeGraph::Node(int32_t index) const {
  return IsNodeIndex(index) ? nodes_[static_cast<std::size_t>(index)].get() : nullptr;
}

TVector3 TNodeGraph::NodePosition(int32_t index) const {
  const TAINode* node = Node(index);
  return node != nullptr ? node->Position() : TVector3();
}

int32_t TNodeGraph::AddNode(const TVector3& position) {
  nodes_.push_back(std::make_unique<TAINode>(position));
  FileNode(NodeCount() - 1);
  return NodeCount() - 1;
}

std::size_t TNodeGraph::TCellHash::operator()(const TCell& cell) const {
  const std::hash<double> hash;
  std::size_t h = hash(cell.x);
  h = h * 1000003U ^ hash(cell.y);
  return h * 1000003U ^ hash(cell.z);
}

double TNodeGraph::CellOf(float coordinate, float offset) {
  return std::floor((static_cast<double>(coordinate) + offset) * kCellsPerUnit);
}

void TNodeGraph::FileNode(int32_t index) {
  const TVector3& at = nodes_[static_cast<std::size_t>(index)]->Position();
  cells_[TCell{CellOf(at.x, 0.0f), CellOf(at.y, 0.0f), CellOf(at.z, 0.0f)}].push_back(index);
}

bool TNodeGraph::Connect(int32_t a, int32_t b) {
  TAINode* first = Node(a);
  TAINode* second = Node(b);
  if (first == nullptr || second == nullptr || a == b || first->HasConnectionTo(b)) return false;
  first->AddConnection(b, second->Position());
  if (!second->HasConnectionTo(a)) second->AddConnection(a, first->Position());
  return true;
}

void TNodeGraph::DeleteAll() {
  nodes_.clear();
  cells_.clear();
  pendingNodes_.clear();
}

int32_t TNodeGraph::FindNodeAt(const TVector3& point) const {
  // A node within the tolerance lies in the cell of the point's low or high
  // edge on each axis (edges at twice the tolerance, for the float rounding
  // of the exact test).
  constexpr float kReach = 2.0f * kSamePlace;
  const double xs[] = {CellOf(point.x, -kReach), CellOf(point.x, kReach)};
  const double ys[] = {CellOf(point.y, -kReach), CellOf(point.y, kReach)};
  const double zs[] = {CellOf(point.z, -kReach), CellOf(point.z, kReach)};
  int32_t first = NodeCount();
  for (int i = 0; i < 8; ++i) {
    const TCell cell{xs[i & 1], ys[(i >> 1) & 1], zs[(i >> 2) & 1]};
    // The same cell twice on an axis is read once.
    if (((i & 1) != 0 && xs[1] == xs[0]) || ((i & 2) != 0 && ys[1] == ys[0]) || ((i & 4) != 0 && zs[1] == zs[0])) {
      continue;
    }
    const auto found = cells_.find(cell);
    if (found == cells_.end()) continue;
    for (const int32_t index : found->second) {
      if (index >= first) break;
      if (nodes_[static_cast<std::size_t>(index)]->Position().IsWithin(point, kSamePlace)) first = index;
    }
  }
  return first < NodeCount() ? first : 0;
}

void TNodeGraph::CollectReachable(int32_t node, int32_t movementClass, std::vector<TVector3>& points) const {
  if (const TAINode* from = Node(node)) from->CollectOpenNeighbours(movementClass, points);
}

float TNodeGraph::ConnectionCost(int32_t node, int32_t other, int32_t movementClass) const {
  const TAINode* from = Node(node);
  return from != nullptr ? from->CostTo(other, movementClass) : 0.0f;
}

// --- TNodeGraph: files ----------------------------------------------------------------

bool TNodeGraph::Load(const std::string& fileName) {
  DeleteAll();
  if (!TDataStream::IsFileReadable(fileName)) return false;
  TDataStream stream;
  return stream.Load(fileName) && ReadBody(stream);
}

bool TNodeGraph::Save(const std::string& fileName) const {
  TDataStream stream;
  WriteBody(stream);
  return stream.Save(fileName);
}

bool TNodeGraph::ReadNode(TDataStream& stream, int32_t nodeCount) {
  const TVector3 position(stream);
  RequireFinite(stream, position);
  int32_t connectionCount = 0;
  if (!ReadCount(stream, 4 + PointBytes(stream) + 4, connectionCount)) return false;
  TAINode& node = *nodes_[static_cast<std::size_t>(AddNode(position))];
  for (int32_t c = 0; c < connectionCount; ++c) {
    const auto target = static_cast<int32_t>(stream.ReadInt());
    const TVector3 targetPosition(stream);
    int32_t costCount = 0;
    if (!ReadCount(stream, 4, costCount)) return false;
    if (target < 0 || target >= nodeCount || (costCount != 0 && costCount != kMovementClassCount)) {
      stream.SetFailed();
      return false;
    }
    std::vector<float> costs;
    for (int32_t k = 0; k < costCount; ++k) {
      costs.push_back(stream.ReadFloat());
      // Costs are lengths: one below nothing would make going round a loop
      // pay, and the route search would chase it.
      RequireFinite(stream, costs.back());
      if (costs.back() < 0.0f) stream.SetFailed();
    }
    node.AddConnection(target, targetPosition);
    node.Connection(node.ConnectionCount() - 1)->SetCosts(std::move(costs));
  }
  if (stream.GetVersion() > kHubFlagAbove) node.SetHub(stream.ReadByte() != 0);
  return !stream.HasFailed();
}

bool TNodeGraph::ReadBody(TDataStream& stream) {
  DeleteAll();
  int32_t nodeCount = 0;
  bool whole = ReadCount(stream, PointBytes(stream) + 4, nodeCount);
  for (int32_t i = 0; whole && i < nodeCount; ++i) whole = ReadNode(stream, nodeCount);
  if (whole && stream.GetVersion() > kPendingListAbove) {
    int32_t pendingCount = 0;
    whole = ReadCount(stream, 4, pendingCount);
    for (int32_t i = 0; whole && i < pendingCount; ++i) {
      const auto index = static_cast<int32_t>(stream.ReadInt());
      whole = !stream.HasFailed() && IsNodeIndex(index);
      pendingNodes_.push_back(index);
    }
  }
  if (!whole || stream.HasFailed()) {
    stream.SetFailed();
    DeleteAll();
    return false;
  }
  return true;
}

void TNodeGraph::WriteBody(TDataStream& stream) const {
  stream.WriteInt(static_cast<uint32_t>(NodeCount()));
  for (const auto& node : nodes_) {
    node->Position().Write(stream);
    stream.WriteInt(static_cast<uint32_t>(node->ConnectionCount()));
    for (int32_t c = 0; c < node->ConnectionCount(); ++c) {
      const TNodeConnection& connection = *node->Connection(c);
      stream.WriteInt(static_cast<uint32_t>(connection.Target()));
      connection.Position().Write(stream);
      stream.WriteInt(static_cast<uint32_t>(connection.Costs().size()));
      for (const float cost : connection.Costs()) stream.WriteFloat(cost);
    }
    stream.WriteByte(node->IsHub() ? 1 : 0);
  }
  stream.WriteInt(static_cast<uint32_t>(pendingNodes_.size()));
  for (const int32_t index : pendingNodes_) stream.WriteInt(static_cast<uint32_t>(index));
}

// --- TNodeGraph: routes -------------------------------------------------------------------

float TNodeGraph::FineRouteLength(TWorld& world, const TVector3& from, const TVector3& to, int32_t movementClass,
                                  float range) {
  TVector3 shapePosition = from;
  TCompoundVolume shape;
  BuildClassShape(shape, &shapePosition, movementClass);
  TRoutePointMeasure measure(world, &shape, 0, 0, -1, kAnyAccess);
  TPathSearch search;
  search.SetCostLimit(range);
  search.Run(from, to, measure);
  const TVector3* last = search.LastPoint();
  if (last == nullptr || !last->IsWithin(to, kSamePlace)) return -1.0f;
  return search.Length();
}

int32_t TNodeGraph::NearestReachableNode(const TVector3& point, int32_t movementClass, TWorld& world) const {
  struct TCandidate {
    int32_t index;
    float squaredDistance;
  };
  std::vector<TCandidate> candidates;
  for (int32_t i = 0; i < NodeCount(); ++i) {
    const TVector3& at = nodes_[static_cast<std::size_t>(i)]->Position();
    const float dx = at.x - point.x;
    const float dy = at.y - point.y;
    const float dz = at.z - point.z;
    const float squared = dx * dx + dy * dy + dz * dz;
    if (squared < kCandidateRadius * kCandidateRadius) candidates.push_back({i, squared});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TCandidate& a, const TCandidate& b) { return a.squaredDistance < b.squaredDistance; });

  int32_t best = -1;
  float bestLength = 0.0f;
  for (const TCandidate& candidate : candidates) {
    // Nothing farther in a straight line can be nearer by route.
    if (best >= 0 && bestLength * bestLength < candidate.squaredDistance) break;
    const float length = FineRouteLength(world, point, NodePosition(candidate.index), movementClass, kStartSearchRange);
    if (length < 0.0f) continue;
    if (best < 0 || length < bestLength) {
      best = candidate.index;
      bestLength = length;
    }
  }
  return best;
}

int32_t TNodeGraph::NodeIndexForUnitType(const TVector3& point, const std::string& unitTypeName,
                                         TWorld& world) const {
  return NearestReachableNode(point, MovementClassForUnitType(unitTypeName), world);
}

bool TNodeGraph::FindRoute(int32_t fromIndex, int32_t toIndex, int32_t movementClass,
                           std::vector<TVector3>& route) const {
  if (!IsNodeIndex(fromIndex) || !IsNodeIndex(toIndex)) return false;
  TNodeGraphMeasure measure(*this, movementClass);
  TPathSearch search;
  search.Run(NodePosition(fromIndex), NodePosition(toIndex), measure);
  route.insert(route.end(), search.Points().begin(), search.Points().end());
  const TVector3* last = search.LastPoint();
  return last != nullptr && last->IsWithin(NodePosition(toIndex), kSamePlace);
}

bool TNodeGraph::FindRouteBetween(const TVector3& a, const TVector3& b, const std::string& unitTypeName,
                                  TWorld& world, std::vector<TVector3>& route) const {
  const int32_t from = NodeIndexForUnitType(a, unitTypeName, world);
  const int32_t to = NodeIndexForUnitType(b, unitTypeName, world);
  if (from < 0 || to < 0) return false;
  return FindRoute(from, to, MovementClassForUnitType(unitTypeName), route);
}

// --- TNodeGraph: connection costs -------------------------------------------------------------

void TNodeGraph::QueueNodesNear(const TVector3& point, bool urgent) {
  for (int32_t i = 0; i < NodeCount(); ++i) {
    const TVector3& at = nodes_[static_cast<std::size_t>(i)]->Position();
    const float dx = at.x - point.x;
    const float dy = at.y - point.y;
    const float dz = at.z - point.z;
    if (dx * dx + dy * dy + dz * dz >= kRequeueRadius * kRequeueRadius) continue;
    const auto queued = std::find(pendingNodes_.begin(), pendingNodes_.end(), i);
    if (queued == pendingNodes_.end()) {
      if (urgent) {
        pendingNodes_.insert(pendingNodes_.begin(), i);
      } else {
        pendingNodes_.push_back(i);
      }
    } else if (urgent) {
      pendingNodes_.erase(queued);
      pendingNodes_.insert(pendingNodes_.begin(), i);
    }
  }
}

void TNodeGraph::ProcessPendingNodes(TWorld& world) {
  for (int32_t processed = 0; !pendingNodes_.empty() && processed < kPendingPerCall; ++processed) {
    const int32_t index = pendingNodes_.front();
    if (const TAINode* node = Node(index)) {
      // Queued because the map changed near it: the old costs are stale.
      for (int32_t c = 0; c < node->ConnectionCount(); ++c) {
        node->Connection(c)->SetCosts({});
        ComputeConnectionCosts(index, c, world);
      }
      MakeSymmetric(index);
    }
    pendingNodes_.erase(pendingNodes_.begin());
  }
}

void TNodeGraph::ComputeConnectionCosts(int32_t node, int32_t connectionIndex, TWorld& world) {
  const TAINode* source = Node(node);
  TNodeConnection* connection = source != nullptr ? source->Connection(connectionIndex) : nullptr;
  if (connection == nullptr || !connection->Costs().empty()) return;

  const TVector3& from = source->Position();
  const TVector3& to = connection->Position();
  const float range = kCostRangeFactor * from.DistanceTo(to) + kCostRangeSlack;
  const TMap& map = world.GetMap();
  // The costs grow class by class, so that each blocking test reads the
  // smaller classes' results.
  for (int32_t c = 0; c < kMovementClassCount; ++c) {
    float cost = 0.0f;
    if (!connection->IsBlockedFor(c)) {
      TVector3 place = from;
      TCompoundVolume shape;
      BuildClassShape(shape, &place, c);
      if (map.IsPlaceFreeFor(from, shape, kAnyAccess) && map.IsPlaceFreeFor(to, shape, kAnyAccess)) {
        cost = std::max(FineRouteLength(world, from, to, c, range), 0.0f);
      }
    }
    std::vector<float> costs = connection->Costs();
    costs.push_back(cost);
    connection->SetCosts(std::move(costs));
  }
}

void TNodeGraph::MakeSymmetric(int32_t node) {
  const TAINode* source = Node(node);
  if (source == nullptr) return;
  for (int32_t c = 0; c < source->ConnectionCount(); ++c) {
    if (TAINode* target = Node(source->ConnectionTarget(c))) {
      target->SetCostsOfConnectionTo(node, source->ConnectionCosts(c));
    }
  }
}

void TNodeGraph::AddHubAt(const TVector3& point, TWorld& world) {
  int32_t index = NearestReachableNode(point, kLargeWalker, world);
  if (index < 0) index = NearestReachableNode(point, kSmallWalker, world);
  TAINode* node = Node(index);
  if (node == nullptr || node->IsHub()) return;
  node->SetHub(true);
  const int32_t firstNew = node->ConnectionCount();
  for (int32_t j = 0; j < NodeCount(); ++j) {
    TAINode* other = nodes_[static_cast<std::size_t>(j)].get();
    if (j == index || !other->IsHub() || node->HasConnectionTo(j)) continue;
    node->AddConnection(j, other->Position());
    other->AddConnection(index, node->Position());
  }
  for (int32_t c = firstNew; c < node->ConnectionCount(); ++c) ComputeConnectionCosts(index, c, world);
  MakeSymmetric(index);
}
