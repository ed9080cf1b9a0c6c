#include "platform/net_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

int MillisecondsLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

SteadyClock::time_point DeadlineAfter(int milliseconds) {
  return SteadyClock::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
}

}  // namespace

bool ResolveTcpHost(const std::string& host, uint16_t port, std::vector<NetAddress>& addresses,
                    int& error) {
  addresses.clear();
  error = 0;
  if (host.empty() || host.find('\0') != std::string::npos) {
    error = EAI_NONAME;
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  error = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (error != 0) return false;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    NetAddress address;
    std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = entry->ai_addrlen;
    address.family = entry->ai_family;
    addresses.push_back(address);
  }
  freeaddrinfo(found);
  if (addresses.empty()) error = EAI_NONAME;
  return !addresses.empty();
}

std::string AddressText(const NetAddress& address) {
  char text[INET6_ADDRSTRLEN] = {};
  const void* raw = nullptr;
  if (address.family == AF_INET) {
    raw = &reinterpret_cast<const sockaddr_in*>(&address.storage)->sin_addr;
  } else if (address.family == AF_INET6) {
    raw = &reinterpret_cast<const sockaddr_in6*>(&address.storage)->sin6_addr;
  }
  if (raw == nullptr || inet_ntop(address.family, raw, text, sizeof(text)) == nullptr) return "";
  return text;
}

// ---------------------------------------------------------------- SocketHandle

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

int SocketHandle::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void SocketHandle::Close() {
  if (fd_ < 0) return;
  linger noLinger{};
  noLinger.l_onoff = 0;
  setsockopt(fd_, SOL_SOCKET, SO_LINGER, &noLinger, sizeof(noLinger));
  ::close(fd_);
  fd_ = -1;
}

SocketHandle OpenStreamSocket(int family, int& error) {
  error = 0;
  const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    error = errno;
    return SocketHandle();
  }
  return SocketHandle(fd);
}

int StartConnect(const SocketHandle& socket, const NetAddress& address) {
  if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) {
    return 0;
  }
  return errno == EINTR ? EINPROGRESS : errno;
}

bool LocalAddressOf(const SocketHandle& socket, NetAddress& address) {
  address = NetAddress();
  socklen_t length = sizeof(address.storage);
  if (getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address.storage), &length) != 0) return false;
  address.length = length;
  address.family = address.storage.ss_family;
  return true;
}

void ShutdownSending(const SocketHandle& socket) {
  if (socket.IsOpen()) ::shutdown(socket.Get(), SHUT_WR);
}

int PendingSocketError(const SocketHandle& socket) {
  int value = 0;
  socklen_t length = sizeof(value);
  if (getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &value, &length) != 0) return errno;
  return value;
}

uint32_t PollSocket(const SocketHandle& socket, uint32_t wanted, int timeoutMs) {
  if (!socket.IsOpen()) return kFailed;
  pollfd entry{};
  entry.fd = socket.Get();
  if (wanted & kReadable) entry.events |= POLLIN;
  if (wanted & kWritable) entry.events |= POLLOUT;
  const SteadyClock::time_point deadline = DeadlineAfter(timeoutMs);
  int result = 0;
  do {
    result = ::poll(&entry, 1, MillisecondsLeft(deadline));
  } while (result < 0 && errno == EINTR);
  if (result < 0) return kFailed;
  uint32_t ready = 0;
  if (entry.revents & POLLIN) ready |= kReadable;
  if (entry.revents & POLLOUT) ready |= kWritable;
  if (entry.revents & (POLLERR | POLLNVAL)) ready |= kFailed;
  if (entry.revents & POLLHUP) {
    ready |= kFailed;
    // A closed peer still leaves its last bytes (and the end of stream) to read.
    if (wanted & kReadable) ready |= kReadable;
  }
  return ready;
}

long SendSome(const SocketHandle& socket, const void* data, std::size_t size, int& error) {
  error = 0;
  ssize_t sent = 0;
  do {
    sent = ::send(socket.Get(), data, size, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    error = errno;
    return -1;
  }
  return static_cast<long>(sent);
}

long ReceiveSome(const SocketHandle& socket, void* buffer, std::size_t size, int& error) {
  error = 0;
  ssize_t received = 0;
  do {
    received = ::recv(socket.Get(), buffer, size, 0);
  } while (received < 0 && errno == EINTR);
  if (received < 0) {
    error = errno;
    return -1;
  }
  return static_cast<long>(received);
}

int WinsockErrorNumber(int errnoValue) {
  switch (errnoValue) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return 10022;
  }
}

int WinsockLookupErrorNumber(int lookupError) {
  switch (lookupError) {
    case 0: return 0;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
    case EAI_SYSTEM: return WinsockErrorNumber(errno);
    default: return 11001;
  }
}

std::string LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) return "";
  return name;
}

// ---------------------------------------------------------------- TcpListener

bool TcpListener::Listen(const std::string& address) {
  socket_.Close();
  port_ = 0;
  std::vector<NetAddress> addresses;
  int error = 0;
  if (!ResolveTcpHost(address, 0, addresses, error)) return false;
  SocketHandle socket = OpenStreamSocket(addresses.front().family, error);
  if (!socket.IsOpen()) return false;
  const int reuse = 1;
  setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
  if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&addresses.front().storage),
             addresses.front().length) != 0 ||
      ::listen(socket.Get(), 16) != 0) {
    return false;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof(bound);
  if (getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) return false;
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
  socket_ = std::move(socket);
  return true;
}

SocketHandle TcpListener::Accept(int timeoutMs) {
  if ((PollSocket(socket_, kReadable, timeoutMs) & kReadable) == 0) return SocketHandle();
  const int fd = ::accept4(socket_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  return SocketHandle(fd);
}

// ---------------------------------------------------------------- TcpConnection

bool TcpConnection::Fail(Failure failure, int error) {
  failure_ = failure;
  error_ = error;
  return false;
}

bool TcpConnection::Connect(const std::string& host, uint16_t port) {
  socket_.Close();
  failure_ = Failure::kNone;
  error_ = 0;
  std::vector<NetAddress> addresses;
  int lookupError = 0;
  if (!ResolveTcpHost(host, port, addresses, lookupError)) return Fail(Failure::kLookup, EHOSTUNREACH);
  return Connect(addresses);
}

bool TcpConnection::Connect(const std::vector<NetAddress>& addresses) {
  socket_.Close();
  failure_ = Failure::kNone;
  error_ = 0;
  if (addresses.empty()) return Fail(Failure::kLookup, EHOSTUNREACH);
  for (const NetAddress& address : addresses) {
    if (ConnectTo(address)) return true;
  }
  return false;
}

bool TcpConnection::ConnectTo(const NetAddress& address) {
  int error = 0;
  SocketHandle socket = OpenStreamSocket(address.family, error);
  if (!socket.IsOpen()) return Fail(Failure::kSocket, error);
  error = StartConnect(socket, address);
  if (error == EINPROGRESS) {
    const uint32_t ready = PollSocket(socket, kWritable, timeouts_.connectMs);
    if (ready == 0) return Fail(Failure::kTimeout, ETIMEDOUT);
    error = PendingSocketError(socket);
  }
  if (error != 0) return Fail(Failure::kConnect, error);
  socket_ = std::move(socket);
  return true;
}

bool TcpConnection::SendAll(const void* data, std::size_t size) {
  if (!socket_.IsOpen()) return Fail(Failure::kClosed, ENOTCONN);
  const auto* bytes = static_cast<const char*>(data);
  const SteadyClock::time_point deadline = DeadlineAfter(timeouts_.sendMs);
  std::size_t done = 0;
  while (done < size) {
    int error = 0;
    const long sent = SendSome(socket_, bytes + done, size - done, error);
    if (sent > 0) {
      done += static_cast<std::size_t>(sent);
      continue;
    }
    if (sent < 0 && error != EAGAIN && error != EWOULDBLOCK) return Fail(Failure::kIo, error);
    const int left = MillisecondsLeft(deadline);
    if (left == 0 || PollSocket(socket_, kWritable, left) == 0) return Fail(Failure::kTimeout, ETIMEDOUT);
  }
  return true;
}

long TcpConnection::Receive(void* buffer, std::size_t size, int timeoutMs) {
  if (!socket_.IsOpen()) {
    Fail(Failure::kClosed, ENOTCONN);
    return -1;
  }
  if (size == 0) return 0;
  const SteadyClock::time_point deadline = DeadlineAfter(timeoutMs);
  for (;;) {
    int error = 0;
    const long received = ReceiveSome(socket_, buffer, size, error);
    if (received > 0) return received;
    if (received == 0) {
      Fail(Failure::kClosed, 0);
      return 0;
    }
    if (error != EAGAIN && error != EWOULDBLOCK) {
      Fail(Failure::kIo, error);
      return -1;
    }
    const int left = MillisecondsLeft(deadline);
    if (left == 0 || PollSocket(socket_, kReadable, left) == 0) {
      Fail(Failure::kTimeout, ETIMEDOUT);
      return -1;
    }
  }
}

}  // namespace platform
