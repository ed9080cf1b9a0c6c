#include "maillib/vsock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/net_socket.h"

namespace {

using maillib::TVSock;

// A loopback peer for one record: listens, and after Accept can say and
// hear bytes.
class TPeer {
 public:
  TPeer() { listening_ = listener_.Listen("127.0.0.1"); }
  bool Listening() const { return listening_; }
  uint16_t Port() const { return listener_.Port(); }
  bool Accept() {
    connection_ = listener_.Accept(3000);
    return connection_.IsOpen();
  }
  void Say(const std::string& text) {
    int error = 0;
    ASSERT_EQ(platform::SendSome(connection_, text.data(), text.size(), error), static_cast<long>(text.size()));
  }
  std::string Hear(std::size_t count) {
    std::string heard;
    for (int i = 0; i < 100 && heard.size() < count; ++i) {
      platform::PollSocket(connection_, platform::kReadable, 50);
      char chunk[4096];
      int error = 0;
      const long got = platform::ReceiveSome(connection_, chunk, sizeof(chunk), error);
      if (got > 0) heard.append(chunk, static_cast<std::size_t>(got));
      if (got == 0) break;
    }
    return heard;
  }
  void Hang() { connection_.Close(); }

 private:
  platform::TcpListener listener_;
  platform::SocketHandle connection_;
  bool listening_ = false;
};

class VSockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(vsock_.Start(4, 10), maillib::kVSockOk);
    vsock_.SetLogWriter([this](int64_t handle, std::string_view text) {
      if (handle == 7) log_ += std::string(text);
    });
  }

  // A record connected to the peer and writable.
  int Connected(TPeer& peer) {
    const int record = vsock_.Create();
    EXPECT_GE(record, 0);
    EXPECT_EQ(vsock_.Connect(record, "127.0.0.1", peer.Port()), maillib::kVSockOk);
    EXPECT_TRUE(peer.Accept());
    EXPECT_EQ(vsock_.WaitWritable(record, 2000), 1);
    return record;
  }

  // Waits until the record has data to read.
  void AwaitData(int record) { ASSERT_EQ(vsock_.WaitReadable(record, 2000), 1); }

  TVSock vsock_;
  std::string log_;
};

TEST_F(VSockTest, RecordsAndCodes) {
  std::vector<int> records;
  for (int i = 0; i < 4; ++i) records.push_back(vsock_.Create());
  EXPECT_EQ(records, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(vsock_.Create(), maillib::kVSockNoFreeRecord);
  EXPECT_EQ(vsock_.Close(2), maillib::kVSockOk);
  EXPECT_EQ(vsock_.Create(), 2);

  EXPECT_EQ(vsock_.Test(4, 1), maillib::kVSockBadRecord);
  EXPECT_EQ(vsock_.Test(-1, 1), maillib::kVSockBadRecord);
  EXPECT_EQ(vsock_.Test(0, 4), maillib::kVSockBadKind);
  EXPECT_EQ(vsock_.SetHost(0, std::string(128, 'a')), maillib::kVSockNameTooLong);
  EXPECT_EQ(vsock_.SetHost(0, "0.0.0.0"), maillib::kVSockNoUsableAddress);
  EXPECT_EQ(vsock_.SetOption(0, 1003, 1), maillib::kVSockBadOption);
  EXPECT_EQ(vsock_.GetOption(0, maillib::kVSockOptionSendWait), maillib::kVSockBadOption);
  EXPECT_EQ(TVSock::Version(1100), 0x0102);
  EXPECT_EQ(TVSock::Version(1101), 1);

  char name[8];
  EXPECT_EQ(TVSock::LocalHostName(name, sizeof(name)), 1);
  EXPECT_LT(std::string(name).size(), sizeof(name));

  TVSock big;
  big.Start(100, 10);
  int last = 0;
  for (int i = 0; i < 40; ++i) last = big.Create();
  EXPECT_EQ(last, maillib::kVSockNoFreeRecord);
}

TEST_F(VSockTest, PeekedBytesStayForTheLine) {
  TPeer peer;
  ASSERT_TRUE(peer.Listening());
  ASSERT_EQ(vsock_.SetOption(0, maillib::kVSockOptionLog, 7), maillib::kVSockOk);
  const int record = Connected(peer);
  const std::string reply = "+OK a forty byte reply for the peek.\r\n";
  ASSERT_EQ(reply.size(), 38u);
  peer.Say(reply + "second line\r\n");
  AwaitData(record);

  char peeked[16] = {};
  EXPECT_EQ(vsock_.Peek(record, peeked, 10), 10);
  EXPECT_EQ(std::string(peeked, 10), reply.substr(0, 10));
  char line[128];
  EXPECT_EQ(vsock_.ReadLine(record, line, sizeof(line)), static_cast<int>(reply.size()));
  EXPECT_EQ(std::string(line), reply);
  char rest[64] = {};
  EXPECT_EQ(vsock_.Read(record, rest, 13), 13);
  EXPECT_EQ(std::string(rest), "second line\r\n");

  char local[32];
  EXPECT_EQ(vsock_.LocalAddress(record, local, sizeof(local)), maillib::kVSockOk);
  EXPECT_EQ(std::string(local), "127.0.0.1");
  EXPECT_EQ(vsock_.RemoteAddress(record, local, 16), 0);
  EXPECT_EQ(vsock_.RemoteAddress(record, local, 17), maillib::kVSockOk);
  EXPECT_EQ(std::string(local), "127.0.0.1");

  EXPECT_NE(log_.find("Socket=0, RemoteIP=7f000001, RemotePort=" + std::to_string(peer.Port()) + "\r\n"),
            std::string::npos);
  EXPECT_NE(log_.find("P: +OK a forty"), std::string::npos);
}

TEST_F(VSockTest, SmallBuffersAreNeverOverrun) {
  TPeer peer;
  ASSERT_TRUE(peer.Listening());
  const int record = Connected(peer);
  const std::string longLine = std::string(600, 'x') + "\r\n";
  peer.Say(longLine);
  AwaitData(record);

  char small[9];
  small[8] = '#';
  EXPECT_EQ(vsock_.ReadLine(record, small, 8), 7);
  EXPECT_EQ(std::string(small), "xxxxxxx");
  EXPECT_EQ(small[8], '#');

  std::vector<char> lines(1000, '#');
  std::string collected = "xxxxxxx";
  for (int i = 0; i < 20 && collected.size() < longLine.size(); ++i) {
    const int got = vsock_.ReadLines(record, lines.data(), 100, 1000, 50);
    ASSERT_GE(got, 0);
    ASSERT_LE(got, 99);
    EXPECT_EQ(lines[static_cast<std::size_t>(got)], '\0');
    EXPECT_EQ(lines[100], '#');
    collected.append(lines.data(), static_cast<std::size_t>(got));
  }
  EXPECT_EQ(collected, longLine);
}

TEST_F(VSockTest, WritesAndClosedPeers) {
  TPeer peer;
  ASSERT_TRUE(peer.Listening());
  const int record = Connected(peer);
  EXPECT_EQ(vsock_.WriteLine(record, "USER tester"), 13);
  const std::string longText(200, 'L');
  EXPECT_EQ(vsock_.WriteLine(record, longText), 2);
  EXPECT_EQ(peer.Hear(13 + 202), "USER tester\r\n" + longText + "\r\n");

  peer.Say("bye\r\n");
  AwaitData(record);
  EXPECT_EQ(vsock_.Drain(record), maillib::kVSockOk);
  peer.Hang();
  AwaitData(record);
  char buffer[16];
  EXPECT_EQ(vsock_.Peek(record, buffer, 10), -1);
  EXPECT_EQ(vsock_.Read(record, buffer, 10), -1);
  EXPECT_EQ(vsock_.Close(record), maillib::kVSockOk);
}

TEST_F(VSockTest, RefusedConnectsShowAsExceptions) {
  uint16_t port = 0;
  {
    platform::TcpListener closed;
    ASSERT_TRUE(closed.Listen("127.0.0.1"));
    port = closed.Port();
  }
  const int record = vsock_.Create();
  const int result = vsock_.Connect(record, "127.0.0.1", port);
  if (result == maillib::kVSockOk) {
    EXPECT_EQ(vsock_.WaitWritable(record, 2000), 0);
    EXPECT_EQ(vsock_.Test(record, 3), 1);
  } else {
    EXPECT_EQ(result, -10061);
  }
  EXPECT_EQ(vsock_.ConnectError(record), 10061);
  EXPECT_EQ(vsock_.Test(record, 2), 0);
  // A send wait of 0 on a socket that is not writable gives up at once.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(vsock_.WriteString(record, "HELO x\r\n"), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
