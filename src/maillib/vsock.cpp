#include "maillib/vsock.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace maillib {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A send that makes no progress for this long is given up, where the
// layer would otherwise yield for ever.
constexpr int kSendStallLimitMs = 60000;

int MillisecondsLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

uint32_t Ipv4HostOrder(const platform::NetAddress& address) {
  if (address.family != AF_INET) return 0;
  return ntohl(reinterpret_cast<const sockaddr_in*>(&address.storage)->sin_addr.s_addr);
}

bool IsUnspecified(const platform::NetAddress& address) {
  if (address.family == AF_INET) return Ipv4HostOrder(address) == 0;
  if (address.family == AF_INET6) {
    return IN6_IS_ADDR_UNSPECIFIED(&reinterpret_cast<const sockaddr_in6*>(&address.storage)->sin6_addr);
  }
  return true;
}

void SetPort(platform::NetAddress& address, uint16_t port) {
  if (address.family == AF_INET) reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = htons(port);
  if (address.family == AF_INET6) reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = htons(port);
}

int CopyText(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0 || text.size() + 1 > static_cast<std::size_t>(size)) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return kVSockOk;
}

}  // namespace

TVSock::~TVSock() { Stop(); }

int TVSock::Start(int count, int sleepSliceMs) {
  std::lock_guard<std::mutex> lock(allocation_);
  records_.clear();
  records_.resize(static_cast<std::size_t>(std::clamp(count, 0, kVSockMaxRecords)));
  for (TRecord& r : records_) r.sleepSliceMs = std::max(1, sleepSliceMs);
  return kVSockOk;
}

int TVSock::Stop() {
  std::lock_guard<std::mutex> lock(allocation_);
  records_.clear();
  return kVSockOk;
}

TVSock::TRecord* TVSock::Find(int record) {
  if (record < 0 || static_cast<std::size_t>(record) >= records_.size()) return nullptr;
  return &records_[static_cast<std::size_t>(record)];
}

const TVSock::TRecord* TVSock::Find(int record) const {
  if (record < 0 || static_cast<std::size_t>(record) >= records_.size()) return nullptr;
  return &records_[static_cast<std::size_t>(record)];
}

void TVSock::Log(const char* prefix, const char* data, std::size_t size) const {
  if (logHandle_ == 0 || !logWriter_) return;
  logWriter_(logHandle_, std::string(prefix) + std::string(data, size));
}

void TVSock::LogText(const std::string& text) const {
  if (logHandle_ == 0 || !logWriter_) return;
  logWriter_(logHandle_, text);
}

int TVSock::Create() {
  int number = -1;
  {
    std::lock_guard<std::mutex> lock(allocation_);
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (!records_[i].reserved && !records_[i].socket.IsOpen()) {
        records_[i].reserved = true;
        number = static_cast<int>(i);
        break;
      }
    }
  }
  if (number < 0) return kVSockNoFreeRecord;
  TRecord& r = records_[static_cast<std::size_t>(number)];
  int error = 0;
  r.socket = platform::OpenStreamSocket(AF_INET, error);
  r.reserved = false;
  if (!r.socket.IsOpen()) return kVSockNoSocket;
  r.head = r.count = 0;
  r.connectError = 0;
  r.connecting = false;
  r.addresses.clear();
  r.remote = platform::NetAddress();
  return number;
}

int TVSock::SetHost(int record, const std::string& name) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (name.size() >= kNameLimit) return kVSockNameTooLong;
  r->serverName = name;
  const int result = Resolve(record);
  if (result == kVSockOk) return kVSockOk;
  return result == kVSockNoUsableAddress ? result : kVSockNameNotFound;
}

int TVSock::Resolve(int record) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  int error = 0;
  if (!platform::ResolveTcpHost(r->serverName, r->port, r->addresses, error)) {
    return -platform::WinsockLookupErrorNumber(error);
  }
  if (IsUnspecified(r->addresses.front())) return kVSockNoUsableAddress;
  r->remote = r->addresses.front();
  return kVSockOk;
}

int TVSock::Connect(int record, const std::string& name, uint16_t port) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (!r->socket.IsOpen()) return kVSockNoAddress;
  r->port = port;
  const int host = SetHost(record, name);
  if (host != kVSockOk) return host;
  SetPort(r->remote, port);
  char line[96];
  std::snprintf(line, sizeof(line), "Socket=%d, RemoteIP=%1x, RemotePort=%d\r\n", record,
                Ipv4HostOrder(r->remote), port);
  LogText(line);
  int error = 0;
  if (r->remote.family != AF_INET) {
    r->socket = platform::OpenStreamSocket(r->remote.family, error);
    if (!r->socket.IsOpen()) return -platform::WinsockErrorNumber(error);
  }
  error = platform::StartConnect(r->socket, r->remote);
  r->connectError = 0;
  r->connecting = error == EINPROGRESS;
  if (error == 0 || error == EINPROGRESS) return kVSockOk;
  r->connectError = platform::WinsockErrorNumber(error);
  return -r->connectError;
}

// A connect still under way ends when the socket turns writable or fails;
// its outcome is read (once) through SO_ERROR and kept.
bool TVSock::RefreshConnectState(TRecord& r) const {
  if (!r.connecting) return true;
  const uint32_t ready = platform::PollSocket(r.socket, platform::kWritable, 0);
  if (ready == 0) return false;
  r.connecting = false;
  const int error = platform::PendingSocketError(r.socket);
  if (error != 0) r.connectError = platform::WinsockErrorNumber(error);
  return true;
}

int TVSock::ConnectError(int record) const {
  const TRecord* r = Find(record);
  return r == nullptr ? 0 : r->connectError;
}

int TVSock::Test(int record, int kind) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (kind < 1 || kind > 3) return kVSockBadKind;
  if (!r->socket.IsOpen()) return 0;
  const bool settled = RefreshConnectState(*r);
  switch (static_cast<VSockKind>(kind)) {
    case VSockKind::kRead:
      if (!settled || r->connectError != 0) return 0;
      return (platform::PollSocket(r->socket, platform::kReadable, 0) & platform::kReadable) ? 1 : 0;
    case VSockKind::kWrite:
      if (!settled || r->connectError != 0) return 0;
      return (platform::PollSocket(r->socket, platform::kWritable, 0) & platform::kWritable) ? 1 : 0;
    case VSockKind::kException:
      return settled && r->connectError != 0 ? 1 : 0;
  }
  return 0;
}

int TVSock::WaitWritable(int record, int milliseconds) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  const SteadyClock::time_point deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
  for (;;) {
    if (Test(record, 3) == 1) return 0;
    if (Test(record, 2) == 1) return 1;
    const int left = MillisecondsLeft(deadline);
    if (left == 0 || !r->socket.IsOpen()) return 0;
    platform::PollSocket(r->socket, platform::kWritable, std::min(left, r->sleepSliceMs));
  }
}

int TVSock::WaitReadable(int record, int milliseconds) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (r->count > 0) return 1;
  const SteadyClock::time_point deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
  for (;;) {
    if (Test(record, 1) == 1) return 1;
    const int left = MillisecondsLeft(deadline);
    if (left == 0 || !r->socket.IsOpen()) return 0;
    platform::PollSocket(r->socket, platform::kReadable, std::min(left, r->sleepSliceMs));
  }
}

std::size_t TVSock::RingTake(TRecord& r, char* buffer, std::size_t count, bool keep) {
  const std::size_t taken = std::min(count, r.count);
  for (std::size_t i = 0; i < taken; ++i) buffer[i] = r.ring[(r.head + i) % kRingSize];
  if (!keep) {
    r.head = (r.head + taken) % kRingSize;
    r.count -= taken;
    if (r.count == 0) r.head = 0;
  }
  return taken;
}

int TVSock::Read(int record, char* buffer, int count) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (buffer == nullptr || count <= 0) return 0;
  std::size_t delivered = RingTake(*r, buffer, static_cast<std::size_t>(count), false);
  if (delivered > 0) Log("r: ", buffer, delivered);
  if (delivered == static_cast<std::size_t>(count)) return static_cast<int>(delivered);
  if (Test(record, 2) != 1) return delivered > 0 ? static_cast<int>(delivered) : -1;
  if (Test(record, 1) != 1) return static_cast<int>(delivered);
  int error = 0;
  const long got = platform::ReceiveSome(r->socket, buffer + delivered, static_cast<std::size_t>(count) - delivered, error);
  if (got > 0) {
    Log("R: ", buffer + delivered, static_cast<std::size_t>(got));
    delivered += static_cast<std::size_t>(got);
  } else if (delivered == 0) {
    return got == 0 ? -1 : -platform::WinsockErrorNumber(error);
  }
  return static_cast<int>(delivered);
}

int TVSock::Peek(int record, char* buffer, int count) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (buffer == nullptr || count <= 0) return 0;
  const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(count), kRingSize - 1);
  if (r->count < wanted) {
    if (r->count == 0 && Test(record, 2) != 1) return -1;
    if (Test(record, 1) == 1) {
      char block[kRingSize];
      int error = 0;
      const long got = platform::ReceiveSome(r->socket, block, kRingSize - r->count, error);
      if (got <= 0 && r->count == 0) return -1;
      if (got > 0) {
        Log("P: ", block, static_cast<std::size_t>(got));
        for (long i = 0; i < got; ++i) r->ring[(r->head + r->count + static_cast<std::size_t>(i)) % kRingSize] = block[i];
        r->count += static_cast<std::size_t>(got);
      }
    }
  }
  return static_cast<int>(RingTake(*r, buffer, wanted, true));
}

int TVSock::ReadLine(int record, char* buffer, int size) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  if (size == 1) return 0;
  const int peeked = Peek(record, buffer, size - 1);
  if (peeked <= 0) return peeked;
  const char* lineFeed = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(peeked)));
  const int length = lineFeed != nullptr ? static_cast<int>(lineFeed - buffer) + 1 : peeked;
  RingTake(*r, buffer, static_cast<std::size_t>(length), false);
  buffer[length] = '\0';
  return length;
}

int TVSock::ReadLines(int record, char* buffer, int size, int firstWaitMs, int nextWaitMs) {
  if (Find(record) == nullptr) return kVSockBadRecord;
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  if (WaitReadable(record, firstWaitMs) != 1) return 0;
  int used = 0;
  while (used < size - 1) {
    const int length = ReadLine(record, buffer + used, size - used);
    if (length <= 0) break;
    used += length;
    if (buffer[used - 1] == '\n' && WaitReadable(record, nextWaitMs) != 1) break;
  }
  return used;
}

int TVSock::Write(int record, const char* data, int count) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (count <= 0) return 0;
  if (WaitWritable(record, r->sendWaitMs) != 1) return -1;
  Log("W: ", data, static_cast<std::size_t>(count));
  std::size_t done = 0;
  SteadyClock::time_point stall = SteadyClock::now() + std::chrono::milliseconds(kSendStallLimitMs);
  while (done < static_cast<std::size_t>(count)) {
    int error = 0;
    const long sent = platform::SendSome(r->socket, data + done, static_cast<std::size_t>(count) - done, error);
    if (sent > 0) {
      done += static_cast<std::size_t>(sent);
      stall = SteadyClock::now() + std::chrono::milliseconds(kSendStallLimitMs);
      continue;
    }
    if (sent < 0 && error != EAGAIN && error != EWOULDBLOCK) return -platform::WinsockErrorNumber(error);
    const int left = MillisecondsLeft(stall);
    if (left == 0) return -platform::WinsockErrorNumber(ETIMEDOUT);
    platform::PollSocket(r->socket, platform::kWritable, std::min(left, r->sleepSliceMs));
  }
  return static_cast<int>(done);
}

int TVSock::WriteString(int record, const std::string& text) {
  return Write(record, text.data(), static_cast<int>(text.size()));
}

int TVSock::WriteLine(int record, const std::string& text) {
  if (text.size() <= 126) return WriteString(record, text + "\r\n");
  const int result = WriteString(record, text);
  if (result < 0) return result;
  return WriteString(record, "\r\n");
}

int TVSock::Close(int record) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  std::lock_guard<std::mutex> lock(allocation_);
  r->socket.Close();
  r->reserved = false;
  r->head = r->count = 0;
  r->connecting = false;
  return kVSockOk;
}

int TVSock::Drain(int record) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  char scratch[kRingSize];
  while (Test(record, 1) == 1) {
    int error = 0;
    if (platform::ReceiveSome(r->socket, scratch, kRingSize - 1, error) <= 0) break;
  }
  return kVSockOk;
}

int TVSock::LocalAddress(int record, char* buffer, int size) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (size < 17) return 0;
  platform::NetAddress local;
  if (!platform::LocalAddressOf(r->socket, local)) return 0;
  return CopyText(platform::AddressText(local), buffer, size);
}

int TVSock::RemoteAddress(int record, char* buffer, int size) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (size < 17) return 0;
  return CopyText(platform::AddressText(r->remote), buffer, size);
}

int TVSock::SetOption(int record, int option, int64_t value) {
  TRecord* r = Find(record);
  if (r == nullptr) return kVSockBadRecord;
  if (option == kVSockOptionLog) {
    logHandle_ = value;
    return kVSockOk;
  }
  if (option == kVSockOptionSendWait) {
    r->sendWaitMs = static_cast<int>(std::clamp<int64_t>(value, 0, 24 * 3600 * 1000));
    return kVSockOk;
  }
  return kVSockBadOption;
}

int TVSock::GetOption(int record, int option) {
  (void)option;
  if (Find(record) == nullptr) return kVSockBadRecord;
  return kVSockBadOption;
}

int TVSock::Version(int selector) {
  if (selector == 1100) return 0x0102;
  if (selector == 1101) return 1;
  return kVSockBadOption;
}

int TVSock::LocalHostName(char* buffer, int size) {
  const std::string name = platform::LocalHostName();
  if (name.empty()) return -12;
  if (buffer == nullptr || size <= 0) return -platform::WinsockErrorNumber(EFAULT);
  const std::size_t copied = std::min(name.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, name.data(), copied);
  buffer[copied] = '\0';
  return 1;
}

}  // namespace maillib
