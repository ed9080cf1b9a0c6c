// A rectangle of wrapped text: the label and live result of an interactive
// text broken into lines that fit the box, as many lines shown as fit its
// height, scrolled so that the line holding the cursor stays in view. The
// cursor stands at the end of the text (the newest lines show) except while
// an edit box moves it. The box whose command reads the message stream is
// the stream's view.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/message_stream.h"
#include "ui/text_widgets.h"

class TBoxText : public TInteractiveText, public TMessageView {
 public:
  TBoxText(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
           const std::string& style, std::unique_ptr<TCommand> command, const TScreenPosition& bottomRight);
  // Leaves the message stream when it is the stream's view.
  ~TBoxText() override;

  void Draw() override;
  // While active: the interactive text's frame, the cursor to the end, and
  // the lines wrapped again.
  void Think() override;
  // The message stream changed.
  void Refresh() override { Think(); }

  // Puts the cursor at the end of the shown text.
  void ResetScroll();
  // The cursor, first held to the end of the shown text.
  uint32_t GetCursor();
  void CursorRight();
  // Never into the label.
  void CursorLeft();
  void GetBottomRight(TVector3& out) const;

  std::size_t LineCount() const { return lines_.size(); }
  const TTextRun* LineAt(std::size_t index) const { return index < lines_.size() ? lines_[index].get() : nullptr; }
  uint32_t GetFirstLine() const { return firstLine_; }
  void SetCursor(uint32_t cursor) { cursor_ = cursor; }

  // Wraps the shown text into lines of the box's width; a box with no width
  // or height keeps the lines it has.
  void Layout();

 private:
  std::size_t CursorLine() const;
  void ScrollTo(std::size_t cursorLine, float height);
  uint32_t EndOfText() const;

  TScreenPosition bottomRight_;
  uint32_t cursor_ = 0;
  uint32_t firstLine_ = 0;
  std::vector<std::unique_ptr<TTextRun>> lines_;
};
