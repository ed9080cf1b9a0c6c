#include "ui/panel.h"

#include <utility>

#include "app/mouse.h"
#include "display/display.h"
#include "display/map_view.h"
#include "display/visuals/visual.h"
#include "ui/command_answers.h"
#include "ui/interface_visuals.h"

// ---------------------------------------------------------------------------
// TPanel

TPanel::TPanel(const std::string& name, const TScreenPosition& position, const std::string& visualName)
    : TWidget(name, position) {
  SetVisual(visualName);
}

TPanel::~TPanel() = default;

void TPanel::SetVisual(const std::string& visualName) { picture_.Build(*this, visualName); }

void TPanel::Draw() { picture_.Draw(); }

void TPanel::Think() { picture_.Animate(); }

void TPanel::Relayout() {
  UpdateScreenPosition();
  picture_.MarkChanged();
}

bool TPanel::IsUnderMouse() { return picture_.IsUnderMouse(); }

void TPanel::GetScreenPosition(TVector3& out) const { picture_.GetPosition(*this, out); }

// ---------------------------------------------------------------------------
// TStretchyPanel

TStretchyPanel::TStretchyPanel(const std::string& name, const TScreenPosition& position,
                               const std::string& visualName, const TScreenPosition& farCorner)
    : TPanel(name, position, visualName), farCorner_(farCorner) {
  Relayout();
}

TStretchyPanel::~TStretchyPanel() = default;

void TStretchyPanel::UpdateScreenPosition() {
  TPanel::UpdateScreenPosition();
  const TVector3 far = Resolve(farCorner_);
  const float width = far.x - ScreenPosition().x;
  const float height = far.y - ScreenPosition().y;
  if (width > 0.0f && height > 0.0f) SetVisualSize(GetVisual(), width, height);
}

// ---------------------------------------------------------------------------
// TProgrammablePanel

TProgrammablePanel::TProgrammablePanel(const std::string& name, const TScreenPosition& position,
                                       std::unique_ptr<TCommand> nameCommand, std::unique_ptr<TCommand> clickCommand)
    : TPanel(name, position, "Null"),
      nameCommand_(OrNullCommand(std::move(nameCommand))),
      clickCommand_(OrNullCommand(std::move(clickCommand))) {}

TProgrammablePanel::~TProgrammablePanel() = default;

void TProgrammablePanel::Update() {
  if (!IsActive()) return;
  if (GetMouse()->GetEventCode() == TMouse::kLeftReleased && IsUnderMouse()) Run(clickCommand_.get());
}

void TProgrammablePanel::Think() {
  if (!IsActive()) return;
  std::string name = AskText(nameCommand_.get());
  if (name != visualName_) {
    SetVisual(name);
    visualName_ = std::move(name);
  }
  if (GetVisual()) GetVisual()->SetChanged(true);
}

// ---------------------------------------------------------------------------
// TBackgroundPanel

void TBackgroundPanel::Draw() {
  if (drawCount_ >= kDrawsAfterLayout) return;
  ++drawCount_;
  if (TMapView::Exists() && TMapView::Instance()->GetDisplay()) TMapView::Instance()->GetDisplay()->Clear();
  TPanel::Draw();
}

void TBackgroundPanel::Relayout() {
  drawCount_ = 0;
  TPanel::Relayout();
}

// ---------------------------------------------------------------------------
// TInteractivePanel

TInteractivePanel::TInteractivePanel(const std::string& name, const TScreenPosition& position,
                                     const std::string& visualName, std::unique_ptr<TCommand> command)
    : TPanel(name, position, visualName), command_(OrNullCommand(std::move(command))) {}

TInteractivePanel::~TInteractivePanel() = default;

void TInteractivePanel::Think() {
  if (!IsActive()) return;
  SelectLook(GetVisual(), AskInt(command_.get()));
}
