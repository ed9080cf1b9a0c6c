// The mail library sending over SMTP to a loopback aiosmtpd, and what
// Python's email package reads in the mails that arrive.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "maillib/mail_codecs.h"
#include "maillib/mail_library.h"
#include "maillib/mail_states.h"
#include "support/python_server.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

using maillib::TMailLibrary;

const char* const kFrom = "Sender <sender@sender.example>";

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<uint8_t>(c) >> 4];
    hex += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return hex;
}

// The content types of a mail's parts in walk order, joined by blanks.
std::string Tree(const std::string& parts) {
  std::string tree;
  std::size_t start = 0;
  while ((start = parts.find("TREE ", start)) != std::string::npos) {
    const std::size_t end = parts.find('\n', start);
    tree += (tree.empty() ? "" : " ") + parts.substr(start + 5, end - start - 5);
    start = end;
  }
  return tree;
}

// What Python's email package reads in a mail file (see mail_parts.py).
std::string PythonParts(const std::string& path) {
  const std::string command = std::string("/usr/bin/python3 '") + DVX_TEST_FIXTURES "/../maillib/mail_parts.py' '" +
                              path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
  std::string out;
  char chunk[4096];
  while (pipe && std::fgets(chunk, sizeof(chunk), pipe.get()) != nullptr) out += chunk;
  return out;
}

std::string BinaryBytes(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>((i * 131 + 7) & 0xFF);
  return bytes;
}

class MailSmtpTest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> arguments = {}) {
    folder_.MakeFolder("mails");
    arguments.insert(arguments.begin(), folder_.Path("mails").string());
    server_ = std::make_unique<TPythonServer>("smtp_capture_server.py", arguments);
    ASSERT_TRUE(server_->IsRunning());
    ASSERT_EQ(library_.Attach(2), 1);
    // Failing cases end in seconds.
    library_.IntegerParam(0, 2, 5000);
    library_.IntegerParam(0, 3, 5000);
    library_.IntegerParam(0, 1, 1);
    library_.IntegerParam(0, 15, server_->Port());
    library_.StringParam(0, 20, folder_.Path("debug.log").string().c_str());
  }

  std::string Mail(int n) const { return folder_.Read("mails/" + std::to_string(n) + ".eml"); }
  std::string Envelope(int n) const { return folder_.Read("mails/" + std::to_string(n) + ".json"); }
  std::string Parts(int n) const { return PythonParts(folder_.Path("mails/" + std::to_string(n) + ".eml").string()); }

  TTempFolder folder_;
  std::unique_ptr<TPythonServer> server_;
  TMailLibrary library_;
};

TEST_F(MailSmtpTest, HeloRecipientsAndDotLines) {
  Start();
  ASSERT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, "<replies@sender.example>"), 0);
  const std::string body = "First line\n.\n.hidden start\n..two dots\nlast";
  ASSERT_EQ(library_.SendEmail(0, "Ann <ann@to.example>, <bob@to.example>", "<carl@cc.example>",
                               "<dora@bcc.example>", "Greetings", body.c_str(), nullptr),
            0);
  EXPECT_EQ(library_.Close(0), 0);

  const std::string envelope = Envelope(1);
  EXPECT_NE(envelope.find("\"helo\": \"sender.example\""), std::string::npos) << envelope;
  EXPECT_NE(envelope.find("\"mail_from\": \"sender@sender.example\""), std::string::npos);
  EXPECT_NE(envelope.find("[\"ann@to.example\", \"bob@to.example\", \"carl@cc.example\", \"dora@bcc.example\"]"),
            std::string::npos)
      << envelope;
  const std::string mail = Mail(1);
  EXPECT_NE(mail.find("\r\n\r\nFirst line\r\n.\r\n.hidden start\r\n..two dots\r\nlast\r\n"), std::string::npos)
      << mail;
  const std::string parts = Parts(1);
  EXPECT_NE(parts.find("HEADER To: Ann <ann@to.example>, <bob@to.example>\n"), std::string::npos) << parts;
  EXPECT_NE(parts.find("HEADER CC: <carl@cc.example>\n"), std::string::npos);
  EXPECT_NE(parts.find("HEADER Reply-To: <replies@sender.example>\n"), std::string::npos);
  EXPECT_NE(parts.find("HEADER Subject: Greetings\n"), std::string::npos);
  EXPECT_NE(parts.find("HEADER X-Mailer: DVX Mail Engine Version 3.4\n"), std::string::npos);
  EXPECT_NE(parts.find("DATE True\n"), std::string::npos);
  EXPECT_EQ(parts.find("dora"), std::string::npos);
  EXPECT_NE(parts.find("DEFECTS 0\n"), std::string::npos);
  EXPECT_EQ(library_.Channel(0)->mode, 0);
  EXPECT_FALSE(library_.Memory().InUse(0, maillib::kSlotTo));
}

// EHLO, with the method the server offers first in the order CRAM-MD5,
// LOGIN, PLAIN; the greeting runs step by step, the mail then blocking.
TEST_F(MailSmtpTest, AuthenticationMethodsAreChosenInOrder) {
  struct Case {
    bool auth;
    std::vector<std::string> exclude;
    const char* logLine;
    std::vector<int> states;
  };
  const std::vector<int> greeting = {101, 104, 105, 106, 201, 202, 203};
  const Case cases[] = {
      {false, {}, "*** Sending", {0}},
      {true, {}, "AUTH CRAM-MD5 ok", {150, 151, 152, 153, 0}},
      {true, {"CRAM-MD5"}, "AUTH LOGIN ok", {160, 162, 163, 164, 0}},
      {true, {"CRAM-MD5", "LOGIN"}, "AUTH PLAIN ok", {170, 171, 0}},
  };
  for (const Case& test : cases) {
    TTempFolder folder;
    folder.MakeFolder("mails");
    std::vector<std::string> arguments = {folder.Path("mails").string()};
    if (test.auth) arguments.push_back("--auth");
    for (const std::string& mechanism : test.exclude) {
      arguments.push_back("--exclude");
      arguments.push_back(mechanism);
    }
    TPythonServer server("smtp_capture_server.py", arguments);
    ASSERT_TRUE(server.IsRunning());
    TMailLibrary library;
    ASSERT_EQ(library.Attach(1), 1);
    library.IntegerParam(0, 15, server.Port());
    library.IntegerParam(0, 29, 1);
    library.IntegerParam(0, 2, 5000);
    library.IntegerParam(0, 1, 1);
    library.IntegerParam(0, 9, 0);
    library.StringParam(0, 58, "tester");
    library.StringParam(0, 57, "s3cret");
    library.StringParam(0, 20, folder.Path("debug.log").string().c_str());
    ASSERT_EQ(library.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), 0) << test.logLine;
    std::vector<int> expected = greeting;
    expected.insert(expected.end(), test.states.begin(), test.states.end());
    EXPECT_EQ(DriveStates(library, 0), expected) << test.logLine;
    library.IntegerParam(0, 9, 1);
    ASSERT_EQ(library.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "Auth", "body", nullptr), 0);
    EXPECT_EQ(library.Close(0), 0);
    EXPECT_NE(folder.Read("debug.log").find(test.logLine), std::string::npos) << test.logLine;
    EXPECT_NE(folder.Read("mails/1.json").find(test.auth ? "\"auth\": \"tester\"" : "\"auth\": null"),
              std::string::npos)
        << test.logLine;
    EXPECT_EQ(folder.Read("debug.log").find("s3cret"), std::string::npos);
  }
}

TEST_F(MailSmtpTest, WrongPasswordAndRefusalsFailWithTheirCodes) {
  Start({"--auth", "--exclude", "CRAM-MD5"});
  library_.IntegerParam(0, 29, 1);
  library_.StringParam(0, 58, "tester");
  library_.StringParam(0, 57, "wrong");
  EXPECT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), -49);
  char text[256];
  library_.ErrorText(0, -49, text, sizeof(text));
  EXPECT_EQ(std::string(text).rfind("SMTP returned error. 535", 0), 0u) << text;
  EXPECT_EQ(library_.ChannelQuery(0, 3), 535);
  EXPECT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "x", "y", nullptr), -44);

  // Argument checks come before any traffic.
  EXPECT_EQ(library_.SmtpConnect(0, "", kFrom, nullptr), -50);
  EXPECT_EQ(library_.SmtpConnect(0, "127.0.0.1", nullptr, nullptr), -38);
  EXPECT_EQ(library_.SmtpConnect(0, "bad@host", kFrom, nullptr), -56);
  EXPECT_EQ(library_.SmtpConnect(0, "127.0.0.1", "sender@x", nullptr), -41);
  EXPECT_EQ(library_.SmtpConnect(0, "127.0.0.1", "<sender@x", nullptr), -43);
  EXPECT_EQ(library_.SendEmail(1, "<a@b>", nullptr, nullptr, "x", "y", nullptr), -58);
  library_.IntegerParam(0, 29, 0);
  ASSERT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), 0);
  EXPECT_EQ(library_.SendEmail(0, "", nullptr, nullptr, "x", "y", nullptr), -45);
  EXPECT_EQ(library_.SendEmail(0, "<ann@to.example", nullptr, nullptr, "x", "y", nullptr), -43);
  EXPECT_EQ(library_.SendEmail(0, "<ann@to.example>", "carl@cc", nullptr, "x", "y", nullptr), -41);
}

TEST_F(MailSmtpTest, BodyFormatsReadBackThroughPython) {
  Start();
  const std::string text = "Caf\xE9 cr\xE8me = price.\n.dot line\n" + std::string(150, 'w') +
                           "\ntrailing blank \nend";
  struct Case {
    int format;
    const char* contentType;
    const char* encoding;
  };
  const Case cases[] = {
      {1, "text/plain", "quoted-printable"},
      {3, "text/enriched", "quoted-printable"},
      {4, "text/plain", "quoted-printable"},
      {9, "text/x-custom", "quoted-printable"},
  };
  library_.StringParam(0, 54, "Content-Type: text/x-custom");
  ASSERT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), 0);
  int n = 0;
  for (const Case& test : cases) {
    library_.IntegerParam(0, 8, test.format);
    ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "Format", text.c_str(), nullptr), 0);
    const std::string parts = Parts(++n);
    EXPECT_NE(parts.find(std::string("PART ") + test.contentType + "\t-\t-\t" + test.encoding + "\t" + Hex(text)),
              std::string::npos)
        << test.format << "\n" << parts;
    // Quoted-printable lines stay within 76 characters.
    const std::string mail = Mail(n);
    std::size_t start = 0;
    while (start < mail.size()) {
      const std::size_t end = mail.find("\r\n", start);
      if (end == std::string::npos) break;
      EXPECT_LE(end - start, 76u) << test.format;
      start = end + 2;
    }
  }
  // Plain text: 8-bit bytes become "~" and long lines wrap at a blank.
  library_.IntegerParam(0, 8, 0);
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi";
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "Plain", ("\xE9t\xE9\n" + words).c_str(),
                               nullptr),
            0);
  const std::string plain = Mail(++n);
  EXPECT_NE(plain.find("\r\n\r\n~t~\r\nalpha beta gamma delta epsilon zeta eta theta iota kappa lambda \r\nmu nu"),
            std::string::npos)
      << plain;
  EXPECT_EQ(library_.Close(0), 0);
}

TEST_F(MailSmtpTest, AlternateTextImagesAndAttachments) {
  Start();
  folder_.Write("files/picture.gif", "GIF89a-not-really");
  folder_.Write("files/data.bin", BinaryBytes(1000));
  folder_.Write("files/notes.txt", "note one\nnote two\n");
  library_.IntegerParam(0, 8, 2);
  library_.IntegerParam(0, 60, 0);
  ASSERT_EQ(library_.StringParam(0, 59, "plain words"), 11);
  ASSERT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), 0);
  const std::string files = folder_.Path("files/picture.gif").string() + "," +
                            folder_.Path("files/data.bin").string() + "|shown.bin";
  const char* html = "<html><body><img src=\"cid:message-root.1\"></body></html>";
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "Rich", html, files.c_str()), 0);

  const std::string parts = Parts(1);
  EXPECT_EQ(Tree(parts), "multipart/related multipart/alternative text/plain text/html image/gif "
                        "application/octet-stream");
  EXPECT_NE(parts.find("PART text/plain\t-\t-\t-\t" + Hex("plain words")), std::string::npos) << parts;
  EXPECT_NE(parts.find("PART text/html\t-\t-\t-\t" + Hex(html)), std::string::npos) << parts;
  EXPECT_NE(parts.find("PART image/gif\tpicture.gif\t<message-root.1>\tbase64\t" + Hex("GIF89a-not-really")),
            std::string::npos);
  EXPECT_NE(parts.find("PART application/octet-stream\tshown.bin\t-\tbase64\t" + Hex(BinaryBytes(1000))),
            std::string::npos);
  EXPECT_NE(parts.find("DEFECTS 0\n"), std::string::npos);
  // Base64 goes out in lines of 76 characters.
  const std::string mail = Mail(1);
  const std::string firstLine = maillib::MailEncodeBase64(BinaryBytes(57));
  EXPECT_NE(mail.find("\r\n" + firstLine + "\r\n"), std::string::npos);
  EXPECT_EQ(firstLine.size(), 76u);

  // Text attachments as quoted-printable text parts.
  library_.StringParam(0, 59, "");
  library_.IntegerParam(0, 8, 1);
  library_.IntegerParam(0, 60, 1);
  const std::string notes = folder_.Path("files/notes.txt").string();
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "Notes", "see notes", notes.c_str()), 0);
  const std::string second = Parts(2);
  EXPECT_EQ(Tree(second), "multipart/mixed text/plain text/plain");
  EXPECT_NE(second.find("PART text/plain\t-\t-\tquoted-printable\t" + Hex("see notes")), std::string::npos);
  EXPECT_NE(second.find("PART text/plain\tnotes.txt\t-\tquoted-printable\t" + Hex("note one\nnote two\n")),
            std::string::npos)
      << second;
  EXPECT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "x", "y",
                               folder_.Path("files/missing.bin").string().c_str()),
            -35);
}

TEST_F(MailSmtpTest, NonBlockingStepsReturnTheStates) {
  Start();
  library_.IntegerParam(0, 9, 0);
  ASSERT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{101, 104, 105, 106, 201, 202, 203, 0}));
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, "<bob@to.example>", "Steps", "one\ntwo", nullptr), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{205, 206, 207, 208, 206, 207, 208, 209, 210, 221, 223, 224, 225, 227, 233, 238,
                                       240, 241, 245, 252, 0}));
  ASSERT_EQ(library_.Close(0), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{259, 0}));
  EXPECT_NE(Mail(1).find("Subject: Steps\r\n"), std::string::npos);
}

// Every header and part state in its place: HTML with an alternate text,
// Reply-To, CC, BCC, extra headers, an inline image and a binary file; then
// quoted-printable with a text attachment; then a body from a file with no
// subject and no "To:" header.
TEST_F(MailSmtpTest, NonBlockingStatesOfEveryMessageShape) {
  Start();
  folder_.Write("files/picture.gif", "GIF89a-not-really");
  folder_.Write("files/data.bin", BinaryBytes(100));
  folder_.Write("files/notes.txt", "note one\n");
  folder_.Write("files/body.txt", "body from a file\n");
  library_.IntegerParam(0, 9, 0);
  ASSERT_EQ(library_.SmtpConnect(0, "127.0.0.1", kFrom, "<replies@sender.example>"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{101, 104, 105, 106, 201, 202, 203, 0}));

  library_.IntegerParam(0, 8, 2);
  ASSERT_EQ(library_.StringParam(0, 59, "plain words"), 11);
  ASSERT_EQ(library_.StringParam(0, 51, "X-Extra: yes"), 13);
  const std::string files = folder_.Path("files/picture.gif").string() + "," + folder_.Path("files/data.bin").string();
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", "<carl@cc.example>", "<dora@bcc.example>", "Rich",
                               "<p>hi</p>", files.c_str()),
            0);
  EXPECT_EQ(DriveStates(library_, 0),
            (std::vector<int>{205, 206, 207, 208, 206, 207, 208, 206, 207, 208, 209, 210, 221, 223, 224, 225, 226,
                              227, 228, 229, 230, 233, 234, 400, 401, 402, 236, 238, 240, 241, 245, 260, 261, 262,
                              263, 264, 265, 260, 261, 262, 263, 264, 265, 251, 252, 0}));
  EXPECT_NE(Mail(1).find("\r\nX-Extra: yes\r\n"), std::string::npos);
  EXPECT_EQ(Tree(Parts(1)), "multipart/related multipart/alternative text/plain text/html image/gif "
                            "application/octet-stream");

  library_.StringParam(0, 59, "");
  library_.StringParam(0, 51, "");
  library_.StringParam(0, 50, "");
  library_.IntegerParam(0, 8, 1);
  library_.IntegerParam(0, 60, 1);
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "Notes", "see notes",
                               folder_.Path("files/notes.txt").string().c_str()),
            0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{205, 206, 207, 208, 209, 210, 221, 223, 224, 225, 227, 229,
                                                        230, 233, 234, 236, 237, 238, 240, 241, 245, 260, 261,
                                                        262, 263, 264, 267, 251, 252, 0}));

  library_.IntegerParam(0, 8, 0);
  library_.IntegerParam(0, 22, 1);
  const std::string body = "@" + folder_.Path("files/body.txt").string();
  ASSERT_EQ(library_.SendEmail(0, "<ann@to.example>", nullptr, nullptr, nullptr, body.c_str(), nullptr), 0);
  EXPECT_EQ(DriveStates(library_, 0),
            (std::vector<int>{205, 206, 207, 208, 209, 210, 221, 223, 225, 233, 238, 244, 241, 245, 252, 0}));
  const std::string third = Mail(3);
  EXPECT_EQ(third.find("Subject:"), std::string::npos) << third;
  EXPECT_EQ(third.find("To:"), std::string::npos) << third;
  EXPECT_NE(third.find("\r\n\r\nbody from a file\r\n"), std::string::npos) << third;

  ASSERT_EQ(library_.VerifyUser(0, "<ann@to.example>"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{271, 0}));
  EXPECT_EQ(library_.ChannelQuery(0, 24), 252);
  ASSERT_EQ(library_.Command(0, "NOOP"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{299, 0}));
  EXPECT_EQ(library_.ChannelQuery(0, 3), 250);
  ASSERT_EQ(library_.Close(0), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{259, 0}));
}

TEST(MailSmtpFailures, ClosedSilentAndRefusingServers) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  library.IntegerParam(0, 2, 300);
  library.IntegerParam(0, 3, 2000);
  library.IntegerParam(0, 13, 10);
  library.IntegerParam(0, 1, 1);
  {
    TScriptedServer server({"220 hi\r\n", "<close>"});
    library.IntegerParam(0, 15, server.Port());
    EXPECT_EQ(library.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), -51);
  }
  {
    TScriptedServer server({"220 hi\r\n", "<silent>"});
    library.IntegerParam(0, 15, server.Port());
    EXPECT_EQ(library.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), -8);
  }
  {
    TScriptedServer server({"220 hi\r\n", "250-first\r\n250 second\r\n", "250 ok\r\n", "451 try later\r\n"});
    library.IntegerParam(0, 15, server.Port());
    ASSERT_EQ(library.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), 0);
    EXPECT_EQ(library.ChannelQuery(0, 3), 250);
    EXPECT_EQ(library.SendEmail(0, "<ann@to.example>", nullptr, nullptr, "x", "y", nullptr), -49);
    char text[128];
    library.ErrorText(0, -49, text, sizeof(text));
    EXPECT_EQ(std::string(text), "SMTP returned error. 451 try later");
    EXPECT_EQ(library.ChannelQuery(0, 27), -1);
  }
  uint16_t port = 0;
  {
    platform::TcpListener closed;
    ASSERT_TRUE(closed.Listen("127.0.0.1"));
    port = closed.Port();
  }
  library.IntegerParam(0, 15, port);
  EXPECT_EQ(library.SmtpConnect(0, "127.0.0.1", kFrom, nullptr), -36);
  EXPECT_EQ(library.ChannelQuery(0, 4), -10061);
}

// A QUIT that fails still ends the session: the message copies go and the
// channel takes no mail until it connects again.
TEST(MailSmtpFailures, FailedQuitStillEndsTheSession) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  library.IntegerParam(0, 2, 1000);
  library.IntegerParam(0, 1, 1);
  TScriptedServer server({"220 hi\r\n", "250 hello\r\n", "<close>"});
  library.IntegerParam(0, 15, server.Port());
  ASSERT_EQ(library.SmtpConnect(0, "127.0.0.1", "<me@here.example>", nullptr), 0);
  ASSERT_EQ(library.StringParam(0, 59, "alternate"), 9);
  ASSERT_EQ(library.StringParam(0, 51, "X-Header: 1"), 12);
  EXPECT_EQ(library.Close(0), -51);
  EXPECT_EQ(library.Channel(0)->mode, 0);
  EXPECT_FALSE(library.Memory().InUse(0, maillib::kSlotExtraHeaders));
  EXPECT_FALSE(library.Memory().InUse(0, maillib::kSlotAlternateText));
  EXPECT_EQ(library.SendEmail(0, "<a@b.example>", nullptr, nullptr, "s", "m", nullptr), -58);
}

}  // namespace
