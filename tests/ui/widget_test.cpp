// Widgets and nodes: positions resolved against the display, the order and
// gating of what a node passes to its children, deferred and immediate
// removal, modal children and the search by name.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/mouse.h"
#include "support/ui_display.h"
#include "support/ui_input_driver.h"
#include "ui/widget.h"
#include "ui/widget_probe.h"

namespace {

using testing_ui::CallJournal;
using testing_ui::ProbeWidget;
using testing_ui::ScopedUiDisplay;

TEST(ScreenPositionTest, ResolvesEachModeInSinglePrecision) {
  struct Case {
    float value;
    const char* mode;
    int32_t size;
    float expected;
  };
  const std::vector<Case> cases = {
      {-100.0f, "RelPosX", 1024, 924.0f},  {100.0f, "RelPosX", 1024, 100.0f},
      {0.25f, "FracPosX", 1024, 256.0f},   {-0.25f, "FracPosX", 1024, 768.0f},
      {-100.0f, "AbsPosX", 1024, -100.0f}, {-10.0f, "CentrePosX", 1023, 501.0f},
      {-10.0f, "CentrePosX", 1024, 502.0f}, {-0.0f, "RelPosX", 1024, 0.0f},
      {-0.0f, "FracPosX", 1024, 0.0f},     {-20.0f, "RelPosX", 0, -20.0f},
      {0.5f, "FracPosX", 0, 0.0f},         {-0.5f, "FracPosX", 0, 0.0f},
      // In double precision this would be 80.0000012.
      {0.1f, "FracPosX", 800, 80.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.value) + " on " + std::to_string(c.size));
    const TScreenPosition position(c.value, 0.0f, c.mode, "RelPosY");
    EXPECT_EQ(position.ResolveX(c.size), c.expected);
  }
  EXPECT_EQ(TScreenPosition::ResolveAxis(5.0f, 7, 1024), 0.0f);
}

TEST(ScreenPositionTest, ModeNamesAreFoundAsPartsInAFixedOrder) {
  struct Case {
    const char* name;
    int32_t mode;
  };
  const std::vector<Case> cases = {{"RelPosX", 0},     {"FracPosY", 1}, {"AbsPosX", 2}, {"CentrePosY", 3},
                                   {"xxAbsPosRelPos", 0}, {"", 0},      {"Centre", 0},  {"FracPosCentrePos", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TScreenPosition::ModeFromName(c.name), c.mode);
  }
}

TEST(WidgetTest, ResolvesOnTheDisplayAndMovesOnlyAtRelayout) {
  ScopedUiDisplay display(800, 600);
  CallJournal journal;
  ProbeWidget widget("w", journal, TScreenPosition(-10.0f, 20.0f, "CentrePosX", "FracPosY"));
  EXPECT_FLOAT_EQ(widget.ScreenPosition().x, 390.0f);
  EXPECT_FLOAT_EQ(widget.ScreenPosition().y, 12000.0f);

  widget.SetPosition(10.0f, -20.0f);
  EXPECT_EQ(widget.GetPositionSpec().GetModeX(), TScreenPosition::kRelative);
  EXPECT_EQ(widget.GetPositionSpec().GetModeY(), TScreenPosition::kRelative);
  EXPECT_FLOAT_EQ(widget.ScreenPosition().x, 390.0f);
  widget.Relayout();
  TVector3 where;
  widget.GetScreenPosition(where);
  EXPECT_FLOAT_EQ(where.x, 10.0f);
  EXPECT_FLOAT_EQ(where.y, 580.0f);
}

TEST(WidgetTest, WithoutADisplayPositionsKeepTheirNumbers) {
  CallJournal journal;
  ProbeWidget widget("w", journal, TScreenPosition(-30.0f, 0.5f, "RelPosX", "FracPosY"));
  EXPECT_FLOAT_EQ(widget.ScreenPosition().x, -30.0f);
  EXPECT_FLOAT_EQ(widget.ScreenPosition().y, 0.0f);
}

TEST(WidgetTest, StartsActiveAndClearOfEveryOtherState) {
  CallJournal journal;
  ProbeWidget widget("w", journal);
  EXPECT_TRUE(widget.IsActive());
  EXPECT_FALSE(widget.IsHidden() || widget.IsHovered() || widget.IsModal() || widget.IsDeletePending() ||
               widget.IsOn() || widget.IsEditBox());
  EXPECT_EQ(widget.GetParent(), nullptr);
  widget.ToggleDeletePending();
  EXPECT_TRUE(widget.IsDeletePending());
  widget.ToggleDeletePending();
  EXPECT_FALSE(widget.IsDeletePending());
}

class NodeTest : public ::testing::Test {
 protected:
  ProbeWidget* Add(TNode& node, const std::string& name) {
    auto probe = std::make_unique<ProbeWidget>(name, journal);
    ProbeWidget* raw = probe.get();
    node.AddChild(std::move(probe));
    return raw;
  }
  std::vector<std::string> Take() {
    std::vector<std::string> calls = std::move(journal.calls);
    journal.calls.clear();
    return calls;
  }

  CallJournal journal;
  TNode root{"root"};
};

TEST_F(NodeTest, PassesEachOperationToTheChildrenInOrder) {
  Add(root, "a");
  Add(root, "b");
  root.Draw();
  root.Update();
  root.HandleKeys();
  root.Think();
  root.SetEnabled(false);
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Draw", "b.Draw", "a.Update", "b.Update", "a.HandleKeys",
                                              "b.HandleKeys", "a.Think", "b.Think", "a.Disabled", "b.Disabled"}));
  EXPECT_TRUE(root.IsActive());
}

TEST_F(NodeTest, ActiveAndHiddenGateTheOperations) {
  ProbeWidget* a = Add(root, "a");
  Add(root, "b");
  a->Hide();
  root.Draw();  // the child's own hidden flag is not asked
  root.Update();
  root.HandleKeys();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Draw", "b.Draw", "b.Update", "a.HandleKeys", "b.HandleKeys"}));

  root.SetActive(false);
  EXPECT_FALSE(a->IsActive());
  root.Update();
  root.Think();
  root.HandleKeys();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.HandleKeys", "b.HandleKeys"}));

  root.SetActive(true);
  root.Hide();
  root.Draw();
  root.Update();
  root.HandleKeys();
  root.Think();
  EXPECT_TRUE(Take().empty());
  root.Show();
  root.Draw();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Draw", "b.Draw"}));
}

TEST_F(NodeTest, AHiddenNodeIsNeverUnderTheMouse) {
  EXPECT_FALSE(root.IsUnderMouse());
  ProbeWidget* a = Add(root, "a");
  Add(root, "b")->underMouse = true;
  EXPECT_TRUE(root.IsUnderMouse());
  root.Hide();
  EXPECT_FALSE(root.IsUnderMouse());
  root.Show();
  a->underMouse = false;
  EXPECT_TRUE(root.IsUnderMouse());
}

TEST_F(NodeTest, DeletesPendingChildrenBeforeTheModalTest) {
  ProbeWidget* modal = Add(root, "modal");
  modal->MakeModal();
  Add(root, "b");
  Add(root, "c");
  modal->ToggleDeletePending();
  root.Think();
  EXPECT_EQ(Take(), (std::vector<std::string>{"modal.Deleted", "b.Think", "c.Think"}));
  EXPECT_EQ(root.ChildCount(), 2u);
}

TEST_F(NodeTest, OnlyTheFirstModalChildThinks) {
  Add(root, "a");
  Add(root, "m1")->MakeModal();
  Add(root, "m2")->MakeModal();
  root.Think();
  EXPECT_EQ(Take(), (std::vector<std::string>{"m1.Think"}));
}

TEST_F(NodeTest, RelayoutLeavesTheNodesOwnPosition) {
  ScopedUiDisplay display(800, 600);
  TNode node("node", TScreenPosition(-100.0f, -100.0f, "RelPosX", "RelPosY"));
  auto child = std::make_unique<ProbeWidget>("child", journal, TScreenPosition(-10.0f, -10.0f, "RelPosX", "RelPosY"));
  ProbeWidget* raw = child.get();
  node.AddChild(std::move(child));
  display.Recorder().Resize(1024, 768);
  node.Relayout();
  EXPECT_FLOAT_EQ(node.ScreenPosition().x, 700.0f);
  EXPECT_FLOAT_EQ(raw->ScreenPosition().x, 1014.0f);
  TVector3 where;
  node.GetScreenPosition(where);  // the first child's
  EXPECT_FLOAT_EQ(where.y, 758.0f);
  node.RemoveChildAt(0);
  node.GetScreenPosition(where);
  EXPECT_FLOAT_EQ(where.y, 500.0f);
}

TEST_F(NodeTest, FindByNameSearchesThisNodeThenItsChildrenDepthFirst) {
  auto inner = std::make_unique<TNode>("x");
  Add(*inner, "deep");
  TNode* innerRaw = inner.get();
  root.AddChild(std::move(inner));
  ProbeWidget* sibling = Add(root, "deep");
  EXPECT_EQ(root.FindByName("root"), &root);
  EXPECT_EQ(root.FindByName("x"), innerRaw);
  EXPECT_EQ(root.FindByName("deep"), innerRaw->ChildAt(0));
  EXPECT_NE(root.FindByName("deep"), sibling);
  EXPECT_EQ(root.FindByName("missing"), nullptr);
  EXPECT_EQ(root.FindByName("dee"), nullptr);
  TNode self("deep");
  Add(self, "deep");
  EXPECT_EQ(self.FindByName("deep"), &self);
}

TEST_F(NodeTest, AddAndRemoveChildren) {
  root.AddChild(nullptr);
  EXPECT_EQ(root.ChildCount(), 0u);
  ProbeWidget* a = Add(root, "a");
  ProbeWidget* b = Add(root, "b");
  Add(root, "a");
  Add(root, "c");
  EXPECT_EQ(a->GetParent(), &root);
  EXPECT_EQ(root.ChildAt(4), nullptr);

  root.RemoveChildByName("a");
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Deleted", "a.Deleted"}));
  ASSERT_EQ(root.ChildCount(), 2u);
  EXPECT_EQ(root.ChildAt(0), b);

  root.RemoveChild(a);  // no longer a child: nothing happens
  root.RemoveChildAt(7);
  EXPECT_EQ(root.ChildCount(), 2u);
  root.RemoveChild(b);
  EXPECT_EQ(Take(), (std::vector<std::string>{"b.Deleted"}));
  EXPECT_EQ(root.ChildAt(0)->GetName(), "c");
}

TEST_F(NodeTest, AWidgetRemovedDuringItsOwnEventIsDeletedAfterTheEvent) {
  ProbeWidget* a = Add(root, "a");
  Add(root, "b");
  a->onUpdate = [this](ProbeWidget& self) {
    self.GetParent()->RemoveChild(&self);
    journal.calls.push_back("a still here: " + self.GetName());
  };
  root.Update();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Update", "a still here: a", "b.Update", "a.Deleted"}));
  EXPECT_EQ(root.ChildCount(), 1u);
}

TEST_F(NodeTest, AWidgetThatRemovesItselfOnAClickGoesAfterTheRelease) {
  testing_ui::UiInputDriver driver(root);
  ProbeWidget* a = Add(root, "a");
  Add(root, "b");
  a->onUpdate = [](ProbeWidget& self) {
    if (GetMouse()->GetEventCode() == TMouse::kLeftReleased) self.GetParent()->RemoveChild(&self);
  };
  driver.Click(10, 10);
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Update", "b.Update", "a.Update", "b.Update", "a.Deleted"}));
  driver.Frame();
  EXPECT_EQ(Take(), (std::vector<std::string>{"b.Think", "b.Draw"}));
}

TEST_F(NodeTest, ASiblingRemovedDuringAnEventMissesThatEvent) {
  ProbeWidget* a = Add(root, "a");
  Add(root, "b");
  Add(root, "c");
  a->onThink = [](ProbeWidget& self) { self.GetParent()->RemoveChildByName("b"); };
  root.Think();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Think", "c.Think", "b.Deleted"}));
}

TEST_F(NodeTest, DestroyingANodeDeletesItsChildrenInOrder) {
  auto node = std::make_unique<TNode>("n");
  Add(*node, "a");
  Add(*node, "b");
  node.reset();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a.Deleted", "b.Deleted"}));
}

}  // namespace
