#include "session/mail_sender.h"

#include "app/application.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/message_stream.h"
#include "app/settings_store.h"
#include "app/text_utils.h"
#include "session/mail_message.h"

const char* const TMailSender::kDefaultGameServerHost = "vorhelm.example.net";
const char* const TMailSender::kDefaultOrdersMailbox = "<orders@vorhelm.example.net>";

namespace {

// The limits of the stored-settings reader: names of 256 characters or
// more and data of more than 256 bytes end the enumeration at their level.
constexpr std::size_t kRegistryNameLimit = 256;
constexpr std::size_t kRegistryDataLimit = 256;
// Deeper trees are not walked (the stored settings never nest this deep).
constexpr int kRegistryDepthLimit = 512;

void ScanRegistryValues(const TRegistryKey& key, std::vector<std::string>& found) {
  for (const auto& [name, data] : key.values) {
    if (name.size() >= kRegistryNameLimit || data.size() > kRegistryDataLimit) return;
    if (!ContainsText(LowerCase(name), "smtp server")) continue;
    const std::string text = data.substr(0, data.find('\0'));
    found.insert(found.begin(), LowerCase(text));
  }
}

void WalkRegistryKeys(const TRegistryKey& key, int depth, std::vector<std::string>& found) {
  ScanRegistryValues(key, found);
  if (depth >= kRegistryDepthLimit) return;
  for (const TRegistryKey& subKey : key.subKeys) {
    if (subKey.name.size() >= kRegistryNameLimit) return;
    if (!subKey.readable) continue;
    WalkRegistryKeys(subKey, depth + 1, found);
  }
}

bool CanReadFile(const std::string& path) {
  TFile file(path, "in");
  return file.Open();
}

}  // namespace

TMailSender::TMailSender()
    : ordersMailbox_(kDefaultOrdersMailbox), gameServerHost_(kDefaultGameServerHost) {}

TMailSender::~TMailSender() = default;

bool TMailSender::AttachStream(TDataStream& stream, const std::string& fileName) {
  attachmentFile_ = fileName;
  return stream.SaveToFile(fileName);
}

void TMailSender::ReadSmtpServerSetting() {
  TSettingsStore* settings = settings_;
  if (settings == nullptr) {
    TGameApplication* application = GetGameApplication();
    if (application != nullptr) settings = application->GetSettings();
  }
  if (settings == nullptr) return;
  std::string server;
  settings->SelectSection("APP");
  if (!settings->GetString("SMTPServer", server) || server == "NotSet") return;
  servers_.push_back(server);
  recipients_.push_back(ordersMailbox_);
}

void TMailSender::GuessSmtpServers(const std::string& address) {
  const std::size_t at = address.find('@');
  if (at == std::string::npos) return;
  const std::string domain = address.substr(at + 1);
  servers_.push_back("smtp." + domain);
  recipients_.push_back(ordersMailbox_);
  servers_.push_back("mail." + domain);
  recipients_.push_back(ordersMailbox_);
}

std::vector<std::string> TMailSender::FindRegistrySmtpServer() const {
  std::vector<std::string> found;
  if (registrySoftware_.readable) WalkRegistryKeys(registrySoftware_, 0, found);
  return found;
}

void TMailSender::AddRegistryServers() {
  for (const std::string& server : FindRegistrySmtpServer()) servers_.push_back(server);
}

void TMailSender::PadRecipients() {
  while (recipients_.size() < servers_.size()) recipients_.push_back(ordersMailbox_);
}

void TMailSender::BuildSmtpServerList(const std::string& from) {
  servers_.clear();
  recipients_.clear();
  ReadSmtpServerSetting();
  servers_.push_back(gameServerHost_);
  recipients_.push_back(ordersMailbox_);
  GuessSmtpServers(from);
  AddRegistryServers();
  PadRecipients();
}

void TMailSender::BuildTextMailServerList() {
  servers_.clear();
  recipients_.clear();
  ReadSmtpServerSetting();
  AddRegistryServers();
  PadRecipients();
}

// The body and the attachment belong to one mail: a later mail must not
// carry them again by accident.
void TMailSender::ClearMessage() {
  body_.clear();
  attachmentFile_.clear();
}

bool TMailSender::TryServer(std::size_t index, const std::string& from, const std::string& to, bool report) {
  TMessageStream* messages = TMessageStream::Instance();
  if (report) messages->Write("Attempting to connect to mail server:\n" + servers_[index] + "\n");
  std::string error = Connect(servers_[index], from);
  if (!error.empty()) {
    Close();
    if (report) messages->Write("Connection error: " + error + "\n");
    return false;
  }
  if (report) messages->Write("Connection succeeded.\n");
  error = Send(from, to);
  if (error.empty()) {
    if (report) messages->Write("Mail sent successfully");
    return true;
  }
  Close();
  if (report) messages->Write("Sending error: " + error + "\n");
  return false;
}

bool TMailSender::SendGameMail(const std::string& from) {
  TMessageStream* messages = TMessageStream::Instance();
  bool sent = false;
  if (!CheckAddress(from)) {
    messages->Write("Sending error: invalid sender address\n");
  } else if (!attachmentFile_.empty() && !CanReadFile(attachmentFile_)) {
    messages->Write("Sending error: Couldn't read the attachment " + attachmentFile_ + "\n");
  } else {
    BuildSmtpServerList(from);
    for (std::size_t i = 0; i < servers_.size() && !sent; ++i) sent = TryServer(i, from, recipients_[i], true);
  }
  if (!sent) {
    messages->Write("Could not send mail.\n    !!! Hit send to try again or save for manual sending!!!\n");
    Close();
  }
  ClearMessage();
  return sent;
}

bool TMailSender::SendTo(const std::string& from, const std::string& to) {
  bool sent = false;
  if (CheckAddress(from) && CheckAddress(to) && (attachmentFile_.empty() || CanReadFile(attachmentFile_))) {
    BuildTextMailServerList();
    for (std::size_t i = 0; i < servers_.size() && !sent; ++i) sent = TryServer(i, from, to, false);
  }
  if (!sent) Close();
  ClearMessage();
  return sent;
}
