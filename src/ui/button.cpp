#include "ui/button.h"

#include <utility>

#include "app/message_stream.h"
#include "app/mouse.h"
#include "app/string_table.h"
#include "display/visuals/visual.h"
#include "sound/sound_nodes.h"
#include "ui/command_answers.h"
#include "ui/interface_visuals.h"

namespace {

std::unique_ptr<TSound> SilentIfNull(std::unique_ptr<TSound> sound) {
  if (!sound) return std::make_unique<TNullSound>();
  return sound;
}

}  // namespace

// ---------------------------------------------------------------------------
// TButton

TButton::TButton(const std::string& name, const TScreenPosition& position, const std::string& visualName,
                 std::unique_ptr<TCommand> command, const std::string& tooltip)
    : TWidget(name, position),
      command_(OrNullCommand(std::move(command))),
      downSound_(MakeInterfaceSound("Button Down")),
      upSound_(MakeInterfaceSound("Button Up")),
      tooltip_(GetStringTable()->Translate(tooltip)) {
  picture_.Build(*this, visualName);
  if (GetVisual()) GetVisual()->SetOnTop();
}

TButton::~TButton() = default;

void TButton::Draw() { picture_.Draw(); }

void TButton::Update() {
  if (!IsActive()) return;
  SetOn(false);
  const int32_t code = GetMouse()->GetEventCode();
  if (IsPressEvent(code)) {
    if (IsUnderMouse()) SetPressed(true);
  } else if (IsReleaseEvent(code)) {
    if (IsUnderMouse()) Fire();
    SetPressed(false);
  }
  PlaySound();
}

void TButton::Think() { Hover(IsUnderMouse()); }

void TButton::Hover(bool underMouse) {
  TMessageStream* messages = TMessageStream::Instance();
  if (IsHovered()) {
    if (underMouse) return;
    if (messages->GetText() == tooltip_) messages->Clear();
    SetHovered(false);
  } else if (underMouse) {
    SetHovered(true);
    messages->Clear();
    messages->Write(tooltip_);
  }
}

void TButton::Relayout() {
  UpdateScreenPosition();
  picture_.MarkChanged();
}

bool TButton::IsUnderMouse() { return picture_.IsUnderMouse(); }

void TButton::GetScreenPosition(TVector3& out) const { picture_.GetPosition(*this, out); }

void TButton::SetPressed(bool pressed) {
  if (pressed != pressed_) pressedChanged_ = true;
  pressed_ = pressed;
  ShowPressedState();
}

void TButton::Fire() {
  SetOn(true);
  command_->Execute();
}

void TButton::PlaySound() {
  if (!pressedChanged_) return;
  pressedChanged_ = false;
  if (pressed_) {
    downSound_->Play();
  } else {
    upSound_->Play();
  }
}

void TButton::Mute() { SetSounds(nullptr, nullptr); }

void TButton::SetSounds(std::unique_ptr<TSound> down, std::unique_ptr<TSound> up) {
  downSound_ = SilentIfNull(std::move(down));
  upSound_ = SilentIfNull(std::move(up));
}

int32_t TButton::GetLook() const { return SelectedLook(picture_.Get()); }

void TButton::ShowLook(int32_t look) { SelectLook(picture_.Get(), look); }

// ---------------------------------------------------------------------------
// TConditionedButton

TConditionedButton::TConditionedButton(const std::string& name, const TScreenPosition& position,
                                       const std::string& visualName, std::unique_ptr<TCommand> command,
                                       std::unique_ptr<TCommand> condition, const std::string& tooltip)
    : TButton(name, position, visualName, std::move(command), tooltip),
      condition_(OrNullCommand(std::move(condition))) {}

TConditionedButton::~TConditionedButton() = default;

bool TConditionedButton::AskCondition() {
  state_ = AskBool(condition_.get());
  return state_;
}

// ---------------------------------------------------------------------------
// TConditionalButton

void TConditionalButton::Draw() {
  if (IsShown()) TButton::Draw();
}

void TConditionalButton::Update() {
  if (IsActive() && IsShown()) TButton::Update();
}

void TConditionalButton::Think() {
  if (!IsActive()) return;
  if (AskCondition()) ShowPressedState();
  Hover(IsShown() && IsUnderMouse());
}

// ---------------------------------------------------------------------------
// TGreyButton

void TGreyButton::Update() {
  if (IsActive() && !IsGrey()) TButton::Update();
}

void TGreyButton::Think() {
  TButton::Think();
  if (!IsActive()) return;
  if (AskCondition()) {
    ShowLook(kGreyLook);
  } else {
    ShowPressedState();
  }
}
