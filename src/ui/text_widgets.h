// Texts of the interface. A text shows one label in a font style, at its
// position or centred on it; an interactive text runs its command every
// frame and shows the command's text result behind the label, so a screen
// can show live values (a turn number, a unit's name) after a fixed label.
#pragma once

#include <memory>
#include <string>

#include "ui/widget.h"

class TCommand;
class TTextRun;

class TText : public TWidget {
 public:
  // The label is translated: "@" and a number becomes that text of the
  // current language section.
  TText(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
        const std::string& style);
  ~TText() override;

  void Draw() override;
  // Draws the chain with its baseline at the widget's position (whole
  // pixels) moved down by the offset; centred texts are moved left by half
  // the width, which is first measured again from this chain when asked.
  virtual void DrawRun(const TTextRun* run, bool refreshWidth, float yOffset);

  // Stores the text as it is (no translation) and lays it out again.
  void SetText(const std::string& text);
  // Moves the text at once, not only at the next relayout.
  void SetPosition(float x, float y);
  // Replaces the chain; the width stays as it was.
  void SetRun(std::unique_ptr<TTextRun> run);
  void UpdateWidth(const TTextRun* run);

  const std::string& GetStyle() const { return style_; }
  const std::string& GetText() const { return text_; }
  bool IsCentred() const { return centred_; }
  float GetWidth() const { return width_; }
  const TTextRun* GetRun() const { return run_.get(); }

 protected:
  // The chain of a text in the widget's style; null without fonts or when
  // the style names no font style.
  std::unique_ptr<TTextRun> LayoutText(const std::string& text) const;

 private:
  std::string text_;
  bool centred_ = false;
  float width_ = 0.0f;
  std::string style_;
  std::unique_ptr<TTextRun> run_;
};

class TInteractiveText : public TText {
 public:
  // A null command stands for a missing one.
  TInteractiveText(const std::string& name, const TScreenPosition& position, const std::string& text, bool centred,
                   const std::string& style, std::unique_ptr<TCommand> command);
  ~TInteractiveText() override;

  void Draw() override;
  // While active: runs the command and shows its text result when it
  // changed.
  void Think() override;
  // Lays out the label followed by the result.
  virtual void Rebuild();

  void SetResult(const std::string& result);
  const std::string& GetResult() const { return result_; }
  // The label and the result as shown.
  std::string ShownText() const { return GetText() + result_; }
  TCommand* GetCommand() const { return command_.get(); }

 private:
  std::unique_ptr<TCommand> command_;
  std::string result_;
};

// Whole pixels of a coordinate, towards zero; what is no number or lies
// beyond the int range stays at 0 or the nearest limit.
int32_t TruncateToPixel(float value);
