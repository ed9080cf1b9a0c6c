#include "ui/interface_visuals.h"

#include "app/mouse.h"
#include "app/system_clock.h"
#include "display/map_view.h"
#include "display/visuals/stretchy_sprite.h"
#include "display/visuals/visual.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"
#include "sound/sound_nodes.h"
#include "sound/sound_system.h"
#include "ui/widget.h"

namespace {

TStretchySprite* AsSprite(TVisual* visual) { return dynamic_cast<TStretchySprite*>(visual); }

}  // namespace

TVisualLibrary* InterfaceVisualLibrary() {
  return TMapView::Exists() ? TMapView::Instance()->GetVisualLibrary() : nullptr;
}

std::unique_ptr<TVisual> BuildInterfaceVisual(TVector3* position, bool ownsPosition, const std::string& name) {
  TVisualLibrary* library = InterfaceVisualLibrary();
  if (library == nullptr || name.empty()) return nullptr;
  return library->BuildVisual(position, ownsPosition, name, "Interface", nullptr);
}

std::unique_ptr<TVisual> BuildWidgetVisual(const TWidget& widget, const std::string& name) {
  // A shared position is only ever read by the visual.
  return BuildInterfaceVisual(const_cast<TVector3*>(&widget.ScreenPosition()), false, name);
}

bool GetVisualSize(const TVisual* visual, float& width, float& height) {
  const auto* sprite = dynamic_cast<const TStretchySprite*>(visual);
  if (sprite == nullptr) return false;
  width = sprite->GetWidth();
  height = sprite->GetHeight();
  return true;
}

void SetVisualWidth(TVisual* visual, float width) {
  if (TStretchySprite* sprite = AsSprite(visual)) sprite->SetWidth(width);
}

void SetVisualHeight(TVisual* visual, float height) {
  if (TStretchySprite* sprite = AsSprite(visual)) sprite->SetHeight(height);
}

void SetVisualSize(TVisual* visual, float width, float height) {
  if (TStretchySprite* sprite = AsSprite(visual)) sprite->SetSize(width, height);
}

namespace {

const TVisualSwitch* AsSwitch(const TVisual* visual) {
  if (visual == nullptr || !visual->IsOfClass(TVisualSwitch::kClassName)) return nullptr;
  return static_cast<const TVisualSwitch*>(visual);
}

}  // namespace

void SelectLook(TVisual* visual, int32_t index) {
  if (AsSwitch(visual) == nullptr) return;
  auto* looks = static_cast<TVisualSwitch*>(visual);
  looks->Select(index);
  looks->SetChanged(true);
}

int32_t SelectedLook(const TVisual* visual) {
  const TVisualSwitch* looks = AsSwitch(visual);
  return looks ? looks->GetSelectedIndex() : -1;
}

int32_t LookCount(const TVisual* visual) {
  const TVisualSwitch* looks = AsSwitch(visual);
  return looks ? looks->GetChildCount() : 0;
}

TVector3 MousePoint() {
  const TMouse* mouse = GetMouse();
  return TVector3(static_cast<float>(mouse->GetX()), static_cast<float>(mouse->GetY()), 0.0f);
}

bool VisualUnderMouse(const TVisual* visual) { return visual != nullptr && visual->HitTest(MousePoint()); }

bool IsPressEvent(int32_t code) { return code == TMouse::kLeftPressed || code == TMouse::kRightPressed; }

bool IsReleaseEvent(int32_t code) { return code == TMouse::kLeftReleased || code == TMouse::kRightReleased; }

TWidgetPicture::TWidgetPicture() = default;

TWidgetPicture::~TWidgetPicture() = default;

void TWidgetPicture::Build(const TWidget& owner, const std::string& name) {
  visual_.reset();
  visual_ = BuildWidgetVisual(owner, name);
}

void TWidgetPicture::Draw() {
  if (visual_) visual_->RenderWithFlag(nullptr);
}

void TWidgetPicture::Animate() {
  if (visual_) visual_->Update(InterfaceSeconds());
}

void TWidgetPicture::MarkChanged() {
  if (visual_) visual_->SetChanged(true);
}

bool TWidgetPicture::IsUnderMouse() const { return VisualUnderMouse(visual_.get()); }

void TWidgetPicture::GetPosition(const TWidget& owner, TVector3& out) const {
  if (visual_) {
    out = visual_->GetPosition();
  } else {
    out = owner.ScreenPosition();
  }
}

float InterfaceSeconds() { return static_cast<float>(TSystemClock::Instance()->GetSeconds()); }

std::unique_ptr<TSound> MakeInterfaceSound(const std::string& name) {
  tSoundSystem* sounds = tSoundSystem::Instance();
  if (sounds != nullptr) {
    std::unique_ptr<TSound> sound = sounds->MakeSound(nullptr, false, name);
    if (sound) return sound;
  }
  return std::make_unique<TNullSound>();
}
