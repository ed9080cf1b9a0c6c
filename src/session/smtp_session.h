// The SMTP client that mails the game's files: one blocking connection per
// send, every wait bounded by a time-out, and the multipart message with the
// game file as its base64 attachment "game.dvx".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/net_socket.h"
#include "session/mail_sender.h"

// One connection to one server.
class TSmtpSocket {
 public:
  explicit TSmtpSocket(const platform::TcpConnection::Timeouts& timeouts);
  ~TSmtpSocket();
  TSmtpSocket(const TSmtpSocket&) = delete;
  TSmtpSocket& operator=(const TSmtpSocket&) = delete;

  bool Resolve(const std::string& server, uint16_t port);
  bool Open();
  bool SendBytes(const std::string& text);
  // The byte count, 0 when the server closed the connection, -1 on an error
  // or when nothing came within the time-out.
  long Receive(char* buffer, std::size_t length, int timeoutMs);
  void CloseSocket();

 private:
  void LogSocketError(const std::string& text, int code) const;

  std::vector<platform::NetAddress> addresses_;
  platform::TcpConnection connection_;
};

class TSmtpSession : public TMailSender {
 public:
  TSmtpSession();
  ~TSmtpSession() override;

  // Accepts plain addresses only (see mail::IsPlainAddress).
  bool CheckAddress(const std::string& address) override;
  std::string Connect(const std::string& server, const std::string& from) override;
  std::string Send(const std::string& from, const std::string& to) override;
  void Close() override { ResetSocket(); }

  // The message text without the end-of-data line; false when the
  // attachment cannot be read (nothing is sent then).
  bool BuildMessage(const std::string& from, const std::string& to, std::string& message);

  // A fixed address and port for a server name, used instead of the name
  // look-up and the standard port (a local relay, or a test server).
  // 443 for the game server's own host, 25 for any other.
  uint16_t ServerPort(const std::string& server) const;
  void SetServerEndpoint(const std::string& server, const std::string& host, uint16_t port);
  void SetTimeouts(const platform::TcpConnection::Timeouts& timeouts);
  // Receives one line per command verb and reply code when set; nothing of
  // the message or its addresses is ever traced. Off by default.
  void SetTraceSink(std::function<void(const std::string&)> sink) { trace_ = std::move(sink); }

  static constexpr std::size_t kReplyLineLimit = 1024;
  static constexpr int kReplyLineCountLimit = 100;
  // An attachment larger than this is refused rather than read into memory.
  static constexpr std::size_t kAttachmentSizeLimit = 32u << 20;

 private:
  struct TEndpoint {
    std::string host;
    uint16_t port = 0;
  };

  void ResetSocket();
  bool Command(std::string& reply, const std::string& command, const std::string& code);
  bool ReadReply(std::string& reply, const std::string& code);
  bool ReadReplyLine(std::string& line, std::string& reply, std::chrono::steady_clock::time_point deadline);
  void Trace(const std::string& text) const;
  bool ReadAttachment(std::vector<uint8_t>& bytes) const;

  std::unique_ptr<TSmtpSocket> socket_;
  platform::TcpConnection::Timeouts timeouts_;
  std::map<std::string, TEndpoint> endpoints_;
  std::function<void(const std::string&)> trace_;
  std::string pending_;
  std::mt19937 random_;
};
