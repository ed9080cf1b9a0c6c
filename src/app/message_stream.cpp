#include "app/message_stream.h"

#include <memory>

#include "session/game.h"

namespace {

std::unique_ptr<TMessageStream>& MessageStreamCell() {
  static std::unique_ptr<TMessageStream> stream;
  return stream;
}

}  // namespace

TMessageStream* TMessageStream::Instance() {
  auto& stream = MessageStreamCell();
  if (!stream) {
    stream.reset(new TMessageStream());
  }
  return stream.get();
}

void TMessageStream::DestroyInstance() { MessageStreamCell().reset(); }

void TMessageStream::Write(const std::string& text) {
  text_.Append(text);
  TrimOldLines();
  Refresh();
}

// Walks back from the last line feed over as many line feeds as the limit
// allows; only when that many earlier line feeds exist is everything up to
// the last one reached cut off, so a text ending in a line feed keeps its last
// lines up to the limit.
void TMessageStream::TrimOldLines() {
  std::string& text = text_.Text();
  std::size_t cut = text.rfind('\n');
  if (cut == std::string::npos) {
    return;
  }
  for (int32_t step = 0; step < lineLimit_; ++step) {
    if (cut == 0) {
      return;
    }
    cut = text.rfind('\n', cut - 1);
    if (cut == std::string::npos) {
      return;
    }
  }
  text.erase(0, cut + 1);
}

void TMessageStream::Refresh() {
  if (view_) {
    view_->Refresh();
  }
  TGame::Instance()->Render();
}
