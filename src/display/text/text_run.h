// A piece of text laid out in styled runs. A text may hold the style codes of
// the font style file; each code starts a run drawn in its style's font,
// scale and colour, and the runs of one chain share a baseline. Chains are
// measured, broken into lines to fit a width, and drawn.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class TFontManager;
struct TFontStyle;

class TTextRun {
 public:
  // A single run of the style and text; the style must outlive the run.
  TTextRun(const TFontStyle& style, std::string text);
  ~TTextRun();
  TTextRun(const TTextRun&) = delete;
  TTextRun& operator=(const TTextRun&) = delete;

  // Cuts the text at every style code into a chain, starting in the style
  // of `code`. An empty text gives one empty run of height 0.
  static std::unique_ptr<TTextRun> Layout(const TFontManager& fonts, const std::string& code,
                                          const std::string& text);

  // Appends a chain after the last run; a first appended run of the last
  // run's style merges into it.
  void Append(std::unique_ptr<TTextRun> chain);

  float Width() const;
  float TotalWidth() const;
  // The tallest run of the chain, at least `minimum`.
  float MaxHeight(float minimum) const;
  // The widest "_" among the fonts of the chain, each at its scale.
  float MinimumWidth() const;

  // Draws the chain with the top of the first run at (x, y), later runs
  // moved so that all share the first run's baseline.
  void Draw(float x, float y) const;
  // Draws the chain so that its tallest run starts at y.
  void DrawOnBaseline(float x, float y) const;

  std::unique_ptr<TTextRun> Clone() const;
  // Cuts this run at a character position and returns everything after the
  // cut (null when the cut is at the end of the last run).
  std::unique_ptr<TTextRun> SplitAt(std::size_t position);
  // Leaves in this chain what fits on a line with `widthLeft` free of a
  // line `lineWidth` wide, and returns the chain of the next line (null
  // when everything fits). A line always keeps at least one character, so
  // breaking a text again and again ends even when no character fits.
  std::unique_ptr<TTextRun> BreakLine(float widthLeft, float lineWidth);
  void SetMinimum(float width);

  float GetHeight() const { return height_; }
  const std::string& GetText() const { return text_; }
  const TFontStyle& GetStyle() const { return *style_; }
  const TTextRun* GetNext() const { return next_.get(); }
  // Every character of the chain, in order.
  std::string ChainText() const;

 private:
  std::unique_ptr<TTextRun> BreakLineFrom(float widthLeft, float lineWidth, bool lineStart);
  // The break within this run alone: `broken` false (and `sum` its width)
  // when the whole run fits, else what follows the break.
  std::unique_ptr<TTextRun> BreakWithin(float widthLeft, float lineWidth, bool lineStart, float& sum, bool& broken);
  TTextRun* Last();
  void UpdateHeight();
  float CharacterWidth(char character) const;
  float ScaledAscent() const;

  float height_ = 0.0f;
  std::string text_;
  const TFontStyle* style_;
  std::unique_ptr<TTextRun> next_;
};
