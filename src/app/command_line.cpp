#include "app/command_line.h"

#include <memory>

#include "app/text_utils.h"
#include "platform/file_system.h"
#include "platform/log_file.h"

namespace {

std::unique_ptr<TCommandLine> gCommandLine;

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  return LowerCase(text.substr(0, prefix.size())) == LowerCase(prefix);
}

}  // namespace

TCommandLine TCommandLine::Parse(const std::string& text) {
  TCommandLine result;
  std::string lowered = LowerCase(text);
  // A ',' after ".exe" ends the program path even when it is quoted or
  // followed by a blank.
  const std::size_t exe = lowered.find(".exe");
  if (exe != std::string::npos) lowered = lowered.substr(0, exe + 4) + "," + lowered.substr(exe + 4);
  result.elements_ = SplitString(lowered, "\",");

  bool keepsFolder = false;
  for (const std::string& element : result.elements_) {
    if (element == "noworkingdirectory") keepsFolder = true;
  }
  if (!keepsFolder) {
    // Re-joins a program path that held commas.
    while (result.elements_.size() >= 2 && result.elements_[0].find(".exe") == std::string::npos) {
      result.elements_[0] += " " + result.elements_[1];
      result.elements_.erase(result.elements_.begin() + 1);
    }
  }
  return result;
}

TCommandLine TCommandLine::FromArguments(int argc, const char* const* argv) {
  TCommandLine result;
  if (argc <= 0 || argv == nullptr) return result;
  result.elements_.push_back(argv[0] != nullptr ? argv[0] : "");
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    for (std::string& field : SplitString(argv[i], ",")) result.elements_.push_back(std::move(field));
  }
  return result;
}

const std::string* TCommandLine::FindOption(const std::string& name) const {
  for (const std::string& element : elements_) {
    if (StartsWithIgnoringCase(element, name)) return &element;
  }
  return nullptr;
}

bool TCommandLine::HasOption(const std::string& name) const { return FindOption(name) != nullptr; }

bool TCommandLine::GetOptionValue(const std::string& name, std::string& value) const {
  const std::string* element = FindOption(name);
  if (element == nullptr) return false;
  const std::vector<std::string> fields = SplitString(*element, "-=");
  if (fields.size() != 2) return false;
  value = fields[1];
  return true;
}

bool TCommandLine::GetOptionInt(const std::string& name, int32_t& value) const {
  std::string text;
  if (!GetOptionValue(name, text)) return false;
  value = StringToInt(text);
  return true;
}

std::string TCommandLine::GetProgramFolder() const {
  if (elements_.empty()) return std::string();
  const std::string& path = elements_[0];
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return path;
  return path.substr(0, slash);
}

void SetCommandLine(TCommandLine commandLine) {
  gCommandLine = std::make_unique<TCommandLine>(std::move(commandLine));
}

void SetCommandLine(const std::string& text) { SetCommandLine(TCommandLine::Parse(text)); }

const TCommandLine* GetCommandLine() { return gCommandLine.get(); }

void DestroyCommandLine() { gCommandLine.reset(); }

void SetWorkingDirectoryToProgramFolder() {
  const TCommandLine* commandLine = GetCommandLine();
  if (commandLine == nullptr) return;
  std::string folder = commandLine->GetProgramFolder();
  if (!folder.empty() && folder.front() == '"') folder.erase(0, 1);
  // A bare program name (no folder part) was started from the search path:
  // the program's own folder comes from the running executable then.
  if (commandLine->Count() > 0 && folder == commandLine->At(0)) {
    const std::string executable = platform::GetExecutablePath();
    const std::size_t slash = executable.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : executable.substr(0, slash);
  }
  if (folder.empty()) return;
  // Resolved once from the folder the program was started in: a relative
  // folder must never be taken from wherever a later change led.
  if (folder.front() != '/' && folder.front() != '\\') folder = platform::GetCurrentDirectory() + "/" + folder;
  if (!platform::ChangeDirectory(folder)) platform::PrintLine(folder);
}
