#include <gtest/gtest.h>

#include <memory>

#include "display/map_view.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/world_bar.h"
#include "support/recording_display.h"

namespace {

using testing_display::RecordingDisplay;

class BarVisualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto display = std::make_unique<RecordingDisplay>();
    recorder = display.get();
    TMapView::Create(std::move(display));
  }
  void TearDown() override { TMapView::Destroy(); }

  RecordingDisplay* recorder = nullptr;
};

TEST_F(BarVisualTest, OnlyABarWithLengthAndColourIsDrawn) {
  struct Case {
    float length;
    bool coloured;
    bool hidden;
    bool drawn;
  };
  const Case cases[] = {
      {0.0f, true, false, false}, {0.001f, true, false, true}, {-3.0f, true, false, false},
      {5.0f, false, false, false}, {5.0f, true, true, false},
  };
  for (const Case& c : cases) {
    recorder->ClearCalls();
    TVector3 at(2.0f, 3.0f, 0.0f);
    TBarVisual bar(&at, true, TVector3(3.0f, 4.0f, 0.0f), TVector3(c.length, 2.0f, 0.0f),
                   c.coloured ? std::make_unique<TColour>(1.0f, 0.0f, 0.0f, 1.0f) : nullptr, false);
    if (c.hidden) bar.Hide();
    bar.Draw(TVector3(1.0f, 1.0f, 1.0f), nullptr);
    const auto draws = recorder->CallsOf("DrawVisual");
    ASSERT_EQ(draws.size(), c.drawn ? 1u : 0u) << c.length;
    if (!c.drawn) continue;
    EXPECT_EQ(draws[0].object, &bar);
    EXPECT_EQ(draws[0].position, TVector3(3.0f, 4.0f, 1.0f));
    EXPECT_FALSE(draws[0].flag);
  }
}

TEST_F(BarVisualTest, DirectionIsNormalisedAndOnTopReachesTheDisplay) {
  TBarVisual bar(nullptr, true, TVector3(3.0f, 4.0f, 0.0f), TVector3(10.0f, 2.0f, 0.0f),
                 std::make_unique<TColour>(), false);
  EXPECT_FLOAT_EQ(bar.GetDirection().x, 0.6f);
  EXPECT_FLOAT_EQ(bar.GetDirection().y, 0.8f);
  bar.SetOnTop();
  bar.Render();
  const auto draws = recorder->CallsOf("DrawVisual");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_TRUE(draws[0].flag);
}

TEST_F(BarVisualTest, ShadedBarRunsFromTheDarkShadeToTheColour) {
  TBarVisual bar(nullptr, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(10.0f, 2.0f, 0.0f),
                 std::make_unique<TColour>(0.9f, 0.6f, 0.3f, 0.5f), true);
  ASSERT_NE(bar.GetDarkColour(), nullptr);
  EXPECT_NEAR(bar.GetDarkColour()->r, 0.297f, 1e-6f);
  EXPECT_NEAR(bar.GetDarkColour()->g, 0.198f, 1e-6f);
  EXPECT_NEAR(bar.GetDarkColour()->b, 0.099f, 1e-6f);
  EXPECT_FLOAT_EQ(bar.GetDarkColour()->a, 0.5f);
  EXPECT_EQ(bar.GetVertexColour(0), bar.GetDarkColour());
  EXPECT_EQ(bar.GetVertexColour(2), bar.GetDarkColour());
  EXPECT_EQ(bar.GetVertexColour(1), bar.GetColour());
  EXPECT_EQ(bar.GetVertexColour(3), bar.GetColour());

  bar.SetColour(std::make_unique<TColour>(1.0f, 1.0f, 1.0f, 1.0f));
  EXPECT_NEAR(bar.GetDarkColour()->r, 0.33f, 1e-6f);

  TBarVisual flat(nullptr, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(10.0f, 2.0f, 0.0f),
                  std::make_unique<TColour>(0.9f, 0.6f, 0.3f, 0.5f), false);
  EXPECT_EQ(flat.GetDarkColour(), nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(flat.GetVertexColour(i), flat.GetColour());
}

TEST_F(BarVisualTest, StatBarFillFollowsTheFractionAndDrawsOverTheFrame) {
  TVector3 at(5.0f, 5.0f, 0.0f);
  TStatBar stat(&at, false, TVector3(1.0f, 0.0f, 0.0f), TVector3(30.0f, 4.0f, 0.0f),
                std::make_unique<TColour>(0.0f, 0.0f, 0.0f, 1.0f), std::make_unique<TColour>(0.0f, 1.0f, 0.0f, 1.0f));
  ASSERT_NE(stat.GetFrameBar(), nullptr);
  ASSERT_NE(stat.GetFillBar(), nullptr);
  EXPECT_TRUE(stat.GetFrameBar()->IsShaded());
  stat.SetFraction(0.5f);
  EXPECT_FLOAT_EQ(stat.GetFillBar()->GetLength(), 15.0f);
  EXPECT_FLOAT_EQ(stat.GetFrameBar()->GetLength(), 30.0f);
  stat.Draw(TVector3(), nullptr);
  const auto draws = recorder->CallsOf("DrawVisual");
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].object, stat.GetFrameBar());
  EXPECT_EQ(draws[1].object, stat.GetFillBar());
  EXPECT_EQ(draws[1].position, at);

  // An empty fill is not drawn.
  recorder->ClearCalls();
  stat.SetFraction(0.0f);
  stat.Draw(TVector3(), nullptr);
  EXPECT_EQ(recorder->CallsOf("DrawVisual").size(), 1u);

  std::unique_ptr<TVisual> clone = stat.Clone(nullptr, true);
  auto* copy = dynamic_cast<TStatBar*>(clone.get());
  ASSERT_NE(copy, nullptr);
  copy->SetFraction(1.0f);
  EXPECT_FLOAT_EQ(copy->GetFillBar()->GetLength(), 30.0f);
  EXPECT_FLOAT_EQ(stat.GetFillBar()->GetLength(), 0.0f);
  EXPECT_NE(copy->GetFillBar()->GetColour(), stat.GetFillBar()->GetColour());
  EXPECT_EQ(*copy->GetFillBar()->GetColour(), *stat.GetFillBar()->GetColour());
}

class TestWorldBar : public TWorldBar {
 public:
  TestWorldBar(const TVector3& start, const TVector3& end, std::unique_ptr<TColour> colour)
      : TWorldBar(nullptr, true, start, end, 3.0f, std::move(colour)) {}
  void Draw(const TVector3& /*offset*/, TLightGrid* /*light*/) override {}
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override {
    return std::unique_ptr<TVisual>(new TestWorldBar(*this, position, ownsPosition));
  }

 private:
  TestWorldBar(const TestWorldBar& other, TVector3* position, bool ownsPosition)
      : TWorldBar(other, position, ownsPosition) {}
};

TEST(WorldBar, CornersMarkItChangedAndColoursAreCopied) {
  TestWorldBar bar(TVector3(0.0f, 0.0f, 0.0f), TVector3(1.0f, 0.0f, 0.0f), nullptr);
  EXPECT_STREQ(bar.GetClassName(), "TWORLDBAR");
  EXPECT_EQ(bar.GetColour(), nullptr);
  bar.SetChanged(false);
  bar.SetEndCorner(TVector3(4.0f, 5.0f, 6.0f));
  EXPECT_TRUE(bar.IsChanged());
  bar.SetChanged(false);
  bar.SetStartCorner(TVector3(-1.0f, 0.0f, 0.0f));
  EXPECT_TRUE(bar.IsChanged());
  const TColour blue(0.0f, 0.0f, 1.0f, 1.0f);
  bar.SetColour(blue);
  ASSERT_NE(bar.GetColour(), nullptr);
  EXPECT_EQ(*bar.GetColour(), blue);

  std::unique_ptr<TVisual> clone = bar.Clone(nullptr, true);
  auto* copy = dynamic_cast<TWorldBar*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetStartCorner(), TVector3(-1.0f, 0.0f, 0.0f));
  EXPECT_EQ(copy->GetEndCorner(), TVector3(4.0f, 5.0f, 6.0f));
  EXPECT_FLOAT_EQ(copy->GetValue(), 3.0f);
  bar.SetColour(TColour(1.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_EQ(*copy->GetColour(), blue);
}

}  // namespace
