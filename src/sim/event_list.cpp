#include "sim/event_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "sim/event.h"

namespace {

constexpr std::size_t kIntBytes = 4;

// Where a write would land: a position beyond the data writes at its end.
uint32_t WritePosition(const TDataStream& stream) {
  return static_cast<uint32_t>(std::min<std::size_t>(stream.GetPosition(), stream.Body().size()));
}

// Takes back what a failed save wrote from `start` on, leaving the stream as
// it was before.
void EraseFrom(TDataStream& stream, uint32_t start) {
  std::vector<uint8_t>& body = stream.Body();
  const uint32_t end = WritePosition(stream);
  if (end > start) body.erase(body.begin() + start, body.begin() + end);
  stream.Seek(start);
}

bool Failed(TDataStream& stream) {
  stream.SetFailed();
  return false;
}

// The later of two keys; a NaN key is never later than anything.
float Later(float latest, float key) { return key > latest ? key : latest; }

// Sequential insertion of many events at once in O((n + m) log(n + m)): an
// implicit treap over list positions whose nodes know the latest key of
// their subtree, so that the first event clearly later than a time is found
// by one descent, and an insertion is a split and two merges.
class TPlacementTree {
 public:
  explicit TPlacementTree(std::size_t capacity) { nodes_.reserve(capacity); }

  void Append(float key) { root_ = Merge(root_, NewNode(key)); }
  // Inserts in front of the first node whose key is greater than the time.
  void Insert(float key, float time) {
    const auto [left, right] = Split(root_, FirstLaterThan(time));
    root_ = Merge(Merge(left, NewNode(key)), right);
  }
  // The nodes (in the order they were made) in list order.
  std::vector<std::size_t> Order() const {
    std::vector<std::size_t> order;
    order.reserve(nodes_.size());
    std::vector<int32_t> stack;
    int32_t node = root_;
    while (node != kNone || !stack.empty()) {
      while (node != kNone) {
        stack.push_back(node);
        node = nodes_[static_cast<std::size_t>(node)].left;
      }
      node = stack.back();
      stack.pop_back();
      order.push_back(static_cast<std::size_t>(node));
      node = nodes_[static_cast<std::size_t>(node)].right;
    }
    return order;
  }

 private:
  static constexpr int32_t kNone = -1;
  struct TNode {
    float key;
    float latest;
    uint32_t priority;
    std::size_t size = 1;
    int32_t left = kNone;
    int32_t right = kNone;
  };

  TNode& At(int32_t node) { return nodes_[static_cast<std::size_t>(node)]; }
  const TNode& At(int32_t node) const { return nodes_[static_cast<std::size_t>(node)]; }
  std::size_t Size(int32_t node) const { return node == kNone ? 0 : At(node).size; }
  float Latest(int32_t node) const { return node == kNone ? -INFINITY : At(node).latest; }

  int32_t NewNode(float key) {
    // A fixed sequence: the shape of the tree never changes the result.
    seed_ ^= seed_ << 13U;
    seed_ ^= seed_ >> 17U;
    seed_ ^= seed_ << 5U;
    nodes_.push_back(TNode{key, Later(-INFINITY, key), seed_});
    return static_cast<int32_t>(nodes_.size() - 1);
  }

  void Refresh(int32_t node) {
    TNode& n = At(node);
    n.size = 1 + Size(n.left) + Size(n.right);
    n.latest = Later(Later(Latest(n.left), n.key), Latest(n.right));
  }

  std::size_t FirstLaterThan(float time) const {
    std::size_t position = 0;
    int32_t node = root_;
    while (node != kNone) {
      const TNode& n = At(node);
      if (Latest(n.left) > time) {
        node = n.left;
      } else if (n.key > time) {
        return position + Size(n.left);
      } else {
        position += Size(n.left) + 1;
        node = n.right;
      }
    }
    return position;
  }

  // The first `count` nodes in list order, and the rest.
  std::pair<int32_t, int32_t> Split(int32_t node, std::size_t count) {
    if (node == kNone) return {kNone, kNone};
    if (Size(At(node).left) >= count) {
      const auto [left, right] = Split(At(node).left, count);
      At(node).left = right;
      Refresh(node);
      return {left, node};
    }
    const auto [left, right] = Split(At(node).right, count - Size(At(node).left) - 1);
    At(node).right = left;
    Refresh(node);
    return {node, right};
  }

  int32_t Merge(int32_t left, int32_t right) {
    if (left == kNone) return right;
    if (right == kNone) return left;
    if (At(left).priority > At(right).priority) {
      At(left).right = Merge(At(left).right, right);
      Refresh(left);
      return left;
    }
    At(right).left = Merge(left, At(right).left);
    Refresh(right);
    return right;
  }

  std::vector<TNode> nodes_;
  int32_t root_ = kNone;
  uint32_t seed_ = 2463534242U;
};

// Below this many events a batch goes in one by one.
constexpr std::size_t kTreeBatch = 64;

}  // namespace

TEventList::TEventList() : turnStarts_{0} {}

TEventList::~TEventList() = default;

// --- recording and playback ----------------------------------------------------

float TEventList::KeyOf(const TEvent& event) { return event.GetTime() - kTimeTolerance; }

void TEventList::Add(std::unique_ptr<TEvent> event) {
  if (event == nullptr) return;
  const float time = event->GetTime();
  // The order only holds within the tolerance, so the first event clearly
  // later than the new one decides its place: the first whose key passes the
  // time, which is where the running latest key first passes it.
  const auto index = static_cast<std::size_t>(std::upper_bound(latest_.begin(), latest_.end(), time) - latest_.begin());
  const float before = index == 0 ? -INFINITY : latest_[index - 1];
  latest_.insert(latest_.begin() + static_cast<std::ptrdiff_t>(index), Later(before, KeyOf(*event)));
  events_.insert(events_.begin() + static_cast<std::ptrdiff_t>(index), std::move(event));
}

void TEventList::AddAll(TEventVector& events) {
  std::erase(events, nullptr);
  if (events.size() < kTreeBatch) {
    for (std::unique_ptr<TEvent>& event : events) Add(std::move(event));
    events.clear();
    return;
  }
  // Placed as Add would place them one by one, without moving the list's
  // tail for every event.
  TPlacementTree tree(events_.size() + events.size());
  for (const std::unique_ptr<TEvent>& event : events_) tree.Append(KeyOf(*event));
  for (const std::unique_ptr<TEvent>& event : events) tree.Insert(KeyOf(*event), event->GetTime());
  TEventVector placed;
  placed.reserve(events_.size() + events.size());
  for (const std::size_t node : tree.Order()) {
    placed.push_back(node < events_.size() ? std::move(events_[node]) : std::move(events[node - events_.size()]));
  }
  events_ = std::move(placed);
  events.clear();
  RebuildLatest();
}

void TEventList::RebuildLatest() {
  latest_.clear();
  latest_.reserve(events_.size());
  float latest = -INFINITY;
  for (const std::unique_ptr<TEvent>& event : events_) {
    latest = Later(latest, KeyOf(*event));
    latest_.push_back(latest);
  }
}

void TEventList::PlayUntil(float time) {
  const float limit = time + kTimeTolerance;
  while (cursor_ < events_.size() && events_[cursor_]->GetTime() <= limit) {
    // The cursor moves first, so an event that looks at the list sees
    // itself as played.
    TEvent& event = *events_[cursor_];
    ++cursor_;
    event.Apply();
  }
}

void TEventList::Clear() {
  events_.clear();
  latest_.clear();
  cursor_ = 0;
  turnStarts_.assign(1, 0);
}

// --- turns ---------------------------------------------------------------------

bool TEventList::RewindToTurn(int32_t turn) {
  if (turn < 0 || turn > GetTurnCount()) return false;
  cursor_ = turnStarts_[static_cast<std::size_t>(turn)];
  return true;
}

void TEventList::DiscardUnfinishedTurn() {
  while (events_.size() > turnStarts_.back()) {
    events_.pop_back();
    latest_.pop_back();
  }
  cursor_ = std::min<uint32_t>(cursor_, static_cast<uint32_t>(events_.size()));
}

int32_t TEventList::GetTurnStart(int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= turnStarts_.size()) return -1;
  return static_cast<int32_t>(turnStarts_[static_cast<std::size_t>(index)]);
}

TEvent* TEventList::GetEvent(int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= events_.size()) return nullptr;
  return events_[static_cast<std::size_t>(index)].get();
}

// --- saving --------------------------------------------------------------------

bool TEventList::Save(TDataStream& stream, TIdMapper& idWriter) const {
  return SaveEvents(
      stream, idWriter, [](const TEvent&) { return true; }, true);
}

bool TEventList::SaveForPlayer(TDataStream& stream, TIdMapper& idWriter, int32_t player) const {
  return SaveEvents(
      stream, idWriter, [player](const TEvent& event) { return event.TestFlag(player); }, false);
}

template <class TFilter>
bool TEventList::SaveEvents(TDataStream& stream, TIdMapper& idWriter, TFilter keep, bool withTurnStarts) const {
  const uint32_t start = WritePosition(stream);
  TStringList names;
  bool ok = true;
  // Some events have no form in older formats and write nothing; the turn
  // starts must count only the events a reader will find.
  std::vector<uint32_t> writtenBefore;
  writtenBefore.reserve(events_.size() + 1);
  uint32_t written = 0;
  for (const std::unique_ptr<TEvent>& event : events_) {
    writtenBefore.push_back(written);
    if (!keep(*event)) continue;
    const uint32_t before = WritePosition(stream);
    if (!event->Save(stream, idWriter, names)) {
      ok = false;
      break;
    }
    if (WritePosition(stream) != before) ++written;
  }
  writtenBefore.push_back(written);
  // "End" enters the table after every name the events used.
  const int16_t end = ok ? names.IndexOf(std::string(TEventFactory::kEndName)) : -1;
  if (end < 0) {
    EraseFrom(stream, start);
    return false;
  }
  stream.WriteShort(static_cast<uint16_t>(end));
  const uint32_t eventBytes = WritePosition(stream) - start;

  // The table is only complete now; writes insert, so it goes in front.
  TDataStream table(stream.GetVersionTag());
  names.Save(table);
  stream.Seek(start);
  stream.AppendStream(table);
  stream.Seek(WritePosition(stream) + eventBytes);

  if (withTurnStarts) {
    stream.WriteInt(static_cast<uint32_t>(turnStarts_.size()));
    for (uint32_t turnStart : turnStarts_) {
      stream.WriteInt(turnStart < writtenBefore.size() ? writtenBefore[turnStart] : written);
    }
  }
  return true;
}

// --- loading -------------------------------------------------------------------

bool TEventList::Load(TDataStream& stream, const TEventFactoryContext& context) {
  Clear();
  TStringList names;
  if (!names.Load(stream) ||
      !TEventFactory::Instance().ReadEvents(context, events_, stream, names, TEventFactory::kMaxEventsInRecord) ||
      !ReadTurnStarts(stream)) {
    Clear();
    return Failed(stream);
  }
  RebuildLatest();
  return true;
}

bool TEventList::ReadTurnStarts(TDataStream& stream) {
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < 0 || static_cast<std::size_t>(count) > stream.Remaining() / kIntBytes) {
    return false;
  }
  std::vector<uint32_t> starts;
  starts.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t turnStart = stream.ReadInt();
    // Starts index the events, and turns never end before they begin.
    if (turnStart > events_.size() || (!starts.empty() && turnStart < starts.back())) return false;
    starts.push_back(turnStart);
  }
  if (stream.HasFailed()) return false;
  // A list without a turn table has not completed a turn: its table is the
  // fresh one.
  if (starts.empty()) starts.push_back(0);
  turnStarts_ = std::move(starts);
  return true;
}

bool TEventList::LoadTurn(TDataStream& stream, const TEventFactoryContext& context) {
  TStringList names;
  TEventVector turn;
  if (!names.Load(stream) || !TEventFactory::Instance().ReadEvents(context, turn, stream, names)) {
    return Failed(stream);
  }
  // Playback starts at the first event of the new turn.
  cursor_ = static_cast<uint32_t>(events_.size());
  AddAll(turn);
  turnStarts_.push_back(static_cast<uint32_t>(events_.size()));
  return true;
}
