// The mail library's result codes and their texts, and its checks of
// server names and addresses.
#pragma once

#include <string>

namespace maillib {

// The text of a result code (library codes and negated Windows Sockets
// numbers); empty for an unknown code.
std::string MailErrorTextOf(int code);

// Copies the code's text into the buffer (at most size - 1 characters and a
// zero); for -49, -63 and -36 a blank and the server's last reply follow.
// The length copied; 0 and an empty text for an unknown code.
int CopyMailErrorText(int code, const std::string& lastReply, char* buffer, int size);

// False for a name holding "<", ">" or "@", or any byte that is neither
// printable ASCII nor 0xC0 to 0xFF.
bool MailCheckServerName(const std::string& name);

// 0 when the text holds one acceptable address "<local@domain>" before any
// other text, else the code of the fault (-37, -39, -41, -43, -47, -32, -53).
int MailCheckAddress(const char* text);

}  // namespace maillib
