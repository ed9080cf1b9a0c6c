// Plays a hostile mail server: the input is everything the server says,
// delivered at once and followed by the end of the stream, while the client
// runs its whole dialogue over a real loopback connection. Overruns, hangs,
// and a mail reported as sent without the server's acceptance are findings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_loopback.h"
#include "platform/net_socket.h"
#include "session/smtp_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  platform::TcpListener& listener = LoopbackListener();
  TSmtpSession session;
  platform::TcpConnection::Timeouts quick;
  quick.connectMs = 1000;
  quick.sendMs = 1000;
  quick.receiveMs = 1000;
  session.SetTimeouts(quick);
  session.SetServerEndpoint("fuzz.test", "127.0.0.1", listener.Port());
  session.SetBody("line one\n.line two");

  if (!session.Connect("fuzz.test", "player@example.org").empty()) return 0;
  platform::SocketHandle server = listener.Accept(1000);
  Check(server.IsOpen());
  std::size_t done = 0;
  while (done < size) {
    int error = 0;
    const long sent = platform::SendSome(server, data + done, size - done, error);
    if (sent <= 0) break;
    done += static_cast<std::size_t>(sent);
  }
  platform::ShutdownSending(server);

  const std::string result = session.Send("player@example.org", "<orders@vorhelm.example.net>");
  const std::string replies(reinterpret_cast<const char*>(data), done);
  if (result.empty()) {
    // Acceptance needs a go-ahead for the data and a final acceptance after it.
    const std::size_t goAhead = replies.find("354");
    Check(goAhead != std::string::npos);
    Check(replies.find("250", goAhead) != std::string::npos);
  }
  session.Close();
  return 0;
}
