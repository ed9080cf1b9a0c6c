// Appending text files and the redirection of standard error, for the logs.
// None of them follows a symbolic link at the last component: a link in a
// log's place makes the open fail.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Empties (or creates) the file.
bool TruncateFile(std::string_view gamePath);
// Appends the text in one write; the file is created when missing.
bool AppendToFile(std::string_view gamePath, std::string_view text);
// Points standard error at the file (appending). Standard error is left
// alone when the file cannot be opened.
bool RedirectStandardError(std::string_view gamePath);
// Prints a line on standard error.
void PrintErrorLine(std::string_view text);
// Prints a line on standard output (used when standard error is redirected).
void PrintLine(std::string_view text);

}  // namespace platform
