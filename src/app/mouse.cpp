#include "app/mouse.h"

#include <algorithm>
#include <memory>

#include "display/map_view.h"

namespace {

std::unique_ptr<TMouse>& MouseCell() {
  static std::unique_ptr<TMouse> mouse;
  return mouse;
}

int32_t ClampToSize(int32_t value, int32_t size) {
  if (size <= 0) {
    return value;
  }
  return std::clamp(value, 0, size - 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// TMouseListener

TMouseListener::TMouseListener() { GetMouse()->AddListener(this); }

TMouseListener::~TMouseListener() {
  // A listener outliving the mouse at shutdown has nothing left to leave.
  if (MouseCell()) {
    MouseCell()->RemoveListener(this);
  }
}

// ---------------------------------------------------------------------------
// TMouse

void TMouse::SetPosition(int32_t x, int32_t y) {
  int32_t width = 0;
  int32_t height = 0;
  if (TMapView::Exists()) {
    width = TMapView::Instance()->GetScreenWidth();
    height = TMapView::Instance()->GetScreenHeight();
  }
  SetPosition(x, y, width, height);
}

void TMouse::SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
  x_ = ClampToSize(x, width);
  y_ = ClampToSize(y, height);
}

// Only a change of state is a press or a release; a repeated message still
// reaches the listeners, with no event.
void TMouse::SetButton(bool& state, bool down, int32_t pressedCode, int32_t releasedCode) {
  eventCode_ = kNone;
  if (down && !state) {
    eventCode_ = pressedCode;
  } else if (!down && state) {
    eventCode_ = releasedCode;
  }
  state = down;
  NotifyListeners();
}

void TMouse::SetLeftButton(bool down) { SetButton(left_, down, kLeftPressed, kLeftReleased); }

void TMouse::SetRightButton(bool down) { SetButton(right_, down, kRightPressed, kRightReleased); }

void TMouse::SetMiddleButton(bool down) {
  SetButton(middle_, down, kMiddlePressed, kMiddleReleased);
}

void TMouse::OnWheel(int32_t wheelData) {
  eventCode_ = kWheel;
  wheelDelta_ = wheelData;
  NotifyListeners();
  wheelDelta_ = 0;
}

void TMouse::AddListener(TMouseListener* listener) { listeners_.Add(listener); }

void TMouse::RemoveListener(TMouseListener* listener) { listeners_.Remove(listener); }

void TMouse::NotifyListeners() {
  listeners_.Notify([](TMouseListener& listener) { listener.OnMouseEvent(); });
}

// ---------------------------------------------------------------------------

TMouse* GetMouse() {
  auto& mouse = MouseCell();
  if (!mouse) {
    mouse = std::make_unique<TMouse>();
  }
  return mouse.get();
}

void DestroyMouse() { MouseCell().reset(); }

float ScreenToWorldX(int32_t x, int32_t y, float zoom) {
  return static_cast<float>(y) / (kMapTileHeight * zoom) +
         static_cast<float>(x) / (kMapTileWidth * zoom) - 1.5f;
}

float ScreenToWorldY(int32_t x, int32_t y, float zoom) {
  return static_cast<float>(y) / (kMapTileHeight * zoom) -
         static_cast<float>(x) / (kMapTileWidth * zoom) - 0.5f;
}

float MouseWorldX() {
  const TMouse* mouse = GetMouse();
  return ScreenToWorldX(mouse->GetX(), mouse->GetY(), CurrentMapZoom());
}

float MouseWorldY() {
  const TMouse* mouse = GetMouse();
  return ScreenToWorldY(mouse->GetX(), mouse->GetY(), CurrentMapZoom());
}
