// A bar that shows how far long work has come: a trough from the widget's
// position to a second corner and a fill over it that reaches the given
// percentage of the way.
#pragma once

#include <memory>
#include <string>

#include "ui/interface_visuals.h"
#include "ui/widget.h"

class TVisual;

class TProgressBar : public TWidget {
 public:
  // The picture is a node whose child 0 is the trough and child 1 the fill,
  // both bars between two corners.
  TProgressBar(const std::string& name, const TScreenPosition& position, const TScreenPosition& farCorner,
               const std::string& visualName);
  ~TProgressBar() override;

  void Draw() override;
  void Think() override;
  void Relayout() override;
  bool IsUnderMouse() override;
  void GetScreenPosition(TVector3& out) const override;

  void SetVisual(const std::string& visualName);
  // Lays the trough and the fill out; the percentage is not clamped.
  void SetProgress(float percent);

  TVisual* GetVisual() const { return picture_.Get(); }

 private:
  TScreenPosition farCorner_;
  TWidgetPicture picture_;
};
