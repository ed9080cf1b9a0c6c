#include "session/smtp_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/data_stream.h"
#include "app/message_stream.h"
#include "app/settings_store.h"
#include "support/python_server.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

const char* const kPlayer = "player@example.org";

std::vector<uint8_t> DecodeBase64(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<uint8_t> bytes;
  uint32_t value = 0;
  int bits = 0;
  for (const char c : text) {
    const std::size_t index = alphabet.find(c);
    if (index == std::string::npos) continue;
    value = (value << 6) | static_cast<uint32_t>(index);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<uint8_t>(value >> bits));
    }
  }
  return bytes;
}

std::vector<uint8_t> SampleBytes(std::size_t count) {
  std::vector<uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>((i * 7919 + (i >> 3)) & 0xFF);
  return bytes;
}

// The parts of one received game mail, after its headers were checked.
struct TReceivedMail {
  std::string boundary;
  std::string rest;  // everything after the header block
};

TReceivedMail CheckHeaders(const std::string& data, const std::string& from, const std::string& to) {
  static const std::regex headers(
      "From: ([^\r\n]*)\r\n"
      "To: Server ([^\r\n]*)\r\n"
      "Date: [A-Z][a-z]{2}, [0-9]{2} [A-Z][a-z]{2} [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}\r\n"
      "Subject: Drannoc Vorhelm game\r\n"
      "MIME-Version: 1\\.0\r\n"
      "X-Mailer: Drannoc Vorhelm\r\n"
      "Message-Id: <[A-Za-z0-9]{40}@([^\r\n]*)>\r\n"
      "Content-Type: multipart/alternative;\r\n"
      "  boundary=(BOUND-[A-Za-z0-9]{40})\r\n"
      "Content-Transfer-Encoding: 8bit\r\n"
      "\r\n");
  std::smatch match;
  TReceivedMail mail;
  if (!std::regex_search(data, match, headers, std::regex_constants::match_continuous)) {
    ADD_FAILURE() << "headers do not match:\n" << data.substr(0, 600);
    return mail;
  }
  EXPECT_EQ(match[1].str(), from);
  EXPECT_EQ(match[2].str(), to);
  EXPECT_EQ(match[3].str(), from);
  mail.boundary = match[4].str();
  mail.rest = match.suffix().str();
  return mail;
}

std::string TextPart(const std::string& boundary, const std::string& body) {
  return "--" + boundary + "\r\nContent-Type: text/plain;\r\n  charset=\"us-ascii\"\r\n" +
         "Content-Transfer-Encoding: 8bit\r\n\r\n" + body + "\r\n";
}

const char* const kAttachmentHead =
    "Content-Type: application/x-drannoc-vorhelm;\r\n name=\"game.dvx\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"game.dvx\"\r\n\r\n";

// Checks the attachment part at the start of `rest` and returns what follows it.
std::string CheckAttachment(const std::string& rest, const std::string& boundary,
                            const std::vector<uint8_t>& expected) {
  const std::string head = "--" + boundary + "\r\n" + kAttachmentHead;
  EXPECT_EQ(rest.compare(0, head.size(), head), 0) << rest.substr(0, 300);
  const std::size_t start = head.size();
  const std::size_t end = rest.find("\r\n\r\n", start);
  EXPECT_NE(end, std::string::npos);
  const std::string encoded = rest.substr(start, end - start);
  for (std::size_t line = 0; line < encoded.size(); line += 78) {
    const std::size_t lineEnd = encoded.find("\r\n", line);
    if (lineEnd == std::string::npos) {
      EXPECT_LE(encoded.size() - line, 76u);
      break;
    }
    EXPECT_EQ(lineEnd - line, 76u);
  }
  EXPECT_TRUE(DecodeBase64(encoded) == expected);
  return rest.substr(end + 4);
}

class SmtpSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageStream::Instance()->Clear();
    session_.SetGameServerHost("game.test");
    // Generous enough for a loaded machine; the tests that wait for a
    // silent server shorten the receive time-out.
    UseReceiveTimeout(10000);
    // The guesses from the player's address lead to a closed port unless a
    // test points them elsewhere.
    platform::TcpListener closed;
    if (closed.Listen("127.0.0.1")) closedPort_ = closed.Port();
    session_.SetServerEndpoint("smtp.example.org", "127.0.0.1", closedPort_);
    session_.SetServerEndpoint("mail.example.org", "127.0.0.1", closedPort_);
  }

  void UseReceiveTimeout(int milliseconds) {
    platform::TcpConnection::Timeouts timeouts;
    timeouts.connectMs = 5000;
    timeouts.sendMs = 20000;
    timeouts.receiveMs = milliseconds;
    session_.SetTimeouts(timeouts);
  }

  std::string Messages() const { return TMessageStream::Instance()->GetText(); }

  // Waits for the capture server's n-th stored mail.
  std::string StoredMail(int n) const {
    std::string data;
    for (int i = 0; i < 250 && data.empty(); ++i) {
      data = folder_.Read("store/" + std::to_string(n) + ".eml");
      if (data.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return data;
  }
  std::string StoredEnvelope(int n) const { return folder_.Read("store/" + std::to_string(n) + ".json"); }

  std::unique_ptr<TPythonServer> StartCaptureServer() {
    folder_.MakeFolder("store");
    auto server = std::make_unique<TPythonServer>("smtp_capture_server.py",
                                                  std::vector<std::string>{folder_.Path("store").string()});
    EXPECT_TRUE(server->IsRunning()) << "python3-aiosmtpd did not start";
    return server;
  }

  TTempFolder folder_;
  TSmtpSession session_;
  uint16_t closedPort_ = 1;
};

TEST_F(SmtpSessionTest, GameMailReachesARealServerByteForByte) {
  auto server = StartCaptureServer();
  ASSERT_TRUE(server->IsRunning());
  session_.SetServerEndpoint("game.test", "127.0.0.1", server->Port());

  const std::vector<uint8_t> file = SampleBytes(1000);
  folder_.WriteBytes("orders.dvx", file);
  session_.AttachFile("orders.dvx");
  session_.SetBody("Turn 3 orders.\n.hidden line\n..two dots");
  ASSERT_TRUE(session_.SendGameMail(kPlayer));
  EXPECT_EQ(Messages(),
            "Attempting to connect to mail server:\ngame.test\nConnection succeeded.\nMail sent successfully");

  const std::string data = StoredMail(1);
  const TReceivedMail mail = CheckHeaders(data, kPlayer, TMailSender::kDefaultOrdersMailbox);
  const std::string text = TextPart(mail.boundary, "Turn 3 orders.\r\n.hidden line\r\n..two dots");
  ASSERT_EQ(mail.rest.compare(0, text.size(), text), 0) << mail.rest.substr(0, 300);
  const std::string tail = CheckAttachment(mail.rest.substr(text.size()), mail.boundary, file);
  EXPECT_EQ(tail, "--" + mail.boundary + "--\r\n\r\n");

  const std::string envelope = StoredEnvelope(1);
  EXPECT_NE(envelope.find("\"mail_from\": \"player@example.org\""), std::string::npos) << envelope;
  EXPECT_NE(envelope.find("\"rcpt_tos\": [\"orders@vorhelm.example.net\"]"), std::string::npos) << envelope;
  EXPECT_NE(envelope.find("\"helo\": \"drannocvorhelm\""), std::string::npos) << envelope;

  // The parts belonged to that mail only.
  EXPECT_TRUE(session_.GetBody().empty());
  EXPECT_TRUE(session_.GetAttachmentFile().empty());
}

TEST_F(SmtpSessionTest, AttachedStreamsAndTextMails) {
  auto server = StartCaptureServer();
  ASSERT_TRUE(server->IsRunning());
  session_.SetServerEndpoint("relay.test", "127.0.0.1", server->Port());
  folder_.Write("Configs/General.cfg", "# defaults\n[APP]\nSMTPServer = relay.test\n");
  TSettingsStore settings(folder_.Path("Configs/UserData.cfg").string(), folder_.Path("Configs/General.cfg").string());
  session_.UseSettings(&settings);

  TDataStream stream("1.09");
  stream.WriteString("DVX request text");
  ASSERT_TRUE(session_.AttachStream(stream, "DVX Game Request.dvx"));
  const std::vector<uint8_t> saved = folder_.ReadBytes("DVX Game Request.dvx");
  ASSERT_FALSE(saved.empty());
  ASSERT_TRUE(session_.SendGameMail(kPlayer));
  TReceivedMail first = CheckHeaders(StoredMail(1), kPlayer, TMailSender::kDefaultOrdersMailbox);
  EXPECT_EQ(CheckAttachment(first.rest, first.boundary, saved), "--" + first.boundary + "--\r\n\r\n");

  // A text mail sent next carries only its own text.
  session_.SetBody("abc");
  ASSERT_TRUE(session_.SendTo(kPlayer, "friend@example.net"));
  TReceivedMail second = CheckHeaders(StoredMail(2), kPlayer, "friend@example.net");
  EXPECT_EQ(second.rest, TextPart(second.boundary, "abc") + "--" + second.boundary + "--\r\n\r\n");
  EXPECT_NE(first.boundary, second.boundary);
  EXPECT_NE(StoredEnvelope(2).find("\"rcpt_tos\": [\"friend@example.net\"]"), std::string::npos);
}

TEST_F(SmtpSessionTest, ServersAreTriedInOrderUntilOneTakesTheMail) {
  auto good = StartCaptureServer();
  ASSERT_TRUE(good->IsRunning());
  TScriptedServer refusing({"554 no service here\r\n"});
  TScriptedServer untouched({"220 hello\r\n"});
  folder_.Write("Configs/General.cfg", "# defaults\n[APP]\nSMTPServer = mine.test\n");
  TSettingsStore settings(folder_.Path("Configs/UserData.cfg").string(), folder_.Path("Configs/General.cfg").string());
  session_.UseSettings(&settings);
  session_.SetServerEndpoint("mine.test", "127.0.0.1", closedPort_);
  session_.SetServerEndpoint("game.test", "127.0.0.1", refusing.Port());
  session_.SetServerEndpoint("smtp.example.org", "127.0.0.1", good->Port());
  session_.SetServerEndpoint("mail.example.org", "127.0.0.1", untouched.Port());

  folder_.WriteBytes("orders.dvx", SampleBytes(57));
  session_.AttachFile("orders.dvx");
  ASSERT_TRUE(session_.SendGameMail(kPlayer));
  EXPECT_EQ(Messages(),
            "Attempting to connect to mail server:\nmine.test\n"
            "Connection error: Couldn't connect to server\n"
            "Attempting to connect to mail server:\ngame.test\n"
            "Connection succeeded.\n"
            "Sending error: Bad greeting received\n"
            "Attempting to connect to mail server:\nsmtp.example.org\n"
            "Connection succeeded.\n"
            "Mail sent successfully");
  EXPECT_EQ(untouched.Connections(), 0);
  const TReceivedMail mail = CheckHeaders(StoredMail(1), kPlayer, TMailSender::kDefaultOrdersMailbox);
  // 57 bytes fill exactly one base64 line, which keeps its own line end
  // before the two that close the part.
  EXPECT_EQ(CheckAttachment(mail.rest, mail.boundary, SampleBytes(57)), "\r\n--" + mail.boundary + "--\r\n\r\n");
}

// Each failing server answer ends the send with its error, never "sent".
TEST_F(SmtpSessionTest, FailingServersGiveTheirErrors) {
  const std::string g = "220 ready\r\n";
  const std::string ok = "250 ok\r\n";
  const std::string go = "354 go on\r\n";
  struct TCase {
    std::vector<std::string> script;
    std::string error;
  };
  const TCase cases[] = {
      {{"421 busy\r\n"}, "Bad greeting received"},
      {{"<silent>"}, "Bad greeting received"},
      {{"<close>"}, "Bad greeting received"},
      {{g, "550 who are you\r\n"}, "Error response to HELO: "},
      {{g, "<close>"}, "Error response to HELO: Failed to receive data properly from server"},
      {{g, ok, "451 try later\r\n"}, "Error response to MAIL FROM: "},
      {{g, ok, ok, "550 no such user\r\n"}, "Error response to RCPT TO: "},
      {{g, ok, ok, ok, "554 no data\r\n"}, "Error response to DATA: "},
      {{g, ok, ok, ok, go, "552 too big\r\n"}, "Error sending DATA: "},
      {{g, ok, ok, ok, go, "<silent>"}, "Error sending DATA: Failed to receive data properly from server"},
      {{g, ok, ok, ok, go, "250-queued\r\n<close>"}, "Error sending DATA: Failed to receive data properly from server"},
      {{g, ok, ok, ok, go, "250-first\r\n550 rejected after all\r\n"}, "Error sending DATA: "},
      {{"220 " + std::string(1020, 'x') + "\r\n"}, "Bad greeting received"},
      {{g, "250 " + std::string(1018, 'y') + "\r\n"}, "Error response to HELO: Response length exceed 1024 bytes"},
      {{g, std::string(5000, 'z')}, "Error response to HELO: Response length exceed 1024 bytes"},
      // Bytes that keep coming slowly do not stretch the time-out.
      {{g, "<trickle>250-" + std::string(3000, 's')}, "Error response to HELO: Failed to receive data properly from server"},
  };
  folder_.WriteBytes("orders.dvx", SampleBytes(10));
  for (const TCase& test : cases) {
    TScriptedServer server(test.script);
    const bool waits = test.script.back() == "<silent>" || test.script.back().rfind("<trickle>", 0) == 0;
    UseReceiveTimeout(waits ? 300 : 10000);
    session_.SetServerEndpoint("game.test", "127.0.0.1", server.Port());
    session_.AttachFile("orders.dvx");
    TMessageStream::Instance()->Clear();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(session_.SendGameMail(kPlayer));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const std::string messages = Messages();
    EXPECT_NE(messages.find("Sending error: " + test.error + "\n"), std::string::npos)
        << test.script.back().substr(0, 40) << "\n" << messages;
    EXPECT_EQ(messages.find("Mail sent successfully"), std::string::npos);
    EXPECT_NE(messages.find("Could not send mail.\n    !!! Hit send to try again or save for manual sending!!!\n"),
              std::string::npos);
  }
}

TEST_F(SmtpSessionTest, MultiLineRepliesAndCrLfCommands) {
  // The last line of the HELO reply is 1023 bytes long with its CR LF: the
  // longest a reply line may be.
  TScriptedServer server({"220-first greeting line\r\n220 second\r\n",
                          "250-hello\r\n250-SIZE 100\r\n250 " + std::string(1017, 'h') + "\r\n", "250 ok\r\n",
                          "250 ok\r\n", "354 go\r\n", "250 queued\r\n"});
  session_.SetServerEndpoint("game.test", "127.0.0.1", server.Port());
  session_.SetBody(".starts with a dot\nline\n.");
  ASSERT_TRUE(session_.SendGameMail(kPlayer));
  std::string received;
  for (int i = 0; i < 100 && received.find("QUIT\r\n") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    received = server.Received();
  }
  EXPECT_EQ(received.rfind("HELO drannocvorhelm\r\nMAIL FROM:<player@example.org>\r\n", 0), 0u);
  EXPECT_NE(received.find("\r\nRCPT TO:<orders@vorhelm.example.net>\r\nDATA\r\n"), std::string::npos);
  EXPECT_NE(received.find("\r\n\r\n..starts with a dot\r\nline\r\n..\r\n--BOUND-"), std::string::npos) << received;
  EXPECT_NE(received.find("--\r\n\r\n.\r\nQUIT\r\n"), std::string::npos);
  // No bare line feed anywhere in what was sent.
  for (std::size_t i = received.find('\n'); i != std::string::npos; i = received.find('\n', i + 1)) {
    ASSERT_GT(i, 0u);
    EXPECT_EQ(received[i - 1], '\r') << i;
  }
}

TEST_F(SmtpSessionTest, NothingIsSentForBadAddressesOrAMissingAttachment) {
  TScriptedServer server({"220 ready\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n"});
  session_.SetServerEndpoint("game.test", "127.0.0.1", server.Port());
  folder_.Write("Configs/General.cfg", "# defaults\n[APP]\nSMTPServer = game.test\n");
  TSettingsStore settings(folder_.Path("Configs/UserData.cfg").string(), folder_.Path("Configs/General.cfg").string());
  session_.UseSettings(&settings);

  session_.AttachFile("no such file.dvx");
  EXPECT_FALSE(session_.SendGameMail(kPlayer));
  EXPECT_NE(Messages().find("Couldn't read the attachment no such file.dvx"), std::string::npos);
  EXPECT_TRUE(session_.GetAttachmentFile().empty());

  for (const char* from : {"a b@example.org", "x@y>\r\nRCPT TO:<evil@example.org", "", "a@b\nDATA"}) {
    session_.SetBody("hello");
    EXPECT_FALSE(session_.SendGameMail(from)) << from;
    session_.SetBody("hello");
    EXPECT_FALSE(session_.SendTo(from, "friend@example.net")) << from;
  }
  session_.SetBody("hello");
  EXPECT_FALSE(session_.SendTo(kPlayer, "friend@example.net>\r\nRCPT TO:<evil@example.org"));
  EXPECT_EQ(session_.Send("bad address", "<orders@vorhelm.example.net>"), "Invalid sender address");
  EXPECT_EQ(server.Connections(), 0);

  // An attachment that disappears after the connection is made stops the
  // dialogue before any command goes out.
  ASSERT_EQ(session_.Connect("game.test", kPlayer), "");
  session_.AttachFile("gone.dvx");
  EXPECT_EQ(session_.Send(kPlayer, "<orders@vorhelm.example.net>"),
            "Couldn't read the attachment gone.dvx");
  session_.Close();
  for (int i = 0; i < 100 && server.Connections() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.Received(), "");
}

TEST_F(SmtpSessionTest, TraceShowsVerbsAndCodesOnly) {
  TScriptedServer server({"220 ready\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n"});
  session_.SetServerEndpoint("game.test", "127.0.0.1", server.Port());
  std::vector<std::string> trace;
  session_.SetTraceSink([&trace](const std::string& line) { trace.push_back(line); });
  folder_.Write("request.dvx", "password=hunter2");
  session_.AttachFile("request.dvx");
  session_.SetBody("my password is hunter2");
  ASSERT_TRUE(session_.SendGameMail(kPlayer));
  const std::vector<std::string> expected = {
      "received: 220", "def",           "sending HELO",  "received: 250", "sending MAIL", "received: 250",
      "sending RCPT",  "received: 250", "sending DATA",  "received: 354", "sending <message>",
      "received: 250", "sending QUIT"};
  EXPECT_EQ(trace, expected);
}

TEST_F(SmtpSessionTest, UnknownHostsAndPorts) {
  session_.SetServerEndpoint("nowhere.test", "", 25);
  EXPECT_EQ(session_.Connect("nowhere.test", kPlayer), "Couldn't get host nowhere.test");
  EXPECT_EQ(session_.ServerPort("game.test"), 443);
  EXPECT_EQ(session_.ServerPort("smtp.example.org"), 25);
}

// The player's setting fails, the mail program's stored server takes the
// mail; a text mail tells the player nothing on the way.
TEST_F(SmtpSessionTest, TextMailsFailOverQuietly) {
  auto server = StartCaptureServer();
  ASSERT_TRUE(server->IsRunning());
  folder_.Write("Configs/General.cfg", "# defaults\n[APP]\nSMTPServer = dead.test\n");
  TSettingsStore settings(folder_.Path("Configs/UserData.cfg").string(), folder_.Path("Configs/General.cfg").string());
  session_.UseSettings(&settings);
  session_.SetServerEndpoint("dead.test", "127.0.0.1", closedPort_);
  session_.SetServerEndpoint("relay.test", "127.0.0.1", server->Port());
  TRegistryKey software{"Software", true, {}, {}};
  software.subKeys.push_back(TRegistryKey{"Mail Client", true, {{"SMTP Server", "Relay.Test"}}, {}});
  session_.SetRegistrySoftwareKey(software);

  session_.SetBody("See you on the field.");
  ASSERT_TRUE(session_.SendTo(kPlayer, "friend@example.net"));
  EXPECT_EQ(Messages(), "");
  const TReceivedMail mail = CheckHeaders(StoredMail(1), kPlayer, "friend@example.net");
  EXPECT_EQ(mail.rest, TextPart(mail.boundary, "See you on the field.") + "--" + mail.boundary + "--\r\n\r\n");
  EXPECT_NE(StoredEnvelope(1).find("\"rcpt_tos\": [\"friend@example.net\"]"), std::string::npos);
}

// A large file goes out in many partial sends and arrives whole.
TEST_F(SmtpSessionTest, LargeAttachmentArrivesWhole) {
  auto server = StartCaptureServer();
  ASSERT_TRUE(server->IsRunning());
  session_.SetServerEndpoint("game.test", "127.0.0.1", server->Port());
  const std::vector<uint8_t> file = SampleBytes((3u << 20) + 2);
  folder_.WriteBytes("big.dvx", file);
  session_.AttachFile("big.dvx");
  ASSERT_TRUE(session_.SendGameMail(kPlayer)) << Messages();
  const TReceivedMail mail = CheckHeaders(StoredMail(1), kPlayer, TMailSender::kDefaultOrdersMailbox);
  EXPECT_EQ(CheckAttachment(mail.rest, mail.boundary, file), "--" + mail.boundary + "--\r\n\r\n");
}

TEST_F(SmtpSessionTest, ServersOnIpv6) {
  TScriptedServer server({"220 ready\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n"},
                         "::1");
  if (server.Port() == 0) GTEST_SKIP() << "no IPv6 loopback";
  session_.SetServerEndpoint("game.test", "::1", server.Port());
  session_.SetBody("over IPv6");
  ASSERT_TRUE(session_.SendGameMail(kPlayer)) << Messages();
  std::string received;
  for (int i = 0; i < 100 && received.find("QUIT\r\n") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    received = server.Received();
  }
  EXPECT_NE(received.find("\r\n\r\nover IPv6\r\n"), std::string::npos) << received;
}

TEST(MailServerList, OrderOfTheServersTried) {
  TTempFolder folder;
  folder.Write("General.cfg", "# defaults\n[APP]\nSMTPServer = NotSet\n");
  TSettingsStore settings(folder.Path("UserData.cfg").string(), folder.Path("General.cfg").string());
  TSmtpSession session;
  session.UseSettings(&settings);

  TRegistryKey software{"Software", true, {}, {}};
  TRegistryKey client{"Mail Client", true, {{"SMTP Server", std::string("SMTP.First.Example\0junk", 23)}}, {}};
  TRegistryKey other{"Other", true,
                     {{"Default smtp SERVER name", "Second.Example"},
                      {"SMTPServer", "ignored.example"},
                      {"smtp server", std::string(257, 'x')},
                      {"smtp server", "after.the.long.value"}},
                     {}};
  TRegistryKey locked{"Locked", false, {{"SMTP Server", "locked.example"}}, {}};
  TRegistryKey longName{std::string(256, 'k'), true, {{"SMTP Server", "behind.long.name"}}, {}};
  TRegistryKey afterLong{"After", true, {{"SMTP Server", "never.reached"}}, {}};
  client.subKeys.push_back(other);
  software.subKeys = {client, locked, longName, afterLong};
  session.SetRegistrySoftwareKey(software);

  session.BuildSmtpServerList("me@Home.Example");
  const std::vector<std::string> expected = {"vorhelm.example.net", "smtp.Home.Example", "mail.Home.Example",
                                             "second.example", "smtp.first.example"};
  ASSERT_EQ(session.ServerCount(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(session.ServerAt(i), expected[i]);
    EXPECT_EQ(session.RecipientAt(i), "<orders@vorhelm.example.net>");
  }

  settings.SelectSection("APP");
  settings.GetUserFile().SetValue("SMTPServer", "my.relay");
  session.SetOrdersMailbox("other@example.net");
  session.BuildSmtpServerList("no-at-sign");
  ASSERT_EQ(session.ServerCount(), 4u);
  EXPECT_EQ(session.ServerAt(0), "my.relay");
  EXPECT_EQ(session.ServerAt(1), "vorhelm.example.net");
  EXPECT_EQ(session.RecipientAt(3), "<other@example.net>");

  session.BuildSmtpServerList("ends@");
  EXPECT_EQ(session.ServerAt(2), "smtp.");
  EXPECT_EQ(session.ServerAt(3), "mail.");

  session.BuildTextMailServerList();
  ASSERT_EQ(session.ServerCount(), 3u);
  EXPECT_EQ(session.ServerAt(0), "my.relay");
  EXPECT_EQ(session.ServerAt(1), "second.example");
}

}  // namespace
