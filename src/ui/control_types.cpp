#include "ui/control_types.h"

#include <memory>
#include <string>

#include "display/visuals/visual_node.h"
#include "display/visuals/world_bar.h"
#include "ui/button.h"
#include "ui/commands/command.h"
#include "ui/dialogue_panel.h"
#include "ui/interface_loader.h"
#include "ui/interface_visuals.h"
#include "ui/panel.h"
#include "ui/progress_bar.h"
#include "ui/switches.h"

namespace {

// What a widget type needs of its picture.
enum class EPictureKind { kAny, kLooks, kBars };

bool HasKind(const TVisual& visual, EPictureKind kind) {
  switch (kind) {
    case EPictureKind::kAny: return true;
    case EPictureKind::kLooks: return visual.IsOfClass(TVisualSwitch::kClassName);
    case EPictureKind::kBars: {
      const auto* node = dynamic_cast<const TVisualNode*>(&visual);
      return node != nullptr && dynamic_cast<const TWorldBar*>(node->GetChild(0)) != nullptr &&
             dynamic_cast<const TWorldBar*>(node->GetChild(1)) != nullptr;
    }
  }
  return false;
}

const char* KindName(EPictureKind kind) {
  return kind == EPictureKind::kLooks ? "a switch of looks" : "a node of two bars";
}

// The picture name of the field when the picture can serve the widget;
// otherwise the problem is told and the widget gets no picture. Without a
// visual library no picture is built anyway, and nothing is told.
std::string PictureName(TElementLine& line, std::size_t index, EPictureKind kind) {
  const std::string& name = line.Field(index);
  if (InterfaceVisualLibrary() == nullptr || name == "Null") return name;
  TVector3 at;
  const std::unique_ptr<TVisual> probe = BuildInterfaceVisual(&at, true, name);
  if (!probe) {
    line.Problem("names the unknown picture \"" + name + "\"; it draws nothing");
    return std::string();
  }
  if (!HasKind(*probe, kind)) {
    line.Problem("needs " + std::string(KindName(kind)) + ", which \"" + name + "\" is not; it draws nothing");
    return std::string();
  }
  return name;
}

template <class Panel>
std::unique_ptr<TWidget> MakePlainPanel(TElementLine& line) {
  if (!line.Require(3)) return nullptr;
  return std::make_unique<Panel>(line.Id(), line.Position(1), PictureName(line, 2, EPictureKind::kAny));
}

std::unique_ptr<TWidget> MakeInteractivePanel(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TInteractivePanel>(line.Id(), line.Position(1), PictureName(line, 2, EPictureKind::kLooks),
                                             line.Command(3));
}

std::unique_ptr<TWidget> MakeStretchyPanel(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TStretchyPanel>(line.Id(), line.Position(1), PictureName(line, 3, EPictureKind::kAny),
                                          line.Position(2));
}

std::unique_ptr<TWidget> MakeProgrammablePanel(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TProgrammablePanel>(line.Id(), line.Position(1), line.Command(2), line.Command(3));
}

std::unique_ptr<TWidget> MakeProgressBar(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TProgressBar>(line.Id(), line.Position(1), line.Position(2),
                                        PictureName(line, 3, EPictureKind::kBars));
}

std::unique_ptr<TWidget> MakeDialoguePanel(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TDialoguePanel>(line.Id(), line.Position(1), line.Position(2), line.Field(3));
}

std::unique_ptr<TWidget> MakeButton(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TButton>(line.Id(), line.Position(1), PictureName(line, 2, EPictureKind::kLooks),
                                   line.Command(3), line.Tooltip());
}

template <class Button>
std::unique_ptr<TWidget> MakeConditionedButton(TElementLine& line) {
  if (!line.Require(5)) return nullptr;
  const std::string picture = PictureName(line, 2, EPictureKind::kLooks);
  std::unique_ptr<TCommand> command = line.Command(3);
  std::unique_ptr<TCommand> condition = line.Command(4);
  return std::make_unique<Button>(line.Id(), line.Position(1), picture, std::move(command), std::move(condition),
                                  line.Tooltip());
}

std::unique_ptr<TWidget> MakeToggle(TElementLine& line) {
  if (!line.Require(5)) return nullptr;
  const std::string picture = PictureName(line, 2, EPictureKind::kLooks);
  std::unique_ptr<TCommand> action = line.Command(3);
  std::unique_ptr<TCommand> child = line.Command(4);
  return std::make_unique<TToggle>(line.Id(), line.Position(1), picture, std::move(action), std::move(child),
                                   line.Tooltip());
}

std::unique_ptr<TWidget> MakeTouch(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<TTouch>(line.Id(), line.Position(1), PictureName(line, 2, EPictureKind::kLooks),
                                  line.Command(3), line.Tooltip());
}

std::unique_ptr<TWidget> MakeSwitch(TElementLine& line) {
  if (!line.Require(6)) return nullptr;
  const std::string picture = PictureName(line, 2, EPictureKind::kLooks);
  std::unique_ptr<TCommand> action = line.Command(3);
  std::unique_ptr<TCommand> grey = line.Command(4);
  std::unique_ptr<TCommand> state = line.Command(5);
  return std::make_unique<TSwitch>(line.Id(), line.Position(1), picture, std::move(action), std::move(grey),
                                   std::move(state), line.Tooltip());
}

std::unique_ptr<TWidget> MakeRadio(TElementLine& line) {
  auto radio = std::make_unique<TRadio>(line.Id());
  line.BuildChildren(*radio);
  return radio;
}

std::unique_ptr<TWidget> MakeSwitchItem(TElementLine& line) {
  if (!line.Require(3)) return nullptr;
  std::unique_ptr<TCommand> click = line.Command(1);
  std::unique_ptr<TCommand> index = line.Command(2);
  auto item = std::make_unique<TSwitchItem>(line.Id(), std::move(click), std::move(index));
  line.BuildChildren(*item);
  return item;
}

}  // namespace

void RegisterControlTypes(TInterfaceLoader& loader) {
  loader.Register("Interactive Panel", MakeInteractivePanel);
  loader.Register("Stretchy Panel", MakeStretchyPanel);
  loader.Register("Background Panel", MakePlainPanel<TBackgroundPanel>);
  loader.Register("Panel", MakePlainPanel<TPanel>);
  loader.Register("Toggle", MakeToggle);
  loader.Register("Touch", MakeTouch);
  loader.Register("Grey Button", MakeConditionedButton<TGreyButton>);
  loader.Register("Conditional Button", MakeConditionedButton<TConditionalButton>);
  loader.Register("Button", MakeButton);
  loader.Register("Switch Item", MakeSwitchItem);
  loader.Register("Switch", MakeSwitch);
  loader.Register("Radio", MakeRadio);
  loader.Register("Dialogue Panel", MakeDialoguePanel);
  loader.Register("Programmable Panel", MakeProgrammablePanel);
  loader.Register("Progress Bar", MakeProgressBar);
}
