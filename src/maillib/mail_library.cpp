#include "maillib/mail_library.h"

#include <chrono>
#include <cstring>

#include "maillib/mail_errors.h"

namespace maillib {

namespace {

constexpr std::size_t kAddressLimit = 128;
constexpr std::size_t kSecretLimit = 64;
constexpr std::size_t kContentTypeLimit = 64;
constexpr std::size_t kEncodingLineLimit = 128;

int NotAttached() { return -71; }

uint64_t TickCount() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count()) &
         0xFFFFFFFFu;
}

int FirstLineLength(const std::string& text) {
  const std::size_t end = text.find("\r\n");
  return static_cast<int>(end == std::string::npos ? text.size() : end) + 1;
}

}  // namespace

void TMailChannel::StopTransfers() {
  if (decoder) decoder->Abandon();
  decoder.reset();
  messageOut.reset();
  sendFile.reset();
  lines.reset();
  partialLine.clear();
}

TMailLibrary::TMailLibrary() {
  sockets_.SetLogWriter([this](int64_t handle, std::string_view text) {
    if (handle > 0 && handle <= channelCount_) WriteLog(static_cast<int>(handle - 1), std::string(text));
  });
  memory_.SetLogger([this](int channel, const std::string& line) { WriteLog(channel, line); });
}

TMailLibrary::~TMailLibrary() { Release(); }

int TMailLibrary::CheckChannel(int channel) const {
  if (channelCount_ == 0) return NotAttached();
  if (channel < 0 || channel >= channelCount_) return -73;
  return 0;
}

TMailChannel* TMailLibrary::Channel(int channel) {
  return CheckChannel(channel) == 0 ? channels_[static_cast<std::size_t>(channel)].get() : nullptr;
}

void TMailLibrary::WriteLog(int channel, const std::string& text) {
  TMailChannel* c = Channel(channel);
  if (c == nullptr || !c->log) return;
  std::fwrite(text.data(), 1, text.size(), c->log.get());
  std::fflush(c->log.get());
}

int TMailLibrary::Attach(int channels) {
  std::lock_guard<std::mutex> lock(lock_);
  if (channelCount_ != 0) return -72;
  if (channels < 1 || channels > kMailMaxChannels) return -73;
  const int started = sockets_.Start(kMailMaxChannels, globals_.sleepSliceMs);
  if (started != kVSockOk) return started;
  memory_.Clear();
  for (int i = 0; i < channels; ++i) {
    channels_[static_cast<std::size_t>(i)] = std::make_unique<TMailChannel>();
    channels_[static_cast<std::size_t>(i)]->number = i;
  }
  boundary_ = "=====_MLE" + std::to_string(TickCount()) + "_=====";
  channelCount_ = channels;
  return 1;
}

int TMailLibrary::Release() {
  std::lock_guard<std::mutex> lock(lock_);
  for (int i = 0; i < channelCount_; ++i) {
    TMailChannel& c = *channels_[static_cast<std::size_t>(i)];
    if (c.log) {
      const std::string line = "*** Releasing channel " + std::to_string(i) + " ***\r\n";
      std::fwrite(line.data(), 1, line.size(), c.log.get());
    }
    c.StopTransfers();
    c.log.reset();
    if (c.socket >= 0) sockets_.Close(c.socket);
    c.socket = -1;
    memory_.Free(i, kSlotTo, kSlotAlternateText);
  }
  for (auto& channel : channels_) channel.reset();
  channelCount_ = 0;
  sockets_.Stop();
  return 1;
}

int TMailLibrary::IntegerParam(int channel, int index, long value) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  TMailChannel& c = *Channel(channel);
  char line[96];
  std::snprintf(line, sizeof(line), "*** mailIntegerParam(%d,%d,%ld)\r\n", channel, index, value);
  WriteLog(channel, line);
  const int v = static_cast<int>(value);
  switch (index) {
    case 1: globals_.stepPauseMs = v; break;
    case 2: globals_.replyWaitMs = v; break;
    case 3: globals_.connectWaitMs = v; break;
    case 5: globals_.downloadPauseMs = v; break;
    case 6: globals_.downloadLimitMs = globals_.dataWaitMs = v; break;
    case 8: c.bodyFormat = v & 15; break;
    case 9:
      c.blocking = (v & 1) != 0;
      c.nextAction = c.deadline = 0;
      break;
    case 10: c.numberedNames = v != 0; break;
    case 11: globals_.downloadLimitMs = v; break;
    case 12: globals_.dataWaitMs = v; break;
    case 13: globals_.sleepSliceMs = v; break;
    case 14: c.autoSave = v != 0; break;
    case 15: c.smtpPort = static_cast<uint16_t>(v); break;
    case 16: c.pop3Port = static_cast<uint16_t>(v); break;
    case 17:
      globals_.longestLine = v;
      globals_.wrapColumn = v - 18;
      break;
    case 18: c.param18 = v; break;
    case 19: globals_.keep8Bit = v != 0; break;
    case 21: globals_.omitSavedLine = v != 0; break;
    case 22: globals_.omitToHeader = v != 0; break;
    case 23: globals_.addressSeparator = static_cast<char>(v); break;
    case 24: globals_.stored24 = v; break;
    case 25: globals_.attachmentSeparator = static_cast<char>(v); break;
    case 26: globals_.pathSeparator = static_cast<char>(v); break;
    case 27: c.detectImages = v != 0; break;
    case 28: c.decodeMode = v; break;
    case 29: c.useEhlo = v != 0; break;
    case 30: c.useApop = v != 0; break;
    case 60: c.attachmentsAsText = v != 0; break;
    default: return -1;
  }
  return 1;
}

int TMailLibrary::SetBoundedText(std::string& field, const char* text, std::size_t limit) {
  field.assign(text, strnlen(text, limit - 1));
  return 0;
}

int TMailLibrary::SetExtraHeaders(TMailChannel& c, const std::string& text, bool append) {
  std::string headers = text;
  if (append && memory_.InUse(c.number, kSlotExtraHeaders)) {
    headers = std::string(memory_.Block(c.number, kSlotExtraHeaders)) + "\r\n" + text;
  }
  if (headers.empty()) {
    memory_.Free(c.number, kSlotExtraHeaders, kSlotExtraHeaders);
    return 1;
  }
  if (memory_.AllocAndCopy(c.number, kSlotExtraHeaders, headers) == nullptr) return -55;
  return FirstLineLength(headers);
}

int TMailLibrary::StringParam(int channel, int index, const char* text) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  if (text == nullptr) return -47;
  TMailChannel& c = *Channel(channel);
  // The passwords never reach the log.
  const bool secret = index == 57;
  WriteLog(channel, "*** mailStringParam(" + std::to_string(channel) + "," + std::to_string(index) + "," +
                        (secret ? std::string("*") : std::string(text)) + ")\r\n");
  switch (index) {
    case 20: {
      c.log.reset(std::fopen(text, "wb"));
      if (!c.log) return -1;
      c.logHandle = channel + 1;
      sockets_.SetOption(0, kVSockOptionLog, c.logHandle);
      return static_cast<int>(c.logHandle);
    }
    case 41: {
      const char* lines = memory_.Block(channel, kSlotLines);
      if (lines == nullptr) return -47;
      std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(text, "wb"), &std::fclose);
      if (!file) return -67;
      const std::size_t length = strnlen(lines, memory_.Size(channel, kSlotLines));
      return static_cast<int>(std::fwrite(lines, 1, length, file.get()));
    }
    case 50: return SetBoundedText(c.replyTo, text, kAddressLimit);
    case 51: return SetExtraHeaders(c, text, false);
    case 52:
      WriteLog(channel, std::string(text) + "\r\n");
      return static_cast<int>(c.logHandle);
    case 53: return SetBoundedText(c.from, text, kAddressLimit);
    case 54:
      SetBoundedText(globals_.contentTypeLine, text, kContentTypeLimit);
      return static_cast<int>(globals_.contentTypeLine.size());
    case 55:
      SetBoundedText(globals_.transferEncodingLine, text, kEncodingLineLimit);
      return static_cast<int>(globals_.transferEncodingLine.size());
    case 56: return SetExtraHeaders(c, text, true);
    case 57: return SetBoundedText(c.smtpPassword, text, kSecretLimit);
    case 58: return SetBoundedText(c.user, text, kSecretLimit);
    case 59: {
      if (*text == '\0') {
        memory_.Free(channel, kSlotAlternateText, kSlotAlternateText);
        return 0;
      }
      if (memory_.AllocAndCopy(channel, kSlotAlternateText, text) == nullptr) return -55;
      return static_cast<int>(std::strlen(text));
    }
    default: return -1;
  }
}

int TMailLibrary::ChannelQuery(int channel, int selector) {
  if (const int check = CheckChannel(channel); check != 0) return check;
  const TMailChannel& c = *Channel(channel);
  switch (selector) {
    case 2: return static_cast<int>(c.steps);
    case 3: return c.replyCode;
    case 4: return c.socketError;
    case 10: return static_cast<int>(c.bytesRead);
    case 11: return static_cast<int>(c.bytesDecoded);
    case 12: return static_cast<int>(c.bytesRead + c.bytesDecoded);
    case 13: return static_cast<int>(c.bytesSent);
    case 14: return static_cast<int>(c.attachmentBytesSent);
    case 15: return static_cast<int>(c.bytesSent + c.attachmentBytesSent);
    case 16: return 0x0345;
    case 17: return c.messageCount;
    case 18: return c.messageSize;
    case 19: return c.linesReturned;
    case 20:
      if (c.socket < 0) return 0;
      if (sockets_.Test(c.socket, 3) == 1) return -36;
      return sockets_.Test(c.socket, 2) == 1 ? 1 : 0;
    case 22: return c.attachmentsSaved;
    case 24: return c.verifyCode;
    case 26: return 15;
    case 27: return c.socket;
    default: return -1;
  }
}

int TMailLibrary::ErrorText(int channel, int code, char* buffer, int size) {
  const TMailChannel* c = Channel(channel);
  return CopyMailErrorText(code, c != nullptr ? c->lastReply : std::string(), buffer, size);
}

}  // namespace maillib
