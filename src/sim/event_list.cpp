#include "sim/event_list.h"

#include <algorithm>
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

}  // namespace

TEventList::TEventList() : turnStarts_{0} {}

TEventList::~TEventList() = default;

// --- recording and playback ----------------------------------------------------

void TEventList::Add(std::unique_ptr<TEvent> event) {
  if (event == nullptr) return;
  const float time = event->GetTime();
  // Linear from the front: the order only holds within the tolerance, so
  // the first event clearly later than the new one decides its place.
  auto place = events_.begin();
  while (place != events_.end() && !((*place)->GetTime() - kTimeTolerance > time)) ++place;
  events_.insert(place, std::move(event));
}

void TEventList::AddAll(TEventVector& events) {
  for (std::unique_ptr<TEvent>& event : events) Add(std::move(event));
  events.clear();
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
  while (events_.size() > turnStarts_.back()) events_.pop_back();
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
  if (!names.Load(stream) || !TEventFactory::Instance().ReadEvents(context, events_, stream, names) ||
      !ReadTurnStarts(stream)) {
    Clear();
    return Failed(stream);
  }
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
