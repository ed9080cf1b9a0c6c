// The start-up log (VorhelmDocs\DVX.log, one run's lines) and the battle log
// that standard error is sent to with the "logging" option.
#pragma once

#include <string>

void ResetLog();
// Appends the text (which carries its own line end) to the log file.
void WriteLog(const std::string& text);
void StartBattleLog();
std::string GetLogPath();
