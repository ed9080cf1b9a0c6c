// The creators of the widget types that element lines name, one registration
// per type this build has.
#include <memory>
#include <string>

#include "app/config_parser.h"
#include "app/message_stream.h"
#include "ui/box_text.h"
#include "ui/commands/command.h"
#include "ui/control_types.h"
#include "ui/edit_box.h"
#include "ui/interface_loader.h"
#include "ui/text_widgets.h"
#include "ui/widget.h"

namespace {

// The keys of a text widget's line; what a type does not read stays empty.
struct TTextKeys {
  std::string text;
  std::string id;
  std::string style;
  bool centred = false;
  bool hasStyle = false;
  bool hasCentred = false;
  std::string command0;
  bool hasCommand0 = false;
};

// The key lines of a text widget, looked up over their whole text.
TConfigParser KeyLines(const TElementLine& line) {
  TConfigParser keys;
  keys.SetText(line.KeyText());
  return keys;
}

// The keys every text type reads alike: the label, the style, and the
// centring only under a style.
TTextKeys ReadStyledKeys(TConfigParser& keys) {
  TTextKeys read;
  keys.GetString("Text", read.text);
  read.hasStyle = keys.GetString("Style", read.style);
  if (read.hasStyle) read.hasCentred = keys.GetBool("Centred", read.centred);
  return read;
}

std::unique_ptr<TWidget> MakeText(TElementLine& line) {
  if (!line.Require(2)) return nullptr;
  TConfigParser keys = KeyLines(line);
  TTextKeys read = ReadStyledKeys(keys);
  keys.GetString("ID", read.id);
  return std::make_unique<TText>(read.id, line.Position(1), read.text, read.centred, read.style);
}

std::unique_ptr<TWidget> MakeInteractiveText(TElementLine& line) {
  if (!line.Require(2)) return nullptr;
  TConfigParser keys = KeyLines(line);
  TTextKeys read = ReadStyledKeys(keys);
  keys.GetString("ID", read.id);
  if (read.hasStyle && read.hasCentred) keys.GetString("Command0", read.command0);
  return std::make_unique<TInteractiveText>(read.id, line.Position(1), read.text, read.centred, read.style,
                                            line.CommandNamed(read.command0));
}

std::unique_ptr<TWidget> MakeBoxText(TElementLine& line) {
  if (!line.Require(7)) return nullptr;
  TConfigParser keys = KeyLines(line);
  TTextKeys read = ReadStyledKeys(keys);
  if (read.hasStyle && read.hasCentred) read.hasCommand0 = keys.GetString("Command0", read.command0);
  if (read.hasCommand0) keys.GetString("ID", read.id);
  auto box = std::make_unique<TBoxText>(read.id, line.Position(1), read.text, read.centred, read.style,
                                        line.CommandNamed(read.command0), line.Position(6));
  if (read.command0 == "GetMessageStream") TMessageStream::Instance()->AttachView(box.get());
  return box;
}

// An edit box reads the centring first and the style only under it.
// Every key of the secret box is read for itself, whether the others are
// there or not.
std::unique_ptr<TWidget> MakeObtuseEditBox(TElementLine& line) {
  if (!line.Require(7)) return nullptr;
  TConfigParser keys = KeyLines(line);
  TTextKeys read;
  keys.GetString("Text", read.text);
  keys.GetString("ID", read.id);
  keys.GetBool("Centred", read.centred);
  keys.GetString("Style", read.style);
  keys.GetString("Command0", read.command0);
  std::string command1;
  keys.GetString("Command1", command1);
  std::unique_ptr<TCommand> first = line.CommandNamed(read.command0);
  std::unique_ptr<TCommand> end = line.CommandNamed(command1);
  return std::make_unique<TObtuseEditBox>(read.id, line.Position(1), read.text, read.centred, read.style,
                                          std::move(first), line.Position(6), std::move(end));
}

std::unique_ptr<TWidget> MakeEditBox(TElementLine& line) {
  if (!line.Require(7)) return nullptr;
  TConfigParser keys = KeyLines(line);
  TTextKeys read;
  keys.GetString("Text", read.text);
  keys.GetString("ID", read.id);
  read.hasCentred = keys.GetBool("Centred", read.centred);
  if (read.hasCentred) read.hasStyle = keys.GetString("Style", read.style);
  if (read.hasCentred && read.hasStyle) read.hasCommand0 = keys.GetString("Command0", read.command0);
  std::string command1;
  if (read.hasCommand0) keys.GetString("Command1", command1);
  std::unique_ptr<TCommand> first = line.CommandNamed(read.command0);
  std::unique_ptr<TCommand> end = line.CommandNamed(command1);
  return std::make_unique<TEditBox>(read.id, line.Position(1), read.text, read.centred, read.style, std::move(first),
                                    line.Position(6), std::move(end));
}

}  // namespace

void RegisterWidgetTypes(TInterfaceLoader& loader) {
  loader.Register("Node", [](TElementLine& line) -> std::unique_ptr<TWidget> {
    auto node = std::make_unique<TNode>(line.Id());
    line.BuildChildren(*node);
    return node;
  });
  loader.Register("Text", MakeText);
  loader.Register("Interactive Text", MakeInteractiveText);
  loader.Register("Box Text", MakeBoxText);
  loader.Register("Edit Box", MakeEditBox);
  loader.Register("Obtuse Edit Box", MakeObtuseEditBox);
  RegisterControlTypes(loader);
}
