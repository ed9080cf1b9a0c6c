// The mail library's socket layer: a fixed table of socket records by small
// numbers, non-blocking TCP connects, readiness tests that never wait, and a
// 256-byte look-ahead ring so that a reply line can be peeked before it is
// taken. Every operation answers 1000 for success or a negative code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net_socket.h"

namespace maillib {

constexpr int kVSockOk = 1000;
constexpr int kVSockNoAddress = -1001;
constexpr int kVSockNoFreeRecord = -1002;
constexpr int kVSockBadRecord = -1003;
constexpr int kVSockBadKind = -1004;
constexpr int kVSockNoSocket = -1005;
constexpr int kVSockBadOption = -1006;
constexpr int kVSockNoUsableAddress = -1007;
constexpr int kVSockNameTooLong = -1008;
constexpr int kVSockNameNotFound = -1009;

constexpr int kVSockMaxRecords = 32;
constexpr int kVSockOptionLog = 1001;
constexpr int kVSockOptionSendWait = 1002;

enum class VSockKind { kRead = 1, kWrite = 2, kException = 3 };

class TVSock {
 public:
  // Writes raw traffic to the log with the handle given by option 1001
  // (0: no log).
  using LogWriter = std::function<void(int64_t handle, std::string_view text)>;

  TVSock() = default;
  ~TVSock();
  TVSock(const TVSock&) = delete;
  TVSock& operator=(const TVSock&) = delete;

  int Start(int count, int sleepSliceMs);
  int Stop();
  void SetLogWriter(LogWriter writer) { logWriter_ = std::move(writer); }

  // The record number, or a negative code.
  int Create();
  int SetHost(int record, const std::string& name);
  int Resolve(int record);
  int Connect(int record, const std::string& name, uint16_t port);
  // 1 when the socket is ready for the kind, 0 when not, or a negative code.
  int Test(int record, int kind);
  int WaitWritable(int record, int milliseconds);
  int WaitReadable(int record, int milliseconds);
  int Read(int record, char* buffer, int count);
  int Peek(int record, char* buffer, int count);
  int ReadLine(int record, char* buffer, int size);
  int ReadLines(int record, char* buffer, int size, int firstWaitMs, int nextWaitMs);
  int Write(int record, const char* data, int count);
  int WriteString(int record, const std::string& text);
  int WriteLine(int record, const std::string& text);
  int Close(int record);
  int Drain(int record);
  int LocalAddress(int record, char* buffer, int size);
  int RemoteAddress(int record, char* buffer, int size);
  int SetOption(int record, int option, int64_t value);
  int GetOption(int record, int option);
  static int Version(int selector);
  static int LocalHostName(char* buffer, int size);

  // The error number (Windows Sockets numbering) a failed connect left.
  int ConnectError(int record) const;

  static constexpr std::size_t kRingSize = 256;
  static constexpr std::size_t kNameLimit = 128;

 private:
  struct TRecord {
    platform::SocketHandle socket;
    bool reserved = false;
    int sleepSliceMs = 100;
    std::string serverName;
    std::vector<platform::NetAddress> addresses;
    platform::NetAddress remote;
    uint16_t port = 0;
    int sendWaitMs = 0;
    std::array<char, kRingSize> ring{};
    std::size_t head = 0;
    std::size_t count = 0;
    int connectError = 0;
    bool connecting = false;
  };

  TRecord* Find(int record);
  const TRecord* Find(int record) const;
  void Log(const char* prefix, const char* data, std::size_t size) const;
  void LogText(const std::string& text) const;
  std::size_t RingTake(TRecord& r, char* buffer, std::size_t count, bool keep);
  bool RefreshConnectState(TRecord& r) const;

  std::vector<TRecord> records_;
  std::mutex allocation_;
  int64_t logHandle_ = 0;
  LogWriter logWriter_;
};

}  // namespace maillib
