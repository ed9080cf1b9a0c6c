#include "app/log.h"

#include <cstdio>

#include "app/files.h"
#include "app/random.h"
#include "app/system_clock.h"
#include "platform/file_system.h"
#include "platform/log_file.h"

namespace {

const char* const kLogFileName = "DVX.log";
const char* const kBattleLogFolder = "Logs";
const char* const kBattleLogPath = "Logs/BugSearch.log";

}  // namespace

std::string GetLogPath() { return GetDocsFolder() + kLogFileName; }

bool ResetLog() {
  // Nothing else creates the documents folder, and the log must never be lost
  // for want of it.
  platform::MakeDirectory(GetDocsFolder());
  if (platform::TruncateFile(GetLogPath())) return true;
  platform::PrintErrorLine("The log " + platform::ResolvePath(GetLogPath()) + " cannot be written.");
  return false;
}

bool WriteLog(const std::string& text) {
  // Appending in one write keeps every earlier line even when this one fails.
  if (platform::AppendToFile(GetLogPath(), text)) return true;
  platform::MakeDirectory(GetDocsFolder());
  return platform::AppendToFile(GetLogPath(), text);
}

void ReportProblem(const std::string& line) {
  WriteLog(line + "\n");
  platform::PrintErrorLine(line);
}

void StartBattleLog() {
  platform::MakeDirectory(kBattleLogFolder);
  if (platform::RedirectStandardError(kBattleLogPath)) {
    std::fputs("\nBattle started \n", stderr);
    std::fflush(stderr);
  }
  GetRandom()->Seed(static_cast<int32_t>(TSystemClock::Instance()->GetSeconds()));
}
