// The command line: from a link, a script or another program. Both forms
// (one text, and arguments split at NUL bytes here) and every option look-up
// must survive any text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

void LookUpEverything(const TCommandLine& commandLine) {
  for (const char* name : {"noworkingdirectory", "logging", "seed", "unittest", "referral", "designer", "hotseat",
                           "buildgame", ""}) {
    commandLine.HasOption(name);
    std::string value;
    commandLine.GetOptionValue(name, value);
    int32_t number = 0;
    commandLine.GetOptionInt(name, number);
  }
  commandLine.GetProgramFolder();
  for (int i = 0; i < commandLine.Count(); ++i) commandLine.At(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  LookUpEverything(TCommandLine::Parse(text));

  std::vector<std::string> arguments;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\0', start);
    arguments.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  LookUpEverything(TCommandLine::FromArguments(static_cast<int>(argv.size()), argv.data()));
  return 0;
}
