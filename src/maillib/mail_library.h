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

#include "maillib/mail_compose.h"
#include "maillib/mail_decoder.h"
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
  // Ends a download or send cut off half way: an attachment being saved is
  // dropped (not reported saved), then the message file and the file being
  // sent are closed. The decoder goes first, as it writes into the message
  // file.
  void StopTransfers();

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

  // The protocol driver's place: the state that runs next, the one that
  // ran, the one before, where a connection goes on once it stands, and a
  // step within a state that both sends and reads.
  int nextState = 0;
  int thisState = 0;
  int previousState = 0;
  int continuation = 0;
  int subStep = 0;
  bool waiting = false;
  bool closing = false;
  uint64_t nextAction = 0;
  uint64_t deadline = 0;
  std::string greeting;
  std::string challenge;
  std::string rawCommand;

  // Sending: the recipient list (0 To, 1 CC, 2 BCC) and place in it, the
  // body's line maker, the attachments and the one being sent.
  int listIndex = 0;
  std::size_t listPosition = 0;
  std::unique_ptr<TMailLineMaker> lines;
  bool textEndedWithLineEnd = false;
  std::vector<TMailAttachment> attachments;
  std::size_t attachmentIndex = 0;
  int imagesSent = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> sendFile{nullptr, &std::fclose};

  // Receiving: the message asked for, the caller's buffer of TOP and UIDL,
  // the message file, its decoder and the line being put together.
  int messageNumber = 0;
  int topLines = 0;
  char* userBuffer = nullptr;
  int userBufferSize = 0;
  int userBufferUsed = 0;
  std::string messageFile;
  std::string messageFolder;
  std::string attachmentFolder;
  std::string messagePath;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> messageOut{nullptr, &std::fclose};
  std::unique_ptr<TMailDecoder> decoder;
  std::string partialLine;
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

  // The mail operations. In blocking mode (the default) each runs the
  // protocol driver to its end and returns its result; in non-blocking
  // mode it sets the driver's first state and returns 0, and the caller
  // calls ProtocolDriver while that returns a positive value.
  int SmtpConnect(int channel, const char* server, const char* from, const char* replyTo);
  int SendEmail(int channel, const char* to, const char* cc, const char* bcc, const char* subject,
                const char* message, const char* attachments);
  int VerifyUser(int channel, const char* address);
  int Pop3Connect(int channel, const char* server, const char* user, const char* password);
  int GetEmailCount(int channel);
  int GetEmailSize(int channel, int message);
  // TOP: the headers and `lines` body lines into the buffer (never more
  // than size - 1 bytes and a zero); a null or "*" buffer makes the library
  // keep the text itself (slot 8, `size` bytes).
  int GetEmailLines(int channel, int message, int lines, char* buffer, int size);
  int GetEmailFile(int channel, int message, const char* file, const char* folder, const char* attachmentFolder);
  int GetEmailUID(int channel, int message, char* buffer, int size);
  int Delete(int channel, int message);
  int Command(int channel, const char* text);
  int Close(int channel);
  int Abort(int channel);
  int Debug(int channel, int selector, char* buffer, int size);
  int ProtocolDriver(int channel);

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
  // Sets the first state of an operation and, in blocking mode, runs the
  // driver until it ends: 0 or a negative code.
  int Begin(int channel, int state);
  int CheckMemory(char* buffer, int size);

  std::mutex lock_;
  int channelCount_ = 0;
  std::array<std::unique_ptr<TMailChannel>, kMailMaxChannels> channels_;
  TMailMemory memory_;
  TVSock sockets_;
  TMailGlobals globals_;
  std::string boundary_ = "=====_MLE000000000_=====";
};

}  // namespace maillib
