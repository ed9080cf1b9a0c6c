// What the interface runs: buttons, toggles, texts, edit boxes and keyboard
// accelerators hold a command and execute it without knowing what it does.
// A command may carry a typed result, read after Execute, and a typed
// argument, set before it; callers set the argument, execute, then read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TArgumentCommand;
class TResultCommand;

class TCommand {
 public:
  virtual ~TCommand();
  virtual void Execute() = 0;
  // True only for the neutral command that does nothing.
  virtual bool IsNull() const;

  // The command seen through its result or argument interface, null when it
  // has none: a widget that reads a result from a composite gets nothing,
  // rather than reaching past the command.
  virtual TResultCommand* AsResultCommand();
  virtual TArgumentCommand* AsArgumentCommand();
};

// Every getter leaves its out-parameter as it was; a command answers only the
// getter of its own result kind.
class TResultCommand : public TCommand {
 public:
  virtual void GetResult(float& result) const;
  virtual void GetResult(bool& result) const;
  virtual void GetResult(std::string& result) const;
  virtual void GetResult(int32_t& result) const;

  TResultCommand* AsResultCommand() override;
};

// Every setter ignores its value; a command stores only the argument of its
// own kind.
class TArgumentCommand : public TResultCommand {
 public:
  virtual void SetArgument(float argument);
  virtual void SetArgument(bool argument);
  virtual void SetArgument(std::string argument);
  virtual void SetArgument(int32_t argument);
  // A literal text would otherwise be taken for a bool.
  void SetArgument(const char* argument) { SetArgument(std::string(argument ? argument : "")); }

  TArgumentCommand* AsArgumentCommand() override;
};

// The neutral command: does nothing and answers false, the empty text and 0.
class TNullCommand final : public TArgumentCommand {
 public:
  using TArgumentCommand::GetResult;
  void Execute() override;
  bool IsNull() const override;
  void GetResult(bool& result) const override;
  void GetResult(std::string& result) const override;
  void GetResult(int32_t& result) const override;
};

// Runs its children in the order they were added; it has neither result nor
// argument, and is never null, even when empty.
class TCompositeCommand final : public TCommand {
 public:
  TCompositeCommand();
  ~TCompositeCommand() override;
  TCompositeCommand(const TCompositeCommand&) = delete;
  TCompositeCommand& operator=(const TCompositeCommand&) = delete;

  void Execute() override;
  // Takes ownership; a null command adds nothing.
  void Add(std::unique_ptr<TCommand> command);

  std::size_t GetChildCount() const { return children_.size(); }
  // Null past the last child.
  TCommand* GetChild(std::size_t index) const;

 private:
  std::vector<std::unique_ptr<TCommand>> children_;
};
