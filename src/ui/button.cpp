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

bool IsPress(int32_t code) { return code == TMouse::kLeftPressed || code == TMouse::kRightPressed; }
bool IsRelease(int32_t code) { return code == TMouse::kLeftReleased || code == TMouse::kRightReleased; }

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
      command_(command ? std::move(command) : std::make_unique<TNullCommand>()),
      visual_(BuildWidgetVisual(*this, visualName)),
      downSound_(MakeInterfaceSound("Button Down")),
      upSound_(MakeInterfaceSound("Button Up")),
      tooltip_(GetStringTable()->Translate(tooltip)) {
  if (visual_) visual_->SetOnTop();
}

TButton::~TButton() = default;

void TButton::Draw() {
  if (visual_) visual_->RenderWithFlag(nullptr);
}

void TButton::Update() {
  if (!IsActive()) return;
  SetOn(false);
  const int32_t code = GetMouse()->GetEventCode();
  if (IsPress(code)) {
    if (IsUnderMouse()) SetPressed(true);
  } else if (IsRelease(code)) {
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
  if (visual_) visual_->SetChanged(true);
}

bool TButton::IsUnderMouse() { return VisualUnderMouse(visual_.get()); }

void TButton::GetScreenPosition(TVector3& out) const {
  if (visual_) {
    out = visual_->GetPosition();
  } else {
    TWidget::GetScreenPosition(out);
  }
}

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

int32_t TButton::GetLook() const { return SelectedLook(visual_.get()); }

void TButton::ShowLook(int32_t look) { SelectLook(visual_.get(), look); }

// ---------------------------------------------------------------------------
// TConditionedButton

TConditionedButton::TConditionedButton(const std::string& name, const TScreenPosition& position,
                                       const std::string& visualName, std::unique_ptr<TCommand> command,
                                       std::unique_ptr<TCommand> condition, const std::string& tooltip)
    : TButton(name, position, visualName, std::move(command), tooltip),
      condition_(condition ? std::move(condition) : std::make_unique<TNullCommand>()) {}

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
