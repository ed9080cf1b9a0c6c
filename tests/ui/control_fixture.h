// The fixture of the button, panel and state-button tests: an 800 x 600
// recording display, a visual library whose interface pictures are
// rectangles of known size that record their draws, sounds that record their
// plays, commands that answer what the test says, and scripted input.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/message_stream.h"
#include "app/text_utils.h"
#include "display/map_view.h"
#include "display/visuals/stretchy_sprite.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/world_bar.h"
#include "sound/sound_nodes.h"
#include "support/ui_display.h"
#include "support/ui_input_driver.h"
#include "ui/interface_visuals.h"
#include "ui_fakes.h"

namespace testing_ui {

// What the pictures drew and the sounds played, in order.
struct ControlJournal {
  std::vector<std::string> drawn;
  std::vector<std::string> played;
};

// A rectangle from its position, w x h, hit inside it; draws record their
// label and the drawn top-left corner.
class BoxSprite : public TStretchySprite {
 public:
  BoxSprite(TVector3* position, bool ownsPosition, std::string label, float width, float height,
            ControlJournal& journal)
      : TStretchySprite(position, ownsPosition), label_(std::move(label)), width_(width), height_(height),
        journal_(journal) {}

  void Draw(const TVector3& offset, TLightGrid* /*light*/) override {
    const TVector3 at = GetDrawPosition(offset);
    journal_.drawn.push_back(label_ + "@" + std::to_string(static_cast<int>(at.x)) + "," +
                             std::to_string(static_cast<int>(at.y)));
  }
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override {
    return std::make_unique<BoxSprite>(position, ownsPosition, label_, width_, height_, journal_);
  }
  bool HitTest(const TVector3& point) const override {
    const TVector3 d = Difference(point, *GetPositionObject());
    return d.x >= 0.0f && d.y >= 0.0f && d.x < width_ && d.y < height_;
  }
  float GetWidth() const override { return width_; }
  float GetHeight() const override { return height_; }
  void SetSize(float width, float height) override {
    SetWidth(width);
    SetHeight(height);
  }
  void SetWidth(float width) override { width_ = width; }
  void SetHeight(float height) override { height_ = height; }
  const std::string& Label() const { return label_; }

 private:
  std::string label_;
  float width_;
  float height_;
  ControlJournal& journal_;
};

class TestBar : public TWorldBar {
 public:
  TestBar(TVector3* position, bool ownsPosition) : TWorldBar(position, ownsPosition, {}, {}, 0.0f, nullptr) {}
  void Draw(const TVector3& /*offset*/, TLightGrid* /*light*/) override {}
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override {
    auto copy = std::make_unique<TestBar>(position, ownsPosition);
    copy->SetStartCorner(GetStartCorner());
    copy->SetEndCorner(GetEndCorner());
    return copy;
  }
};

class JournalSound : public TSound {
 public:
  JournalSound(std::string name, ControlJournal& journal)
      : TSound(nullptr, true), name_(std::move(name)), journal_(journal) {}
  void Start(float /*time*/) override {}
  void Play() override { journal_.played.push_back(name_); }
  void Stop() override {}
  bool IsPlaying() override { return false; }

 private:
  std::string name_;
  ControlJournal& journal_;
};

// Pictures: "Looks" (a switch of three 40 x 20 looks), "Two Looks",
// "Plain" (100 x 50), "Bars" (a node of two bars), the nine pieces of
// "Frame" (16 x 16 corners) and of "ResizeBox".
inline std::string ControlPictures() {
  std::string text =
      "# pictures of the interface tests\n"
      "[Looks]\nSwitch\nPictureVisual | 40 | 20 | up\nPictureVisual | 40 | 20 | down\n"
      "PictureVisual | 40 | 20 | grey\nEnd\n"
      "[Two Looks]\nSwitch\nPictureVisual | 40 | 20 | first\nPictureVisual | 40 | 20 | second\nEnd\n"
      "[Plain]\nPictureVisual | 100 | 50 | plain\n"
      "[Other]\nPictureVisual | 30 | 30 | other\n"
      "[Bars]\nCompound\nDD7WorldBar\nDD7WorldBar\nEnd\n"
      "[Animated]\nCycle | 10 | NO\nPictureVisual | 10 | 10 | frame0\nPictureVisual | 10 | 10 | frame1\n"
      "PictureVisual | 10 | 10 | frame2\nEnd\n";
  for (const std::string frame : {"Frame", "ResizeBox"}) {
    for (const char* suffix : {"_TL", "_TR", "_BR", "_BL", "_T", "_R", "_B", "_L", "_M"}) {
      text += "[" + frame + suffix + "]\nPictureVisual | 16 | 16 | " + frame + suffix + "\n";
    }
  }
  return text;
}

// Logs its runs under its name and answers the number (and, as a bool,
// whether it is not 0) and the text that the test sets for that name.
class AnswerCommand : public TArgumentCommand {
 public:
  using TResultCommand::GetResult;
  AnswerCommand(std::string name, CommandLog& log, const std::map<std::string, int32_t>& numbers,
                const std::map<std::string, std::string>& texts)
      : name_(std::move(name)), log_(log), numbers_(numbers), texts_(texts) {}
  void Execute() override {
    log_.executed.push_back(name_);
    const auto number = numbers_.find(name_);
    number_ = number == numbers_.end() ? 0 : number->second;
    const auto text = texts_.find(name_);
    text_ = text == texts_.end() ? std::string() : text->second;
  }
  void GetResult(bool& result) const override { result = number_ != 0; }
  void GetResult(int32_t& result) const override { result = number_; }
  void GetResult(std::string& result) const override { result = text_; }

 private:
  std::string name_;
  CommandLog& log_;
  const std::map<std::string, int32_t>& numbers_;
  const std::map<std::string, std::string>& texts_;
  int32_t number_ = 0;
  std::string text_;
};

class AnsweringInterpreter : public TCommandInterpreter {
 public:
  explicit AnsweringInterpreter(CommandLog& log) : TCommandInterpreter(std::string()), log_(log) {}
  std::unique_ptr<TCommand> Run(const std::string& scriptName) override {
    if (scriptName.empty() || scriptName == "Null") return std::make_unique<TNullCommand>();
    return std::make_unique<AnswerCommand>(scriptName, log_, numbers, texts);
  }
  std::map<std::string, int32_t> numbers;
  std::map<std::string, std::string> texts;

 private:
  CommandLog& log_;
};

class ControlTest : public testing::Test {
 protected:
  // The pictures come from the map view's library, as in the game; the
  // fixture's replaces the one the recording display was given.
  ControlTest() {
    auto library = std::make_unique<TVisualLibrary>("2D.cfg");
    library->SetLeafBuilder("PictureVisual", [this](TVisualLibrary&, const std::vector<std::string>& fields,
                                                    const TVector3& position) -> std::unique_ptr<TVisual> {
      TVector3 at = position;
      return std::make_unique<BoxSprite>(&at, true, fields.size() > 3 ? fields[3] : std::string(),
                                         fields.size() > 1 ? StringToFloat(fields[1]) : 0.0f,
                                         fields.size() > 2 ? StringToFloat(fields[2]) : 0.0f, journal);
    });
    library->SetLeafBuilder("DD7WorldBar", [](TVisualLibrary&, const std::vector<std::string>&,
                                              const TVector3& position) -> std::unique_ptr<TVisual> {
      TVector3 at = position;
      return std::make_unique<TestBar>(&at, true);
    });
    library->SetDefinitionText("Interface", ControlPictures());
    TMapView::Instance()->ReplaceVisualLibrary(std::move(library));
    TMessageStream::Instance()->Clear();
  }
  ~ControlTest() override {
    // The prototypes draw into the journal, which goes before the display.
    TMapView::Instance()->ReplaceVisualLibrary(nullptr);
    TMessageStream::Instance()->Clear();
  }

  std::unique_ptr<TCommand> Command(const std::string& name) { return interpreter.Run(name); }
  std::unique_ptr<TSound> Sound(const std::string& name) { return std::make_unique<JournalSound>(name, journal); }

  // Feeds the widget to a screen node the driver talks to.
  template <class Widget>
  Widget& Add(std::unique_ptr<Widget> widget) {
    Widget& added = *widget;
    screen.AddChild(std::move(widget));
    return added;
  }

  ScopedUiDisplay display;
  ControlJournal journal;
  CommandLog log;
  AnsweringInterpreter interpreter{log};
  AcceleratedScreen screen{"Screen"};
  UiInputDriver input{screen};
};

}  // namespace testing_ui
