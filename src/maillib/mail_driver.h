// The protocol driver: one small step of a channel's SMTP or POP3 operation
// per call. A step sends at most one command or one line of a message, or
// reads one reply, and names the state of the next step; that state number
// is what a step returns, so a caller can drive the operation itself.
#pragma once

#include <cstdint>
#include <string>

namespace maillib {

class TMailLibrary;
struct TMailAttachment;
struct TMailChannel;

// Results of a step besides a state number and the library's negative codes.
constexpr int kMailDone = 0;
constexpr int kMailNotYet = 9999;

// The tick count in milliseconds (monotonic).
uint64_t MailTicks();

class TMailDriver {
 public:
  TMailDriver(TMailLibrary& library, int channel);

  // One step: the next state, 0 when the operation is complete, 9999 when
  // it waits for time or data, or a negative error.
  int Step();

  // Records a failure: logs it, closes the socket and resets the states.
  // Returns the library code.
  int Fail(int socketCode, int libraryCode);

 private:
  int Run(int state);
  int RunConnection(int state);
  int RunSmtp(int state);
  int RunSmtpHeaders(int state);
  int RunSmtpBody(int state);
  int RunSmtpAttachment(int state);
  int SendAttachmentHeaders(const TMailAttachment& attachment, int group);
  int RunPop3(int state);
  int RunPop3Download(int state);

  // Sending. A command gets CR LF and is followed by a wait for its reply;
  // a data line is dot-stuffed.
  int Command(const std::string& text);
  int SendData(const std::string& line, bool attachment = false);
  void AwaitReply();

  // Reading. Each gives 0 or a negative code and leaves the reply in the
  // channel.
  int ReadLine(std::string& line, uint64_t deadline);
  int SmtpReply();
  int Pop3Reply();
  // The lines of a POP3 listing up to its end line, as they come: 1 at the
  // end line, 0 when more is to come, or a negative code.
  int Pop3Lines(int (TMailDriver::*take)(const std::string& line));
  int TakeMessageLine(const std::string& line);
  int TakeBufferLine(const std::string& line);

  // SMTP helpers.
  int AfterFrom();
  int AfterCc() const;
  bool NeedsMime() const;
  int NextRecipient(int state);
  int Authenticate();
  std::string Greeting() const;
  const char* Text(int slot);

  void Log(const std::string& text);
  void Yield() const;

  TMailLibrary& library_;
  TMailChannel& channel_;
  int number_;
};

}  // namespace maillib
