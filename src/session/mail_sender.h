// The game's mail client: the servers it tries and the message parts it
// sends (body text and one attached game file). The talking itself is the
// SMTP session's (smtp_session.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TDataStream;
class TSettingsStore;

// One key of the user's stored mail-program settings: named values with
// their raw data, and sub-keys. Linux has no such store, so the tree is
// empty unless a test fills it.
struct TRegistryKey {
  std::string name;
  bool readable = true;
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<TRegistryKey> subKeys;
};

class TMailSender {
 public:
  TMailSender();
  virtual ~TMailSender();
  TMailSender(const TMailSender&) = delete;
  TMailSender& operator=(const TMailSender&) = delete;

  virtual bool IsAvailable() const { return true; }
  // Asked before a game mail is sent.
  virtual bool CheckAddress(const std::string& address) = 0;
  // Each returns an error text, empty on success.
  virtual std::string Connect(const std::string& server, const std::string& from) = 0;
  virtual std::string Send(const std::string& from, const std::string& to) = 0;
  virtual void Close() = 0;

  // Mails the attachment (and the body, if set) to the orders mailbox,
  // trying each server in turn and reporting to the message stream.
  bool SendGameMail(const std::string& from);
  // Mails the body (and the attachment, if set) to `to`, quietly.
  bool SendTo(const std::string& from, const std::string& to);

  void SetBody(const std::string& text) { body_ = text; }
  // Writes the stream to the file and makes that file the attachment.
  bool AttachStream(TDataStream& stream, const std::string& fileName);
  // Makes a file already written the attachment.
  void AttachFile(const std::string& path) { attachmentFile_ = path; }
  const std::string& GetBody() const { return body_; }
  const std::string& GetAttachmentFile() const { return attachmentFile_; }

  void SetOrdersMailbox(const std::string& address) { ordersMailbox_ = "<" + address + ">"; }
  const std::string& GetOrdersMailbox() const { return ordersMailbox_; }
  void SetGameServerHost(const std::string& host) { gameServerHost_ = host; }
  const std::string& GetGameServerHost() const { return gameServerHost_; }

  void BuildSmtpServerList(const std::string& from);
  void BuildTextMailServerList();
  std::size_t ServerCount() const { return servers_.size(); }
  const std::string& ServerAt(std::size_t i) const { return servers_.at(i); }
  const std::string& RecipientAt(std::size_t i) const { return recipients_.at(i); }

  // The settings read for "SMTPServer" (section "APP"); the application's
  // own settings unless set.
  void UseSettings(TSettingsStore* settings) { settings_ = settings; }
  // The stored mail-program settings searched for SMTP servers (the user's
  // "Software" key).
  void SetRegistrySoftwareKey(TRegistryKey key) { registrySoftware_ = std::move(key); }
  // The servers found there, the last found first.
  std::vector<std::string> FindRegistrySmtpServer() const;

  static const char* const kDefaultGameServerHost;
  static const char* const kDefaultOrdersMailbox;

 protected:
  std::vector<std::string> servers_;
  std::vector<std::string> recipients_;
  std::string body_;
  std::string attachmentFile_;

 private:
  void ReadSmtpServerSetting();
  void GuessSmtpServers(const std::string& address);
  void AddRegistryServers();
  void PadRecipients();
  void ClearMessage();
  bool TryServer(std::size_t index, const std::string& from, const std::string& to, bool report);

  std::string ordersMailbox_;
  std::string gameServerHost_;
  TSettingsStore* settings_ = nullptr;
  TRegistryKey registrySoftware_;
};
