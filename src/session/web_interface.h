// The game server's login-check page, opened in the player's browser.
#pragma once

#include <string>

// The page's address for the account: the name and the password are
// percent-encoded (UTF-8, a blank written as "+"), so neither can add
// query keys or break the address.
std::string BuildLoginCheckAddress(const std::string& playerName, const std::string& password);

// Opens the page. A run without a display only logs that it did not (the
// log never shows the password). False when the opener could not start.
bool OpenLoginCheckPage(const std::string& playerName, const std::string& password);

// Form encoding of a Windows-1252 text: letters, digits and "-._~" stay,
// a blank becomes "+", every other byte of its UTF-8 form becomes "%XX".
std::string FormEncode(const std::string& text);
