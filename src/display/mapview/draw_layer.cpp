#include "display/mapview/draw_layer.h"

#include <algorithm>
#include <cmath>

#include "app/vector3.h"
#include "display/visuals/visual.h"

TDrawLayer::TDrawLayer() : lightGrid_(std::make_unique<TLightGrid>(kGridSquares, kGridSquares)) {}

TDrawLayer::~TDrawLayer() = default;

float TDrawLayer::DepthKey(const TVisual& visual, float depthOffset) {
  const TVector3 position = visual.GetPosition();
  // Each step is rounded to a float on its own, so every machine sums the
  // same way.
  float key = position.z * kHeightWeight;
  key = key + depthOffset;
  key = key + position.y;
  key = key + position.x;
  if (visual.IsOnTop()) key = key + kOnTopLift;
  return key;
}

bool TDrawLayer::Precedes(const Entry& a, const Entry& b) {
  // A key of no number (a visual at a position of no number) goes after
  // every number, so the order stays total and the bisection consistent.
  const bool aNumber = !std::isnan(a.depthKey);
  const bool bNumber = !std::isnan(b.depthKey);
  if (aNumber != bNumber) return aNumber;
  if (aNumber && a.depthKey != b.depthKey) return a.depthKey < b.depthKey;
  return a.serial < b.serial;
}

void TDrawLayer::Add(TVisual* visual, float depthOffset) {
  if (visual == nullptr) return;
  auto entry = std::make_unique<Entry>();
  entry->visual = visual;
  entry->depthOffset = depthOffset;
  entry->depthKey = DepthKey(*visual, depthOffset);
  entry->serial = nextSerial_++;
  ++entryCounts_[visual];
  Insert(std::move(entry));
}

void TDrawLayer::Insert(std::unique_ptr<Entry> entry) {
  if (entry->depthOffset < kBackgroundOffset) {
    background_.push_back(std::move(entry));
    return;
  }
  // After every entry that precedes it, before the first that it precedes.
  const auto place = std::upper_bound(sorted_.begin(), sorted_.end(), *entry,
                                      [](const Entry& added, const std::unique_ptr<Entry>& held) {
                                        return Precedes(added, *held);
                                      });
  sorted_.insert(place, std::move(entry));
}

bool TDrawLayer::TakeFirst(EntryList& list, const TVisual* visual) {
  const auto found = std::find_if(list.begin(), list.end(),
                                  [visual](const std::unique_ptr<Entry>& entry) { return entry->visual == visual; });
  if (found == list.end()) return false;
  list.erase(found);
  return true;
}

void TDrawLayer::CountOut(const TVisual* visual, std::size_t taken) {
  const auto count = entryCounts_.find(visual);
  if (count == entryCounts_.end()) return;
  if (count->second <= taken) {
    entryCounts_.erase(count);
  } else {
    count->second -= taken;
  }
}

bool TDrawLayer::Remove(const TVisual* visual) {
  if (!Contains(visual)) return false;
  const bool taken = TakeFirst(background_, visual) || TakeFirst(sorted_, visual);
  if (taken) CountOut(visual, 1);
  return taken;
}

std::size_t TDrawLayer::RemoveAll(const TVisual* visual) {
  if (!Contains(visual)) return 0;
  const auto held = [visual](const std::unique_ptr<Entry>& entry) { return entry->visual == visual; };
  const std::size_t before = EntryCount();
  background_.erase(std::remove_if(background_.begin(), background_.end(), held), background_.end());
  sorted_.erase(std::remove_if(sorted_.begin(), sorted_.end(), held), sorted_.end());
  const std::size_t taken = before - EntryCount();
  entryCounts_.erase(visual);
  return taken;
}

bool TDrawLayer::Contains(const TVisual* visual) const { return entryCounts_.count(visual) != 0; }

void TDrawLayer::Resort() {
  // A single entry has nowhere else to go; its key is left as it is.
  if (sorted_.size() < 2) return;
  EntryList changed;
  for (std::size_t index = 0; index < sorted_.size();) {
    if (sorted_[index]->visual->IsChanged()) {
      changed.push_back(std::move(sorted_[index]));
      sorted_.erase(sorted_.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
      ++index;
    }
  }
  for (std::unique_ptr<Entry>& entry : changed) {
    entry->depthKey = DepthKey(*entry->visual, entry->depthOffset);
    Insert(std::move(entry));
  }
}

void TDrawLayer::DrawEntry(Entry& entry) {
  if (entry.visual->IsOnTop()) {
    entry.visual->Render();
  } else {
    entry.visual->RenderWithFlag(lightGrid_.get());
  }
}

void TDrawLayer::DrawAll() {
  lightGrid_->UpdateMovedLights();
  // By index: a visual that takes something out of the layer while it draws
  // shortens the list under the loop, which must not run past its end.
  for (std::size_t index = 0; index < background_.size(); ++index) DrawEntry(*background_[index]);
  Resort();
  for (std::size_t index = 0; index < sorted_.size(); ++index) DrawEntry(*sorted_[index]);
}

std::vector<const TVisual*> TDrawLayer::DrawOrder() const {
  std::vector<const TVisual*> order;
  order.reserve(EntryCount());
  for (const auto& entry : background_) order.push_back(entry->visual);
  for (const auto& entry : sorted_) order.push_back(entry->visual);
  return order;
}
