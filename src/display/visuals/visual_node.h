// Visuals that hold child visuals and draw some or all of them: the node
// base, the switch (one chosen child), the cycle (a child chosen by time),
// the shadow (a ground shadow under an object) and the compound (all).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "display/visuals/visual.h"

class TVisualNode : public TVisual {
 public:
  static constexpr const char* kClassName = "TVISUALNODE";

  ~TVisualNode() override;

  // Takes ownership; a null child is not added.
  void AddChild(std::unique_ptr<TVisual> child);
  // Deletes the child when it is one of these children.
  void RemoveChild(const TVisual* child);
  int32_t GetChildCount() const { return static_cast<int32_t>(children_.size()); }
  // Null for an index outside the children.
  TVisual* GetChild(int32_t index) const;

  // Draws every child at this node's draw position, unless hidden.
  void DrawChildren(const TVector3& offset, TLightGrid* light);
  // Draws the one child (nothing for an index outside the children), unless
  // hidden; a changed view marks the whole subtree changed first.
  void DrawChild(int32_t index, const TVector3& offset, TLightGrid* light);

  void SetStartTime(float time) override;
  float GetStartTime() const override;
  void Update(float time) override;
  void SetOnTop() override;
  bool HitTest(const TVector3& point) const override;
  void SetChanged(bool changed) override;
  void SetRate(float rate) override;
  TVector3 GetPosition() const override;
  const char* GetClassName() const override { return kClassName; }
  void SetTint(const TColour* colour, float amount) override;
  bool IsAnimated() const override;

 protected:
  TVisualNode(TVector3* position, bool ownsPosition) : TVisual(position, ownsPosition) {}
  // Clones every child with a copy of its position.
  TVisualNode(const TVisualNode& other, TVector3* position, bool ownsPosition);

 private:
  std::vector<std::unique_ptr<TVisual>> children_;
};

// Draws every child, first to last.
class TCompoundVisual : public TVisualNode {
 public:
  TCompoundVisual(TVector3* position, bool ownsPosition) : TVisualNode(position, ownsPosition) {}
  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;

 protected:
  TCompoundVisual(const TCompoundVisual& other, TVector3* position, bool ownsPosition)
      : TVisualNode(other, position, ownsPosition) {}
};

// Draws the selected child.
class TVisualSwitch : public TVisualNode {
 public:
  static constexpr const char* kClassName = "TVISUALSWITCH";

  TVisualSwitch(TVector3* position, bool ownsPosition) : TVisualNode(position, ownsPosition) {}
  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }

  // Out-of-range indices are kept; such a switch draws nothing.
  void Select(int32_t index) { selected_ = index; }
  int32_t GetSelectedIndex() const { return selected_; }
  // Null when the selection lies outside the children.
  TVisual* GetSelected() const { return GetChild(selected_); }

 private:
  // Clones start on child 0.
  TVisualSwitch(const TVisualSwitch& other, TVector3* position, bool ownsPosition)
      : TVisualNode(other, position, ownsPosition) {}

  int32_t selected_ = 0;
};

// Draws the child that the time since the start selects: once through, or
// repeating.
class TVisualCycle : public TVisualNode {
 public:
  static constexpr const char* kClassName = "TVISUALCYCLE";

  TVisualCycle(TVector3* position, bool ownsPosition, float rate, bool once);
  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }

  void SetStartTime(float time) override;
  float GetStartTime() const override { return startTime_; }
  void Update(float time) override;
  void SetRate(float rate) override { rate_ = rate; }
  bool IsAnimated() const override { return true; }

  int32_t GetFrame() const { return frame_; }
  float GetRate() const { return rate_; }
  bool IsOnce() const { return once_; }

 private:
  // Clones keep rate and once and start on child 0 at time 0.
  TVisualCycle(const TVisualCycle& other, TVector3* position, bool ownsPosition)
      : TVisualNode(other, position, ownsPosition), rate_(other.rate_), once_(other.once_) {}

  int32_t frame_ = 0;
  float rate_ = 0.0f;
  float startTime_ = 0.0f;
  bool once_ = false;
};

// Child 0 is the shadow, drawn on the ground under child 1, the object.
class TShadowVisual : public TVisualNode {
 public:
  static constexpr const char* kClassName = "TSHADOWVISUAL";

  // A missing object or shadow is replaced by a null visual, so that the
  // two keep their places.
  TShadowVisual(TVector3* position, bool ownsPosition, std::unique_ptr<TVisual> object,
                std::unique_ptr<TVisual> shadow);
  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }

 private:
  TShadowVisual(const TShadowVisual& other, TVector3* position, bool ownsPosition)
      : TVisualNode(other, position, ownsPosition) {}
};
