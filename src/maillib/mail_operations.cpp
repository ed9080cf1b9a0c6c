// The mail operations of the library: each checks its arguments, keeps them
// in the channel and starts the protocol driver at the operation's first
// state.
#include <chrono>
#include <cstring>
#include <thread>

#include "maillib/mail_codecs.h"
#include "maillib/mail_driver.h"
#include "maillib/mail_errors.h"
#include "maillib/mail_library.h"
#include "platform/message_box.h"

namespace maillib {

namespace {

constexpr std::size_t kFieldLimit = 128;
constexpr std::size_t kSecretLimit = 64;
constexpr std::size_t kCommandLimit = 32;
constexpr int kSmallestBuffer = 128;

bool Empty(const char* text) { return text == nullptr || *text == '\0'; }

std::string Bounded(const char* text, std::size_t limit) {
  return text == nullptr ? std::string() : std::string(text, strnlen(text, limit - 1));
}

const char* DamageName(int code) {
  return code == TMailMemory::kGuardDamaged ? "guard byte" : "slot number";
}

int CopyOut(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

}  // namespace

int TMailLibrary::Begin(int channel, int state) {
  TMailChannel& c = *Channel(channel);
  // A new operation ends whatever transfer an earlier one left half done.
  c.StopTransfers();
  c.closing = state == 258;
  c.nextState = state;
  c.subStep = 0;
  c.waiting = false;
  c.nextAction = c.deadline = 0;
  if (!c.blocking) return 0;
  TMailDriver driver(*this, channel);
  for (;;) {
    const int result = driver.Step();
    if (result <= 0) return result;
    // Waiting for time or data: give the processor away for a moment.
    if (result == kMailNotYet) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int TMailLibrary::ProtocolDriver(int channel) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  return TMailDriver(*this, channel).Step();
}

int TMailLibrary::SmtpConnect(int channel, const char* server, const char* from, const char* replyTo) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailSmtpConnect\r\n");
  if (Empty(server)) return -50;
  if (Empty(from)) return -38;
  if (!MailCheckServerName(server)) return -56;
  const char* open = std::strchr(from, '<');
  if (open == nullptr) return -41;
  if (std::strchr(open, '>') == nullptr) return -43;
  c.mode = 'S';
  c.server = Bounded(server, kFieldLimit);
  c.from = Bounded(from, kFieldLimit);
  c.replyTo = Bounded(replyTo, kFieldLimit);
  return Begin(channel, 200);
}

int TMailLibrary::SendEmail(int channel, const char* to, const char* cc, const char* bcc, const char* subject,
                            const char* message, const char* attachments) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailSendEmail\r\n");
  if (c.mode != 'S') return -58;
  if (c.socket < 0) return -44;
  if (Empty(to)) return -45;
  for (const char* list : {to, cc, bcc}) {
    if (Empty(list)) continue;
    if (const int code = MailCheckAddress(list); code != 0) return code;
  }
  memory_.Free(channel, kSlotTo, kSlotAttachments);
  const std::pair<int, const char*> texts[] = {{kSlotTo, to},           {kSlotCc, cc},
                                               {kSlotBcc, bcc},         {kSlotSubject, subject},
                                               {kSlotMessage, message}, {kSlotAttachments, attachments}};
  for (const auto& [slot, text] : texts) {
    if (!Empty(text) && memory_.AllocAndCopy(channel, slot, text) == nullptr) return -55;
  }
  const TAttachmentRules rules{globals_.attachmentSeparator, globals_.pathSeparator, c.detectImages,
                               c.attachmentsAsText};
  c.attachments = Empty(attachments) ? std::vector<TMailAttachment>() : MailParseAttachments(attachments, rules);
  c.attachmentIndex = 0;
  c.imagesSent = 0;
  WriteLog(channel, "*** Sending...\r\n");
  return Begin(channel, 204);
}

int TMailLibrary::VerifyUser(int channel, const char* address) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailVerifyUser\r\n");
  if (c.mode != 'S') return -58;
  if (c.socket < 0) return -44;
  if (Empty(address)) return -37;
  if (memory_.AllocAndCopy(channel, kSlotTo, address) == nullptr) return -55;
  const int result = Begin(channel, 270);
  return result == 0 && c.blocking ? c.verifyCode : result;
}

int TMailLibrary::Pop3Connect(int channel, const char* server, const char* user, const char* password) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailPop3Connect\r\n");
  if (Empty(server)) return -50;
  if (Empty(user)) return -61;
  if (Empty(password)) return -62;
  if (!MailCheckServerName(server)) return -56;
  c.mode = 'P';
  c.server = Bounded(server, kFieldLimit);
  c.user = Bounded(user, kSecretLimit);
  c.pop3Password = Bounded(password, kSecretLimit);
  return Begin(channel, 300);
}

int TMailLibrary::GetEmailCount(int channel) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailGetEmailCount\r\n");
  if (c.mode != 'P') return -59;
  if (c.socket < 0) return -44;
  const int result = Begin(channel, 307);
  return result == 0 && c.blocking ? c.messageCount : result;
}

int TMailLibrary::GetEmailSize(int channel, int message) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailGetEmailSize\r\n");
  if (c.mode != 'P') return -59;
  if (message < 1) return -64;
  if (c.socket < 0) return -44;
  c.messageNumber = message;
  const int result = Begin(channel, 317);
  return result == 0 && c.blocking ? c.messageSize : result;
}

int TMailLibrary::GetEmailLines(int channel, int message, int lines, char* buffer, int size) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailGetEmailLines\r\n");
  if (c.mode != 'P') return -59;
  if (message < 1) return -64;
  const bool kept = buffer == nullptr || std::strcmp(buffer, "*") == 0;
  if (!kept && size < kSmallestBuffer) return -69;
  if (c.socket < 0) return -44;
  if (kept) {
    memory_.Free(channel, kSlotLines, kSlotLines);
    int error = 0;
    buffer = memory_.Allocate(channel, kSlotLines, static_cast<std::size_t>(std::max(size, kSmallestBuffer)), error);
    if (buffer == nullptr) return -55;
    size = std::max(size, kSmallestBuffer);
  }
  buffer[0] = '\0';
  c.messageNumber = message;
  c.topLines = std::max(lines, 0);
  c.userBuffer = buffer;
  c.userBufferSize = size;
  c.userBufferUsed = 0;
  c.linesReturned = 0;
  const int result = Begin(channel, 311);
  return result == 0 && c.blocking ? c.userBufferUsed : result;
}

int TMailLibrary::GetEmailFile(int channel, int message, const char* file, const char* folder,
                               const char* attachmentFolder) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailGetEmailFile\r\n");
  if (c.mode != 'P') return -59;
  if (message < 1) return -64;
  if (Empty(file)) return -65;
  if (Empty(folder)) return -66;
  if (Empty(attachmentFolder)) return -70;
  if (c.socket < 0) return -44;
  c.messageNumber = message;
  c.messageFile = Bounded(file, kFieldLimit);
  c.messageFolder = Bounded(folder, kFieldLimit);
  c.attachmentFolder = Bounded(attachmentFolder, kFieldLimit);
  c.savedAttachmentNames.clear();
  return Begin(channel, 310);
}

int TMailLibrary::GetEmailUID(int channel, int message, char* buffer, int size) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailGetEmailUID\r\n");
  if (c.mode != 'P') return -59;
  if (buffer == nullptr) return -68;
  if (size < kSmallestBuffer) return -69;
  if (c.socket < 0) return -44;
  buffer[0] = '\0';
  c.messageNumber = std::max(message, 0);
  c.userBuffer = buffer;
  c.userBufferSize = size;
  c.userBufferUsed = 0;
  const int result = Begin(channel, 320);
  return result == 0 && c.blocking ? c.userBufferUsed : result;
}

int TMailLibrary::Delete(int channel, int message) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailDelete\r\n");
  if (c.mode != 'P') return -59;
  if (message < 1) return -64;
  if (c.socket < 0) return -44;
  c.messageNumber = message;
  return Begin(channel, 315);
}

int TMailLibrary::Command(int channel, const char* text) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailCommand\r\n");
  if (text == nullptr) return -47;
  if (c.mode != 'S' && c.mode != 'P') return -56;
  if (c.socket < 0) return -44;
  c.rawCommand = MailHeaderValue(Bounded(text, kCommandLimit + 1));
  return Begin(channel, c.mode == 'S' ? 298 : 398);
}

int TMailLibrary::Close(int channel) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailClose\r\n");
  if (c.decoder) c.decoder->Finish();
  c.decoder.reset();
  c.StopTransfers();
  if (c.socket >= 0 && c.mode != 0) return Begin(channel, 258);
  memory_.Free(channel, kSlotTo, kSlotAlternateText);
  c.mode = 0;
  return 0;
}

int TMailLibrary::Abort(int channel) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  WriteLog(channel, "*** mailAbort\r\n");
  c.blocking = true;
  c.StopTransfers();
  c.closing = false;
  if (c.socket >= 0) sockets_.Close(c.socket);
  c.socket = -1;
  c.nextState = c.thisState = 0;
  c.subStep = 0;
  c.waiting = false;
  c.nextAction = c.deadline = 0;
  return 1;
}

int TMailLibrary::CheckMemory(char* buffer, int size) {
  std::string report;
  const std::vector<std::pair<int, int>> damaged = memory_.CheckAll();
  for (const auto& [slot, code] : damaged) {
    const std::string text = "Memory Corrupted (" + std::string(DamageName(code)) + "): ID=" + std::to_string(slot) +
                             " Err=" + std::to_string(code);
    platform::ShowMessageBox("Info", text);
    report += text + "\r\n";
  }
  CopyOut(report, buffer, size);
  return static_cast<int>(damaged.size());
}

int TMailLibrary::Debug(int channel, int selector, char* buffer, int size) {
  if (channel == -2) return CheckMemory(buffer, size);
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  char address[64] = {};
  switch (selector) {
    case -12: return CopyOut(MailDateHeader(), buffer, size);
    case 23: return CopyOut(c.lastReply, buffer, size);
    case 25:
      if (c.socket < 0 || sockets_.RemoteAddress(c.socket, address, sizeof(address)) != kVSockOk) address[0] = '\0';
      return CopyOut(address, buffer, size);
    case 28:
      if (c.socket < 0 || sockets_.LocalAddress(c.socket, address, sizeof(address)) != kVSockOk) address[0] = '\0';
      return CopyOut(address, buffer, size);
    case 29: return CopyOut(c.savedAttachmentNames, buffer, size);
    // Where the last downloaded message was written.
    case 30: return CopyOut(c.messagePath, buffer, size);
    case 40: {
      const char* lines = memory_.Block(channel, kSlotLines);
      if (lines == nullptr) return -47;
      return CopyOut(std::string(lines, strnlen(lines, memory_.Size(channel, kSlotLines))), buffer, size);
    }
    default: CopyOut("?", buffer, size); return 0;
  }
}

}  // namespace maillib
