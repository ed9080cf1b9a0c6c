// Builds the widget tree of a screen or dialogue from its section of
// "Configs\Interface.cfg": one widget per line, containers holding the lines
// up to their "End", commands built by the caller's command interpreter, and
// the keyboard accelerators of a "Keyboard Accelerators" section that
// directly follows the screen's section.
//
// The file is data that players can replace. An unknown type name, a line
// with too few fields, a field that cannot be used (an unknown visual, a
// position that is no number), a container nested too deep or left without
// its "End" each give a logged message; what could not be built stands as a
// widget that draws nothing, and the rest of the section still loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/screen_position.h"

class TCommand;
class TCommandInterpreter;
class TConfigParser;
class TInterfaceLoader;
class TKeyboardAccelerator;
class TNode;
class TWidget;

// What owns and polls keyboard accelerators: the screens.
class TAcceleratorOwner {
 public:
  virtual ~TAcceleratorOwner() = default;
  virtual void AddAccelerator(std::unique_ptr<TKeyboardAccelerator> accelerator) = 0;
};

// One element line as a widget type's creator reads it: the fields after
// the split (field 0 is the type name), with readers that check them.
class TElementLine {
 public:
  TElementLine(TInterfaceLoader& loader, std::vector<std::string> fields);

  const std::string& TypeName() const { return fields_[0]; }
  const std::vector<std::string>& Fields() const { return fields_; }
  // False, with a message, when the line has fewer fields than the type
  // reads (type name included).
  bool Require(std::size_t count);
  // The field; empty past the last one.
  const std::string& Field(std::size_t index) const;
  // The position spec of the field; a value that is no finite number is
  // told and read as 0.
  TScreenPosition Position(std::size_t index);
  // The command the interpreter builds for the field's name (a null command
  // for an unknown or missing name).
  std::unique_ptr<TCommand> Command(std::size_t index);
  std::unique_ptr<TCommand> CommandNamed(const std::string& name);
  // "ID =" and "Tooltip =" from any field; empty when none holds them.
  std::string Id() const;
  std::string Tooltip() const;
  // Fields 1 to the last as config lines of "key = value", for the text
  // widgets.
  std::string KeyText() const;
  // Builds the lines that follow, up to the next "End", into the container.
  void BuildChildren(TNode& container);
  // Tells a problem of this line.
  void Problem(const std::string& text);

 private:
  TInterfaceLoader& loader_;
  std::vector<std::string> fields_;
};

class TInterfaceLoader {
 public:
  using Creator = std::function<std::unique_ptr<TWidget>(TElementLine& line)>;
  using Reporter = std::function<void(const std::string& line)>;

  static constexpr std::size_t kTypeCount = 21;
  // The type names of the element lines, in the order they are matched.
  static const char* const kTypeNames[kTypeCount];
  static const char* const kFileName;
  static const char* const kAcceleratorSection;
  // Containers inside containers beyond this depth are skipped with their
  // lines.
  static constexpr int32_t kMaxNesting = 32;
  // Further problems of one section go untold.
  static constexpr int32_t kMaxReports = 32;

  // The loader of the game, reading "Configs\Interface.cfg" on first use (an
  // unreadable file loads as empty) with every widget type registered.
  static TInterfaceLoader* Instance();
  static void Free();

  // A loader of the given interface text with no widget type registered.
  explicit TInterfaceLoader(const std::string& text);
  ~TInterfaceLoader();
  TInterfaceLoader(const TInterfaceLoader&) = delete;
  TInterfaceLoader& operator=(const TInterfaceLoader&) = delete;

  // The index of a type name (exact match), or -1.
  static int32_t TypeIndex(const std::string& typeName);
  // Installs the creator of a type; false for a name that is no type name.
  bool Register(const std::string& typeName, Creator creator);
  bool IsRegistered(const std::string& typeName) const;

  // Builds the section's widgets into the parent, then the accelerators of a
  // directly following "Keyboard Accelerators" section (the parent must then
  // be an accelerator owner). A missing section builds nothing. The
  // interpreter is used only while this runs.
  void LoadSection(const std::string& sectionName, TNode& parent, TCommandInterpreter& interpreter);
  // The widget of one element line, built with the interpreter given (a
  // container line reads no children); null for a line that holds no
  // element ("End", an empty line).
  std::unique_ptr<TWidget> CreateElement(const std::string& line, TCommandInterpreter& interpreter);

  // Where problems are told; the log by default.
  void SetReporter(Reporter reporter);
  // The value of the first field containing "ID =" or "Tooltip =".
  static std::string ReadId(const std::vector<std::string>& fields);
  static std::string ReadTooltip(const std::vector<std::string>& fields);

 private:
  friend class TElementLine;

  void BuildChildren(TNode& parent);
  // Advances to the next line and builds its element; false when the line
  // ends the list.
  bool NextElement(std::vector<std::unique_ptr<TWidget>>& built);
  std::unique_ptr<TWidget> MakeElement(const std::string& line);
  std::unique_ptr<TWidget> MakeUnavailable(TElementLine& line, int32_t typeIndex);
  void SkipChildren();
  void LoadAccelerators(TNode& parent);
  void Report(const std::string& problem);
  std::unique_ptr<TCommand> RunCommand(const std::string& name);

  std::unique_ptr<TConfigParser> config_;
  int32_t cursor_ = -1;
  std::vector<std::string> lines_;
  TCommandInterpreter* interpreter_ = nullptr;
  std::vector<Creator> creators_;
  std::string sectionName_;
  int32_t nesting_ = 0;
  bool standalone_ = false;
  int32_t reports_ = 0;
  Reporter reporter_;
};

// Installs the creators of every widget type this build has.
void RegisterWidgetTypes(TInterfaceLoader& loader);
