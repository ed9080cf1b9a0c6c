// Feeds arbitrary text to the interface loader as "Configs\Interface.cfg"
// would hold it: every section (up to a bound) is built into a screen that
// holds keyboard accelerators, on an 800 x 600 display with fonts of fixed
// metrics, and the tree is then driven as a screen drives it. Nothing may
// crash; containers stay within the nesting bound and the problems told
// stay within theirs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/fixed_font.h"
#include "../tests/support/recording_display.h"
#include "app/config_parser.h"
#include "app/keyboard_accelerator.h"
#include "display/map_view.h"
#include "ui/commands/command_interpreter.h"
#include "ui/interface_loader.h"
#include "ui/widget.h"

namespace {

constexpr int32_t kMaxSections = 16;

class TFuzzScreen : public TNode, public TAcceleratorOwner {
 public:
  explicit TFuzzScreen(const std::string& name) : TNode(name) {}
  void AddAccelerator(std::unique_ptr<TKeyboardAccelerator> accelerator) override {
    accelerators_.push_back(std::move(accelerator));
  }
  void PollAccelerators() {
    for (auto& accelerator : accelerators_) accelerator->Poll();
  }

 private:
  std::vector<std::unique_ptr<TKeyboardAccelerator>> accelerators_;
};

void SetUpDisplayOnce() {
  static testing_fonts::TextJournal journal;
  static bool done = false;
  if (done) return;
  done = true;
  TMapView::Create(std::make_unique<testing_display::RecordingDisplay>());
  testing_fonts::LoadFixedFonts(*TMapView::Instance()->GetFontManager(), journal);
}

int32_t Depth(const TWidget& widget) {
  const auto* node = dynamic_cast<const TNode*>(&widget);
  if (!node) return 0;
  int32_t deepest = 0;
  for (std::size_t i = 0; i < node->ChildCount(); ++i) {
    const int32_t depth = Depth(*node->ChildAt(i));
    if (depth > deepest) deepest = depth;
  }
  return deepest + 1;
}

void Drive(TFuzzScreen& screen) {
  screen.Relayout();
  for (int frame = 0; frame < 2; ++frame) {
    screen.Think();
    screen.Update();
    screen.HandleKeys();
    screen.PollAccelerators();
    screen.Draw();
  }
  screen.IsUnderMouse();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  SetUpDisplayOnce();
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::vector<std::string> sections;
  TConfigParser walker(text);
  while (walker.NextSection() && static_cast<int32_t>(sections.size()) < kMaxSections) {
    sections.push_back(walker.GetSectionName());
  }

  TInterfaceLoader loader(text);
  RegisterWidgetTypes(loader);
  int32_t told = 0;
  loader.SetReporter([&told](const std::string&) { ++told; });
  TCommandInterpreter interpreter(std::string("# scripts\n[Go]\nNull\n"));
  for (const std::string& name : sections) {
    told = 0;
    TFuzzScreen screen(name);
    loader.LoadSection(name, screen, interpreter);
    if (told > TInterfaceLoader::kMaxReports + 1) std::abort();
    // The screen, the deepest allowed containers and a skipped one's leaf.
    if (Depth(screen) > TInterfaceLoader::kMaxNesting + 2) std::abort();
    Drive(screen);
  }
  // Each line on its own, as the dialogue panels of the game modes are made.
  std::size_t start = 0;
  for (int32_t count = 0; count < 8 && start < text.size(); ++count) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::unique_ptr<TWidget> widget = loader.CreateElement(text.substr(start, end - start), interpreter);
    if (widget) {
      widget->Think();
      widget->Draw();
    }
    start = end + 1;
  }
  return 0;
}
