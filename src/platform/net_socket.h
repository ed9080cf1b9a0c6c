// TCP over POSIX sockets: name look-up for IPv4 and IPv6, a socket handle
// that closes itself, non-blocking primitives (connect watched with poll,
// failures read through SO_ERROR, sends that never raise SIGPIPE) and, on top
// of them, a blocking connection whose every wait has a time-out.
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct NetAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  int family = 0;
};

// The TCP addresses of a host name or numeric address, in the order the
// resolver prefers them. False (and an empty list) when the name does not
// resolve; `error` then holds the getaddrinfo code.
bool ResolveTcpHost(const std::string& host, uint16_t port, std::vector<NetAddress>& addresses,
                    int& error);

// Numeric text of an address ("127.0.0.1", "::1").
std::string AddressText(const NetAddress& address);

class SocketHandle {
 public:
  SocketHandle() = default;
  explicit SocketHandle(int fd) : fd_(fd) {}
  ~SocketHandle() { Close(); }
  SocketHandle(SocketHandle&& other) noexcept : fd_(other.Release()) {}
  SocketHandle& operator=(SocketHandle&& other) noexcept;
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  int Release();
  // Closes without lingering: the call returns at once, unsent bytes are
  // still delivered by the system in the background.
  void Close();

 private:
  int fd_ = -1;
};

// A non-blocking stream socket of the family, closed on exec. Invalid (and
// errno kept in `error`) on failure.
SocketHandle OpenStreamSocket(int family, int& error);

// The local address a socket is bound to; false when it has none.
bool LocalAddressOf(const SocketHandle& socket, NetAddress& address);

// Starts a connect on a non-blocking socket: 0 when it is already connected,
// EINPROGRESS while it goes on, else the errno of the failure.
int StartConnect(const SocketHandle& socket, const NetAddress& address);

// Ends the sending direction (the peer reads the end of the stream) while
// the socket stays open for reading.
void ShutdownSending(const SocketHandle& socket);

// The error a finished non-blocking connect left (SO_ERROR); 0 for none.
int PendingSocketError(const SocketHandle& socket);

enum PollReady : uint32_t { kReadable = 1, kWritable = 2, kFailed = 4 };
// Waits up to timeoutMs (0: just looks) for the events asked for; returns
// the PollReady bits that hold. Hang-up and errors set kFailed, and a
// hang-up with unread data still counts as readable.
uint32_t PollSocket(const SocketHandle& socket, uint32_t wanted, int timeoutMs);

// One send without SIGPIPE: the byte count, or -1 with errno in `error`
// (EAGAIN when the socket would block).
long SendSome(const SocketHandle& socket, const void* data, std::size_t size, int& error);
// One receive: the byte count, 0 when the peer closed, -1 with errno.
long ReceiveSome(const SocketHandle& socket, void* buffer, std::size_t size, int& error);

// The Windows Sockets error number that stands for an errno value (10035
// for a call that would block, 10061 for a refused connection ...).
int WinsockErrorNumber(int errnoValue);

// The Windows Sockets number of a failed name look-up (getaddrinfo code):
// 11001 host not found, 11002 try again, 11003 no recovery.
int WinsockLookupErrorNumber(int lookupError);

// The local host name; empty when the system gives none.
std::string LocalHostName();

// A listening TCP socket on a numeric local address ("127.0.0.1", "::1")
// and a port the system picks; for local servers such as test fixtures.
class TcpListener {
 public:
  bool Listen(const std::string& address);
  uint16_t Port() const { return port_; }
  // A connection that arrives within the time-out; invalid otherwise. The
  // connection is non-blocking.
  SocketHandle Accept(int timeoutMs);
  void Close() { socket_.Close(); }

 private:
  SocketHandle socket_;
  uint16_t port_ = 0;
};

// A blocking TCP connection in which connecting, sending and receiving
// each give up after their time-out.
class TcpConnection {
 public:
  struct Timeouts {
    int connectMs = 30000;
    int sendMs = 60000;
    int receiveMs = 60000;
  };

  enum class Failure { kNone, kLookup, kSocket, kConnect, kTimeout, kClosed, kIo };

  TcpConnection() = default;
  void SetTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }
  const Timeouts& GetTimeouts() const { return timeouts_; }

  // Looks the host up and tries each of its addresses until one connects.
  bool Connect(const std::string& host, uint16_t port);
  // Tries each address in turn until one connects.
  bool Connect(const std::vector<NetAddress>& addresses);
  // Sends every byte, looping over partial sends.
  bool SendAll(const void* data, std::size_t size);
  bool SendAll(const std::string& text) { return SendAll(text.data(), text.size()); }
  // Receives what is there (at least one byte): the count, 0 when the peer
  // closed, -1 on an error or when nothing came within the time-out.
  long Receive(void* buffer, std::size_t size) { return Receive(buffer, size, timeouts_.receiveMs); }
  // The same with a time-out of its own, for callers that spread one
  // time-out over several reads.
  long Receive(void* buffer, std::size_t size, int timeoutMs);
  void Close() { socket_.Close(); }
  bool IsOpen() const { return socket_.IsOpen(); }

  Failure LastFailure() const { return failure_; }
  // The errno of the last failure (ETIMEDOUT for a time-out).
  int LastError() const { return error_; }

 private:
  bool ConnectTo(const NetAddress& address);
  bool Fail(Failure failure, int error);

  SocketHandle socket_;
  Timeouts timeouts_;
  Failure failure_ = Failure::kNone;
  int error_ = 0;
};

}  // namespace platform
