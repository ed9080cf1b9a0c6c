#include "ui/progress_bar.h"

#include "display/visuals/visual_node.h"
#include "display/visuals/world_bar.h"
#include "ui/interface_visuals.h"

namespace {

TWorldBar* BarChild(TVisual* visual, int32_t index) {
  auto* node = dynamic_cast<TVisualNode*>(visual);
  return node ? dynamic_cast<TWorldBar*>(node->GetChild(index)) : nullptr;
}

void Span(TWorldBar* bar, const TVector3& start, const TVector3& end) {
  if (bar == nullptr) return;
  bar->SetStartCorner(start);
  bar->SetEndCorner(end);
}

}  // namespace

TProgressBar::TProgressBar(const std::string& name, const TScreenPosition& position,
                           const TScreenPosition& farCorner, const std::string& visualName)
    : TWidget(name, position), farCorner_(farCorner) {
  SetVisual(visualName);
  SetProgress(0.0f);
}

TProgressBar::~TProgressBar() = default;

void TProgressBar::SetVisual(const std::string& visualName) { picture_.Build(*this, visualName); }

void TProgressBar::SetProgress(float percent) {
  const TVector3 start = ScreenPosition();
  const TVector3 end = Resolve(farCorner_);
  const float fraction = 0.01f * percent;
  const TVector3 fill(start.x + (end.x - start.x) * fraction, start.y + (end.y - start.y) * fraction,
                      start.z + (end.z - start.z) * fraction);
  Span(BarChild(picture_.Get(), 0), start, end);
  Span(BarChild(picture_.Get(), 1), start, fill);
}

void TProgressBar::Draw() { picture_.Draw(); }

void TProgressBar::Think() { picture_.Animate(); }

void TProgressBar::Relayout() {
  UpdateScreenPosition();
  picture_.MarkChanged();
}

bool TProgressBar::IsUnderMouse() { return picture_.IsUnderMouse(); }

void TProgressBar::GetScreenPosition(TVector3& out) const { picture_.GetPosition(*this, out); }
