// The mail library's channels, parameters and queries: up to 32 channels,
// each with its own settings, texts, counters and debug log, over one
// socket layer and one guarded memory table.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "maillib/mail_memory.h"
#include "maillib/vsock.h"

namespace maillib {

constexpr int kMailMaxChannels = 32;

// Slot indexes of a channel's memory.
enum MailSlot {
  kSlotContext = 0,
  kSlotTo = 1,
  kSlotCc = 2,
  kSlotBcc = 3,
  kSlotSubject = 4,
  kSlotMessage = 5,
  kSlotAttachments = 6,
  kSlotExtraHeaders = 7,
  kSlotLines = 8,
  kSlotAlternateText = 9,
};

struct TMailGlobals {
  int stepPauseMs = 25;
  int replyWaitMs = 25000;
  int connectWaitMs = 60000;
  int downloadPauseMs = 0;
  int downloadLimitMs = 25000;
  int dataWaitMs = 25000;
  int sleepSliceMs = 100;
  int longestLine = 78;
  int wrapColumn = 61;
  bool keep8Bit = false;
  bool omitSavedLine = false;
  bool omitToHeader = false;
  char addressSeparator = ',';
  int stored24 = 1;
  char attachmentSeparator = ',';
  char pathSeparator = '|';
  std::string contentTypeLine;
  std::string transferEncodingLine;
};

struct TMailChannel {
  int number = 0;
  std::string lastReply;
  std::string server;
  std::string from;
  std::string replyTo;
  std::string user;
  std::string pop3Password;
  std::string smtpPassword;
  std::string savedAttachmentNames;
  int socket = -1;
  int64_t steps = 0;
  int64_t bytesRead = 0;
  int64_t bytesDecoded = 0;
  int64_t bytesSent = 0;
  int64_t attachmentBytesSent = 0;
  int replyCode = 0;
  int verifyCode = 0;
  int socketError = 0;
  int attachmentsSaved = 0;
  int messageCount = 0;
  int messageSize = 0;
  int linesReturned = 0;
  char mode = 0;
  uint16_t smtpPort = 25;
  uint16_t pop3Port = 110;
  bool blocking = true;
  int bodyFormat = 0;
  bool numberedNames = false;
  bool autoSave = false;
  bool useEhlo = false;
  bool useApop = false;
  bool detectImages = true;
  bool attachmentsAsText = false;
  int decodeMode = 0;
  int param18 = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> log{nullptr, &std::fclose};
  int64_t logHandle = 0;
};

class TMailLibrary {
 public:
  TMailLibrary();
  ~TMailLibrary();
  TMailLibrary(const TMailLibrary&) = delete;
  TMailLibrary& operator=(const TMailLibrary&) = delete;

  int Attach(int channels);
  int Release();
  int IntegerParam(int channel, int index, long value);
  int StringParam(int channel, int index, const char* text);
  int ChannelQuery(int channel, int selector);
  int ErrorText(int channel, int code, char* buffer, int size);

  // 0 when the channel can be used, else -71 (not attached) or -73.
  int CheckChannel(int channel) const;
  TMailChannel* Channel(int channel);
  const TMailGlobals& Globals() const { return globals_; }
  TMailMemory& Memory() { return memory_; }
  TVSock& Sockets() { return sockets_; }
  const std::string& Boundary() const { return boundary_; }
  int ChannelCount() const { return channelCount_; }

  // Appends the text to the channel's debug log, when it has one.
  void WriteLog(int channel, const std::string& text);

 private:
  int SetExtraHeaders(TMailChannel& c, const std::string& text, bool append);
  int SetBoundedText(std::string& field, const char* text, std::size_t limit);

  std::mutex lock_;
  int channelCount_ = 0;
  std::array<std::unique_ptr<TMailChannel>, kMailMaxChannels> channels_;
  TMailMemory memory_;
  TVSock sockets_;
  TMailGlobals globals_;
  std::string boundary_ = "=====_MLE000000000_=====";
};

}  // namespace maillib
