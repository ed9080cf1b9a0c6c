#include "ui/interface_loader.h"

#include <cmath>
#include <utility>

#include "app/config_parser.h"
#include "app/files.h"
#include "app/key_map.h"
#include "app/keyboard_accelerator.h"
#include "app/log.h"
#include "app/message_stream.h"
#include "app/string_table.h"
#include "app/text_utils.h"
#include "ui/commands/command.h"
#include "ui/commands/command_interpreter.h"
#include "ui/widget.h"

const char* const TInterfaceLoader::kTypeNames[kTypeCount] = {
    "Interactive Panel", "Stretchy Panel", "Background Panel", "Panel",
    "Toggle",            "Touch",          "Grey Button",      "Conditional Button",
    "Button",            "Switch Item",    "Switch",           "Radio",
    "Node",              "Interactive Text", "Box Text",       "Obtuse Edit Box",
    "Edit Box",          "Text",           "Dialogue Panel",   "Programmable Panel",
    "Progress Bar"};
const char* const TInterfaceLoader::kFileName = "Configs\\Interface.cfg";
const char* const TInterfaceLoader::kAcceleratorSection = "Keyboard Accelerators";

namespace {

std::unique_ptr<TInterfaceLoader>& LoaderCell() {
  static std::unique_ptr<TInterfaceLoader> loader;
  return loader;
}

bool IsContainerType(const std::string& typeName) {
  return typeName == "Node" || typeName == "Radio" || typeName == "Switch Item";
}

// Comments never get here: splitting a text into fields drops them.
bool EndsList(const std::string& field) { return field == "End"; }

std::string ReadMarkedValue(const std::vector<std::string>& fields, const std::string& marker,
                            const std::string& key) {
  for (const std::string& field : fields) {
    if (field.find(marker) == std::string::npos) continue;
    TConfigParser line;
    line.SetText(field);
    std::string value;
    line.GetString(key, value);
    return value;
  }
  return std::string();
}

bool IsKeyName(const std::string& name) {
  for (const auto& [code, key] : GetKeyMap()->GetKeyTable()) {
    if (key.GetName() == name) return true;
  }
  return false;
}

float FiniteOrZero(float value, bool& changed) {
  if (std::isfinite(value)) return value;
  changed = true;
  return 0.0f;
}

}  // namespace

// ---------------------------------------------------------------------------
// TElementLine

TElementLine::TElementLine(TInterfaceLoader& loader, std::vector<std::string> fields)
    : loader_(loader), fields_(std::move(fields)) {}

bool TElementLine::Require(std::size_t count) {
  if (fields_.size() >= count) return true;
  Problem("has " + std::to_string(fields_.size()) + " fields where " + std::to_string(count) + " are needed");
  return false;
}

const std::string& TElementLine::Field(std::size_t index) const {
  static const std::string kEmpty;
  return index < fields_.size() ? fields_[index] : kEmpty;
}

TScreenPosition TElementLine::Position(std::size_t index) {
  const TScreenPosition parsed = ParseScreenPosition(Field(index));
  bool changed = false;
  const float x = FiniteOrZero(parsed.GetX(), changed);
  const float y = FiniteOrZero(parsed.GetY(), changed);
  if (!changed) return parsed;
  Problem("position \"" + Field(index) + "\" is not a finite number; 0 is used");
  return TScreenPosition(x, y, TScreenPosition::kXModeNames[parsed.GetModeX()],
                         TScreenPosition::kYModeNames[parsed.GetModeY()]);
}

std::unique_ptr<TCommand> TElementLine::Command(std::size_t index) { return loader_.RunCommand(Field(index)); }

std::unique_ptr<TCommand> TElementLine::CommandNamed(const std::string& name) { return loader_.RunCommand(name); }

std::string TElementLine::Id() const { return TInterfaceLoader::ReadId(fields_); }

std::string TElementLine::Tooltip() const { return TInterfaceLoader::ReadTooltip(fields_); }

std::string TElementLine::KeyText() const {
  std::string text;
  for (std::size_t index = 1; index < fields_.size(); ++index) text += fields_[index] + "\r\n";
  return text;
}

void TElementLine::BuildChildren(TNode& container) {
  // A line built on its own has no lines after it.
  if (loader_.standalone_) return;
  if (loader_.nesting_ >= TInterfaceLoader::kMaxNesting) {
    Problem("is nested deeper than " + std::to_string(TInterfaceLoader::kMaxNesting) +
            " containers; its lines are skipped");
    loader_.SkipChildren();
    return;
  }
  ++loader_.nesting_;
  loader_.BuildChildren(container);
  --loader_.nesting_;
}

void TElementLine::Problem(const std::string& text) { loader_.Report("\"" + TypeName() + "\" " + text); }

// ---------------------------------------------------------------------------
// TInterfaceLoader

TInterfaceLoader* TInterfaceLoader::Instance() {
  auto& loader = LoaderCell();
  if (!loader) {
    TTextBuffer file;
    file.Load(kFileName);
    loader = std::make_unique<TInterfaceLoader>(file.Text());
    RegisterWidgetTypes(*loader);
  }
  return loader.get();
}

void TInterfaceLoader::Free() { LoaderCell().reset(); }

TInterfaceLoader::TInterfaceLoader(const std::string& text)
    : config_(std::make_unique<TConfigParser>(text)),
      creators_(kTypeCount),
      reporter_([](const std::string& line) { WriteLog(line + "\n"); }) {}

TInterfaceLoader::~TInterfaceLoader() = default;

int32_t TInterfaceLoader::TypeIndex(const std::string& typeName) {
  for (std::size_t index = 0; index < kTypeCount; ++index) {
    if (typeName == kTypeNames[index]) return static_cast<int32_t>(index);
  }
  return -1;
}

bool TInterfaceLoader::Register(const std::string& typeName, Creator creator) {
  const int32_t index = TypeIndex(typeName);
  if (index < 0) return false;
  creators_[static_cast<std::size_t>(index)] = std::move(creator);
  return true;
}

bool TInterfaceLoader::IsRegistered(const std::string& typeName) const {
  const int32_t index = TypeIndex(typeName);
  return index >= 0 && static_cast<bool>(creators_[static_cast<std::size_t>(index)]);
}

void TInterfaceLoader::SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }

std::string TInterfaceLoader::ReadId(const std::vector<std::string>& fields) {
  return ReadMarkedValue(fields, "ID =", "ID");
}

std::string TInterfaceLoader::ReadTooltip(const std::vector<std::string>& fields) {
  return ReadMarkedValue(fields, "Tooltip =", "Tooltip");
}

void TInterfaceLoader::LoadSection(const std::string& sectionName, TNode& parent,
                                   TCommandInterpreter& interpreter) {
  GetStringTable()->EnsureSection("Interface");
  interpreter_ = &interpreter;
  sectionName_ = sectionName;
  reports_ = 0;
  nesting_ = 0;
  if (config_->SelectSection(sectionName)) {
    lines_ = SplitString(config_->GetSectionBody(), "\n");
    cursor_ = -1;
    BuildChildren(parent);
    if (config_->NextSection() && config_->GetSectionName() == kAcceleratorSection) LoadAccelerators(parent);
  }
  interpreter_ = nullptr;
  lines_.clear();
}

std::unique_ptr<TWidget> TInterfaceLoader::CreateElement(const std::string& line, TCommandInterpreter& interpreter) {
  interpreter_ = &interpreter;
  sectionName_.clear();
  reports_ = 0;
  standalone_ = true;
  lines_ = {line};
  cursor_ = 0;
  std::unique_ptr<TWidget> widget = MakeElement(line);
  standalone_ = false;
  interpreter_ = nullptr;
  lines_.clear();
  return widget;
}

void TInterfaceLoader::BuildChildren(TNode& parent) {
  std::vector<std::unique_ptr<TWidget>> built;
  bool ended = false;
  while (cursor_ < static_cast<int32_t>(lines_.size()) - 1) {
    if (!NextElement(built)) {
      ended = true;
      break;
    }
  }
  if (!ended && nesting_ > 0) Report("a container is not closed by \"End\"");
  for (auto& widget : built) parent.AddChild(std::move(widget));
}

bool TInterfaceLoader::NextElement(std::vector<std::unique_ptr<TWidget>>& built) {
  ++cursor_;
  std::unique_ptr<TWidget> widget = MakeElement(lines_[static_cast<std::size_t>(cursor_)]);
  if (!widget) return false;
  built.push_back(std::move(widget));
  return true;
}

std::unique_ptr<TWidget> TInterfaceLoader::MakeElement(const std::string& text) {
  std::vector<std::string> fields = SplitString(text, "|");
  if (fields.empty() || EndsList(fields[0])) return nullptr;
  TElementLine line(*this, std::move(fields));
  const int32_t index = TypeIndex(line.TypeName());
  if (index < 0) {
    line.Problem("is no widget type; the line draws nothing");
    return std::make_unique<TInertWidget>(line.Id(), TScreenPosition());
  }
  const Creator& creator = creators_[static_cast<std::size_t>(index)];
  if (!creator) return MakeUnavailable(line, index);

  const int32_t cursorBefore = cursor_;
  std::unique_ptr<TWidget> widget = creator(line);
  if (!widget) {
    line.Problem("could not be built; the line draws nothing");
    // The lines of a container that failed before reading them are not the
    // parent's.
    if (IsContainerType(line.TypeName()) && cursor_ == cursorBefore && !standalone_) SkipChildren();
    widget = std::make_unique<TInertWidget>(line.Id(), TScreenPosition());
  }
  // The message stream starts empty under every box text.
  if (line.TypeName() == "Box Text") TMessageStream::Instance()->Clear();
  return widget;
}

std::unique_ptr<TWidget> TInterfaceLoader::MakeUnavailable(TElementLine& line, int32_t typeIndex) {
  line.Problem("is not available in this build; the line draws nothing");
  if (!IsContainerType(kTypeNames[typeIndex])) return std::make_unique<TInertWidget>(line.Id(), TScreenPosition());
  auto holder = std::make_unique<TNode>(line.Id());
  line.BuildChildren(*holder);
  holder->Hide();
  return holder;
}

void TInterfaceLoader::SkipChildren() {
  int32_t depth = 1;
  while (cursor_ < static_cast<int32_t>(lines_.size()) - 1) {
    ++cursor_;
    const std::vector<std::string> fields = SplitString(lines_[static_cast<std::size_t>(cursor_)], "|");
    if (fields.empty()) continue;
    if (EndsList(fields[0])) {
      if (--depth == 0) return;
    } else if (IsContainerType(fields[0])) {
      ++depth;
    }
  }
  Report("a container is not closed by \"End\"");
}

void TInterfaceLoader::LoadAccelerators(TNode& parent) {
  const std::vector<std::string> lines = SplitString(config_->GetSectionBody(), "\n");
  auto* owner = dynamic_cast<TAcceleratorOwner*>(&parent);
  if (!owner) {
    if (!lines.empty()) Report("keyboard accelerators follow, but \"" + parent.GetName() + "\" cannot hold them");
    return;
  }
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = SplitString(line, "|");
    if (fields.empty()) continue;
    if (fields.size() < 3) {
      Report("accelerator \"" + line + "\" needs a key and two commands");
      continue;
    }
    if (!IsKeyName(fields[0])) {
      Report("accelerator key \"" + fields[0] + "\" is no key name");
      continue;
    }
    std::unique_ptr<TCommand> onRelease = RunCommand(fields[1]);
    std::unique_ptr<TCommand> whileHeld = RunCommand(fields[2]);
    owner->AddAccelerator(
        std::make_unique<TKeyboardAccelerator>(fields[0], std::move(onRelease), std::move(whileHeld)));
  }
}

std::unique_ptr<TCommand> TInterfaceLoader::RunCommand(const std::string& name) {
  std::unique_ptr<TCommand> command = interpreter_ ? interpreter_->Run(name) : nullptr;
  if (!command) command = std::make_unique<TNullCommand>();
  return command;
}

void TInterfaceLoader::Report(const std::string& problem) {
  ++reports_;
  if (reports_ > kMaxReports) return;
  std::string where = sectionName_.empty() ? std::string("an interface line") : "[" + sectionName_ + "]";
  if (cursor_ >= 0) where += " line " + std::to_string(cursor_ + 1);
  reporter_("Interface: " + where + ": " + problem);
  if (reports_ == kMaxReports) reporter_("Interface: [" + sectionName_ + "]: further problems are not told");
}
