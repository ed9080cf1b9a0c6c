#include "ui/widget.h"

#include <algorithm>
#include <utility>

#include "display/current_display.h"
#include "display/display.h"

// ---------------------------------------------------------------------------
// TWidget

TWidget::TWidget(const std::string& name, const TScreenPosition& position) : position_(position), name_(name) {
  TWidget::UpdateScreenPosition();
}

TWidget::~TWidget() = default;

void TWidget::Relayout() { UpdateScreenPosition(); }

void TWidget::GetScreenPosition(TVector3& out) const { out = screenPosition_; }

TWidget* TWidget::FindByName(const std::string& name) { return name == name_ ? this : nullptr; }

void TWidget::UpdateScreenPosition() { screenPosition_ = Resolve(position_); }

int32_t TWidget::DisplayWidth() {
  const TDisplay* display = CurrentDisplay();
  return display ? display->GetWidth() : 0;
}

int32_t TWidget::DisplayHeight() {
  const TDisplay* display = CurrentDisplay();
  return display ? display->GetHeight() : 0;
}

TVector3 TWidget::Resolve(const TScreenPosition& position) {
  return TVector3(position.ResolveX(DisplayWidth()), position.ResolveY(DisplayHeight()), 0.0f);
}

// ---------------------------------------------------------------------------
// TNode

// Counts a walk over the children; when the outermost walk ends, the children
// removed meanwhile are deleted.
class TNode::TDispatch {
 public:
  explicit TDispatch(TNode& node) : node_(node) { ++node_.walks_; }
  ~TDispatch() {
    if (--node_.walks_ == 0) {
      std::vector<std::unique_ptr<TWidget>> retired = std::move(node_.retired_);
      node_.retired_.clear();
    }
  }
  TDispatch(const TDispatch&) = delete;
  TDispatch& operator=(const TDispatch&) = delete;

 private:
  TNode& node_;
};

TNode::TNode(const std::string& name) : TNode(name, TScreenPosition(0.0f, 0.0f, "RelPosX", "RelPosY")) {}

TNode::TNode(const std::string& name, const TScreenPosition& position) : TWidget(name, position) {}

// Children go first to last, whatever order the vector would pick.
TNode::~TNode() {
  for (auto& child : children_) child.reset();
}

template <class Operation>
void TNode::ForEachChild(Operation operation) {
  TDispatch dispatch(*this);
  std::vector<TWidget*> walk;
  walk.reserve(children_.size());
  for (const auto& child : children_) walk.push_back(child.get());
  for (TWidget* child : walk) {
    if (!IsRetired(child)) operation(*child);
  }
}

bool TNode::IsRetired(const TWidget* child) const {
  return std::any_of(retired_.begin(), retired_.end(),
                     [child](const std::unique_ptr<TWidget>& retired) { return retired.get() == child; });
}

void TNode::Discard(std::size_t index) {
  std::unique_ptr<TWidget> child = std::move(children_[index]);
  children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(index));
  child->parent_ = nullptr;
  if (walks_ > 0) retired_.push_back(std::move(child));
}

void TNode::Draw() {
  if (IsHidden()) return;
  ForEachChild([](TWidget& child) { child.Draw(); });
}

void TNode::Update() {
  if (!IsActive() || IsHidden()) return;
  ForEachChild([](TWidget& child) {
    if (!child.IsHidden()) child.Update();
  });
}

void TNode::HandleKeys() {
  if (IsHidden()) return;
  ForEachChild([](TWidget& child) { child.HandleKeys(); });
}

void TNode::Think() {
  if (!IsActive() || IsHidden()) return;
  for (std::size_t index = 0; index < children_.size();) {
    if (children_[index]->IsDeletePending()) {
      Discard(index);
    } else {
      ++index;
    }
  }
  TDispatch dispatch(*this);
  for (const auto& child : children_) {
    if (child->IsModal()) {
      TWidget* modal = child.get();
      modal->Think();
      return;
    }
  }
  ForEachChild([](TWidget& child) { child.Think(); });
}

void TNode::Relayout() {
  ForEachChild([](TWidget& child) { child.Relayout(); });
}

bool TNode::IsUnderMouse() {
  if (IsHidden() || children_.empty()) return false;
  bool under = false;
  ForEachChild([&under](TWidget& child) {
    if (!under && child.IsUnderMouse()) under = true;
  });
  return under;
}

void TNode::SetActive(bool active) {
  TWidget::SetActive(active);
  ForEachChild([active](TWidget& child) { child.SetActive(active); });
}

void TNode::SetEnabled(bool enabled) {
  ForEachChild([enabled](TWidget& child) { child.SetEnabled(enabled); });
}

void TNode::GetScreenPosition(TVector3& out) const {
  if (children_.empty()) {
    TWidget::GetScreenPosition(out);
  } else {
    children_.front()->GetScreenPosition(out);
  }
}

TWidget* TNode::FindByName(const std::string& name) {
  if (TWidget* self = TWidget::FindByName(name)) return self;
  for (const auto& child : children_) {
    if (TWidget* found = child->FindByName(name)) return found;
  }
  return nullptr;
}

void TNode::AddChild(std::unique_ptr<TWidget> child) {
  if (!child) return;
  child->parent_ = this;
  children_.push_back(std::move(child));
}

TWidget* TNode::ChildAt(std::size_t index) const {
  return index < children_.size() ? children_[index].get() : nullptr;
}

void TNode::RemoveChildAt(std::size_t index) {
  if (index < children_.size()) Discard(index);
}

void TNode::RemoveChild(const TWidget* child) {
  for (std::size_t index = 0; index < children_.size(); ++index) {
    if (children_[index].get() == child) {
      Discard(index);
      return;
    }
  }
}

void TNode::RemoveChildByName(const std::string& name) {
  for (std::size_t index = 0; index < children_.size();) {
    if (children_[index]->GetName() == name) {
      Discard(index);
    } else {
      ++index;
    }
  }
}
