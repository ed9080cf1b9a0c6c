// The base of everything the map view draws: a visual placed at a position
// and drawn once per frame by its draw layer with an offset and the layer's
// light grid. The position is either shared with the owner (a game object's
// own position, so moving the object moves the visual) or owned.
#pragma once

#include <memory>

#include "app/vector3.h"

class TColour;
class TLightGrid;

class TVisual {
 public:
  static constexpr const char* kClassName = "TVISUAL";

  TVisual(const TVisual&) = delete;
  TVisual& operator=(const TVisual&) = delete;
  virtual ~TVisual();

  // Draws at position + offset; light may be null.
  virtual void Draw(const TVector3& offset, TLightGrid* light) = 0;
  // A new visual of the same class and contents at the position: with
  // ownsPosition a copy of it, otherwise the pointer is kept.
  virtual std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const = 0;
  virtual void SetStartTime(float time);
  virtual float GetStartTime() const;
  virtual void Update(float time);
  virtual void SetOnTop();
  virtual bool HitTest(const TVector3& point) const;
  virtual void SetChanged(bool changed);
  virtual void SetRate(float rate);
  virtual TVector3 GetPosition() const;
  virtual const char* GetClassName() const { return kClassName; }
  // Drawable leaves keep a copy of the tint; null resets their vertex colours.
  virtual void SetTint(const TColour* colour, float amount);
  virtual bool IsAnimated() const;

  // A clone that owns a copy of this visual's position.
  std::unique_ptr<TVisual> CloneWithOwnPosition() const;

  // Draw with the visual's own offset and no light grid.
  void Render();
  // Draw with the visual's own offset, lit when the visual is lit.
  void RenderWithFlag(TLightGrid* light);
  void Show();
  void Hide() { hidden_ = true; }
  bool IsHidden() const { return hidden_; }
  void SetRenderFlag(bool lit) { lit_ = lit; }
  bool GetRenderFlag() const { return lit_; }
  bool IsOnTop() const { return onTop_; }
  bool IsChanged() const { return changed_; }
  TVector3 GetDrawPosition(const TVector3& offset) const;
  // Only an owned position moves; a shared one moves with its owner.
  void SetPosition(const TVector3& position);
  bool OwnsPosition() const { return ownedPosition_ != nullptr; }
  // The position object itself (shared or owned).
  const TVector3* GetPositionObject() const { return position_; }
  const TVector3& GetOffset() const { return offset_; }
  void SetOffset(const TVector3& offset) { offset_ = offset; }
  // Type tests compare class names.
  bool IsOfClass(const char* className) const;

 protected:
  TVisual(TVector3* position, bool ownsPosition);
  // The contents of another visual at a new position.
  TVisual(const TVisual& other, TVector3* position, bool ownsPosition);

  // The light grid a lit visual passes on.
  TLightGrid* LightFor(TLightGrid* light) const { return lit_ ? light : nullptr; }
  void ClearChanged() { changed_ = false; }

 private:
  void Place(TVector3* position, bool ownsPosition);

  std::unique_ptr<TVector3> ownedPosition_;
  TVector3* position_ = nullptr;
  bool hidden_ = false;
  bool onTop_ = false;
  bool lit_ = true;
  bool changed_ = true;
  TVector3 offset_;
};

// A visual that draws nothing.
class TNullVisual : public TVisual {
 public:
  static constexpr const char* kClassName = "TNULLVISUAL";

  TNullVisual(TVector3* position, bool ownsPosition) : TVisual(position, ownsPosition) {}
  void Draw(const TVector3& /*offset*/, TLightGrid* /*light*/) override {}
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }
};

TVector3 Sum(const TVector3& a, const TVector3& b);
TVector3 Difference(const TVector3& a, const TVector3& b);
