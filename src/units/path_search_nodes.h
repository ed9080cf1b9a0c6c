// The bookkeeping of the route search, private to it: the nodes of a search
// (pooled and reused from search to search), the open list (kept in the
// order the search's rules give it, found in logarithmic time), and the
// index from a point to the node standing there.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "units/path_search.h"

struct TPathSearch::TSearchNode : TPathNode {
  // The open list's tree: children, parent, heap priority.
  TSearchNode* left = nullptr;
  TSearchNode* right = nullptr;
  TSearchNode* up = nullptr;
  uint32_t priority = 0;
  // Total() when the node was last opened; the same as a place key (a NaN
  // counts as +infinity, which stops the open list's walk alike); the largest
  // key of the subtree.
  float total = 0.0f;
  float key = 0.0f;
  float subtreeMax = 0.0f;
  // The next node on the same lattice point of the index.
  TSearchNode* nextAtPoint = nullptr;
  // Which closing of the search closed the node last.
  uint32_t closeNumber = 0;
};

// Nodes in chunks that keep their addresses; Reset makes them all free again.
class TPathSearch::TNodePool {
 public:
  TSearchNode* Make();
  void Reset() { used_ = 0; }
  std::size_t Count() const { return used_; }

 private:
  static constexpr std::size_t kChunk = 512;
  std::vector<std::unique_ptr<TSearchNode[]>> chunks_;
  std::size_t used_ = 0;
};

// The open nodes in the order of the search's rule: a node goes before the
// first open node whose total exceeds its own by at least the slack, so that
// nearly equal totals keep their order of arrival. The sequence is a treap
// (ordered by place, a heap by priority) whose subtrees know their largest
// total, so the place of a new node is found without a scan.
class TPathSearch::TOpenList {
 public:
  explicit TOpenList(float slack) : slack_(slack) {}

  void Clear() { root_ = nullptr; }
  bool Empty() const { return root_ == nullptr; }
  TSearchNode* Front() const;
  void Insert(TSearchNode* node);
  void Erase(TSearchNode* node);
  // Whether a stands before b (both open).
  bool Before(const TSearchNode* a, const TSearchNode* b) const;
  // The open nodes in order.
  void Collect(std::vector<TSearchNode*>& out) const;

 private:
  // The node must go after `e` when this is false.
  bool GoesBefore(float e, float total) const { return !(e - total < slack_); }
  bool SubtreeHasPlace(const TSearchNode* node, float total) const {
    return node != nullptr && GoesBefore(node->subtreeMax, total);
  }
  static void Update(TSearchNode* node) {
    float max = node->key;
    if (node->left != nullptr && node->left->subtreeMax > max) max = node->left->subtreeMax;
    if (node->right != nullptr && node->right->subtreeMax > max) max = node->right->subtreeMax;
    node->subtreeMax = max;
  }
  static void SetLeft(TSearchNode* node, TSearchNode* child);
  static void SetRight(TSearchNode* node, TSearchNode* child);
  // Splits at the first node before which a node of the total goes.
  void Split(TSearchNode* node, float total, TSearchNode*& before, TSearchNode*& after) const;
  static TSearchNode* Merge(TSearchNode* a, TSearchNode* b);

  float slack_;
  TSearchNode* root_ = nullptr;
  uint32_t seed_ = 0x9E3779B9u;
};

// From a point to the nodes standing there: a dense array over the map's
// half-unit lattice whose slots belong to a search by its generation stamp,
// and a list of the few nodes off the lattice (the start, Regenerator entry
// points, every node of a measure without a lattice).
class TPathSearch::TPointIndex {
 public:
  // Starts a search over a lattice of the size (both 0: none).
  void Reset(int32_t width, int32_t height);
  TIndexPlace Locate(const TVector3& point) const {
    TIndexPlace place;
    if (columns_ == 0) return place;
    const float dx = point.x * 2.0f;
    const float dy = point.y * 2.0f;
    if (!(std::fabs(dx) < 1.0e6f) || !(std::fabs(dy) < 1.0e6f)) return place;
    int32_t rx = 0;
    int32_t ry = 0;
    place.exact = RoundedHalfAway(dx, rx) & RoundedHalfAway(dy, ry);
    const int32_t column = rx + kBorder;
    const int32_t row = ry + kBorder;
    if (column >= 0 && column < columns_ && row >= 0 && row < rows_) place.slot = row * columns_ + column;
    return place;
  }
  // The node at its place (Locate of its position).
  void Add(TSearchNode* node, TIndexPlace place);
  // Visits the nodes that may stand within the tolerance of the located
  // point.
  template <class TVisit>
  void ForEachNear(TIndexPlace place, TVisit visit) const {
    if (place.slot >= 0) {
      const TSlot& slot = slots_[static_cast<std::size_t>(place.slot)];
      if (slot.stamp == generation_) {
        for (TSearchNode* node = slot.head; node != nullptr; node = node->nextAtPoint) visit(node);
      }
    }
    for (TSearchNode* node : scattered_) visit(node);
  }

 private:
  // The lattice reaches half a unit beyond the map on every side, and the
  // array a little further.
  static constexpr int32_t kBorder = 2;

  // std::round of a value below 1e6 in size, as a whole number, and whether
  // the value was whole already. The truncation and the fraction left are
  // exact there (the value and its truncation share their sign and are
  // whole multiples of the value's spacing), so no library call is needed.
  static bool RoundedHalfAway(float value, int32_t& rounded) {
    const auto whole = static_cast<int32_t>(value);
    const float fraction = value - static_cast<float>(whole);
    rounded = fraction >= 0.5f ? whole + 1 : fraction <= -0.5f ? whole - 1 : whole;
    return fraction == 0.0f;
  }

  // The nodes of a lattice point belong to the search of the stamp.
  struct TSlot {
    uint32_t stamp = 0;
    TSearchNode* head = nullptr;
  };

  int32_t columns_ = 0;
  int32_t rows_ = 0;
  uint32_t generation_ = 0;
  std::vector<TSlot> slots_;
  std::vector<TSearchNode*> scattered_;
};
