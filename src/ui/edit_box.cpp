#include "ui/edit_box.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/key_map.h"
#include "app/mouse.h"
#include "display/text/text_run.h"
#include "platform/clipboard.h"
#include "screens/interface_sounds.h"
#include "ui/commands/command.h"

namespace {

// Virtual-key code of the V key, which pastes with control.
constexpr int32_t kKeyV = 0x56;

bool IsDown(const char* name) { return TKey(name, true).IsDown(); }

bool HasCaretAt(const std::string& text, std::size_t index) {
  return index < text.size() && text[index] == TEditBox::kCaret;
}

}  // namespace

TEditBox::TEditBox(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
                   const std::string& style, std::unique_ptr<TCommand> command, const TScreenPosition& bottomRight,
                   std::unique_ptr<TCommand> endCommand)
    : TBoxText(name, position, text, centred, style, std::move(command), bottomRight),
      endCommand_(endCommand ? std::move(endCommand) : std::make_unique<TNullCommand>()) {}

TEditBox::~TEditBox() = default;

// ---------------------------------------------------------------------------
// Editing state

void TEditBox::Activate() {
  activated_ = 1;
  GetKeyMap()->ClearTypedChar();
  TInterfaceSounds::Instance()->Play("Activated");
}

void TEditBox::Deactivate() {
  if (!IsActivated()) return;
  RemoveCaret();
  Rebuild();
  if (TArgumentCommand* sink = endCommand_->AsArgumentCommand()) sink->SetArgument(GetResult());
  endCommand_->Execute();
  GetCommand()->Execute();
  activated_ = 0;
  TInterfaceSounds::Instance()->Play("Activated");
}

std::string TEditBox::GetEditedText() const {
  std::string text = GetResult();
  if (HasCaretAt(text, caretAt_)) text.erase(caretAt_, 1);
  return text;
}

// ---------------------------------------------------------------------------
// Events

void TEditBox::Update() {
  if (!IsActive()) return;
  const int32_t event = GetMouse()->GetEventCode();
  if (event != 1 && event != 3) return;
  if (IsUnderMouse()) {
    Activate();
  } else {
    Deactivate();
  }
}

bool TEditBox::IsUnderMouse() {
  const TMouse* mouse = GetMouse();
  const float x = static_cast<float>(mouse->GetX());
  const float y = static_cast<float>(mouse->GetY());
  TVector3 corner;
  GetBottomRight(corner);
  return x >= ScreenPosition().x && y >= ScreenPosition().y && x <= corner.x && y <= corner.y;
}

void TEditBox::Think() {
  if (!IsActive()) return;
  ShowCaret();
  if (IsActivated()) {
    Rebuild();
  } else if (!GetCommand()->IsNull()) {
    TBoxText::Think();
  }
}

void TEditBox::HandleKeys() {
  if (!IsActive() || !IsActivated()) return;
  RemoveCaret();
  if (!EditForKeys()) return;
  ShowCaret();
  // The keys the box consumed reach no other part of the screen; tab can
  // still move the focus and escape still close the screen.
  RetainFocusKeys();
}

bool TEditBox::EditForKeys() {
  if (IsDown("left")) {
    CursorLeft();
  } else if (IsDown("right")) {
    CursorRight();
  } else if (IsDown("delete")) {
    const std::size_t index = EditIndex();
    if (index < GetResult().size()) EraseAt(index);
  } else if (IsDown("back")) {
    if (EditIndex() > 0) {
      CursorLeft();
      EraseAt(EditIndex());
    }
  } else if (IsDown("control") && GetKeyMap()->GetKey(kKeyV).IsDown()) {
    Paste();
  } else if (IsDown("return") || IsDown("tab")) {
    RetainFocusKeys();
    Deactivate();
    return false;
  } else if (GetResult().size() < kMaxLength) {
    // At the bound the character stays in the key map.
    InsertTyped(GetKeyMap()->TakeTypedChar());
  }
  return true;
}

void TEditBox::RetainFocusKeys() { GetKeyMap()->RestrictSnapshots({TKey("tab", true), TKey("esc", true)}); }

// ---------------------------------------------------------------------------
// Text changes

void TEditBox::ShowCaret() {
  RemoveCaret();
  if (!IsActivated()) return;
  std::string text = GetResult();
  const std::size_t index = EditIndex();
  text.insert(index, 1, kCaret);
  SetResult(text);
  caretAt_ = index;
}

// Only the caret this box placed goes: a "|" of a command's result stays.
void TEditBox::RemoveCaret() {
  if (HasCaretAt(GetResult(), caretAt_)) EraseAt(caretAt_);
  caretAt_ = kNoCaret;
}

std::size_t TEditBox::EditIndex() {
  const std::size_t cursor = GetCursor();
  const std::size_t label = GetText().size();
  const std::size_t index = cursor > label ? cursor - label : 0;
  return std::min(index, GetResult().size());
}

void TEditBox::EraseAt(std::size_t index) {
  std::string text = GetResult();
  if (index >= text.size()) return;
  text.erase(index, 1);
  SetResult(text);
}

bool TEditBox::InsertTyped(uint8_t character) {
  if (character < 0x20 || character == static_cast<uint8_t>(kCaret)) return false;
  std::string text = GetResult();
  if (text.size() >= kMaxLength) return false;
  text.insert(EditIndex(), 1, static_cast<char>(character));
  SetResult(text);
  CursorRight();
  return true;
}

void TEditBox::InsertText(const std::string& text) {
  RemoveCaret();
  for (const char character : text) InsertTyped(static_cast<uint8_t>(character));
  ShowCaret();
}

void TEditBox::Paste() {
  RemoveCaret();
  std::unique_ptr<platform::Clipboard> desktop;
  platform::Clipboard* clipboard = clipboard_;
  if (clipboard == nullptr) {
    desktop = platform::MakeClipboard();
    clipboard = desktop.get();
  }
  const std::string pasted = clipboard->GetText();
  for (const char character : pasted) InsertTyped(static_cast<uint8_t>(character));
  clipboard->SetText(std::string());
  ShowCaret();
}

std::string TObtuseEditBox::Mask(const std::string& text) {
  std::string shown = text;
  for (char& c : shown) {
    if (c != kCaret) c = '*';
  }
  return shown;
}

void TObtuseEditBox::Rebuild() {
  std::unique_ptr<TTextRun> run = LayoutText(Mask(ShownText()));
  const TTextRun* laidOut = run.get();
  SetRun(std::move(run));
  UpdateWidth(laidOut);
}
