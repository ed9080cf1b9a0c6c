// Event streams come in every results file and in a game's stored events: a
// stream must load or be rejected cleanly, whatever its bytes, and a list
// that loads must replay, rewind and save again to bytes that load to the
// same list.
//
// Input: one byte choosing the form, then the body. Form 0 is a whole list
// (name table, events, "End", turn starts); form 1 is a run of player turns
// (name table, events, "End"), appended one after the other until the data
// ends or a turn is rejected.
//
// The events are harness events under three of the event type names: a
// plain one with a number ("Score"), a unit event ("Facing") and one whose
// field names a thing through the stream's name table ("RevealMap").

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/data_stream.h"
#include "app/files.h"
#include "fuzz_scratch_folder.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"

namespace {

class TNumberEvent : public TEvent {
 public:
  explicit TNumberEvent(TDataStream& stream) : TEvent(stream), number_(stream.ReadInt()) {}
  void Apply() override {}
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
    if (!TEvent::Save(stream, idWriter, nameTable)) return false;
    stream.WriteInt(number_);
    return true;
  }
  std::string_view TypeName() const override { return "Score"; }

 private:
  uint32_t number_;
};

class TSubjectEvent : public TUnitEvent {
 public:
  explicit TSubjectEvent(TDataStream& stream) : TUnitEvent(stream, nullptr) {}
  // Nothing to find without a world: the subject must stay unresolved.
  void Apply() override {
    if (Subject() != nullptr) std::abort();
  }
  std::string_view TypeName() const override { return "Facing"; }
};

class TNamingEvent : public TEvent {
 public:
  TNamingEvent(TDataStream& stream, const TStringList& names) : TEvent(stream) {
    const uint16_t index = stream.ReadShort();
    if (index >= names.Count()) stream.SetFailed();
    thing_ = names.At(index);
  }
  void Apply() override {}
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
    if (!TEvent::Save(stream, idWriter, nameTable)) return false;
    const int16_t index = nameTable.IndexOf(thing_);
    if (index < 0) return false;
    stream.WriteShort(static_cast<uint16_t>(index));
    return true;
  }
  std::string_view TypeName() const override { return "RevealMap"; }

 private:
  std::string thing_;
};

void RegisterHarnessEvents() {
  TEventFactory& factory = TEventFactory::Instance();
  factory.Register("Score", [](TDataStream& stream, const TEventFactoryContext&, const TStringList&) {
    return std::unique_ptr<TEvent>(std::make_unique<TNumberEvent>(stream));
  });
  factory.Register("Facing", [](TDataStream& stream, const TEventFactoryContext&, const TStringList&) {
    return std::unique_ptr<TEvent>(std::make_unique<TSubjectEvent>(stream));
  });
  factory.Register("RevealMap", [](TDataStream& stream, const TEventFactoryContext&, const TStringList& names) {
    return std::unique_ptr<TEvent>(std::make_unique<TNamingEvent>(stream, names));
  });
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// Playback over the whole list, then every turn again.
void Replay(TEventList& list) {
  list.PlayUntil(1.0e30f);
  Check(list.GetCursor() <= static_cast<uint32_t>(list.GetEventCount()));
  for (int32_t turn = 0; turn <= list.GetTurnCount(); ++turn) {
    Check(list.RewindToTurn(turn));
    list.PlayUntil(1.0e30f);
  }
  Check(!list.RewindToTurn(list.GetTurnCount() + 1));
}

// What loaded saves, loads back to as many events and saves to the same bytes.
void CheckRoundTrip(const TEventList& list) {
  TRawIdMapper ids;
  TDataStream saved;
  Check(list.Save(saved, ids));
  saved.Rewind();
  TEventList reloaded;
  Check(reloaded.Load(saved, TEventFactoryContext{}));
  Check(reloaded.GetEventCount() == list.GetEventCount() && reloaded.GetTurnCount() == list.GetTurnCount());
  TDataStream savedAgain;
  Check(reloaded.Save(savedAgain, ids));
  Check(savedAgain.Body() == saved.Body());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("events");
  RegisterHarnessEvents();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool turns = (data[0] & 1) != 0;
  TDataStream stream;
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();

  TEventList list;
  const TEventFactoryContext context;
  if (turns) {
    while (stream.Remaining() > 0) {
      const int32_t before = list.GetEventCount();
      if (!list.LoadTurn(stream, context)) {
        Check(stream.HasFailed() && list.GetEventCount() == before);
        break;
      }
      Check(list.GetCursor() == static_cast<uint32_t>(before));
    }
  } else if (!list.Load(stream, context)) {
    Check(stream.HasFailed() && list.GetEventCount() == 0 && list.GetTurnCount() == 0);
    return 0;
  }

  CheckRoundTrip(list);
  Replay(list);
  list.DiscardUnfinishedTurn();
  Check(list.GetEventCount() == list.GetTurnStart(list.GetTurnCount()));
  return 0;
}
