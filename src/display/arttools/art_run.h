// What one art-generation run shares: the data folder it works in, where its
// progress lines go and the problems it met. Every name the run opens or
// writes is checked here first, so that the data it reads cannot send it
// outside the data folder.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class TArtRun {
 public:
  // root: the data folder; the names of the data set are relative to it.
  // echo: also gets every progress line and problem (null: none).
  explicit TArtRun(std::string root, std::ostream* echo = nullptr);

  // True for a name that stays inside the data folder: not empty, not
  // absolute, no ".." component and no control characters. A refused name
  // is reported as a problem.
  bool Admit(const std::string& name);
  // The data-folder name as a path the file layer opens; "\" and "/" are
  // left as they are (the file layer settles them when it opens the file).
  std::string PathOf(const std::string& name) const;

  // A progress line: to the message stream (and the echo).
  void Progress(const std::string& text);
  // A note that is not a failure.
  void Note(const std::string& text);
  // A problem: a file not read or written, a name refused.
  void Fail(const std::string& text);

  bool Failed() const { return !problems_.empty(); }
  const std::vector<std::string>& Problems() const { return problems_; }

  static bool IsDataRelativeName(const std::string& name);

 private:
  std::string root_;
  std::ostream* echo_ = nullptr;
  std::vector<std::string> problems_;
};

// The lines of a definition body: split at newlines, each trimmed, empty
// ones dropped; a "#" is an ordinary character here.
std::vector<std::string> SplitDefinitionLines(const std::string& body);
