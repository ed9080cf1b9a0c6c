// The options the program was started with. Options are compared without
// regard to case; values (file names in particular) keep theirs.
#pragma once

#include <string>
#include <vector>

class TCommandLine {
 public:
  TCommandLine() = default;

  // A whole command text as one string: lower-cased, split at '"' and ','.
  static TCommandLine Parse(const std::string& text);
  // The program's arguments: element 0 is the program path, every later
  // argument is split at ','.
  static TCommandLine FromArguments(int argc, const char* const* argv);

  bool HasOption(const std::string& name) const;
  bool GetOptionValue(const std::string& name, std::string& value) const;
  bool GetOptionInt(const std::string& name, int32_t& value) const;
  std::string GetProgramFolder() const;
  int Count() const { return static_cast<int>(elements_.size()); }
  const std::string& At(int index) const { return elements_.at(static_cast<std::size_t>(index)); }

 private:
  const std::string* FindOption(const std::string& name) const;

  std::vector<std::string> elements_;
};

// The global command line, absent until the first SetCommandLine.
void SetCommandLine(TCommandLine commandLine);
void SetCommandLine(const std::string& text);
const TCommandLine* GetCommandLine();
void DestroyCommandLine();

// Changes to the program's folder so that every relative data path works.
void SetWorkingDirectoryToProgramFolder();
