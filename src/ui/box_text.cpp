#include "ui/box_text.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "display/text/text_run.h"
#include "ui/commands/command.h"

TBoxText::TBoxText(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
                   const std::string& style, std::unique_ptr<TCommand> command, const TScreenPosition& bottomRight)
    : TInteractiveText(name, position, text, centred, style, std::move(command)), bottomRight_(bottomRight) {
  cursor_ = EndOfText();
}

TBoxText::~TBoxText() {
  TMessageStream* stream = TMessageStream::Instance();
  if (stream->GetView() == this) stream->DetachView();
}

uint32_t TBoxText::EndOfText() const {
  const std::size_t length = GetText().size() + GetResult().size();
  return static_cast<uint32_t>(std::min<std::size_t>(length, std::numeric_limits<uint32_t>::max()));
}

void TBoxText::ResetScroll() { cursor_ = EndOfText(); }

uint32_t TBoxText::GetCursor() {
  cursor_ = std::min(cursor_, EndOfText());
  return cursor_;
}

void TBoxText::CursorRight() { cursor_ = std::min(cursor_ + 1, EndOfText()); }

void TBoxText::CursorLeft() {
  if (cursor_ > GetText().size()) --cursor_;
}

void TBoxText::GetBottomRight(TVector3& out) const { out = Resolve(bottomRight_); }

void TBoxText::Think() {
  if (!IsActive()) return;
  TInteractiveText::Think();
  cursor_ = EndOfText();
  Layout();
}

void TBoxText::Layout() {
  TVector3 corner;
  GetBottomRight(corner);
  const float width = corner.x - ScreenPosition().x;
  const float height = corner.y - ScreenPosition().y;
  if (!(width > 0.0f) || !(height > 0.0f)) return;
  lines_.clear();
  if (GetRun() == nullptr || ShownText().empty()) return;
  std::unique_ptr<TTextRun> line = GetRun()->Clone();
  while (line) {
    std::unique_ptr<TTextRun> rest = line->BreakLine(width, width);
    lines_.push_back(std::move(line));
    line = std::move(rest);
  }
}

// The first line at which the characters counted so far (of each line's
// first run) reach the cursor; the last line when none does.
std::size_t TBoxText::CursorLine() const {
  std::size_t total = 0;
  for (std::size_t index = 0; index < lines_.size(); ++index) {
    total += lines_[index]->GetText().size();
    if (total >= cursor_) return index;
  }
  return lines_.size() - 1;
}

void TBoxText::ScrollTo(std::size_t cursorLine, float height) {
  if (cursorLine <= firstLine_) {
    firstLine_ = static_cast<uint32_t>(cursorLine);
    return;
  }
  float used = 0.0f;
  std::size_t after = firstLine_;
  while (after < lines_.size() && used + lines_[after]->MaxHeight(0.0f) <= height) {
    used += lines_[after]->MaxHeight(0.0f);
    ++after;
  }
  if (after <= cursorLine) firstLine_ += static_cast<uint32_t>(cursorLine - after + 1);
}

void TBoxText::Draw() {
  if (GetRun() == nullptr) return;
  Layout();
  if (lines_.empty()) return;
  TVector3 corner;
  GetBottomRight(corner);
  const float height = corner.y - ScreenPosition().y;
  ScrollTo(CursorLine(), height);
  float used = 0.0f;
  for (std::size_t index = firstLine_; index < lines_.size(); ++index) {
    const float lineHeight = lines_[index]->MaxHeight(0.0f);
    if (!(used + lineHeight <= height)) break;
    DrawRun(lines_[index].get(), true, used);
    used += lineHeight;
  }
}
