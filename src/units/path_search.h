// Routes for walking units: a best-first search over candidate points that a
// pluggable measure proposes and judges. TRoutePointMeasure walks a half-unit
// lattice over the map (the map's step tests, nearby objects as obstacles,
// jumps between the player's own Regenerators); TNodeGraphMeasure walks the
// computer opponent's coarse movement node graph. The route keeps the points
// found, a cursor the walking order advances, an optional search box and an
// optional cost limit.
#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "display/visual_registry.h"
#include "world/volume.h"

class TGameObject;
class TNodeGraph;
class TWorld;

// One candidate of a search. Cost so far = parent's cost so far + the
// measure's distance from here to the parent + penalty (0 without a parent).
struct TPathNode {
  TVector3 position;
  TPathNode* parent = nullptr;
  uint8_t open = 1;
  float costSoFar = 0.0f;
  // The measure's penalty of the position, fixed at creation.
  float penalty = 0.0f;
  // The measure's distance from the position to the goal; it does not change
  // while a search runs, so it is taken once.
  float goalDistance = 0.0f;

  float Total() const { return goalDistance + costSoFar; }
};

// What a search asks of the ground it walks over.
class TPathMeasure {
 public:
  virtual ~TPathMeasure() = default;

  virtual bool IsStepAllowed(const TVector3& from, const TVector3& to, const TVector3& goal) = 0;
  // The cost from the node's position to the point.
  virtual float Distance(const TPathNode& node, const TVector3& point) = 0;
  // Appends the points reachable in one step.
  virtual void Neighbours(const TVector3& point, std::vector<TVector3>& out);
  // Rebuilds cached world data before a search.
  virtual void Refresh();
  // Brackets one search: nothing in the world moves in between, so a
  // measure may take what it reads of the world once.
  virtual void BeginSearch();
  virtual void EndSearch();
  // No distance or penalty is ever negative: a node's cost so far then never
  // falls below its parent's (a NaN cost never compares cheaper), and
  // re-parenting a node more cheaply can never close a loop.
  virtual bool CostsNeverNegative() const;
  virtual float PointPenalty(const TVector3& point) = 0;
  // Whether the measure's points lie on the half-unit lattice over a map of
  // the size given; the search then finds its nodes through a dense index.
  // Points off the lattice or off the map are still allowed.
  virtual bool LatticeSize(int32_t& width, int32_t& height) const;
};

// The points of a found route from the start to its end, with the cursor of
// the walker, and the markers that draw it: one "Interface" visual of the
// marker key per segment, built through the map view (none without one, and
// none for an empty key).
class TRoute {
 public:
  explicit TRoute(std::string markerKey);
  virtual ~TRoute();
  TRoute(const TRoute&) = delete;
  TRoute& operator=(const TRoute&) = delete;

  // Searches from start to goal over the measure and leaves the route in the
  // points.
  virtual void Run(const TVector3& start, const TVector3& goal, TPathMeasure& measure) = 0;

  // Null past the end.
  const TVector3* PointAt(std::size_t index) const;
  // Null when the route is empty.
  const TVector3* LastPoint() const;
  std::size_t PointCount() const { return points_.size(); }
  const std::deque<TVector3>& Points() const { return points_; }

  void Advance() { ++cursor_; }
  uint32_t Cursor() const { return cursor_; }
  // Back to the first point, with the markers shown.
  void Restart() {
    cursor_ = 0;
    ShowMarkers(true);
  }
  // Shows or hides the markers from the cursor on.
  void ShowMarkers(bool show);
  bool AreMarkersShown() const { return markersShown_; }
  // Draws the markers that are shown.
  void DrawMarkers() const;
  std::size_t MarkerCount() const { return markers_.size(); }
  // Null past the last segment.
  TVisual* MarkerAt(std::size_t segment) const;

  // The box spanned by a and b, widened by the margin in x and y on both
  // sides; candidates outside it are not considered.
  void SetSearchBox(const TVector3& a, const TVector3& b, float margin);
  // The box spanned by the points from the cursor to the end, each widened
  // by the margin in x, y and z; nothing changes when no point is left.
  void SetSearchBoxAlongRoute(float margin);
  void ClearSearchBox();
  bool HasSearchBox() const { return searchBox_ != nullptr; }
  // Whether the point may be a candidate (always without a box).
  bool SearchBoxAdmits(const TVector3& point) const;

  // Candidates that cost more than the limit are not considered; 0 means no
  // limit.
  void SetCostLimit(float value) { costLimit_ = value; }
  float GetCostLimit() const { return costLimit_; }
  bool HasCostLimit() const;

  // Sum of the straight distances between successive points.
  float Length() const;
  // A segment shorter than 1.1 is walked at the speed; a longer one is a
  // jump between Regenerators and takes 1.0. A unit that cannot move
  // (speed 0 or less) never finishes a walking segment.
  float TravelTime(float speed) const;
  // Drops the points and the markers; the cursor returns to 0.
  void Clear();

  const std::string& MarkerKey() const { return markerKey_; }

  // Segments at least this long are Regenerator jumps.
  static constexpr float kJumpLength = 1.1f;
  static constexpr float kJumpTime = 1.0f;

 protected:
  std::deque<TVector3>& MutablePoints() { return points_; }
  // One marker per segment of the points, shown or hidden as the route is.
  void BuildMarkers();
  // The bounds SearchBoxAdmits compares with (the box widened by the
  // tolerance of a place); false without a box.
  bool AdmittedBounds(TVector3& low, TVector3& high) const;

 private:
  std::deque<TVector3> points_;
  uint32_t cursor_ = 0;
  bool markersShown_ = true;
  std::unique_ptr<TBoxVolume> searchBox_;
  float costLimit_ = 0.0f;
  std::string markerKey_;
  std::vector<TMapVisualPtr> markers_;
};

class TPathSearch : public TRoute {
 public:
  // A node nearer the goal than this (straight distance) has arrived.
  static constexpr float kArrivalDistance = 0.2499f;
  // Expansions of one search at most.
  static constexpr int32_t kMaxExpansions = 1001;

  explicit TPathSearch(std::string markerKey = std::string());
  ~TPathSearch() override;

  void Run(const TVector3& start, const TVector3& goal, TPathMeasure& measure) override;

 private:
  struct TSearchNode;
  class TNodePool;
  class TOpenList;
  class TPointIndex;
  // Where the point index keeps a point: the slot of the nearest lattice
  // point (-1 off the index's array) and whether the point is that one.
  struct TIndexPlace {
    int32_t slot = -1;
    bool exact = false;
  };

  void Expand(TSearchNode& current);
  // The entry at the point (the first in the order of the candidates: the
  // open ones by total, then the closed ones by when they closed); null
  // when there is none.
  TSearchNode* FindEntry(const TVector3& point, TIndexPlace place) const;
  TSearchNode* MakeNode(const TVector3& position, TSearchNode* parent, TIndexPlace place);
  void Reparent(TSearchNode& node, TSearchNode* parent);
  void Close(TSearchNode& node);
  // Whether a comes before b in the order of the candidates.
  bool ComesBefore(const TSearchNode& a, const TSearchNode& b) const;
  // The entry nearest the goal by the measure, for a search that missed it.
  TSearchNode* PickNext() const;
  // Whether the parent chain from `from` passes `node`: re-parenting the
  // node to `from` would close a loop, which costs that are not positive
  // both ways (a crafted node graph) can offer.
  static bool LeadsBackTo(const TPathNode& from, const TPathNode& node);
  void BuildRoute(const TPathNode* end);

  // Reused from search to search.
  std::unique_ptr<TNodePool> nodes_;
  std::unique_ptr<TOpenList> open_;
  std::unique_ptr<TPointIndex> index_;
  // Nodes in the order they closed; a node re-opened since (or closed
  // again later) is passed over by its close number.
  std::vector<std::pair<TSearchNode*, uint32_t>> closed_;
  std::vector<TVector3> neighbours_;
  uint32_t closings_ = 0;
  // The node being expanded is out of the candidates meanwhile.
  TSearchNode* expanding_ = nullptr;
  TVector3 goal_;
  // The search box and the cost limit, taken once per search.
  bool boxed_ = false;
  TVector3 admitLow_;
  TVector3 admitHigh_;
  bool limited_ = false;
  float limit_ = 0.0f;
  TPathMeasure* measure_ = nullptr;
  bool costsNeverNegative_ = false;
};

// The half-unit lattice over the map of a world.
class TRoutePointMeasure : public TPathMeasure {
 public:
  // The volume is the walking unit's line-of-fire volume (null: a unit of no
  // size). The access name is handed to the map's step test, which compares
  // it with the door key of each terrain type.
  TRoutePointMeasure(TWorld& world, TCompoundVolume* volume, uint8_t walkThroughGoo, uint8_t useRegenerators,
                     int32_t owner, std::string access);
  ~TRoutePointMeasure() override;

  bool IsStepAllowed(const TVector3& from, const TVector3& to, const TVector3& goal) override;
  float Distance(const TPathNode& node, const TVector3& point) override;
  void Neighbours(const TVector3& point, std::vector<TVector3>& out) override;
  // Records the Regenerators of the world anew.
  void Refresh() override;
  // Takes where the units stand for the crowd penalty.
  void BeginSearch() override;
  void EndSearch() override;
  bool CostsNeverNegative() const override { return true; }
  float PointPenalty(const TVector3& point) override;
  bool LatticeSize(int32_t& width, int32_t& height) const override;

  // Units, ammunition dumps and eggs within this distance of the point
  // become obstacles, and the obstacle and goo tests are switched on.
  static constexpr float kBlockerRadius = 3.0f;
  void CollectBlockers(const TVector3& point);
  void SetCheckBlockers(bool flag) { checkBlockers_ = flag ? 1 : 0; }
  bool ChecksBlockers() const { return checkBlockers_ != 0; }
  const std::vector<TGameObject*>& GetBlockers() const { return blockers_; }

  // --- Regenerators (public for the orders that jump) -------------------------
  std::size_t RegeneratorCount() const { return regeneratorPositions_.size(); }
  // The measure owner's Regenerator nearest the point (the first of equals);
  // -1 when the owner has none.
  int32_t NearestRegenerator(const TVector3& point) const;
  // Distance of a Regenerator's entry points from its position.
  float EntrySpacing() const;
  // The four entry points of the Regenerator: +x, -x, +y, -y.
  std::vector<TVector3> EntryPoints(int32_t regenerator) const;
  // The entry point of the Regenerator nearest the point; false when none
  // lies within 1000.
  bool EntryPointFor(int32_t regenerator, const TVector3& point, TVector3& out) const;
  // The point is the entry point of its nearest own Regenerator, which is
  // written to `regenerator`.
  bool IsEntryPoint(const TVector3& point, int32_t& regenerator) const;

  // The point on the half-unit lattice nearest it (halves away from zero).
  static TVector3 SnapToLattice(const TVector3& point);

 private:
  // A jump needs two of the owner's Regenerators: with fewer, the nearest
  // one to any two points is the same one (or none), so no distance takes a
  // jump and no step or neighbour is a jump.
  bool JumpsPossible() const { return useRegenerators_ != 0 && ownRegenerators_ > 1; }

  TWorld& world_;
  TCompoundVolume* volume_;
  // Stands in for the walking unit when there is none.
  TCompoundVolume noVolume_;
  uint8_t walkThroughGoo_;
  uint8_t useRegenerators_;
  int32_t owner_;
  std::string access_;
  uint8_t checkBlockers_ = 0;
  std::vector<TGameObject*> blockers_;
  // Where the units stand while a search runs.
  // Sorted by x; those far from the origin (or at no number) apart.
  std::vector<TVector3> unitPositions_;
  std::vector<TVector3> farUnitPositions_;
  bool searching_ = false;
  // Parallel: where each Regenerator stands and whose it is; the volumes
  // follow the positions.
  std::vector<std::unique_ptr<TVector3>> regeneratorPositions_;
  std::vector<int32_t> regeneratorOwners_;
  int32_t ownRegenerators_ = 0;
  TCompoundVolume regeneratorVolumes_;
};

// The computer opponent's movement node graph, for one movement class. A
// point that matches no node counts as the graph's first node.
class TNodeGraphMeasure : public TPathMeasure {
 public:
  TNodeGraphMeasure(const TNodeGraph& graph, int32_t movementClass);

  bool IsStepAllowed(const TVector3& from, const TVector3& to, const TVector3& goal) override;
  // The connection's cost for the class; 0 when the nodes are not directly
  // connected.
  float Distance(const TPathNode& node, const TVector3& point) override;
  void Neighbours(const TVector3& point, std::vector<TVector3>& out) override;
  float PointPenalty(const TVector3& point) override;

 private:
  const TNodeGraph& graph_;
  int32_t movementClass_;
};
