#include "ui/commands/command_interpreter.h"

#include <algorithm>
#include <utility>

#include "app/config_parser.h"
#include "app/files.h"
#include "app/log.h"
#include "app/text_utils.h"
#include "ui/commands/command.h"

namespace {

const std::string& EmptyLine() {
  static const std::string empty;
  return empty;
}

const std::vector<std::string>& EmptyTokens() {
  static const std::vector<std::string> empty;
  return empty;
}

void WriteToLog(const std::string& line) { WriteLog(line + "\n"); }

// Lines of a script body and the fields of each line, trimmed, with empty
// ones dropped.
std::vector<std::string> CutLines(const std::string& body) { return SplitString(TrimText(body), "\n"); }

std::vector<std::string> CutFields(const std::string& line) { return SplitString(line, "|"); }

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

const char* const TCommandInterpreter::kFileName = "Configs\\Command.cfg";

TCommandInterpreter::TCommandInterpreter()
    : parser_(std::make_unique<TConfigParser>()), reporter_(WriteToLog) {
  // A missing file leaves no scripts: every name then builds a null command.
  TTextBuffer text;
  if (text.Load(kFileName)) {
    parser_->SetText(text.Text());
  }
}

TCommandInterpreter::TCommandInterpreter(const std::string& scripts)
    : parser_(std::make_unique<TConfigParser>(scripts)), reporter_(WriteToLog) {}

TCommandInterpreter::~TCommandInterpreter() = default;

void TCommandInterpreter::SetReporter(Reporter reporter) {
  reporter_ = reporter ? std::move(reporter) : Reporter(WriteToLog);
}

std::unique_ptr<TCommand> TCommandInterpreter::Run(const std::string& scriptName) {
  nesting_ = 0;
  commandsBuilt_ = 0;
  overBudget_ = false;
  expanding_.assign(1, scriptName);
  std::unique_ptr<TCommand> command = Expand(scriptName);
  expanding_.clear();
  if (overBudget_) {
    Report("Command script " + Quoted(scriptName) + " builds more than " + IntToString(kMaxCommandsPerRun) +
           " commands; a null command stands for it");
    return std::make_unique<TNullCommand>();
  }
  // A script that starts with "End" has no command; its widget gets one
  // that does nothing rather than none at all.
  return command ? std::move(command) : std::make_unique<TNullCommand>();
}

std::unique_ptr<TCommand> TCommandInterpreter::CreateCommand() { return std::make_unique<TNullCommand>(); }

bool TCommandInterpreter::AtEnd() const { return !lines_ || cursor_ >= lines_->size(); }

const std::string& TCommandInterpreter::CurrentLine() const {
  return AtEnd() ? EmptyLine() : (*lines_)[cursor_].text;
}

const std::vector<std::string>& TCommandInterpreter::CurrentTokens() const {
  return AtEnd() ? EmptyTokens() : (*lines_)[cursor_].tokens;
}

void TCommandInterpreter::NextLine() {
  if (!AtEnd()) {
    ++cursor_;
  }
}

std::unique_ptr<TCommand> TCommandInterpreter::BuildNull() {
  NextLine();
  return std::make_unique<TNullCommand>();
}

std::unique_ptr<TCommand> TCommandInterpreter::BuildComposite() {
  if (nesting_ >= kMaxNesting) {
    Report("Command script " + Quoted(expanding_.back()) + ": composites nest deeper than " +
           IntToString(kMaxNesting) + "; a null command stands for the innermost");
    SkipComposite();
    return std::make_unique<TNullCommand>();
  }
  NextLine();
  auto composite = std::make_unique<TCompositeCommand>();
  ++nesting_;
  FillComposite(*composite);
  --nesting_;
  return composite;
}

void TCommandInterpreter::FillComposite(TCompositeCommand& composite) {
  std::unique_ptr<TCommand> command = NextCommand();
  while (command) {
    composite.Add(std::move(command));
    if (AtEnd()) {
      return;
    }
    command = NextCommand();
  }
}

std::unique_ptr<TCommand> TCommandInterpreter::BuildScript(const std::string& word) {
  const std::string referring = expanding_.empty() ? std::string() : expanding_.back();
  if (std::find(expanding_.begin(), expanding_.end(), word) != expanding_.end()) {
    Report("Command script " + Quoted(referring) + " refers back to " + Quoted(word) +
           "; a null command stands for the reference");
    NextLine();
    return std::make_unique<TNullCommand>();
  }
  if (nesting_ >= kMaxNesting) {
    Report("Command script " + Quoted(referring) + ": scripts nest deeper than " + IntToString(kMaxNesting) +
           " at " + Quoted(word) + "; a null command stands for it");
    NextLine();
    return std::make_unique<TNullCommand>();
  }
  const std::shared_ptr<const TScript> savedLines = lines_;
  const std::size_t savedCursor = cursor_;
  expanding_.push_back(word);
  ++nesting_;
  std::unique_ptr<TCommand> command = Expand(word);
  --nesting_;
  expanding_.pop_back();
  lines_ = savedLines;
  cursor_ = savedCursor;
  NextLine();
  return command;
}

std::shared_ptr<const TCommandInterpreter::TScript> TCommandInterpreter::FindScript(const std::string& name) {
  const auto known = scripts_.find(name);
  if (known != scripts_.end()) {
    return known->second;
  }
  std::shared_ptr<TScript> script;
  if (parser_->SelectSection(name)) {
    script = std::make_shared<TScript>();
    for (std::string& line : CutLines(parser_->GetSectionBody())) {
      std::vector<std::string> tokens = CutFields(line);
      script->push_back(TScriptLine{std::move(line), std::move(tokens)});
    }
  }
  scripts_.emplace(name, script);
  return script;
}

// The command of the script, or a null command for an unknown or empty one.
std::unique_ptr<TCommand> TCommandInterpreter::Expand(const std::string& name) {
  const std::shared_ptr<const TScript> script = FindScript(name);
  if (!script || script->empty()) {
    return std::make_unique<TNullCommand>();
  }
  lines_ = script;
  cursor_ = 0;
  return NextCommand();
}

// Once a run has built its share, no further command is made: every open
// composite then ends, and the run gives up.
std::unique_ptr<TCommand> TCommandInterpreter::NextCommand() {
  if (overBudget_ || ++commandsBuilt_ > kMaxCommandsPerRun) {
    overBudget_ = true;
    return nullptr;
  }
  return CreateCommand();
}

// Moves past a "Composite" line and everything up to its own "End" (or the
// end of the script) without building any of it.
void TCommandInterpreter::SkipComposite() {
  NextLine();
  int64_t open = 0;
  while (!AtEnd()) {
    const std::vector<std::string>& tokens = CurrentTokens();
    NextLine();
    if (tokens.empty()) {
      continue;
    }
    if (tokens[0] == "Composite") {
      ++open;
    } else if (tokens[0] == "End") {
      if (open == 0) {
        return;
      }
      --open;
    }
  }
}

void TCommandInterpreter::Report(const std::string& problem) {
  if (reports_ < kMaxReports) {
    ++reports_;
    reporter_(problem);
  }
}

TGameCommandInterpreter::TGameCommandInterpreter(const TCommandTable& table, TScreen* screen,
                                                 TBattleSession* session)
    : table_(table), targets_{session, screen} {}

TGameCommandInterpreter::TGameCommandInterpreter(const TCommandTable& table, TScreen* screen,
                                                 TBattleSession* session, const std::string& scripts)
    : TCommandInterpreter(scripts), table_(table), targets_{session, screen} {}

std::unique_ptr<TCommand> TGameCommandInterpreter::CreateCommand() {
  if (AtEnd()) {
    return nullptr;
  }
  const std::vector<std::string>& tokens = CurrentTokens();
  // A line of nothing but separators names nothing.
  if (tokens.empty() || tokens[0] == "Null") {
    return BuildNull();
  }
  const std::string& word = tokens[0];
  if (const TCommandTable::Builder* builder = table_.Find(word)) {
    NextLine();
    std::unique_ptr<TCommand> command = (*builder)(targets_, TCommandArguments(tokens));
    // A builder that makes nothing must not end the composite around it.
    return command ? std::move(command) : std::make_unique<TNullCommand>();
  }
  if (word == "Composite") {
    return BuildComposite();
  }
  if (word == "End") {
    NextLine();
    return nullptr;
  }
  return BuildScript(word);
}
