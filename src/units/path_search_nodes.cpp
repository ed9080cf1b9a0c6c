#include "units/path_search_nodes.h"

#include <algorithm>
#include <cmath>
#include <limits>

// --- TNodePool -----------------------------------------------------------------------

TPathSearch::TSearchNode* TPathSearch::TNodePool::Make() {
  const std::size_t chunk = used_ / kChunk;
  if (chunk == chunks_.size()) chunks_.push_back(std::make_unique<TSearchNode[]>(kChunk));
  TSearchNode* node = &chunks_[chunk][used_ % kChunk];
  ++used_;
  *node = TSearchNode();
  return node;
}

// --- TOpenList -----------------------------------------------------------------------

TPathSearch::TSearchNode* TPathSearch::TOpenList::Front() const {
  TSearchNode* node = root_;
  while (node != nullptr && node->left != nullptr) node = node->left;
  return node;
}

void TPathSearch::TOpenList::SetLeft(TSearchNode* node, TSearchNode* child) {
  node->left = child;
  if (child != nullptr) child->up = node;
}

void TPathSearch::TOpenList::SetRight(TSearchNode* node, TSearchNode* child) {
  node->right = child;
  if (child != nullptr) child->up = node;
}

void TPathSearch::TOpenList::Split(TSearchNode* node, float total, TSearchNode*& before, TSearchNode*& after) const {
  if (node == nullptr) {
    before = after = nullptr;
    return;
  }
  if (SubtreeHasPlace(node->left, total)) {
    TSearchNode* rest = nullptr;
    Split(node->left, total, before, rest);
    SetLeft(node, rest);
    Update(node);
    after = node;
  } else if (GoesBefore(node->total, total)) {
    before = node->left;
    SetLeft(node, nullptr);
    Update(node);
    after = node;
  } else {
    TSearchNode* rest = nullptr;
    Split(node->right, total, rest, after);
    SetRight(node, rest);
    Update(node);
    before = node;
  }
  if (before != nullptr) before->up = nullptr;
  if (after != nullptr) after->up = nullptr;
}

TPathSearch::TSearchNode* TPathSearch::TOpenList::Merge(TSearchNode* a, TSearchNode* b) {
  if (a == nullptr) return b;
  if (b == nullptr) return a;
  if (a->priority >= b->priority) {
    SetRight(a, Merge(a->right, b));
    Update(a);
    return a;
  }
  SetLeft(b, Merge(a, b->left));
  Update(b);
  return b;
}

void TPathSearch::TOpenList::Insert(TSearchNode* node) {
  seed_ ^= seed_ << 13;
  seed_ ^= seed_ >> 17;
  seed_ ^= seed_ << 5;
  node->priority = seed_;
  node->left = node->right = node->up = nullptr;
  node->key = std::isnan(node->total) ? std::numeric_limits<float>::infinity() : node->total;
  node->subtreeMax = node->key;
  // Down the nodes of higher priority towards the node's place (the first
  // place of a subtree lies left of its root when the left subtree or the
  // root is one); every subtree passed will hold the node.
  TSearchNode* parent = nullptr;
  bool leftOfParent = false;
  TSearchNode* at = root_;
  while (at != nullptr && at->priority > node->priority) {
    if (node->key > at->subtreeMax) at->subtreeMax = node->key;
    parent = at;
    leftOfParent = SubtreeHasPlace(at->left, node->total) || GoesBefore(at->total, node->total);
    at = leftOfParent ? at->left : at->right;
  }
  TSearchNode* before = nullptr;
  TSearchNode* after = nullptr;
  Split(at, node->total, before, after);
  SetLeft(node, before);
  SetRight(node, after);
  Update(node);
  if (parent == nullptr) {
    root_ = node;
  } else if (leftOfParent) {
    SetLeft(parent, node);
  } else {
    SetRight(parent, node);
  }
}

void TPathSearch::TOpenList::Erase(TSearchNode* node) {
  if (node->left != nullptr) node->left->up = nullptr;
  if (node->right != nullptr) node->right->up = nullptr;
  TSearchNode* joined = Merge(node->left, node->right);
  TSearchNode* parent = node->up;
  if (parent == nullptr) {
    root_ = joined;
  } else if (parent->left == node) {
    SetLeft(parent, joined);
  } else {
    SetRight(parent, joined);
  }
  if (joined != nullptr && parent == nullptr) joined->up = nullptr;
  // Above the first subtree whose largest key stays as it was nothing
  // changes.
  for (TSearchNode* above = parent; above != nullptr; above = above->up) {
    const float max = above->subtreeMax;
    Update(above);
    if (above->subtreeMax == max) break;
  }
  node->left = node->right = node->up = nullptr;
}

bool TPathSearch::TOpenList::Before(const TSearchNode* a, const TSearchNode* b) const {
  if (a == b) return false;
  const auto depth = [](const TSearchNode* n) {
    int32_t d = 0;
    for (; n->up != nullptr; n = n->up) ++d;
    return d;
  };
  // Up to the children of the nearest common ancestor; when one is the
  // other's ancestor, the descendant's side decides.
  int32_t depthA = depth(a);
  int32_t depthB = depth(b);
  const TSearchNode* x = a;
  const TSearchNode* y = b;
  for (; depthA > depthB + 1; --depthA) x = x->up;
  for (; depthB > depthA + 1; --depthB) y = y->up;
  if (depthA > depthB) {
    if (x->up == y) return x == y->left;
    x = x->up;
  } else if (depthB > depthA) {
    if (y->up == x) return y == x->right;
    y = y->up;
  }
  while (x->up != y->up) {
    x = x->up;
    y = y->up;
  }
  return x == x->up->left;
}

void TPathSearch::TOpenList::Collect(std::vector<TSearchNode*>& out) const {
  std::vector<TSearchNode*> stack;
  TSearchNode* node = root_;
  while (node != nullptr || !stack.empty()) {
    while (node != nullptr) {
      stack.push_back(node);
      node = node->left;
    }
    node = stack.back();
    stack.pop_back();
    out.push_back(node);
    node = node->right;
  }
}

// --- TPointIndex -----------------------------------------------------------------------

void TPathSearch::TPointIndex::Reset(int32_t width, int32_t height) {
  scattered_.clear();
  const bool lattice = width > 0 && height > 0;
  const int32_t columns = lattice ? 2 * width + 2 * kBorder : 0;
  const int32_t rows = lattice ? 2 * height + 2 * kBorder : 0;
  if (columns != columns_ || rows != rows_) {
    columns_ = columns;
    rows_ = rows;
    slots_.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), TSlot());
    generation_ = 0;
  }
  if (++generation_ == 0) {
    std::fill(slots_.begin(), slots_.end(), TSlot());
    generation_ = 1;
  }
}

void TPathSearch::TPointIndex::Add(TSearchNode* node, TIndexPlace place) {
  if (place.slot < 0 || !place.exact) {
    scattered_.push_back(node);
    return;
  }
  TSlot& slot = slots_[static_cast<std::size_t>(place.slot)];
  if (slot.stamp != generation_) {
    slot.stamp = generation_;
    slot.head = nullptr;
  }
  node->nextAtPoint = slot.head;
  slot.head = node;
}
