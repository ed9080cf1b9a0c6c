#include "maillib/mail_driver.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "maillib/mail_errors.h"
#include "maillib/mail_library.h"
#include "platform/net_socket.h"

namespace maillib {

namespace {

constexpr std::size_t kReplyLimit = 1024;
constexpr std::size_t kLastReplyLimit = 127;
// A received line longer than this is handed on in pieces.
constexpr std::size_t kLineLimit = 65536;

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

}  // namespace

uint64_t MailTicks() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

TMailDriver::TMailDriver(TMailLibrary& library, int channel)
    : library_(library), channel_(*library.Channel(channel)), number_(channel) {}

void TMailDriver::Log(const std::string& text) { library_.WriteLog(number_, text); }

void TMailDriver::Yield() const { std::this_thread::yield(); }

const char* TMailDriver::Text(int slot) {
  const char* block = library_.Memory().Block(number_, slot);
  return block != nullptr ? block : "";
}

int TMailDriver::Step() {
  TMailChannel& c = channel_;
  const uint64_t now = MailTicks();
  if (c.nextAction != 0 && now < c.nextAction) {
    Yield();
    return kMailNotYet;
  }
  if (c.deadline != 0 && now > c.deadline) return Fail(0, -8);
  if (c.waiting && c.socket >= 0 && library_.Sockets().WaitReadable(c.socket, 0) != 1) {
    // A peer that closed shows as readable; a failed socket as an exception.
    if (library_.Sockets().Test(c.socket, 3) == 1) return Fail(0, -51);
    Yield();
    return kMailNotYet;
  }
  c.waiting = false;
  c.previousState = c.thisState;
  c.thisState = c.nextState;
  ++c.steps;
  if (c.thisState != c.previousState && c.log) {
    char line[48];
    std::snprintf(line, sizeof(line), "<%3d:%ld>\r\n", c.thisState, static_cast<long>(now & 0x7FFFFFFF));
    Log(line);
  }
  const int next = Run(c.thisState);
  if (next < 0) return next;
  c.nextState = next;
  if (next == kMailDone) {
    c.nextAction = 0;
    c.deadline = 0;
  }
  return next;
}

int TMailDriver::Run(int state) {
  if (state == 0) {
    channel_.nextAction = 0;
    channel_.deadline = 0;
    return kMailDone;
  }
  if ((state >= 101 && state <= 106) || state == 200 || state == 300) return RunConnection(state);
  if ((state >= 150 && state <= 299) || (state >= 400 && state <= 402)) return RunSmtp(state);
  if (state >= 301 && state <= 399) return RunPop3(state);
  Log("ERROR! Unknown state " + std::to_string(state) + "\r\n");
  return Fail(0, -47);
}

int TMailDriver::Fail(int socketCode, int libraryCode) {
  TMailChannel& c = channel_;
  if (c.log) {
    char line[160];
    std::snprintf(line, sizeof(line),
                  "ERROR(%ld): SockCode=%d LibCode=%d PrevState=%d ThisState=%d NextState=%d\r\n",
                  static_cast<long>(MailTicks() & 0x7FFFFFFF), socketCode, libraryCode, c.previousState,
                  c.thisState, c.nextState);
    Log(line);
    if (socketCode < 0) Log(MailErrorTextOf(socketCode) + "\r\n");
    if (libraryCode < 0) Log(MailErrorTextOf(libraryCode) + "\r\n");
  }
  if (libraryCode < 0) {
    c.nextState = c.thisState = 0;
    c.subStep = 0;
    c.waiting = false;
    c.nextAction = c.deadline = 0;
    c.socketError = socketCode;
    if (c.socket >= 0) {
      Log("Closing socket\r\n");
      library_.Sockets().Close(c.socket);
      c.socket = -1;
    }
    c.StopTransfers();
    // A failed QUIT still ends the session: the message copies go and the
    // channel is free for a new connection.
    if (c.closing) {
      library_.Memory().Free(number_, kSlotTo, kSlotAlternateText);
      c.mode = 0;
      c.closing = false;
    }
  }
  Yield();
  return libraryCode;
}

// ------------------------------------------------------------ connection

int TMailDriver::RunConnection(int state) {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  TVSock& sockets = library_.Sockets();
  switch (state) {
    case 200:
    case 300:
      if (c.log && state == 200) {
        Log(" VS Linux Version 1.0.2 Build 1\r\nMLE Linux Version 3.4.5 Build 15\r\n");
      }
      c.continuation = state + 1;
      return 101;
    case 101:
    case 102:
    case 103: {
      char name[128] = {};
      TVSock::LocalHostName(name, sizeof(name));
      Log(std::string("LocalHost = '") + name + "'\r\n");
      return 104;
    }
    case 104: {
      Log("Server = '" + c.server + "'\r\n");
      std::vector<platform::NetAddress> addresses;
      int error = 0;
      if (!platform::ResolveTcpHost(c.server, 0, addresses, error)) {
        return Fail(-platform::WinsockLookupErrorNumber(error), -46);
      }
      Log("ServerIP = " + platform::AddressText(addresses.front()) + "\r\n");
      return 105;
    }
    case 105: {
      if (c.socket >= 0) sockets.Close(c.socket);
      c.socket = sockets.Create();
      if (c.socket < 0) {
        c.socket = -1;
        return Fail(0, -7);
      }
      sockets.SetOption(c.socket, kVSockOptionSendWait, g.replyWaitMs);
      const uint16_t port = c.mode == 'S' ? c.smtpPort : c.pop3Port;
      const int result = sockets.Connect(c.socket, c.server, port);
      if (result != kVSockOk) return Fail(result, -36);
      c.nextAction = MailTicks() + static_cast<uint64_t>(g.stepPauseMs);
      c.deadline = MailTicks() + static_cast<uint64_t>(g.connectWaitMs);
      return 106;
    }
    case 106:
      if (sockets.Test(c.socket, 3) == 1) return Fail(-sockets.ConnectError(c.socket), -36);
      if (sockets.Test(c.socket, 2) != 1) {
        Yield();
        return 106;
      }
      c.waiting = true;
      c.nextAction = MailTicks() + static_cast<uint64_t>(g.stepPauseMs);
      c.deadline = MailTicks() + static_cast<uint64_t>(g.replyWaitMs);
      return c.continuation;
    default: break;
  }
  return Fail(0, -47);
}

// ------------------------------------------------------------ sending

void TMailDriver::AwaitReply() {
  channel_.waiting = true;
  channel_.deadline = MailTicks() + static_cast<uint64_t>(library_.Globals().replyWaitMs);
}

int TMailDriver::Command(const std::string& text) {
  const int result = library_.Sockets().WriteLine(channel_.socket, text);
  if (result < 0) return Fail(result == -1 ? 0 : result, -52);
  channel_.bytesSent += static_cast<int64_t>(text.size() + 2);
  AwaitReply();
  return 0;
}

int TMailDriver::SendData(const std::string& line, bool attachment) {
  const std::string text = MailStuffDot(line) + "\r\n";
  const int result = library_.Sockets().WriteString(channel_.socket, text);
  if (result < 0) return Fail(result == -1 ? 0 : result, -52);
  (attachment ? channel_.attachmentBytesSent : channel_.bytesSent) += static_cast<int64_t>(text.size());
  return 0;
}

// ------------------------------------------------------------ reading

int TMailDriver::ReadLine(std::string& line, uint64_t deadline) {
  TVSock& sockets = library_.Sockets();
  const int slice = std::max(1, library_.Globals().sleepSliceMs);
  line.clear();
  for (;;) {
    char piece[256];
    const int got = sockets.ReadLine(channel_.socket, piece, sizeof(piece));
    if (got < 0) return -51;
    if (got > 0) {
      line.append(piece, static_cast<std::size_t>(got));
      channel_.bytesRead += got;
      if (line.back() == '\n' || line.size() >= kLineLimit) return 0;
      continue;
    }
    const uint64_t now = MailTicks();
    if (now >= deadline) return -8;
    sockets.WaitReadable(channel_.socket, static_cast<int>(std::min<uint64_t>(deadline - now, slice)));
  }
}

int TMailDriver::SmtpReply() {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  const uint64_t deadline = MailTicks() + static_cast<uint64_t>(g.sleepSliceMs + g.replyWaitMs);
  std::string reply;
  for (;;) {
    std::string line;
    const int read = ReadLine(line, deadline);
    if (read < 0) return Fail(0, read);
    reply += line;
    if (reply.size() > kReplyLimit) return Fail(0, -31);
    // "250-" goes on, "250 " or a bare "250" ends the reply.
    if (line.size() < 4 || line[3] != '-') break;
  }
  c.lastReply = WithoutLineEnd(reply.substr(0, reply.find('\n'))).substr(0, kLastReplyLimit);
  c.greeting = reply;
  int code = 0;
  for (std::size_t i = 0; i < 3 && i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
    code = code * 10 + (reply[i] - '0');
  }
  c.replyCode = code;
  c.deadline = 0;
  // A reply without a code, or one of 400 and above, is a refusal.
  if (code < 200 || code >= 400) return Fail(0, -49);
  return 0;
}

int TMailDriver::Pop3Reply() {
  TMailChannel& c = channel_;
  const uint64_t deadline = MailTicks() + static_cast<uint64_t>(library_.Globals().dataWaitMs);
  std::string line;
  const int read = ReadLine(line, deadline);
  if (read < 0) return Fail(0, read);
  c.lastReply = WithoutLineEnd(line).substr(0, 128);
  c.deadline = 0;
  c.replyCode = (!line.empty() && line[0] == '+') ? 100 : 500;
  if (c.replyCode != 100) return Fail(0, -63);
  return 0;
}

int TMailDriver::Pop3Lines(int (TMailDriver::*take)(const std::string& line)) {
  TMailChannel& c = channel_;
  TVSock& sockets = library_.Sockets();
  const TMailGlobals& g = library_.Globals();
  // As many lines as have arrived, a bounded number per step.
  for (int count = 0; count < 256; ++count) {
    if (c.partialLine.empty() && sockets.WaitReadable(c.socket, 0) != 1) break;
    std::string line;
    const int read = ReadLine(line, MailTicks() + static_cast<uint64_t>(g.dataWaitMs));
    if (read < 0) return Fail(0, read);
    line = c.partialLine + line;
    c.partialLine.clear();
    if (line == ".\r\n" || line == ".\n") return 1;
    // A dot-stuffed line loses its first dot.
    if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
    const int taken = (this->*take)(line);
    if (taken < 0) return taken;
  }
  c.waiting = true;
  c.nextAction = g.downloadPauseMs > 0 ? MailTicks() + static_cast<uint64_t>(g.downloadPauseMs) : 0;
  c.deadline = MailTicks() + static_cast<uint64_t>(g.downloadLimitMs);
  return 0;
}

}  // namespace maillib
