// What the widgets need of the display side: their pictures, built by name
// from the "Interface" category of the visual library, the sizes of the
// pictures that stretch, the mouse point and the clock that animates them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/vector3.h"

class TSound;
class TWidget;
class TVisual;
class TVisualLibrary;

// The library interface pictures come from: the map view's, so that the
// widgets and the map draw from one set of prototypes; null when there is
// none (the server, runs without a map view), and then no widget has a
// picture.
TVisualLibrary* InterfaceVisualLibrary();

// The named picture of the "Interface" category at the position (shared
// with the caller unless ownsPosition); null for an unknown name or without
// a library.
std::unique_ptr<TVisual> BuildInterfaceVisual(TVector3* position, bool ownsPosition, const std::string& name);

// The named picture at the widget's resolved position, which it shares and
// so follows whenever the widget is laid out again.
std::unique_ptr<TVisual> BuildWidgetVisual(const TWidget& widget, const std::string& name);

// Width and height of a stretchable picture; false (and nothing changed)
// for any other visual.
bool GetVisualSize(const TVisual* visual, float& width, float& height);
void SetVisualWidth(TVisual* visual, float width);
void SetVisualHeight(TVisual* visual, float height);
void SetVisualSize(TVisual* visual, float width, float height);

// Selects the child of a switch picture and marks the picture changed;
// nothing for a picture of another kind.
void SelectLook(TVisual* visual, int32_t index);
// The selected child of a switch picture; -1 for a picture of another kind.
int32_t SelectedLook(const TVisual* visual);
// The number of children of a switch picture; 0 for a picture of another
// kind.
int32_t LookCount(const TVisual* visual);

// The mouse position as a point of the screen plane.
TVector3 MousePoint();
// The hit test of a picture at the mouse point; false without a picture.
bool VisualUnderMouse(const TVisual* visual);
// The mouse event codes of a left or right press, and of a left or right
// release.
bool IsPressEvent(int32_t code);
bool IsReleaseEvent(int32_t code);

// A widget's own picture, at the widget's resolved position: drawn,
// animated, hit and placed alike by every widget that has one. Without a
// picture it draws nothing, is never hit and stands at the widget's own
// position.
class TWidgetPicture {
 public:
  TWidgetPicture();
  ~TWidgetPicture();
  TWidgetPicture(const TWidgetPicture&) = delete;
  TWidgetPicture& operator=(const TWidgetPicture&) = delete;

  // Replaces the picture by the named one; an unknown name leaves none.
  void Build(const TWidget& owner, const std::string& name);
  void Draw();
  // Animated pictures run on real time.
  void Animate();
  void MarkChanged();
  bool IsUnderMouse() const;
  void GetPosition(const TWidget& owner, TVector3& out) const;
  TVisual* Get() const { return visual_.get(); }

 private:
  std::unique_ptr<TVisual> visual_;
};

// Real time in seconds, what animated pictures run on.
float InterfaceSeconds();

// A sound of the interface sound set ("Button Down", "Button Up"); a silent
// one when no sound system runs.
std::unique_ptr<TSound> MakeInterfaceSound(const std::string& name);
