// Turns the name of a command script of "Configs\Command.cfg" into a command.
// A script is a section of that file; its lines name built-in commands, the
// structural words "Null", "Composite" and "End", or other scripts, which are
// expanded in place. Only the command that begins at a script's first line
// is built, so a script of several commands starts with "Composite".
//
// The file is data that players can replace: a script that refers back to
// itself, nesting beyond kMaxNesting and a script that would build more than
// kMaxCommandsPerRun commands each give a logged message and a null command
// in place of what could not be built, never an endless expansion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/commands/command_table.h"

class TCommand;
class TCompositeCommand;
class TConfigParser;

class TCommandInterpreter {
 public:
  using Reporter = std::function<void(const std::string& line)>;

  // Reads "Configs\Command.cfg"; without it every script is unknown.
  TCommandInterpreter();
  // Scripts from a text (tests, tools).
  explicit TCommandInterpreter(const std::string& scripts);
  virtual ~TCommandInterpreter();
  TCommandInterpreter(const TCommandInterpreter&) = delete;
  TCommandInterpreter& operator=(const TCommandInterpreter&) = delete;

  // The command of the script; a null command for an unknown name. This
  // interpreter knows no built-in name and gives a null command for every
  // script, which serves interface lines written with "Null" commands only.
  virtual std::unique_ptr<TCommand> Run(const std::string& scriptName);

  // Where problems of the scripts are told; the log by default.
  void SetReporter(Reporter reporter);

  static const char* const kFileName;
  // Open composites and script references, counted together.
  static constexpr int32_t kMaxNesting = 32;
  static constexpr int32_t kMaxCommandsPerRun = 4096;
  // Further problems of one interpreter go untold.
  static constexpr int32_t kMaxReports = 32;

 protected:
  // Builds the command that begins at the current line and moves past the
  // lines it consumed; no command for "End" (which ends the innermost
  // composite) and past the last line.
  virtual std::unique_ptr<TCommand> CreateCommand();

  bool AtEnd() const;
  // The line at the cursor, and its fields cut at "|"; empty past the end.
  const std::string& CurrentLine() const;
  const std::vector<std::string>& CurrentTokens() const;
  void NextLine();

  std::unique_ptr<TCommand> BuildNull();
  std::unique_ptr<TCommand> BuildComposite();
  void FillComposite(TCompositeCommand& composite);
  // Expands another script as one command and goes on after the referring line.
  std::unique_ptr<TCommand> BuildScript(const std::string& word);

 private:
  struct TScriptLine {
    std::string text;
    std::vector<std::string> tokens;
  };
  using TScript = std::vector<TScriptLine>;

  std::shared_ptr<const TScript> FindScript(const std::string& name);
  std::unique_ptr<TCommand> Expand(const std::string& name);
  std::unique_ptr<TCommand> NextCommand();
  void SkipComposite();
  void Report(const std::string& problem);

  std::unique_ptr<TConfigParser> parser_;
  std::size_t cursor_ = 0;
  std::shared_ptr<const TScript> lines_;
  // The text never changes, so each script is cut into lines once; unknown
  // names are kept as null.
  std::map<std::string, std::shared_ptr<const TScript>> scripts_;
  // The scripts being expanded, outermost first.
  std::vector<std::string> expanding_;
  int32_t nesting_ = 0;
  int32_t commandsBuilt_ = 0;
  bool overBudget_ = false;
  int32_t reports_ = 0;
  Reporter reporter_;
};

// The interpreter of the screens: it knows the built-in names of a command
// table, whose builders bind their commands to the session shown when the
// interpreter was made and to the screen that made it. Built-in names are
// tried before script names, so a script may share the name of the one
// built-in command it holds.
class TGameCommandInterpreter : public TCommandInterpreter {
 public:
  // The table must outlive the interpreter; the commands built do not refer
  // to either.
  TGameCommandInterpreter(const TCommandTable& table, TScreen* screen, TBattleSession* session);
  TGameCommandInterpreter(const TCommandTable& table, TScreen* screen, TBattleSession* session,
                          const std::string& scripts);

 protected:
  std::unique_ptr<TCommand> CreateCommand() override;

 private:
  const TCommandTable& table_;
  TCommandTargets targets_;
};
