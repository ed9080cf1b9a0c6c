// A box text the player can click into and type in. While it is activated
// it takes the keyboard: the cursor keys, delete and backspace, control+V
// to paste, and typed characters; return or tab ends the editing and hands
// the edited text to the end command. While it is not activated it shows
// the result of its first command like any box text (a box without one keeps
// what was typed).
//
// The edited text is the interactive text's result; while the box is
// activated it holds a caret "|" at the cursor, taken out before every edit
// and put back after it. The cursor counts the label's characters too, so
// edits land at the cursor less the label's length. Typing, pasting and
// presetting insert only printable characters other than the caret, and stop
// at a bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ui/box_text.h"

class TCommand;

namespace platform {
class Clipboard;
}

class TEditBox : public TBoxText {
 public:
  // Typing and pasting stop at this many characters of edited text.
  static constexpr std::size_t kMaxLength = 300;
  static constexpr char kCaret = '|';

  TEditBox(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
           const std::string& style, std::unique_ptr<TCommand> command, const TScreenPosition& bottomRight,
           std::unique_ptr<TCommand> endCommand);
  ~TEditBox() override;

  // A press of the left or right button activates the box when it is under
  // the mouse and ends the editing when it is not.
  void Update() override;
  void HandleKeys() override;
  void Think() override;
  // The closed rectangle from the position to the bottom-right corner.
  bool IsUnderMouse() override;
  bool IsEditBox() const override { return true; }

  bool IsActivated() const { return activated_ != 0; }
  // Starts (or restarts) the editing; a character typed before does not
  // appear in the text.
  void Activate();
  // When activated: the end command receives the edited text and runs, then
  // the first command runs.
  void Deactivate();
  // Inserts at the cursor what typing those characters would insert (screens
  // preset a text with it).
  void InsertText(const std::string& text);
  // Inserts the clipboard's text at the cursor, filtered and bounded like
  // typing, and empties the clipboard, so that the repeats of a held
  // control+V paste once.
  void Paste();

  // The clipboard pasted from (not owned); without one each paste asks the
  // platform for the desktop's.
  void SetClipboard(platform::Clipboard* clipboard) { clipboard_ = clipboard; }
  // The edited text without the caret.
  std::string GetEditedText() const;
  TCommand* GetEndCommand() const { return endCommand_.get(); }

 private:
  void ShowCaret();
  void RemoveCaret();
  // The position in the edited text that the cursor stands at.
  std::size_t EditIndex();
  // Inserts one character at the cursor and moves the cursor past it; false
  // (nothing inserted) for a character typing cannot give or a full box.
  bool InsertTyped(uint8_t character);
  void EraseAt(std::size_t index);
  // The edit of one key event; false when it ended the editing.
  bool EditForKeys();
  static void RetainFocusKeys();

  uint8_t activated_ = 0;
  std::unique_ptr<TCommand> endCommand_;
  platform::Clipboard* clipboard_ = nullptr;
  static constexpr std::size_t kNoCaret = static_cast<std::size_t>(-1);
  // Where this box put the caret into the edited text.
  std::size_t caretAt_ = kNoCaret;
};

// An edit box for secrets: it shows every character but the caret as "*",
// while the edited text its command receives stays as typed.
class TObtuseEditBox : public TEditBox {
 public:
  using TEditBox::TEditBox;

  void Rebuild() override;

  // The shown copy of a text: every character but the caret becomes "*".
  static std::string Mask(const std::string& text);
};

