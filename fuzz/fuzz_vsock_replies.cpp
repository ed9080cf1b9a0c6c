// A hostile server for the mail library's socket layer: the input chooses a
// stream of server bytes and a run of reads (peek, line, lines, raw) with
// buffer sizes; every result must stay inside its buffer and be terminated
// where a text is promised.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "maillib/vsock.h"
#include "fuzz_loopback.h"
#include "platform/net_socket.h"

namespace {

constexpr char kSentinel = '#';
constexpr int kSlack = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string stream = input.ConsumeRandomLengthString(4096);
  platform::TcpListener& listener = LoopbackListener();
  maillib::TVSock vsock;
  vsock.Start(2, 1);
  const int record = vsock.Create();
  Check(record == 0);
  if (vsock.Connect(record, "127.0.0.1", listener.Port()) != maillib::kVSockOk) return 0;
  platform::SocketHandle server = listener.Accept(1000);
  Check(server.IsOpen());
  int error = 0;
  if (!stream.empty()) platform::SendSome(server, stream.data(), stream.size(), error);
  platform::ShutdownSending(server);
  if (vsock.WaitWritable(record, 1000) != 1) return 0;

  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
    const int operation = input.ConsumeIntegralInRange(0, 3);
    const int length = input.ConsumeIntegralInRange(0, 600);
    std::vector<char> buffer(static_cast<std::size_t>(length) + kSlack, kSentinel);
    int result = 0;
    switch (operation) {
      case 0:
        result = vsock.Peek(record, buffer.data(), length);
        Check(result <= length && result <= 255);
        break;
      case 1:
        result = vsock.ReadLine(record, buffer.data(), length);
        Check(result < length || result <= 0);
        if (result > 0) Check(buffer[static_cast<std::size_t>(result)] == '\0');
        break;
      case 2:
        result = vsock.ReadLines(record, buffer.data(), length, 20, 5);
        Check(result < length || result <= 0);
        if (result > 0) Check(buffer[static_cast<std::size_t>(result)] == '\0');
        break;
      default:
        result = vsock.Read(record, buffer.data(), length);
        Check(result <= length);
        break;
    }
    for (int i = 0; i < kSlack; ++i) Check(buffer[static_cast<std::size_t>(length + i)] == kSentinel);
    if (result < 0) break;
  }
  vsock.Close(record);
  return 0;
}
