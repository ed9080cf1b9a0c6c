#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/map_view.h"
#include "display/visuals/visual_node.h"
#include "support/recording_display.h"

namespace {

struct DrawRecord {
  std::string name;
  TVector3 at;
  const TLightGrid* light;
};

// A leaf that writes each draw into a shared log.
class ProbeVisual : public TVisual {
 public:
  ProbeVisual(TVector3* position, bool ownsPosition, std::string name, std::vector<DrawRecord>* log)
      : TVisual(position, ownsPosition), name_(std::move(name)), log_(log) {}
  void Draw(const TVector3& offset, TLightGrid* light) override {
    if (!IsHidden()) log_->push_back({name_, GetDrawPosition(offset), light});
  }
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override {
    return std::make_unique<ProbeVisual>(position, ownsPosition, name_, log_);
  }
  bool HitTest(const TVector3& point) const override {
    asked.push_back(point);
    return point.x == hitX;
  }
  bool IsAnimated() const override { return animated; }
  void SetStartTime(float time) override { startTimes.push_back(time); }
  void SetRate(float rate) override { rates.push_back(rate); }

  float hitX = -1.0f;
  bool animated = false;
  mutable std::vector<TVector3> asked;
  std::vector<float> startTimes;
  std::vector<float> rates;

 private:
  std::string name_;
  std::vector<DrawRecord>* log_;
};

TLightGrid* FakeLight() { return reinterpret_cast<TLightGrid*>(static_cast<uintptr_t>(0x1000)); }

class VisualNodeTest : public ::testing::Test {
 protected:
  std::unique_ptr<ProbeVisual> Probe(const std::string& name, TVector3 at = TVector3()) {
    return std::make_unique<ProbeVisual>(&at, true, name, &log);
  }
  template <typename Node>
  void AddProbes(Node& node, int count) {
    for (int i = 0; i < count; ++i) node.AddChild(Probe("c" + std::to_string(i)));
  }
  std::vector<std::string> DrawnNames() const {
    std::vector<std::string> names;
    for (const DrawRecord& draw : log) names.push_back(draw.name);
    return names;
  }

  std::vector<DrawRecord> log;
};

TEST_F(VisualNodeTest, CycleChoosesItsFrameByTime) {
  struct Case {
    bool once;
    float sinceStart;
    int32_t frame;
  };
  const Case cases[] = {
      {true, 0.4f, 0},  {true, 1.5f, 3},  {true, 10.0f, 3}, {true, 0.99f, 1},
      {false, 2.5f, 1}, {false, 0.6f, 1}, {false, 4.0f, 0}, {false, 3.9f, 3},
      // Before the start, and times that are not numbers, show the first child.
      {false, -1.0f, 0}, {true, -100.0f, 0},
  };
  for (const Case& c : cases) {
    TVisualCycle cycle(nullptr, true, 2.0f, c.once);
    AddProbes(cycle, 4);
    cycle.SetStartTime(7.0f);
    cycle.Update(7.0f + c.sinceStart);
    EXPECT_EQ(cycle.GetFrame(), c.frame) << (c.once ? "once " : "repeat ") << c.sinceStart;
    log.clear();
    cycle.Draw(TVector3(), nullptr);
    EXPECT_EQ(DrawnNames(), std::vector<std::string>{"c" + std::to_string(c.frame)});
  }
}

TEST_F(VisualNodeTest, CycleSurvivesHugeTimesAndNoChildren) {
  TVisualCycle empty(nullptr, true, 1000.0f, false);
  empty.Update(1e30f);
  EXPECT_EQ(empty.GetFrame(), 0);
  empty.Draw(TVector3(), nullptr);
  EXPECT_TRUE(log.empty());

  TVisualCycle repeating(nullptr, true, 1e30f, false);
  AddProbes(repeating, 3);
  repeating.Update(1e30f);
  EXPECT_GE(repeating.GetFrame(), 0);
  EXPECT_LT(repeating.GetFrame(), 3);
}

TEST_F(VisualNodeTest, CycleKeepsRateAndStartTimeToItself) {
  TVisualCycle cycle(nullptr, true, 2.0f, false);
  auto probe = Probe("c0");
  ProbeVisual* child = probe.get();
  cycle.AddChild(std::move(probe));
  cycle.SetRate(5.0f);
  cycle.SetStartTime(3.0f);
  EXPECT_FLOAT_EQ(cycle.GetRate(), 5.0f);
  EXPECT_FLOAT_EQ(cycle.GetStartTime(), 3.0f);
  EXPECT_TRUE(child->rates.empty());
  EXPECT_EQ(child->startTimes, std::vector<float>{3.0f});
  EXPECT_TRUE(cycle.IsAnimated());
}

TEST_F(VisualNodeTest, SwitchDrawsTheSelectedChildOnlyAndNothingOutOfRange) {
  TVisualSwitch node(nullptr, true);
  AddProbes(node, 3);
  for (int32_t selected : {0, 2, 1}) {
    log.clear();
    node.Select(selected);
    node.Draw(TVector3(), nullptr);
    EXPECT_EQ(DrawnNames(), std::vector<std::string>{"c" + std::to_string(selected)});
    EXPECT_EQ(node.GetSelected(), node.GetChild(selected));
  }
  for (int32_t outside : {3, -1, 1000}) {
    log.clear();
    node.Select(outside);
    node.Draw(TVector3(), nullptr);
    EXPECT_TRUE(log.empty()) << outside;
    EXPECT_EQ(node.GetSelected(), nullptr);
  }
}

TEST_F(VisualNodeTest, ShadowDrawsOnTheGroundUnderItsObject) {
  TVector3 at(4.0f, 5.0f, 3.0f);
  TShadowVisual shadow(&at, false, Probe("object"), Probe("shadow"));
  shadow.Draw(TVector3(1.0f, 1.0f, 0.0f), FakeLight());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].name, "shadow");
  EXPECT_EQ(log[0].at, TVector3(5.0f, 6.0f, 0.0f));
  EXPECT_EQ(log[1].name, "object");
  EXPECT_EQ(log[1].at, TVector3(5.0f, 6.0f, 3.0f));
  EXPECT_EQ(log[1].light, FakeLight());

  log.clear();
  shadow.SetRenderFlag(false);
  shadow.Draw(TVector3(), FakeLight());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].light, nullptr);
  EXPECT_EQ(log[1].light, nullptr);
}

TEST_F(VisualNodeTest, ShadowWithAMissingPartKeepsBothPlaces) {
  TShadowVisual shadow(nullptr, true, Probe("object"), nullptr);
  ASSERT_EQ(shadow.GetChildCount(), 2);
  EXPECT_STREQ(shadow.GetChild(0)->GetClassName(), "TNULLVISUAL");
  shadow.Draw(TVector3(), nullptr);
  EXPECT_EQ(DrawnNames(), std::vector<std::string>{"object"});
}

TEST_F(VisualNodeTest, CompoundDrawsEveryChildAtItsDrawPosition) {
  TVector3 at(10.0f, 0.0f, 0.0f);
  TCompoundVisual compound(&at, true);
  compound.AddChild(Probe("a", TVector3(1.0f, 0.0f, 0.0f)));
  compound.AddChild(Probe("b", TVector3(0.0f, 2.0f, 0.0f)));
  compound.Draw(TVector3(0.0f, 0.0f, 1.0f), FakeLight());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].at, TVector3(11.0f, 0.0f, 1.0f));
  EXPECT_EQ(log[1].at, TVector3(10.0f, 2.0f, 1.0f));
  EXPECT_FALSE(compound.IsChanged());
  EXPECT_STREQ(compound.GetClassName(), "TVISUALNODE");
}

TEST_F(VisualNodeTest, HiddenNodeDrawsNothingAndKeepsChanged) {
  TCompoundVisual compound(nullptr, true);
  AddProbes(compound, 2);
  TVisualSwitch node(nullptr, true);
  AddProbes(node, 2);
  compound.Hide();
  node.Hide();
  compound.Draw(TVector3(), nullptr);
  node.Draw(TVector3(), nullptr);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(compound.IsChanged());
  EXPECT_TRUE(node.IsChanged());
  node.Show();
  node.Draw(TVector3(), nullptr);
  EXPECT_EQ(DrawnNames(), std::vector<std::string>{"c0"});
  EXPECT_FALSE(node.IsChanged());
}

TEST_F(VisualNodeTest, PositionAndHitTestAreRelativeToTheNode) {
  TVector3 at(10.0f, 5.0f, 0.0f);
  TCompoundVisual node(&at, false);
  EXPECT_EQ(node.GetPosition(), at);
  auto first = Probe("a", TVector3(2.0f, 1.0f, 0.0f));
  auto second = Probe("b", TVector3(7.0f, 7.0f, 0.0f));
  ProbeVisual* firstChild = first.get();
  ProbeVisual* secondChild = second.get();
  firstChild->hitX = 99.0f;
  secondChild->hitX = 2.0f;
  node.AddChild(std::move(first));
  node.AddChild(std::move(second));
  EXPECT_EQ(node.GetPosition(), TVector3(12.0f, 6.0f, 0.0f));
  EXPECT_TRUE(node.HitTest(TVector3(12.0f, 6.0f, 0.0f)));
  ASSERT_EQ(firstChild->asked.size(), 1u);
  EXPECT_EQ(firstChild->asked[0], TVector3(2.0f, 1.0f, 0.0f));
  EXPECT_FALSE(node.HitTest(TVector3(0.0f, 0.0f, 0.0f)));
}

TEST_F(VisualNodeTest, FlagsAndTimesReachEveryChild) {
  TCompoundVisual node(nullptr, true);
  AddProbes(node, 3);
  node.SetOnTop();
  node.SetChanged(false);
  node.SetStartTime(2.5f);
  node.SetRate(4.0f);
  EXPECT_TRUE(node.IsOnTop());
  EXPECT_FALSE(node.IsAnimated());
  for (int32_t i = 0; i < node.GetChildCount(); ++i) {
    auto* child = dynamic_cast<ProbeVisual*>(node.GetChild(i));
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->IsOnTop());
    EXPECT_FALSE(child->IsChanged());
    EXPECT_EQ(child->startTimes, std::vector<float>{2.5f});
    EXPECT_EQ(child->rates, std::vector<float>{4.0f});
  }
  dynamic_cast<ProbeVisual*>(node.GetChild(1))->animated = true;
  EXPECT_TRUE(node.IsAnimated());
  EXPECT_FLOAT_EQ(node.GetStartTime(), 0.0f);
}

TEST_F(VisualNodeTest, RemoveChildDeletesOnlyItsOwnChildren) {
  TCompoundVisual node(nullptr, true);
  AddProbes(node, 3);
  TVisual* middle = node.GetChild(1);
  const ProbeVisual stranger(nullptr, true, "x", &log);
  node.RemoveChild(&stranger);
  EXPECT_EQ(node.GetChildCount(), 3);
  node.RemoveChild(middle);
  EXPECT_EQ(node.GetChildCount(), 2);
  node.Draw(TVector3(), nullptr);
  EXPECT_EQ(DrawnNames(), (std::vector<std::string>{"c0", "c2"}));
  EXPECT_EQ(node.GetChild(2), nullptr);
  EXPECT_EQ(node.GetChild(-1), nullptr);
}

TEST_F(VisualNodeTest, ClonesOwnCopiesOfTheirChildrensPositions) {
  TVector3 shared(3.0f, 3.0f, 0.0f);
  TVisualSwitch source(nullptr, true);
  source.AddChild(std::make_unique<ProbeVisual>(&shared, false, "a", &log));
  source.AddChild(Probe("b", TVector3(1.0f, 0.0f, 0.0f)));
  source.Select(1);
  TVector3 where(20.0f, 0.0f, 0.0f);
  std::unique_ptr<TVisual> clone = source.Clone(&where, true);
  auto* copy = dynamic_cast<TVisualSwitch*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetSelectedIndex(), 0);
  ASSERT_EQ(copy->GetChildCount(), 2);
  shared = TVector3(50.0f, 50.0f, 0.0f);
  source.GetChild(1)->SetPosition(TVector3(9.0f, 9.0f, 0.0f));
  EXPECT_EQ(copy->GetChild(0)->GetPosition(), TVector3(3.0f, 3.0f, 0.0f));
  EXPECT_TRUE(copy->GetChild(0)->OwnsPosition());
  EXPECT_EQ(copy->GetChild(1)->GetPosition(), TVector3(1.0f, 0.0f, 0.0f));
  where.x = 99.0f;
  EXPECT_EQ(copy->GetPositionObject()->x, 20.0f);

  TVisualCycle cycle(nullptr, true, 3.0f, true);
  AddProbes(cycle, 4);
  cycle.SetStartTime(1.0f);
  cycle.Update(2.0f);
  std::unique_ptr<TVisual> cycleClone = cycle.Clone(&where, false);
  auto* cycleCopy = dynamic_cast<TVisualCycle*>(cycleClone.get());
  ASSERT_NE(cycleCopy, nullptr);
  EXPECT_EQ(cycleCopy->GetFrame(), 0);
  EXPECT_FLOAT_EQ(cycleCopy->GetStartTime(), 0.0f);
  EXPECT_FLOAT_EQ(cycleCopy->GetRate(), 3.0f);
  EXPECT_TRUE(cycleCopy->IsOnce());
  EXPECT_EQ(cycleCopy->GetChildCount(), 4);
  EXPECT_EQ(cycleCopy->GetPositionObject(), &where);
}

TEST_F(VisualNodeTest, AChangedViewMarksTheDrawnSubtreeChanged) {
  auto display = std::make_unique<testing_display::RecordingDisplay>();
  testing_display::RecordingDisplay* recorder = display.get();
  TMapView::Create(std::move(display));
  TVisualSwitch node(nullptr, true);
  AddProbes(node, 2);
  node.SetChanged(false);
  recorder->SetViewChanged(false);
  node.Draw(TVector3(), nullptr);
  EXPECT_FALSE(node.GetChild(1)->IsChanged());
  recorder->SetViewChanged(true);
  node.Draw(TVector3(), nullptr);
  // The drawn child was drawn (our probe keeps the flag), the others marked.
  EXPECT_TRUE(node.GetChild(1)->IsChanged());
  EXPECT_FALSE(node.IsChanged());
  TMapView::Destroy();
}

TEST(Visual, SharedPositionsMoveWithTheirOwnerOnly) {
  TVector3 owner(1.0f, 2.0f, 3.0f);
  TNullVisual shared(&owner, false);
  shared.SetChanged(false);
  shared.SetPosition(TVector3(9.0f, 9.0f, 9.0f));
  EXPECT_EQ(owner, TVector3(1.0f, 2.0f, 3.0f));
  EXPECT_FALSE(shared.IsChanged());
  owner.x = 5.0f;
  EXPECT_EQ(shared.GetPosition().x, 5.0f);

  TNullVisual owned(&owner, true);
  owned.SetChanged(false);
  owned.SetPosition(TVector3(9.0f, 8.0f, 7.0f));
  EXPECT_EQ(owned.GetPosition(), TVector3(9.0f, 8.0f, 7.0f));
  EXPECT_EQ(owner.x, 5.0f);
  EXPECT_TRUE(owned.IsChanged());
  EXPECT_EQ(owned.GetDrawPosition(TVector3(1.0f, 1.0f, 1.0f)), TVector3(10.0f, 9.0f, 8.0f));
}

TEST(Visual, BaseFlagsAndCloneOfTheNullVisual) {
  TNullVisual visual(nullptr, true);
  EXPECT_FALSE(visual.IsHidden());
  EXPECT_FALSE(visual.IsOnTop());
  EXPECT_TRUE(visual.GetRenderFlag());
  EXPECT_TRUE(visual.IsChanged());
  EXPECT_FALSE(visual.IsAnimated());
  EXPECT_FALSE(visual.HitTest(TVector3()));
  EXPECT_EQ(visual.GetPosition(), TVector3());
  visual.Hide();
  visual.SetChanged(false);
  visual.Show();
  EXPECT_FALSE(visual.IsHidden());
  EXPECT_TRUE(visual.IsChanged());
  TVector3 there(1.0f, 2.0f, 0.0f);
  std::unique_ptr<TVisual> clone = visual.Clone(&there, false);
  EXPECT_TRUE(clone->IsOfClass(TNullVisual::kClassName));
  EXPECT_EQ(clone->GetPositionObject(), &there);
}

}  // namespace
