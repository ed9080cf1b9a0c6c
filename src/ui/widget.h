// The elements of the interface. A widget is a named, positioned element with
// a few state flags that its owner draws, hands mouse and key events and
// lets think once a frame; a node is the widget that owns an ordered list of
// children and passes those operations on to them. Screens and dialogues are
// nodes, and the interface loader builds trees of widgets under them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "ui/screen_position.h"

class TNode;

class TWidget {
 public:
  TWidget(const std::string& name, const TScreenPosition& position);
  virtual ~TWidget();
  TWidget(const TWidget&) = delete;
  TWidget& operator=(const TWidget&) = delete;

  virtual void Draw() = 0;
  // Mouse handling: called once for each button or wheel event, after the
  // mouse has recorded it as its last event.
  virtual void Update() {}
  // Key handling: called once for each key event, after the key map has
  // recorded it.
  virtual void HandleKeys() {}
  // Once a frame: hover and housekeeping.
  virtual void Think() {}
  // Resolves the position again (after a change of display size).
  virtual void Relayout();
  virtual bool IsUnderMouse() { return false; }
  virtual void SetActive(bool active) { active_ = active; }
  // The button family keeps it as its active flag; containers pass it on.
  virtual void SetEnabled(bool /*enabled*/) {}
  virtual bool IsModal() const { return modal_; }
  virtual bool IsDeletePending() const { return deletePending_; }
  virtual void GetScreenPosition(TVector3& out) const;
  // This widget when its name equals the argument exactly, else null.
  virtual TWidget* FindByName(const std::string& name);
  virtual bool IsEditBox() const { return false; }
  virtual void UpdateScreenPosition();

  bool IsActive() const { return active_; }
  bool IsHidden() const { return hidden_; }
  void Show() { hidden_ = false; }
  void Hide() { hidden_ = true; }
  const std::string& GetName() const { return name_; }
  bool IsHovered() const { return hovered_; }
  void SetHovered(bool hovered) { hovered_ = hovered; }
  bool IsOn() const { return on_; }
  void SetOn(bool on) { on_ = on; }
  // Marks the widget (or clears the mark) for deletion by its parent at the
  // start of the parent's next Think.
  void ToggleDeletePending() { deletePending_ = !deletePending_; }
  // Takes effect at the next Relayout or UpdateScreenPosition; both axes
  // become relative.
  void SetPosition(float x, float y) { position_.SetXY(x, y); }

  const TScreenPosition& GetPositionSpec() const { return position_; }
  // The resolved position, in display pixels; visuals placed with the widget
  // refer to it.
  const TVector3& ScreenPosition() const { return screenPosition_; }
  TNode* GetParent() const { return parent_; }

  // The size that positions resolve against: the current display's, 0 x 0
  // without a display.
  static int32_t DisplayWidth();
  static int32_t DisplayHeight();
  // The position spec resolved against the current display.
  static TVector3 Resolve(const TScreenPosition& position);

 protected:
  void SetModal(bool modal) { modal_ = modal; }

 private:
  friend class TNode;

  TScreenPosition position_;
  TVector3 screenPosition_;
  bool active_ = true;
  std::string name_;
  bool hovered_ = false;
  bool modal_ = false;
  bool deletePending_ = false;
  bool on_ = false;
  bool hidden_ = false;
  TNode* parent_ = nullptr;
};

// A widget of no kind that draws nothing: it stands where an interface line
// could not be built, so that the rest of the screen still loads.
class TInertWidget final : public TWidget {
 public:
  using TWidget::TWidget;
  void Draw() override {}
};

class TNode : public TWidget {
 public:
  // At relative (0, 0).
  explicit TNode(const std::string& name);
  TNode(const std::string& name, const TScreenPosition& position);
  ~TNode() override;

  void Draw() override;
  void Update() override;
  void HandleKeys() override;
  void Think() override;
  // The children only: the node's own position stays as it was.
  void Relayout() override;
  bool IsUnderMouse() override;
  void SetActive(bool active) override;
  void SetEnabled(bool enabled) override;
  // The first child's position; the node's own without children.
  void GetScreenPosition(TVector3& out) const override;
  // Depth first, the node before its children.
  TWidget* FindByName(const std::string& name) override;
  // Takes ownership; null is ignored.
  virtual void AddChild(std::unique_ptr<TWidget> child);

  std::size_t ChildCount() const { return children_.size(); }
  // Null for an index past the last child.
  TWidget* ChildAt(std::size_t index) const;
  // These delete the child. A child removed while the node is passing an
  // event or a frame to its children (its own event, typically) is taken out
  // of the list at once and deleted when the node has finished.
  void RemoveChildAt(std::size_t index);
  void RemoveChild(const TWidget* child);
  // Every child of that name.
  void RemoveChildByName(const std::string& name);

 private:
  class TDispatch;

  // Calls the operation on each child present when the walk began and still
  // present when its turn comes.
  template <class Operation>
  void ForEachChild(Operation operation);
  void Discard(std::size_t index);
  bool IsRetired(const TWidget* child) const;

  std::vector<std::unique_ptr<TWidget>> children_;
  // Removed during a walk, deleted when the outermost walk ends.
  std::vector<std::unique_ptr<TWidget>> retired_;
  int32_t walks_ = 0;
};
