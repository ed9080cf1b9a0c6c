// The bookkeeping of the route search, private to it: the nodes of a search
// (pooled and reused from search to search), the open list (kept in the
// order the search's rules give it, found in logarithmic time), and the
// index from a point to the node standing there.
#pragma once

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
  void Add(TSearchNode* node);
  // Appends the nodes that may stand within the tolerance of the point.
  template <class TVisit>
  void ForEachNear(const TVector3& point, TVisit visit) const {
    const int32_t slot = SlotOf(point, true);
    if (slot >= 0 && stamps_[static_cast<std::size_t>(slot)] == generation_) {
      for (TSearchNode* node = heads_[static_cast<std::size_t>(slot)]; node != nullptr; node = node->nextAtPoint) {
        visit(node);
      }
    }
    for (TSearchNode* node : scattered_) visit(node);
  }

 private:
  // The slot of the lattice point (the nearest one when `nearest`); -1 when
  // the point is off the lattice or outside the array.
  int32_t SlotOf(const TVector3& point, bool nearest) const;

  int32_t columns_ = 0;
  int32_t rows_ = 0;
  uint32_t generation_ = 0;
  std::vector<uint32_t> stamps_;
  std::vector<TSearchNode*> heads_;
  std::vector<TSearchNode*> scattered_;
};
