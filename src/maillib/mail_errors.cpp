#include "maillib/mail_errors.h"

#include <algorithm>
#include <cstring>

namespace maillib {

namespace {

struct TCodeText {
  int code;
  const char* text;
};

constexpr TCodeText kTexts[] = {
    {-1, "vSock has been closed."},
    {-4, "WINSOCK is currently blocking."},
    {-5, "Bad status flag passed to mailStatus."},
    {-7, "Invalid socket."},
    {-8, "vSock timed out."},
    {-9, "No available sockaddr structures."},
    {-12, "No host name."},
    {-18, "Cannot create socket."},
    {-31, "Response buffer has overflowed."},
    {-32, "Bad character in email address."},
    {-34, "Cannot access WINSOCK"},
    {-35, "Cannot open file."},
    {-36, "Error attempting to connect."},
    {-37, "EMPTY email address."},
    {-38, "FromPtr is NULL."},
    {-39, "Missing '@' character in email address."},
    {-40, "Missing FROM email address."},
    {-41, "Missing '<' delimiter in email address."},
    {-43, "Missing '>' terminating email address."},
    {-44, "Not connected to server"},
    {-45, "Must have at least one recipient."},
    {-46, "Cannot find SMTP/POP3 server."},
    {-47, "Unexpected NULL pointer."},
    {-48, "ToPtr is NULL."},
    {-49, "SMTP returned error."},
    {-50, "SMTP/POP3 server not specified."},
    {-51, "vSock read error."},
    {-52, "vSock write error."},
    {-53, "Too many '@' symbols in email address."},
    {-54, "Found unexpected '>' character in email address."},
    {-55, "Cannot allocate memory."},
    {-56, "Illegal chars in server name."},
    {-57, "APOP timestamp missing."},
    {-58, "SMTP function ONLY."},
    {-59, "POP3 function ONLY."},
    {-61, "USER name not specified."},
    {-62, "PASSWORD not specified."},
    {-63, "POP3 returned error."},
    {-64, "No such message number."},
    {-65, "Missing filename."},
    {-66, "Missing email path."},
    {-67, "Cannot create file."},
    {-68, "Buffer is NULL."},
    {-69, "Buffer size < 128."},
    {-70, "Missing path for attachments."},
    {-71, "Must call mailAttach first."},
    {-72, "Already attached."},
    {-73, "Channel out of range."},
    {0, "Cannot comply"},
    {-10004, "Interrupted system call."},
    {-10009, "Bad file number."},
    {-10013, "Access denied."},
    {-10014, "Bad address."},
    {-10022, "Invalid argument."},
    {-10024, "Too many open files."},
    {-10035, "Would block socket in non-blocking mode."},
    {-10036, "Blocking call already in progress."},
    {-10037, "Operation already completed."},
    {-10038, "Not a valid socket"},
    {-10039, "Destination address required."},
    {-10040, "Message too big for buffer."},
    {-10041, "Protocol mismatch."},
    {-10042, "Protocol option invalid."},
    {-10043, "Protocol not supported."},
    {-10044, "vSock type not supported."},
    {-10045, "vSock operation not supported."},
    {-10047, "vSock address family not supported."},
    {-10048, "vSock address already in use."},
    {-10049, "vSock address not available."},
    {-10050, "Network error."},
    {-10051, "Cannot reach network."},
    {-10052, "Connection dropped."},
    {-10053, "Connection timed-out or aborted."},
    {-10054, "Connection reset by remote host."},
    {-10055, "Out of buffer space."},
    {-10056, "vSock already connected."},
    {-10057, "vSock not connected."},
    {-10058, "vSock functionality shut down."},
    {-10060, "Timed-out attempting to connect."},
    {-10061, "Connection refused by remote host."},
    {-10064, "Host is down"},
    {-10065, "No route to host"},
    {-10091, "Network not yet ready."},
    {-10092, "WINSOCK doesn't support requested version."},
    {-10093, "vSocks not initialized. Call WSAStartup."},
    {-11001, "Host does not exist."},
    {-11002, "Host not found. Try again."},
    {-11003, "Non-recoverable error has occurred."},
    {-11004, "No data is available."},
};

bool IsAddressChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::strchr("_-/.@$&'", c) != nullptr;
}

}  // namespace

std::string MailErrorTextOf(int code) {
  for (const TCodeText& entry : kTexts) {
    if (entry.code == code) return entry.text;
  }
  return "";
}

int CopyMailErrorText(int code, const std::string& lastReply, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  std::string text = MailErrorTextOf(code);
  if (!text.empty() && (code == -49 || code == -63 || code == -36)) text += " " + lastReply;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

bool MailCheckServerName(const std::string& name) {
  for (const char byte : name) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == '<' || c == '>' || c == '@') return false;
    if (!((c >= 32 && c <= 126) || c >= 0xC0)) return false;
  }
  return true;
}

int MailCheckAddress(const char* text) {
  if (text == nullptr) return -47;
  if (*text == '\0') return -37;
  const char* open = std::strchr(text, '<');
  if (open == nullptr) return -41;
  const char* close = std::strchr(open + 1, '>');
  if (close == nullptr) return -43;
  if (close == open + 1) return -47;
  if (open[1] == '@' || close[-1] == '@') return -37;
  int atSigns = 0;
  for (const char* p = open + 1; p < close; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (!IsAddressChar(c)) return -32;
    if (c == '@' && ++atSigns > 1) return -53;
  }
  return atSigns == 0 ? -39 : 0;
}

}  // namespace maillib
