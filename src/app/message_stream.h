// The game's running text of messages, shown by a text box on screen. Only
// the last lines are kept.
#pragma once

#include <cstdint>
#include <string>

#include "app/files.h"

// What shows the message stream: told to redraw when the text changes.
class TMessageView {
 public:
  virtual ~TMessageView() = default;
  virtual void Refresh() = 0;
};

class TMessageStream {
 public:
  static TMessageStream* Instance();
  static void DestroyInstance();

  // Appends the text, drops the oldest lines beyond the line limit and has
  // the view and the game redraw.
  void Write(const std::string& text);
  std::string GetText() const { return text_.Text(); }
  void Clear() { text_.Clear(); }

  void AttachView(TMessageView* view) { view_ = view; }
  void DetachView() { view_ = nullptr; }
  TMessageView* GetView() const { return view_; }

  static constexpr int32_t kLineLimit = 20;

 private:
  TMessageStream() = default;
  void TrimOldLines();
  void Refresh();

  TTextBuffer text_;
  int32_t lineLimit_ = kLineLimit;
  TMessageView* view_ = nullptr;
};
