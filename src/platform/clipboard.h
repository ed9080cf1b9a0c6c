// The desktop clipboard for text, in the game's Windows-1252. In a window it
// is SDL's clipboard (UTF-8 on the desktop side, converted here); without a
// window it is a text held in memory, so that headless runs and tests can
// copy and paste too.
#pragma once

#include <memory>
#include <string>

namespace platform {

class Clipboard {
 public:
  virtual ~Clipboard();
  // The text on the clipboard; empty when there is none or it cannot be
  // read. Characters without a Windows-1252 byte are dropped.
  virtual std::string GetText() = 0;
  // Puts the text on the clipboard; false when it could not be done.
  virtual bool SetText(const std::string& text) = 0;
  // True for the desktop's clipboard, false for the one in memory.
  virtual bool IsSystemClipboard() const = 0;
};

class MemoryClipboard final : public Clipboard {
 public:
  std::string GetText() override { return text_; }
  bool SetText(const std::string& text) override {
    text_ = text;
    return true;
  }
  bool IsSystemClipboard() const override { return false; }

 private:
  std::string text_;
};

// SDL's clipboard; it needs SDL's video subsystem to be running.
class SdlClipboard final : public Clipboard {
 public:
  std::string GetText() override;
  bool SetText(const std::string& text) override;
  bool IsSystemClipboard() const override { return true; }
};

// SDL's clipboard while a window of the game is open and the run is not
// headless; otherwise a new, empty clipboard in memory.
std::unique_ptr<Clipboard> MakeClipboard();

}  // namespace platform
