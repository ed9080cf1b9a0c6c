// The program's warning and fatal-error box, titled with the product title.
#pragma once

#include <string>

// printf-style; the text is also written to the log.
int ShowMessageBox(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ShowMessageText(const std::string& text);
