#include "units/path_search.h"

#include "units/path_search_nodes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Points in the same place agree within this on every coordinate.
constexpr float kSamePlace = 0.0001f;
// Totals closer than this keep their order of arrival.
constexpr float kTotalSlack = 0.001f;

bool IsBetween(const TVector3& point, const TVector3& low, const TVector3& high) {
  return point.x >= low.x && point.x <= high.x && point.y >= low.y && point.y <= high.y && point.z >= low.z &&
         point.z <= high.z;
}

}  // namespace

// --- TPathMeasure --------------------------------------------------------------

void TPathMeasure::Neighbours(const TVector3& /*point*/, std::vector<TVector3>& /*out*/) {}

void TPathMeasure::Refresh() {}

void TPathMeasure::BeginSearch() {}

void TPathMeasure::EndSearch() {}

bool TPathMeasure::CostsNeverNegative() const { return false; }

bool TPathMeasure::LatticeSize(int32_t& /*width*/, int32_t& /*height*/) const { return false; }

// --- TRoute --------------------------------------------------------------------

TRoute::TRoute(std::string markerKey) : markerKey_(std::move(markerKey)) {}

TRoute::~TRoute() = default;

const TVector3* TRoute::PointAt(std::size_t index) const {
  return index < points_.size() ? &points_[index] : nullptr;
}

const TVector3* TRoute::LastPoint() const { return points_.empty() ? nullptr : &points_.back(); }

void TRoute::SetSearchBox(const TVector3& a, const TVector3& b, float margin) {
  const TVector3 low(std::min(a.x, b.x) - margin, std::min(a.y, b.y) - margin, std::min(a.z, b.z));
  const TVector3 high(std::max(a.x, b.x) + margin, std::max(a.y, b.y) + margin, std::max(a.z, b.z));
  searchBox_ = std::make_unique<TBoxVolume>(nullptr, TBoundingBox(low, high));
}

void TRoute::SetSearchBoxAlongRoute(float margin) {
  if (cursor_ >= points_.size()) return;
  TVector3 low = points_[cursor_];
  TVector3 high = low;
  for (std::size_t i = cursor_; i < points_.size(); ++i) {
    const TVector3& p = points_[i];
    low = TVector3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
    high = TVector3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
  }
  low = TVector3(low.x - margin, low.y - margin, low.z - margin);
  high = TVector3(high.x + margin, high.y + margin, high.z + margin);
  searchBox_ = std::make_unique<TBoxVolume>(nullptr, TBoundingBox(low, high));
}

void TRoute::ClearSearchBox() { searchBox_.reset(); }

bool TRoute::AdmittedBounds(TVector3& low, TVector3& high) const {
  if (searchBox_ == nullptr) return false;
  const TVector3 boxLow = searchBox_->WorldMin();
  const TVector3 boxHigh = searchBox_->WorldMax();
  low = TVector3(boxLow.x - kSamePlace, boxLow.y - kSamePlace, boxLow.z - kSamePlace);
  high = TVector3(boxHigh.x + kSamePlace, boxHigh.y + kSamePlace, boxHigh.z + kSamePlace);
  return true;
}

bool TRoute::SearchBoxAdmits(const TVector3& point) const {
  TVector3 low;
  TVector3 high;
  if (!AdmittedBounds(low, high)) return true;
  return IsBetween(point, low, high);
}

bool TRoute::HasCostLimit() const { return std::fabs(costLimit_) > kSamePlace; }

float TRoute::Length() const {
  float length = 0.0f;
  for (std::size_t i = 1; i < points_.size(); ++i) length += points_[i - 1].DistanceTo(points_[i]);
  return length;
}

float TRoute::TravelTime(float speed) const {
  float time = 0.0f;
  for (std::size_t i = 1; i < points_.size(); ++i) {
    const float segment = points_[i - 1].DistanceTo(points_[i]);
    if (segment >= kJumpLength) {
      time += kJumpTime;
    } else if (speed > 0.0f) {
      time += segment / speed;
    } else if (segment > 0.0f) {
      return std::numeric_limits<float>::infinity();
    }
  }
  return time;
}

void TRoute::Clear() {
  points_.clear();
  markers_.clear();
  cursor_ = 0;
}

void TRoute::ShowMarkers(bool show) {
  markersShown_ = show;
  for (std::size_t i = cursor_; i < markers_.size(); ++i) SetMapVisualShown(markers_[i].get(), show);
}

void TRoute::DrawMarkers() const {
  for (const TMapVisualPtr& marker : markers_) RenderMapVisual(marker.get());
}

TVisual* TRoute::MarkerAt(std::size_t segment) const {
  return segment < markers_.size() ? markers_[segment].get() : nullptr;
}

void TRoute::BuildMarkers() {
  markers_.clear();
  if (markerKey_.empty()) return;
  for (std::size_t i = 1; i < points_.size(); ++i) {
    TMapVisualPtr marker = BuildRouteMarker(markerKey_, points_[i - 1], points_[i]);
    // Without a map view no segment gets one, and then none is kept.
    if (marker == nullptr) {
      markers_.clear();
      return;
    }
    SetMapVisualShown(marker.get(), markersShown_);
    markers_.push_back(std::move(marker));
  }
}

// --- TPathSearch -----------------------------------------------------------------

TPathSearch::TPathSearch(std::string markerKey)
    : TRoute(std::move(markerKey)),
      nodes_(std::make_unique<TNodePool>()),
      open_(std::make_unique<TOpenList>(kTotalSlack)),
      index_(std::make_unique<TPointIndex>()) {}

TPathSearch::~TPathSearch() = default;

void TPathSearch::Run(const TVector3& start, const TVector3& goal, TPathMeasure& measure) {
  Clear();
  nodes_->Reset();
  open_->Clear();
  closed_.clear();
  closings_ = 0;
  int32_t width = 0;
  int32_t height = 0;
  if (!measure.LatticeSize(width, height)) width = height = 0;
  index_->Reset(width, height);
  goal_ = goal;
  boxed_ = AdmittedBounds(admitLow_, admitHigh_);
  limited_ = HasCostLimit();
  limit_ = GetCostLimit();
  measure_ = &measure;
  measure.BeginSearch();
  // The measure holds the map's step answers while it searches: a search
  // that ends by an exception must let go of them too.
  struct TEndSearch {
    TPathMeasure& measure;
    ~TEndSearch() { measure.EndSearch(); }
  } ending{measure};
  costsNeverNegative_ = measure.CostsNeverNegative();
  open_->Insert(MakeNode(start, nullptr, index_->Locate(start)));

  TSearchNode* current = nullptr;
  for (int32_t expansions = 0; !open_->Empty();) {
    TSearchNode* first = open_->Front();
    current = first;
    if (first->position.DistanceTo(goal_) < kArrivalDistance) {
      first->position = goal_;
      break;
    }
    // Out of the open list while it is expanded; closed behind the others
    // after.
    open_->Erase(first);
    first->open = 0;
    expanding_ = first;
    Expand(*first);
    expanding_ = nullptr;
    Close(*first);
    ++expansions;
    if (expansions >= kMaxExpansions) break;
  }

  const TPathNode* end = current;
  if (current != nullptr && current->open == 0) end = PickNext();
  BuildRoute(end);
  open_->Clear();
  measure_ = nullptr;
  BuildMarkers();
}

TPathSearch::TSearchNode* TPathSearch::MakeNode(const TVector3& position, TSearchNode* parent,
                                                 TIndexPlace place) {
  TSearchNode* node = nodes_->Make();
  node->position = position;
  node->penalty = measure_->PointPenalty(position);
  node->goalDistance = measure_->Distance(*node, goal_);
  Reparent(*node, parent);
  index_->Add(node, place);
  return node;
}

void TPathSearch::Reparent(TSearchNode& node, TSearchNode* parent) {
  node.parent = parent;
  node.costSoFar =
      parent == nullptr ? 0.0f : parent->costSoFar + measure_->Distance(node, parent->position) + node.penalty;
  node.total = node.Total();
}

void TPathSearch::Close(TSearchNode& node) {
  node.open = 0;
  node.closeNumber = ++closings_;
  closed_.emplace_back(&node, node.closeNumber);
}

void TPathSearch::Expand(TSearchNode& current) {
  neighbours_.clear();
  measure_->Neighbours(current.position, neighbours_);
  for (const TVector3& neighbour : neighbours_) {
    if (boxed_ && !IsBetween(neighbour, admitLow_, admitHigh_)) continue;
    const float cost = measure_->Distance(current, neighbour) + current.costSoFar;
    if (limited_ && cost > limit_) continue;
    // A point that already has its node is only worth the step test when
    // this way would re-parent it.
    const TIndexPlace place = index_->Locate(neighbour);
    TSearchNode* entry = FindEntry(neighbour, place);
    if (entry != nullptr &&
        !(cost < entry->costSoFar && (costsNeverNegative_ || !LeadsBackTo(current, *entry)))) {
      continue;
    }
    if (!measure_->IsStepAllowed(current.position, neighbour, goal_)) continue;

    if (entry == nullptr) {
      open_->Insert(MakeNode(neighbour, &current, place));
    } else {
      if (entry->open != 0) open_->Erase(entry);
      Reparent(*entry, &current);
      entry->open = 1;
      open_->Insert(entry);
    }
  }
}

TPathSearch::TSearchNode* TPathSearch::FindEntry(const TVector3& point, TIndexPlace place) const {
  TSearchNode* found = nullptr;
  index_->ForEachNear(place, [&](TSearchNode* node) {
    if (node == expanding_ || !node->position.IsWithin(point, kSamePlace)) return;
    if (found == nullptr || ComesBefore(*node, *found)) found = node;
  });
  return found;
}

bool TPathSearch::ComesBefore(const TSearchNode& a, const TSearchNode& b) const {
  if (a.open != b.open) return a.open != 0;
  if (a.open == 0) return a.closeNumber < b.closeNumber;
  return open_->Before(&a, &b);
}

TPathSearch::TSearchNode* TPathSearch::PickNext() const {
  std::vector<TSearchNode*> order;
  open_->Collect(order);
  for (const auto& [node, number] : closed_) {
    if (node->open == 0 && node->closeNumber == number) order.push_back(node);
  }
  TSearchNode* best = nullptr;
  float bestDistance = 0.0f;
  for (TSearchNode* entry : order) {
    const float distance = entry->goalDistance;
    if (best == nullptr || distance < bestDistance || (distance == bestDistance && entry->Total() < best->Total())) {
      best = entry;
      bestDistance = distance;
    }
  }
  return best;
}

bool TPathSearch::LeadsBackTo(const TPathNode& from, const TPathNode& node) {
  for (const TPathNode* step = &from; step != nullptr; step = step->parent) {
    if (step == &node) return true;
  }
  return false;
}

void TPathSearch::BuildRoute(const TPathNode* end) {
  // Parent links never close a loop (LeadsBackTo), but a route can never be
  // longer than the nodes of its search either.
  std::deque<TVector3>& points = MutablePoints();
  std::size_t left = nodes_->Count();
  for (const TPathNode* node = end; node != nullptr && left > 0; node = node->parent, --left) {
    points.push_front(node->position);
  }
}
