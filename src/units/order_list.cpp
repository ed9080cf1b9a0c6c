#include "units/order_list.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

#include "app/data_stream.h"
#include "units/order_factory.h"
#include "world/game_object.h"

namespace {

bool Failed(TDataStream& stream) {
  stream.SetFailed();
  return false;
}

// Whether an order read from the stream joins the orders read.
bool KeepsReadOrder(std::string_view name, const TOrder& order) {
  if (name == TOrderFactory::kRetreatName) return false;
  // Orders of units that died since the orders were given are dropped.
  return name == TOrderFactory::kDeployName || order.GetUnit() != nullptr;
}

}  // namespace

TOrderList::~TOrderList() { Clear(); }

int32_t TOrderList::FindChainIndex(int32_t unitId) const {
  for (std::size_t i = 0; i < chains_.size(); ++i) {
    if (chains_[i]->UnitId() == unitId) return static_cast<int32_t>(i);
  }
  return -1;
}

TOrderChain* TOrderList::FindChain(int32_t unitId) const { return GetChain(FindChainIndex(unitId)); }

void TOrderList::Add(std::unique_ptr<TOrder> order) {
  if (order == nullptr) return;
  TOrderChain* chain = FindChain(order->GetUnitId());
  if (chain != nullptr) {
    chain->Append(std::move(order));
  } else {
    chains_.push_back(std::make_unique<TOrderChain>(std::move(order)));
  }
}

void TOrderList::AddOrders(TOrderVector orders) {
  for (std::unique_ptr<TOrder>& order : orders) Add(std::move(order));
}

void TOrderList::Cancel(const TGameObject& unit) {
  const int32_t index = FindChainIndex(unit.GetId());
  if (index < 0) return;
  chains_[static_cast<std::size_t>(index)]->RemoveLast();
  RemoveChain(index);
}

void TOrderList::CancelUnitOrders(int32_t unitId) {
  const int32_t index = FindChainIndex(unitId);
  if (index < 0) return;
  chains_[static_cast<std::size_t>(index)]->StopAfterCurrent();
  RemoveChain(index);
}

void TOrderList::Clear() { chains_.clear(); }

void TOrderList::Rewind() {
  for (const std::unique_ptr<TOrderChain>& chain : chains_) chain->Rewind();
  RemoveEmptyChains();
}

void TOrderList::RunTick(float now) {
  // By index: an order's work may add a chain for another unit.
  for (std::size_t i = 0; i < chains_.size(); ++i) RunChain(*chains_[i], now);
}

void TOrderList::RunChain(TOrderChain& chain, float now) { chain.Run(now); }

void TOrderList::ShowMarkers(int32_t unitId) {
  for (const std::unique_ptr<TOrderChain>& chain : chains_) chain->ShowMarkers(chain->UnitId() == unitId);
}

std::vector<TOrder*> TOrderList::CollectOrders() const {
  std::vector<TOrder*> orders;
  for (const std::unique_ptr<TOrderChain>& chain : chains_) chain->Collect(orders);
  return orders;
}

void TOrderList::WriteOrders(TDataStream& stream) const {
  for (const TOrder* order : CollectOrders()) order->Write(stream);
  stream.WriteString(std::string(TOrderFactory::kEndName));
}

bool TOrderList::ReadOrders(TOrderVector& out, TActionResolver& resolver, TIdMapper& ids, TDataStream& stream) {
  const TOrderFactory& factory = TOrderFactory::Instance();
  // Read aside: a stream rejected half-way adds nothing.
  TOrderVector orders;
  std::unordered_map<int32_t, int32_t> perUnit;
  // Every pass consumes at least the length of a name, so the loop ends with
  // the data at the latest.
  for (int32_t entries = 0;; ++entries) {
    const std::string name = stream.ReadString();
    if (stream.HasFailed()) return false;
    if (name == TOrderFactory::kEndName) break;
    if (entries >= kMaxOrders) return Failed(stream);
    // The stream holds no lengths: an entry whose name this program does
    // not know (or cannot read) cannot be passed over, as its fields would
    // be read as the next entry. The whole stream is refused instead.
    const TOrderReader* reader = factory.FindReader(name);
    if (reader == nullptr) return Failed(stream);
    std::unique_ptr<TOrder> order = (*reader)(stream, resolver, ids);
    if (stream.HasFailed()) return false;
    if (order == nullptr) continue;
    if (order->GetUnitId() != -1 && ++perUnit[order->GetUnitId()] > kMaxOrdersPerUnit) return Failed(stream);
    if (KeepsReadOrder(name, *order)) orders.push_back(std::move(order));
  }
  out.reserve(out.size() + orders.size());
  for (std::unique_ptr<TOrder>& order : orders) out.push_back(std::move(order));
  return true;
}

bool TOrderList::HasOrders(int32_t unitId) const {
  return std::any_of(chains_.begin(), chains_.end(), [unitId](const std::unique_ptr<TOrderChain>& chain) {
    return chain->UnitId() == unitId && chain->IsRunning();
  });
}

bool TOrderList::HasOrdersInFirstChain(int32_t unitId) const {
  const TOrderChain* chain = FindChain(unitId);
  return chain != nullptr && chain->IsRunning();
}

float TOrderList::PlannedTime(int32_t unitId) const {
  const TOrderChain* chain = FindChain(unitId);
  return chain != nullptr ? chain->PlannedTime() : 0.0f;
}

void TOrderList::MarkReactionStart(int32_t unitId) {
  TOrderChain* chain = FindChain(unitId);
  if (chain != nullptr) chain->MarkReactionStart();
}

std::optional<TVector3> TOrderList::EndPosition(int32_t unitId) const {
  const TOrderChain* chain = FindChain(unitId);
  if (chain == nullptr || chain->IsEmpty()) return std::nullopt;
  return chain->EndPosition();
}

void TOrderList::RemoveOrder(TOrder* order) {
  if (order == nullptr) return;
  const int32_t index = FindChainIndex(order->GetUnitId());
  if (index < 0) return;
  chains_[static_cast<std::size_t>(index)]->Remove(order);
  // A chain left empty would take no further order.
  RemoveChain(index);
}

TOrder* TOrderList::LastOrder(int32_t unitId) const {
  const TOrderChain* chain = FindChain(unitId);
  return chain != nullptr ? chain->Last() : nullptr;
}

TOrderChain* TOrderList::GetChain(int32_t index) const {
  if (index < 0 || index >= GetChainCount()) return nullptr;
  return chains_[static_cast<std::size_t>(index)].get();
}

void TOrderList::RemoveChain(int32_t index) {
  const TOrderChain* chain = GetChain(index);
  if (chain == nullptr || !chain->IsEmpty()) return;
  chains_.erase(chains_.begin() + index);
}

void TOrderList::RemoveEmptyChains() {
  std::erase_if(chains_, [](const std::unique_ptr<TOrderChain>& chain) { return chain->IsEmpty(); });
}
