#include "display/visuals/visual_node.h"

#include <algorithm>
#include <cmath>

#include "display/current_display.h"

TVisualNode::TVisualNode(const TVisualNode& other, TVector3* position, bool ownsPosition)
    : TVisual(other, position, ownsPosition) {
  children_.reserve(other.children_.size());
  for (const auto& child : other.children_) {
    children_.push_back(child->CloneWithOwnPosition());
  }
}

TVisualNode::~TVisualNode() {
  // First to last, as they were added.
  for (auto& child : children_) child.reset();
}

void TVisualNode::AddChild(std::unique_ptr<TVisual> child) {
  if (child != nullptr) children_.push_back(std::move(child));
}

void TVisualNode::RemoveChild(const TVisual* child) {
  const auto found =
      std::find_if(children_.begin(), children_.end(), [child](const auto& c) { return c.get() == child; });
  if (found != children_.end()) children_.erase(found);
}

TVisual* TVisualNode::GetChild(int32_t index) const {
  if (index < 0 || index >= GetChildCount()) return nullptr;
  return children_[static_cast<std::size_t>(index)].get();
}

void TVisualNode::DrawChildren(const TVector3& offset, TLightGrid* light) {
  if (IsHidden()) return;
  const TVector3 at = GetDrawPosition(offset);
  for (auto& child : children_) child->Draw(at, LightFor(light));
  ClearChanged();
}

void TVisualNode::DrawChild(int32_t index, const TVector3& offset, TLightGrid* light) {
  if (IsHidden()) return;
  if (IsCurrentViewChanged()) SetChanged(true);
  if (TVisual* child = GetChild(index)) child->Draw(GetDrawPosition(offset), LightFor(light));
  ClearChanged();
}

void TVisualNode::SetStartTime(float time) {
  for (auto& child : children_) child->SetStartTime(time);
}

float TVisualNode::GetStartTime() const { return 0.0f; }

void TVisualNode::Update(float time) {
  for (auto& child : children_) child->Update(time);
}

void TVisualNode::SetOnTop() {
  TVisual::SetOnTop();
  for (auto& child : children_) child->SetOnTop();
}

bool TVisualNode::HitTest(const TVector3& point) const {
  const TVector3 relative = Difference(point, *GetPositionObject());
  return std::any_of(children_.begin(), children_.end(),
                     [&relative](const auto& child) { return child->HitTest(relative); });
}

void TVisualNode::SetChanged(bool changed) {
  TVisual::SetChanged(changed);
  for (auto& child : children_) child->SetChanged(changed);
}

void TVisualNode::SetRate(float rate) {
  for (auto& child : children_) child->SetRate(rate);
}

TVector3 TVisualNode::GetPosition() const {
  if (children_.empty()) return *GetPositionObject();
  return Sum(*GetPositionObject(), children_.front()->GetPosition());
}

void TVisualNode::SetTint(const TColour* colour, float amount) {
  for (auto& child : children_) child->SetTint(colour, amount);
}

bool TVisualNode::IsAnimated() const {
  return std::any_of(children_.begin(), children_.end(), [](const auto& child) { return child->IsAnimated(); });
}

void TCompoundVisual::Draw(const TVector3& offset, TLightGrid* light) { DrawChildren(offset, LightFor(light)); }

std::unique_ptr<TVisual> TCompoundVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TCompoundVisual(*this, position, ownsPosition));
}

void TVisualSwitch::Draw(const TVector3& offset, TLightGrid* light) { DrawChild(selected_, offset, light); }

std::unique_ptr<TVisual> TVisualSwitch::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TVisualSwitch(*this, position, ownsPosition));
}

TVisualCycle::TVisualCycle(TVector3* position, bool ownsPosition, float rate, bool once)
    : TVisualNode(position, ownsPosition), rate_(rate), once_(once) {}

void TVisualCycle::Draw(const TVector3& offset, TLightGrid* light) { DrawChild(frame_, offset, light); }

std::unique_ptr<TVisual> TVisualCycle::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TVisualCycle(*this, position, ownsPosition));
}

void TVisualCycle::SetStartTime(float time) {
  startTime_ = time;
  TVisualNode::SetStartTime(time);
}

void TVisualCycle::Update(float time) {
  const int32_t count = GetChildCount();
  // The product is taken in single precision, then truncated; the integer
  // step happens in double so that huge or non-finite times cannot overflow.
  const double steps = std::trunc(static_cast<double>((time - startTime_) * rate_));
  // Times before the start, non-finite times and empty cycles show the first
  // child.
  if (count == 0 || !(steps >= 0.0) || std::isinf(steps)) {
    frame_ = 0;
  } else if (once_) {
    frame_ = steps >= static_cast<double>(count) ? count - 1 : static_cast<int32_t>(steps);
  } else {
    frame_ = static_cast<int32_t>(std::fmod(steps, static_cast<double>(count)));
  }
}

TShadowVisual::TShadowVisual(TVector3* position, bool ownsPosition, std::unique_ptr<TVisual> object,
                             std::unique_ptr<TVisual> shadow)
    : TVisualNode(position, ownsPosition) {
  AddChild(shadow != nullptr ? std::move(shadow) : std::make_unique<TNullVisual>(nullptr, true));
  AddChild(object != nullptr ? std::move(object) : std::make_unique<TNullVisual>(nullptr, true));
}

void TShadowVisual::Draw(const TVector3& offset, TLightGrid* light) {
  const TVector3 at = GetDrawPosition(offset);
  const TVector3 shadowOffset(offset.x, offset.y, offset.z - at.z);
  DrawChild(0, shadowOffset, LightFor(light));
  DrawChild(1, offset, LightFor(light));
}

std::unique_ptr<TVisual> TShadowVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TShadowVisual(*this, position, ownsPosition));
}
