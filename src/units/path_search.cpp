#include "units/path_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Points in the same place agree within this on every coordinate.
constexpr float kSamePlace = 0.0001f;
// Totals closer than this keep their order of arrival.
constexpr float kTotalSlack = 0.001f;

}  // namespace

// --- TPathMeasure --------------------------------------------------------------

void TPathMeasure::Neighbours(const TVector3& /*point*/, std::vector<TVector3>& /*out*/) {}

void TPathMeasure::Refresh() {}

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

bool TRoute::SearchBoxAdmits(const TVector3& point) const {
  if (searchBox_ == nullptr) return true;
  const TVector3 low = searchBox_->WorldMin();
  const TVector3 high = searchBox_->WorldMax();
  return point.x >= low.x - kSamePlace && point.x <= high.x + kSamePlace && point.y >= low.y - kSamePlace &&
         point.y <= high.y + kSamePlace && point.z >= low.z - kSamePlace && point.z <= high.z + kSamePlace;
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
  cursor_ = 0;
}

// --- TPathSearch -----------------------------------------------------------------

TPathSearch::TPathSearch(std::string markerKey) : TRoute(std::move(markerKey)) {}

TPathSearch::~TPathSearch() = default;

void TPathSearch::Run(const TVector3& start, const TVector3& goal, TPathMeasure& measure) {
  Clear();
  candidates_.clear();
  current_ = nullptr;
  goal_ = goal;
  measure_ = &measure;
  candidates_.push_front(MakeNode(start, nullptr));

  for (int32_t expansions = 0; !candidates_.empty();) {
    TPathNode* first = candidates_.front().get();
    if (first->open == 0) break;
    current_ = first;
    if (first->position.DistanceTo(goal_) < kArrivalDistance) {
      first->position = goal_;
      break;
    }
    // Out of the list while it is expanded; closed behind the others after.
    std::unique_ptr<TPathNode> taken = std::move(candidates_.front());
    candidates_.pop_front();
    Expand(*taken);
    taken->open = 0;
    candidates_.push_back(std::move(taken));
    ++expansions;
    if (expansions >= kMaxExpansions) break;
  }

  const TPathNode* end = current_;
  if (end != nullptr && end->open == 0) end = PickNext();
  BuildRoute(end);
  candidates_.clear();
  current_ = nullptr;
}

std::unique_ptr<TPathNode> TPathSearch::MakeNode(const TVector3& position, TPathNode* parent) {
  auto node = std::make_unique<TPathNode>();
  node->position = position;
  node->penalty = measure_->PointPenalty(position);
  node->goalDistance = measure_->Distance(*node, goal_);
  Reparent(*node, parent);
  return node;
}

void TPathSearch::Reparent(TPathNode& node, TPathNode* parent) {
  node.parent = parent;
  node.costSoFar =
      parent == nullptr ? 0.0f : parent->costSoFar + measure_->Distance(node, parent->position) + node.penalty;
}

void TPathSearch::Expand(TPathNode& current) {
  std::vector<TVector3> neighbours;
  measure_->Neighbours(current.position, neighbours);
  for (const TVector3& neighbour : neighbours) {
    if (!SearchBoxAdmits(neighbour)) continue;
    const float cost = measure_->Distance(current, neighbour) + current.costSoFar;
    if (HasCostLimit() && cost > GetCostLimit()) continue;
    if (!measure_->IsStepAllowed(current.position, neighbour, goal_)) continue;

    const auto entry = FindEntry(neighbour);
    if (entry == candidates_.end()) {
      InsertOpen(MakeNode(neighbour, &current));
    } else if (cost < (*entry)->costSoFar && !LeadsBackTo(current, **entry)) {
      std::unique_ptr<TPathNode> node = std::move(*entry);
      candidates_.erase(entry);
      Reparent(*node, &current);
      node->open = 1;
      InsertOpen(std::move(node));
    }
  }
}

TPathSearch::TCandidates::iterator TPathSearch::FindEntry(const TVector3& point) {
  return std::find_if(candidates_.begin(), candidates_.end(),
                      [&point](const std::unique_ptr<TPathNode>& node) { return node->position.IsWithin(point, kSamePlace); });
}

void TPathSearch::InsertOpen(std::unique_ptr<TPathNode> node) {
  const float total = node->Total();
  auto place = candidates_.begin();
  while (place != candidates_.end() && (*place)->open != 0 && (*place)->Total() - total < kTotalSlack) ++place;
  candidates_.insert(place, std::move(node));
}

TPathNode* TPathSearch::PickNext() const {
  TPathNode* best = nullptr;
  float bestDistance = 0.0f;
  for (const std::unique_ptr<TPathNode>& entry : candidates_) {
    const float distance = entry->goalDistance;
    if (best == nullptr || distance < bestDistance || (distance == bestDistance && entry->Total() < best->Total())) {
      best = entry.get();
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
  std::size_t left = candidates_.size();
  for (const TPathNode* node = end; node != nullptr && left > 0; node = node->parent, --left) {
    points.push_front(node->position);
  }
}
