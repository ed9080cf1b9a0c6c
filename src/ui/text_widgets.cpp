#include "ui/text_widgets.h"

#include <cmath>
#include <limits>
#include <utility>

#include "app/string_table.h"
#include "display/map_view.h"
#include "display/text/font_manager.h"
#include "display/text/text_run.h"
#include "ui/commands/command.h"

int32_t TruncateToPixel(float value) {
  if (std::isnan(value)) return 0;
  constexpr float kLimit = 2147483520.0f;  // the largest float below 2^31
  if (value >= kLimit) return std::numeric_limits<int32_t>::max();
  if (value <= -kLimit) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// ---------------------------------------------------------------------------
// TText

TText::TText(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
             const std::string& style)
    : TWidget(name, position), text_(GetStringTable()->Translate(text)), centred_(centred), style_(style) {
  run_ = LayoutText(text_);
  UpdateWidth(run_.get());
}

TText::~TText() = default;

std::unique_ptr<TTextRun> TText::LayoutText(const std::string& text) const {
  if (!TMapView::Exists()) return nullptr;
  const TFontManager* fonts = TMapView::Instance()->GetFontManager();
  if (fonts == nullptr || &fonts->GetStyle(style_) == &fonts->GetDefaultStyle()) return nullptr;
  return TTextRun::Layout(*fonts, style_, text);
}

void TText::Draw() { DrawRun(run_.get(), false, 0.0f); }

void TText::DrawRun(const TTextRun* run, bool refreshWidth, float yOffset) {
  if (run == nullptr) return;
  int32_t x = TruncateToPixel(ScreenPosition().x);
  const int32_t y = TruncateToPixel(ScreenPosition().y + yOffset);
  if (centred_) {
    if (refreshWidth) width_ = run->TotalWidth();
    const int64_t moved = int64_t{x} + TruncateToPixel(width_ * -0.5f);
    x = moved < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                    : static_cast<int32_t>(moved);
  }
  run->DrawOnBaseline(static_cast<float>(x), static_cast<float>(y));
}

void TText::SetText(const std::string& text) {
  text_ = text;
  run_ = LayoutText(text_);
  UpdateWidth(run_.get());
}

void TText::SetPosition(float x, float y) {
  TWidget::SetPosition(x, y);
  UpdateScreenPosition();
}

void TText::SetRun(std::unique_ptr<TTextRun> run) { run_ = std::move(run); }

void TText::UpdateWidth(const TTextRun* run) { width_ = run ? run->TotalWidth() : 0.0f; }

// ---------------------------------------------------------------------------
// TInteractiveText

TInteractiveText::TInteractiveText(const std::string& name, const TScreenPosition& position, const std::string& text,
                                   bool centred, const std::string& style, std::unique_ptr<TCommand> command)
    : TText(name, position, text, centred, style),
      command_(command ? std::move(command) : std::make_unique<TNullCommand>()) {}

TInteractiveText::~TInteractiveText() = default;

void TInteractiveText::Draw() {
  if (GetRun()) DrawRun(GetRun(), false, 0.0f);
}

void TInteractiveText::Think() {
  if (!IsActive()) return;
  command_->Execute();
  std::string result;
  if (TResultCommand* answer = command_->AsResultCommand()) answer->GetResult(result);
  if (result != result_) {
    result_ = std::move(result);
    Rebuild();
  }
}

void TInteractiveText::Rebuild() {
  std::unique_ptr<TTextRun> run = LayoutText(ShownText());
  const TTextRun* laidOut = run.get();
  SetRun(std::move(run));
  UpdateWidth(laidOut);
}

void TInteractiveText::SetResult(const std::string& result) {
  result_ = result;
  Rebuild();
}
