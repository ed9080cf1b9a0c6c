// The sizing operations of every sprite that can be stretched: the pieces
// of dialogue frames and stretchy panels are resized through them.
#pragma once

#include "display/visuals/visual.h"

class TStretchySprite : public TVisual {
 public:
  static constexpr const char* kClassName = "TSTRETCHYSPRITE";

  virtual float GetWidth() const = 0;
  virtual float GetHeight() const = 0;
  virtual void SetSize(float width, float height) = 0;
  virtual void SetWidth(float width) = 0;
  virtual void SetHeight(float height) = 0;

 protected:
  using TVisual::TVisual;
};
