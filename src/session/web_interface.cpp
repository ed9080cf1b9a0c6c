#include "session/web_interface.h"

#include "app/log.h"
#include "platform/text_encoding.h"
#include "platform/web_opener.h"
#include "session/mail_sender.h"

namespace {

std::string LoginCheckPage() {
  return std::string("http://") + TMailSender::kDefaultGameServerHost + "/DVX/LoginCheck";
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

}  // namespace

std::string FormEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char byte : platform::Windows1252ToUtf8(text)) {
    const auto c = static_cast<unsigned char>(byte);
    if (IsUnreserved(c)) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string BuildLoginCheckAddress(const std::string& playerName, const std::string& password) {
  return LoginCheckPage() + "?playerName=" + FormEncode(playerName) + "&password=" + FormEncode(password);
}

bool OpenLoginCheckPage(const std::string& playerName, const std::string& password) {
  switch (platform::OpenWebAddress(BuildLoginCheckAddress(playerName, password))) {
    case platform::WebOpenResult::kLaunched:
      return true;
    case platform::WebOpenResult::kHeadless:
      WriteLog("No display: the web page " + LoginCheckPage() + " was not opened\n");
      return true;
    case platform::WebOpenResult::kFailed:
      break;
  }
  WriteLog("The web page " + LoginCheckPage() + " could not be opened\n");
  return false;
}
