#include "ui/switches.h"

#include <utility>

#include "app/mouse.h"
#include "sound/sound_nodes.h"
#include "ui/command_answers.h"
#include "ui/interface_visuals.h"

// ---------------------------------------------------------------------------
// TSwitch

TSwitch::TSwitch(const std::string& name, const TScreenPosition& position, const std::string& visualName,
                 std::unique_ptr<TCommand> action, std::unique_ptr<TCommand> grey, std::unique_ptr<TCommand> state,
                 const std::string& tooltip)
    : TGreyButton(name, position, visualName, std::move(action), std::move(grey), tooltip),
      state_(OrNullCommand(std::move(state))) {}

TSwitch::~TSwitch() {
  // A switch taken out of its radio must not leave its neighbours pointing
  // at it.
  if (previous_ != nullptr) previous_->next_ = next_;
  if (next_ != nullptr) next_->previous_ = previous_;
}

void TSwitch::SetNext(TSwitch* next) {
  if (next == nullptr || next == this) return;
  next_ = next;
  next->previous_ = this;
}

void TSwitch::SetPressed(bool pressed) {
  TButton::SetPressed(pressed);
  if (!pressed) return;
  // The button's own operation on the others, so the walk never recurses;
  // meeting this switch again ends it.
  for (TSwitch* other = next_; other != nullptr && other != this; other = other->next_) {
    other->TButton::SetPressed(false);
  }
  for (TSwitch* other = previous_; other != nullptr && other != this; other = other->previous_) {
    other->TButton::SetPressed(false);
  }
}

void TSwitch::Update() {
  if (!IsActive() || IsGrey()) return;
  SetOn(false);
  if (!IsPressEvent(GetMouse()->GetEventCode()) || IsPressed() || !IsUnderMouse()) return;
  SetPressed(true);
  Fire();
  PlaySound();
}

void TSwitch::Think() {
  TGreyButton::Think();
  if (IsActive() && !IsGrey()) SetPressed(AskBool(state_.get()));
}

// ---------------------------------------------------------------------------
// TRadio

void TRadio::AddChild(std::unique_ptr<TWidget> child) {
  if (!child) return;
  auto* added = dynamic_cast<TSwitch*>(child.get());
  if (added != nullptr && ChildCount() > 0) {
    if (auto* last = dynamic_cast<TSwitch*>(ChildAt(ChildCount() - 1))) last->SetNext(added);
  }
  TNode::AddChild(std::move(child));
}

// ---------------------------------------------------------------------------
// TToggle

TToggle::TToggle(const std::string& name, const TScreenPosition& position, const std::string& visualName,
                 std::unique_ptr<TCommand> action, std::unique_ptr<TCommand> childCommand,
                 const std::string& tooltip)
    : TButton(name, position, visualName, std::move(action), tooltip),
      childCommand_(OrNullCommand(std::move(childCommand))) {}

TToggle::~TToggle() = default;

void TToggle::Update() {
  if (!IsActive()) return;
  SetOn(false);
  if (!IsPressEvent(GetMouse()->GetEventCode()) || !IsUnderMouse()) return;
  int32_t next = GetLook() + 1;
  if (next >= LookCount(GetVisual())) next = 0;
  ShowLook(next);
  Fire();
}

void TToggle::Think() {
  TButton::Think();
  if (IsActive()) ShowLook(AskInt(childCommand_.get()));
}

// ---------------------------------------------------------------------------
// TTouch

TTouch::TTouch(const std::string& name, const TScreenPosition& position, const std::string& visualName,
               std::unique_ptr<TCommand> command, const std::string& tooltip)
    : TButton(name, position, visualName, std::move(command), tooltip) {
  Mute();
}

void TTouch::Update() {
  if (!IsActive()) return;
  SetOn(false);
  const TMouse* mouse = GetMouse();
  SetPressed((mouse->IsLeftButtonDown() || mouse->IsRightButtonDown()) && IsUnderMouse());
  PlaySound();
}

void TTouch::Think() {
  TButton::Think();
  if (IsPressed()) Fire();
}

// ---------------------------------------------------------------------------
// TSwitchItem

TSwitchItem::TSwitchItem(const std::string& name, std::unique_ptr<TCommand> clickCommand,
                         std::unique_ptr<TCommand> indexCommand)
    : TNode(name),
      clickCommand_(OrNullCommand(std::move(clickCommand))),
      indexCommand_(OrNullCommand(std::move(indexCommand))),
      sound_(MakeInterfaceSound("Button Down")) {}

TSwitchItem::~TSwitchItem() = default;

TWidget* TSwitchItem::Current() const {
  if (index_ < 0) return nullptr;
  return ChildAt(static_cast<std::size_t>(index_));
}

void TSwitchItem::Draw() {
  if (IsHidden()) return;
  if (TWidget* shown = Current()) shown->Draw();
}

void TSwitchItem::Think() {
  if (IsHidden()) return;
  index_ = AskInt(indexCommand_.get());
  if (TWidget* shown = Current()) shown->Think();
}

void TSwitchItem::Update() {
  if (!IsActive() || IsHidden()) return;
  SetOn(false);
  if (!IsPressEvent(GetMouse()->GetEventCode()) || !IsUnderMouse()) return;
  SetOn(true);
  Run(clickCommand_.get());
  sound_->Play();
}

void TSwitchItem::SetSound(std::unique_ptr<TSound> sound) {
  sound_ = sound ? std::move(sound) : std::make_unique<TNullSound>();
}
