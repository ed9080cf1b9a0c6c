#include "platform/net_socket.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/web_opener.h"
#include "support/temp_folder.h"

namespace {

using platform::TcpConnection;

TEST(NetSocket, ResolvesNumericAddressesOfBothFamilies) {
  std::vector<platform::NetAddress> addresses;
  int error = 0;
  ASSERT_TRUE(platform::ResolveTcpHost("127.0.0.1", 25, addresses, error));
  EXPECT_EQ(addresses.front().family, AF_INET);
  EXPECT_EQ(platform::AddressText(addresses.front()), "127.0.0.1");
  ASSERT_TRUE(platform::ResolveTcpHost("::1", 25, addresses, error));
  EXPECT_EQ(addresses.front().family, AF_INET6);
  EXPECT_EQ(platform::AddressText(addresses.front()), "::1");
  EXPECT_FALSE(platform::ResolveTcpHost("", 25, addresses, error));
  EXPECT_TRUE(addresses.empty());
}

// Connects, sends a block much larger than the socket buffers (so sends are
// partial) and reads it back whole, over IPv4 and IPv6 loopback.
TEST(NetSocket, ConnectionCarriesEveryByte) {
  for (const char* host : {"127.0.0.1", "::1"}) {
    platform::TcpListener listener;
    if (!listener.Listen(host)) {
      if (std::string(host) == "::1") continue;  // no IPv6 loopback on this machine
      FAIL() << host;
    }
    std::string payload(4 << 20, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 131 + (i >> 9));
    std::string echoed;
    std::thread peer([&] {
      platform::SocketHandle connection = listener.Accept(5000);
      while (connection.IsOpen() && echoed.size() < payload.size()) {
        platform::PollSocket(connection, platform::kReadable, 1000);
        char chunk[65536];
        int error = 0;
        const long got = platform::ReceiveSome(connection, chunk, sizeof(chunk), error);
        if (got == 0 || (got < 0 && error != EAGAIN)) break;
        if (got > 0) echoed.append(chunk, static_cast<std::size_t>(got));
      }
    });
    TcpConnection connection;
    ASSERT_TRUE(connection.Connect(host, listener.Port())) << host;
    EXPECT_TRUE(connection.SendAll(payload));
    peer.join();
    EXPECT_TRUE(echoed == payload) << host;
  }
}

TEST(NetSocket, FailuresAreTold) {
  platform::TcpListener listener;
  ASSERT_TRUE(listener.Listen("127.0.0.1"));
  const uint16_t port = listener.Port();

  TcpConnection::Timeouts quick;
  quick.receiveMs = 200;
  TcpConnection silent;
  silent.SetTimeouts(quick);
  ASSERT_TRUE(silent.Connect("127.0.0.1", port));
  platform::SocketHandle accepted = listener.Accept(2000);
  char buffer[16];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(silent.Receive(buffer, sizeof(buffer)), -1);
  EXPECT_EQ(silent.LastFailure(), TcpConnection::Failure::kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

  accepted.Close();
  EXPECT_EQ(silent.Receive(buffer, sizeof(buffer)), 0);
  EXPECT_EQ(silent.LastFailure(), TcpConnection::Failure::kClosed);
  // Writing to a closed peer must fail, not raise SIGPIPE.
  bool failed = false;
  for (int i = 0; i < 50 && !failed; ++i) failed = !silent.SendAll(std::string(65536, 'x'));
  EXPECT_TRUE(failed);

  listener.Close();
  TcpConnection refused;
  EXPECT_FALSE(refused.Connect("127.0.0.1", port));
  EXPECT_EQ(refused.LastFailure(), TcpConnection::Failure::kConnect);
  EXPECT_EQ(platform::WinsockErrorNumber(refused.LastError()), 10061);
}

// A name with several addresses is tried address by address: one that
// refuses does not end the connect.
TEST(NetSocket, ConnectTriesEachAddressInTurn) {
  platform::TcpListener live;
  ASSERT_TRUE(live.Listen("127.0.0.1"));
  platform::TcpListener closed;
  const bool ipv6 = closed.Listen("::1");
  const std::string deadHost = ipv6 ? "::1" : "127.0.0.1";
  if (!ipv6) {
    ASSERT_TRUE(closed.Listen(deadHost));
  }
  const uint16_t deadPort = closed.Port();
  closed.Close();

  std::vector<platform::NetAddress> dead;
  std::vector<platform::NetAddress> alive;
  int error = 0;
  ASSERT_TRUE(platform::ResolveTcpHost(deadHost, deadPort, dead, error));
  ASSERT_TRUE(platform::ResolveTcpHost("127.0.0.1", live.Port(), alive, error));
  std::vector<platform::NetAddress> both = dead;
  both.insert(both.end(), alive.begin(), alive.end());

  TcpConnection connection;
  ASSERT_TRUE(connection.Connect(both));
  platform::SocketHandle accepted = live.Accept(2000);
  EXPECT_TRUE(accepted.IsOpen());
  EXPECT_FALSE(connection.Connect(dead));
  EXPECT_EQ(connection.LastFailure(), TcpConnection::Failure::kConnect);
}

TEST(NetSocket, WinsockNumbers) {
  EXPECT_EQ(platform::WinsockErrorNumber(EAGAIN), 10035);
  EXPECT_EQ(platform::WinsockErrorNumber(ETIMEDOUT), 10060);
  EXPECT_EQ(platform::WinsockErrorNumber(ECONNRESET), 10054);
  EXPECT_EQ(platform::WinsockErrorNumber(EPIPE), 10054);
  EXPECT_EQ(platform::WinsockLookupErrorNumber(EAI_NONAME), 11001);
  EXPECT_EQ(platform::WinsockLookupErrorNumber(EAI_AGAIN), 11002);
}

// The opener gets the address as one argument, untouched by any shell.
TEST(WebOpener, StartsTheProgramWithoutAShell) {
  TTempFolder folder;
  const std::string script = folder.Path("record.sh").string();
  folder.Write("record.sh", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$0.out.tmp\" && mv \"$0.out.tmp\" \"$0.out\"\n");
  chmod(script.c_str(), 0755);
  const std::string argument = "http://h/p?a=1&b=$(touch pwned);`touch pwned2` x|y";
  ASSERT_TRUE(platform::StartDetachedProgram(script, argument));
  std::string recorded;
  for (int i = 0; i < 250 && recorded.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    recorded = folder.Read("record.sh.out");
  }
  EXPECT_EQ(recorded, "1|" + argument);
  EXPECT_FALSE(std::ifstream(folder.Path("pwned")).good());
  EXPECT_FALSE(std::ifstream(folder.Path("pwned2")).good());

  EXPECT_FALSE(platform::StartDetachedProgram(folder.Path("missing-program").string(), "x"));
}

TEST(WebOpener, HeadlessRunsOpenNothing) {
  // The tests run headless (DVX_HEADLESS=1).
  EXPECT_EQ(platform::OpenWebAddress("http://example.invalid/"), platform::WebOpenResult::kHeadless);
  EXPECT_EQ(platform::OpenWebAddress(""), platform::WebOpenResult::kFailed);
}

}  // namespace
