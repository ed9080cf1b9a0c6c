// The built-in command names that an interpreter knows, each with the builder
// that makes its command. Names are tried in the order they were added and
// match exactly (same length, same bytes, letter case counted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/commands/command_functors.h"

class TBattleSession;
class TScreen;

// The fields of one command line after its name. Only the first is ever read
// as the argument; a missing one reads as 0, false or the empty text.
class TCommandArguments {
 public:
  explicit TCommandArguments(const std::vector<std::string>& tokens) : tokens_(tokens) {}

  const std::string& GetWord() const;
  // The leading number of the word, with its fraction dropped toward zero;
  // beyond the int range it is held at the nearest limit, and what is no
  // number reads as 0.
  int32_t GetInt() const;
  // The leading number of the word; what is no finite number reads as 0.
  float GetFloat() const;
  bool GetBool() const;

  // The argument of a kind, for builders written once for every kind.
  template <class Kind>
  Kind Get() const;

 private:
  const std::vector<std::string>& tokens_;
};

template <>
inline std::string TCommandArguments::Get<std::string>() const { return GetWord(); }
template <>
inline int32_t TCommandArguments::Get<int32_t>() const { return GetInt(); }
template <>
inline float TCommandArguments::Get<float>() const { return GetFloat(); }
template <>
inline bool TCommandArguments::Get<bool>() const { return GetBool(); }

// What a builder may bind its command to: the session shown when the
// interpreter was made (null when none was) and the screen that owns the
// interpreter; neither is owned.
struct TCommandTargets {
  TBattleSession* session = nullptr;
  TScreen* screen = nullptr;
};

class TCommandTable {
 public:
  using Builder =
      std::function<std::unique_ptr<TCommand>(const TCommandTargets& targets, const TCommandArguments& arguments)>;

  // False, and nothing added, for a name already there, a name no script
  // line could hold (empty, blanks at an end, "|" or "#"), a structural word
  // of the scripts ("Null", "Composite", "End") or an empty builder.
  bool Add(const std::string& name, Builder builder);
  // The builder of the first name equal to the word; null when none is.
  const Builder* Find(const std::string& word) const;
  std::size_t GetSize() const { return entries_.size(); }

  static bool IsStructuralWord(const std::string& word);

 private:
  struct Entry {
    std::string name;
    Builder builder;
  };
  std::vector<Entry> entries_;
};

// The command of a built-in name whose argument comes from its script line,
// read by the argument's kind; a widget may still set it again before
// running the command.
template <CommandResultKind Result, CommandArgumentKind Argument, class Target, class Operation>
std::unique_ptr<TCommand> MakeScriptArgumentCommand(Target* target, Operation operation,
                                                    const TCommandArguments& arguments) {
  std::unique_ptr<TArgumentCommand> command = MakeArgumentCommand<Result, Argument>(target, operation);
  command->SetArgument(arguments.Get<Argument>());
  return command;
}
