#include "session/smtp_session.h"

#include <ctime>

#include "app/files.h"
#include "app/log.h"
#include "session/mail_message.h"

namespace {

constexpr uint16_t kSmtpPort = 25;
constexpr uint16_t kGameServerPort = 443;
const char* const kCrLf = "\r\n";
const char* const kEndOfData = "\r\n.\r\n";
const char* const kAttachmentName = "game.dvx";

// The command word that a trace shows ("MAIL", "RCPT" ...), never its
// arguments; the message text shows as "<message>".
std::string CommandVerb(const std::string& command) {
  const std::string verb = command.substr(0, command.find_first_of(" :\r\n"));
  for (const char c : verb) {
    if (c < 'A' || c > 'Z') return "<message>";
  }
  return verb;
}

}  // namespace

// ---------------------------------------------------------------- TSmtpSocket

TSmtpSocket::TSmtpSocket(const platform::TcpConnection::Timeouts& timeouts) {
  connection_.SetTimeouts(timeouts);
}

TSmtpSocket::~TSmtpSocket() { CloseSocket(); }

void TSmtpSocket::LogSocketError(const std::string& text, int code) const {
  WriteLog(text + ". Error Code: " + std::to_string(code) + "\n");
}

bool TSmtpSocket::Resolve(const std::string& server, uint16_t port) {
  int error = 0;
  if (platform::ResolveTcpHost(server, port, addresses_, error)) return true;
  LogSocketError("Failed to get Host", platform::WinsockLookupErrorNumber(error));
  return false;
}

bool TSmtpSocket::Open() {
  if (connection_.Connect(addresses_)) return true;
  const int code = platform::WinsockErrorNumber(connection_.LastError());
  const bool noSocket = connection_.LastFailure() == platform::TcpConnection::Failure::kSocket;
  LogSocketError(noSocket ? "Failed to create the socket" : "Failed to connect to server", code);
  return false;
}

bool TSmtpSocket::SendBytes(const std::string& text) {
  if (connection_.SendAll(text)) return true;
  LogSocketError("Failed to send data", platform::WinsockErrorNumber(connection_.LastError()));
  return false;
}

long TSmtpSocket::Receive(char* buffer, std::size_t length, int timeoutMs) {
  const long received = connection_.Receive(buffer, length, timeoutMs);
  if (received < 0) {
    LogSocketError("Failed to receive data", platform::WinsockErrorNumber(connection_.LastError()));
  }
  return received;
}

void TSmtpSocket::CloseSocket() { connection_.Close(); }

// ---------------------------------------------------------------- TSmtpSession

TSmtpSession::TSmtpSession() : socket_(std::make_unique<TSmtpSocket>(timeouts_)), random_(std::random_device{}()) {}

TSmtpSession::~TSmtpSession() = default;

bool TSmtpSession::CheckAddress(const std::string& address) {
  return mail::IsPlainAddress(mail::WithoutAngleBrackets(address));
}

void TSmtpSession::SetServerEndpoint(const std::string& server, const std::string& host, uint16_t port) {
  endpoints_[server] = TEndpoint{host, port};
}

void TSmtpSession::SetTimeouts(const platform::TcpConnection::Timeouts& timeouts) {
  timeouts_ = timeouts;
  ResetSocket();
}

void TSmtpSession::ResetSocket() {
  socket_ = std::make_unique<TSmtpSocket>(timeouts_);
  pending_.clear();
}

void TSmtpSession::Trace(const std::string& text) const {
  if (trace_) trace_(text);
}

uint16_t TSmtpSession::ServerPort(const std::string& server) const {
  return server == GetGameServerHost() ? kGameServerPort : kSmtpPort;
}

std::string TSmtpSession::Connect(const std::string& server, const std::string& from) {
  (void)from;
  ResetSocket();
  std::string host = server;
  uint16_t port = ServerPort(server);
  const auto endpoint = endpoints_.find(server);
  if (endpoint != endpoints_.end()) {
    host = endpoint->second.host;
    port = endpoint->second.port;
  }
  if (!socket_->Resolve(host, port)) return "Couldn't get host " + server;
  if (!socket_->Open()) return "Couldn't connect to server";
  return "";
}

// A reply line ends in LF (its CR, if any, is cut off). A line of 1024
// bytes or more, counting its line end, is refused.
bool TSmtpSession::ReadReplyLine(std::string& line, std::string& reply,
                                 std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      if (end + 1 >= kReplyLineLimit) {
        reply = "Response length exceed 1024 bytes";
        return false;
      }
      line = pending_.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending_.erase(0, end + 1);
      return true;
    }
    if (pending_.size() >= kReplyLineLimit) {
      reply = "Response length exceed 1024 bytes";
      return false;
    }
    char buffer[kReplyLineLimit];
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const int leftMs = left.count() <= 0 ? 0 : static_cast<int>(left.count());
    const long received = socket_->Receive(buffer, kReplyLineLimit - pending_.size(), leftMs);
    if (received <= 0) {
      reply = "Failed to receive data properly from server";
      return false;
    }
    pending_.append(buffer, static_cast<std::size_t>(received));
  }
}

// Reads a whole reply: continuation lines ("250-...") up to the final one
// ("250 ..."); the final line's code decides. The receive time-out covers
// the whole reply, so a server that trickles its bytes one by one holds the
// game no longer than a silent one.
bool TSmtpSession::ReadReply(std::string& reply, const std::string& code) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts_.receiveMs);
  for (int count = 0; count < kReplyLineCountLimit; ++count) {
    std::string line;
    if (!ReadReplyLine(line, reply, deadline)) return false;
    const bool continues = line.size() > 3 && line[3] == '-';
    if (continues) continue;
    Trace("received: " + line.substr(0, 3));
    return line.compare(0, code.size(), code) == 0;
  }
  reply = "Response has too many lines";
  return false;
}

bool TSmtpSession::Command(std::string& reply, const std::string& command, const std::string& code) {
  if (!command.empty()) {
    Trace("sending " + CommandVerb(command));
    if (!socket_->SendBytes(command)) {
      reply = "Failed to send data";
      return false;
    }
  }
  return ReadReply(reply, code);
}

bool TSmtpSession::ReadAttachment(std::vector<uint8_t>& bytes) const {
  bytes.clear();
  TFile file(attachmentFile_, "in");
  if (!file.Open()) return false;
  if (!file.ReadAll(bytes)) return false;
  return bytes.size() <= kAttachmentSizeLimit;
}

bool TSmtpSession::BuildMessage(const std::string& from, const std::string& to, std::string& message) {
  message.clear();
  std::vector<uint8_t> attachment;
  if (!attachmentFile_.empty() && !ReadAttachment(attachment)) return false;

  const std::string messageId = "<" + mail::RandomMailChars(random_) + "@" + from + ">";
  const std::string boundary = "BOUND-" + mail::RandomMailChars(random_);
  const std::string delimiter = "--" + boundary + kCrLf;

  message += "From: " + from + kCrLf;
  message += "To: Server " + to + kCrLf;
  message += "Date: " + mail::FormatMailDate(std::time(nullptr)) + kCrLf;
  message += std::string("Subject: Drannoc Vorhelm game") + kCrLf;
  message += std::string("MIME-Version: 1.0") + kCrLf;
  message += std::string("X-Mailer: Drannoc Vorhelm") + kCrLf;
  message += "Message-Id: " + messageId + kCrLf;
  message += std::string("Content-Type: multipart/alternative;") + kCrLf;
  message += "  boundary=" + boundary + kCrLf;
  message += std::string("Content-Transfer-Encoding: 8bit") + kCrLf;
  message += kCrLf;
  if (!body_.empty()) {
    message += delimiter;
    message += std::string("Content-Type: text/plain;") + kCrLf;
    message += std::string("  charset=\"us-ascii\"") + kCrLf;
    message += std::string("Content-Transfer-Encoding: 8bit") + kCrLf;
    message += kCrLf;
    message += mail::ToCrLfLines(body_) + kCrLf;
  }
  if (!attachment.empty()) {
    message += delimiter;
    message += std::string("Content-Type: application/x-drannoc-vorhelm;") + kCrLf;
    message += std::string(" name=\"") + kAttachmentName + "\"" + kCrLf;
    message += std::string("Content-Transfer-Encoding: base64") + kCrLf;
    message += std::string("Content-Disposition: attachment; filename=\"") + kAttachmentName + "\"" + kCrLf;
    message += kCrLf;
    message += mail::EncodeBase64Lines(attachment) + kCrLf + kCrLf;
  }
  message += "--" + boundary + "--" + kCrLf;
  return true;
}

std::string TSmtpSession::Send(const std::string& from, const std::string& to) {
  const std::string recipient = mail::WithoutAngleBrackets(to);
  if (!mail::IsPlainAddress(from)) return "Invalid sender address";
  if (!mail::IsPlainAddress(recipient)) return "Invalid recipient address";
  std::string message;
  if (!BuildMessage(from, to, message)) return "Couldn't read the attachment " + attachmentFile_;

  std::string reply;
  if (!Command(reply, "", "220")) return "Bad greeting received";
  Trace("def");
  if (!Command(reply, std::string("HELO drannocvorhelm") + kCrLf, "250")) return "Error response to HELO: " + reply;
  if (!Command(reply, "MAIL FROM:<" + from + ">" + kCrLf, "250")) return "Error response to MAIL FROM: " + reply;
  if (!Command(reply, "RCPT TO:<" + recipient + ">" + kCrLf, "250")) return "Error response to RCPT TO: " + reply;
  if (!Command(reply, std::string("DATA") + kCrLf, "354")) return "Error response to DATA: " + reply;
  if (!Command(reply, mail::DotStuff(message) + kEndOfData, "250")) return "Error sending DATA: " + reply;
  // The mail is accepted; the answer to QUIT changes nothing.
  Trace("sending QUIT");
  socket_->SendBytes(std::string("QUIT") + kCrLf);
  ResetSocket();
  return "";
}
