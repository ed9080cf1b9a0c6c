#include "display/text/text_run.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "display/text/font_manager.h"

TTextRun::TTextRun(const TFontStyle& style, std::string text) : text_(std::move(text)), style_(&style) {
  UpdateHeight();
}

// Unlinks the chain run by run: a text of many style codes makes a long
// chain, and letting each run destroy its successor would nest as deep.
TTextRun::~TTextRun() {
  std::unique_ptr<TTextRun> rest = std::move(next_);
  while (rest) rest = std::move(rest->next_);
}

std::unique_ptr<TTextRun> TTextRun::Layout(const TFontManager& fonts, const std::string& code,
                                           const std::string& text) {
  if (text.empty()) {
    auto run = std::make_unique<TTextRun>(fonts.GetStyle(code), std::string());
    run->height_ = 0.0f;
    return run;
  }
  std::unique_ptr<TTextRun> head;
  // Appending at the tail and reading the text from an offset keep a text of
  // many codes linear.
  TTextRun* tail = nullptr;
  const TFontStyle* style = &fonts.GetStyle(code);
  std::string found;
  std::size_t from = 0;
  std::vector<std::size_t> nextAt;
  std::size_t next = fonts.FindFirstStyleCode(text, from, found, nextAt);
  while (true) {
    if (next == from && !found.empty()) {
      style = &fonts.GetStyle(found);
      from += found.size();
      next = fonts.FindFirstStyleCode(text, from, found, nextAt);
    }
    const std::size_t cut = std::min(next, text.size());
    auto run = std::make_unique<TTextRun>(*style, text.substr(from, cut - from));
    if (head) {
      tail->Append(std::move(run));
    } else {
      head = std::move(run);
      tail = head.get();
    }
    tail = tail->Last();
    if (cut >= text.size()) break;
    // What follows begins with the code that was found.
    from = cut;
    next = cut;
  }
  return head;
}

TTextRun* TTextRun::Last() {
  TTextRun* run = this;
  while (run->next_) run = run->next_.get();
  return run;
}

void TTextRun::Append(std::unique_ptr<TTextRun> chain) {
  if (!chain) return;
  TTextRun* last = Last();
  if (last->style_ == chain->style_) {
    last->text_ += chain->text_;
    std::unique_ptr<TTextRun> rest = std::move(chain->next_);
    chain.reset();
    last->Append(std::move(rest));
    return;
  }
  last->next_ = std::move(chain);
}

void TTextRun::UpdateHeight() {
  height_ = style_->font ? style_->font->GetTextHeight(text_) * style_->scale : 0.0f;
}

float TTextRun::CharacterWidth(char character) const {
  return style_->font ? style_->font->GetTextWidth(std::string(1, character)) * style_->scale : 0.0f;
}

float TTextRun::ScaledAscent() const { return style_->font ? style_->font->GetAscent() * style_->scale : 0.0f; }

float TTextRun::Width() const {
  return style_->font ? style_->font->GetTextWidth(text_) * style_->scale : 0.0f;
}

float TTextRun::TotalWidth() const {
  float total = 0.0f;
  for (const TTextRun* run = this; run; run = run->next_.get()) total += run->Width();
  return total;
}

float TTextRun::MaxHeight(float minimum) const {
  float tallest = minimum;
  for (const TTextRun* run = this; run; run = run->next_.get()) tallest = std::max(tallest, run->height_);
  return tallest;
}

float TTextRun::MinimumWidth() const {
  float widest = 0.0f;
  for (const TTextRun* run = this; run; run = run->next_.get()) {
    if (run->style_->font) widest = std::max(widest, run->style_->font->GetTextWidth("_") * run->style_->scale);
  }
  return widest;
}

void TTextRun::Draw(float x, float y) const {
  for (const TTextRun* run = this; run; run = run->next_.get()) {
    const TFontStyle& style = *run->style_;
    if (!run->text_.empty() && style.font) {
      style.font->DrawText(x, y, 0.0f, style.scale, style.scale, style.colour.get(), run->text_);
    }
    if (run->next_) {
      y = y + run->ScaledAscent() - run->next_->ScaledAscent();
      x = x + run->Width();
    }
  }
}

void TTextRun::DrawOnBaseline(float x, float y) const { Draw(x, y + MaxHeight(0.0f) - height_); }

std::unique_ptr<TTextRun> TTextRun::Clone() const {
  auto head = std::make_unique<TTextRun>(*style_, text_);
  TTextRun* tail = head.get();
  for (const TTextRun* run = next_.get(); run; run = run->next_.get()) {
    tail->Append(std::make_unique<TTextRun>(*run->style_, run->text_));
    tail = tail->Last();
  }
  return head;
}

std::unique_ptr<TTextRun> TTextRun::SplitAt(std::size_t position) {
  if (position >= text_.size()) return std::move(next_);
  auto after = std::make_unique<TTextRun>(*style_, text_.substr(position));
  text_.resize(position);
  UpdateHeight();
  after->Append(std::move(next_));
  return after;
}

std::unique_ptr<TTextRun> TTextRun::BreakLine(float widthLeft, float lineWidth) {
  return BreakLineFrom(widthLeft, lineWidth, true);
}

std::unique_ptr<TTextRun> TTextRun::BreakLineFrom(float widthLeft, float lineWidth, bool lineStart) {
  // The runs are walked in a loop, not by recursion: a text of very many
  // style codes makes a chain far longer than the stack is deep.
  for (TTextRun* run = this; run != nullptr; run = run->next_.get()) {
    float sum = 0.0f;
    bool broken = false;
    std::unique_ptr<TTextRun> rest = run->BreakWithin(widthLeft, lineWidth, lineStart, sum, broken);
    if (broken) return rest;
    widthLeft -= sum;
    lineStart = lineStart && run->text_.empty();
  }
  return nullptr;
}

std::unique_ptr<TTextRun> TTextRun::BreakWithin(float widthLeft, float lineWidth, bool lineStart, float& sum,
                                                bool& broken) {
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t lastBreak = kNone;
  std::size_t index = 0;
  broken = true;
  for (; index < text_.size(); ++index) {
    const char character = text_[index];
    // The newline stays at the end of this line.
    if (character == '\n') return SplitAt(index + 1);
    sum += CharacterWidth(character);
    if (sum > widthLeft) break;
    if (character == ' ' || character == '\t') lastBreak = index;
  }
  if (index == text_.size()) {
    broken = false;
    return nullptr;
  }
  if (lastBreak != kNone) return SplitAt(lastBreak + 1);
  if (sum <= lineWidth) return SplitAt(0);
  // A character wider than the whole line stays on a line of its own rather
  // than moving on to the next line for ever.
  if (index == 0 && lineStart) return SplitAt(1);
  return SplitAt(index);
}

void TTextRun::SetMinimum(float width) {
  const float w = std::max(width, MinimumWidth());
  BreakLine(w, w);
}

std::string TTextRun::ChainText() const {
  std::string all;
  for (const TTextRun* run = this; run; run = run->next_.get()) all += run->text_;
  return all;
}
