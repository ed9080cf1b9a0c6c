// The start-up log (VorhelmDocs\DVX.log, one run's lines) and the battle log
// that standard error is sent to with the "logging" option.
#pragma once

#include <string>

// Empties the log for a new run; false (and said on standard error) when the
// log cannot be written.
bool ResetLog();
// Appends the text (which carries its own line end) to the log file; false
// when it could not be written.
bool WriteLog(const std::string& text);
// A problem the player must hear of even when the log is lost: the line goes
// to the log and to standard error.
void ReportProblem(const std::string& line);
void StartBattleLog();
std::string GetLogPath();
