// The flat interface of the mail library: every entry point once, against
// scripted SMTP and POP3 servers on loopback, checked by what the servers
// hear and what the functions answer.
#include "maillib/mail_api.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

using namespace maillib;

TEST(MailApi, EntryPointsBeforeAttachAndAfterRelease) {
  TMailLibrary library;
  char buffer[128];
  EXPECT_EQ(mailIntegerParam(library, 0, 2, 100), -71);
  EXPECT_EQ(mailStringParam(library, 0, 50, "<a@b>"), -71);
  EXPECT_EQ(mailSmtpConnect(library, 0, "127.0.0.1", "<a@b>", nullptr), -71);
  EXPECT_EQ(mailPop3Connect(library, 0, "127.0.0.1", "u", "p"), -71);
  EXPECT_EQ(mailDebug(library, 0, 23, buffer, sizeof(buffer)), -71);
  EXPECT_EQ(MailChannelQuery(library, 0, 16), -71);
  EXPECT_EQ(MailProtocolDriver(library, 0), -71);
  // The texts of the codes are there before attaching, to explain them.
  EXPECT_EQ(MailErrorText(library, 0, -71, buffer, sizeof(buffer)), 27);
  EXPECT_EQ(std::string(buffer), "Must call mailAttach first.");
  EXPECT_EQ(mailRelease(library), 1);

  EXPECT_EQ(mailAttach(library, 33), -73);
  ASSERT_EQ(mailAttach(library, 2), 1);
  EXPECT_EQ(mailAttach(library, 2), -72);
  EXPECT_EQ(mailClose(library, 2), -73);
  EXPECT_EQ(mailAbort(library, -1), -73);
  EXPECT_EQ(MailChannelQuery(library, 1, 16), 0x0345);
  EXPECT_EQ(mailRelease(library), 1);
  EXPECT_EQ(MailChannelQuery(library, 0, 16), -71);
}

TEST(MailApi, SmtpEntryPoints) {
  TTempFolder folder;
  TScriptedServer server({"220 hi\r\n", "250 hello\r\n", "250 sender ok\r\n", "250 rcpt ok\r\n", "354 go\r\n",
                          "250 queued\r\n", "252 maybe\r\n", "250 noop\r\n", "221 bye\r\n"});
  TMailLibrary library;
  ASSERT_EQ(mailAttach(library, 1), 1);
  EXPECT_EQ(mailIntegerParam(library, 0, 15, server.Port()), 1);
  EXPECT_EQ(mailIntegerParam(library, 0, 2, 2000), 1);
  EXPECT_EQ(mailIntegerParam(library, 0, 1, 1), 1);
  EXPECT_EQ(mailStringParam(library, 0, 20, folder.Path("log.txt").string().c_str()), 1);
  ASSERT_EQ(mailSmtpConnect(library, 0, "127.0.0.1", "Me <me@here.example>", nullptr), 0);
  char buffer[128];
  EXPECT_EQ(mailDebug(library, 0, 25, buffer, sizeof(buffer)), 9);
  EXPECT_EQ(std::string(buffer), "127.0.0.1");
  EXPECT_EQ(mailDebug(library, 0, 28, buffer, sizeof(buffer)), 9);
  EXPECT_EQ(std::string(buffer), "127.0.0.1");
  EXPECT_EQ(mailDebug(library, 0, 23, buffer, sizeof(buffer)), 9);
  EXPECT_EQ(std::string(buffer), "250 hello");
  EXPECT_EQ(MailChannelQuery(library, 0, 20), 1);
  EXPECT_GE(MailChannelQuery(library, 0, 27), 0);

  ASSERT_EQ(mailSendEmail(library, 0, "<you@there.example>", nullptr, nullptr, "Hi", "text", nullptr), 0);
  EXPECT_EQ(mailVerifyUser(library, 0, "<you@there.example>"), 252);
  EXPECT_EQ(MailChannelQuery(library, 0, 24), 252);
  // A raw command in non-blocking mode, driven step by step.
  EXPECT_EQ(mailIntegerParam(library, 0, 9, 0), 1);
  ASSERT_EQ(mailCommand(library, 0, "NOOP"), 0);
  int state = 0;
  int steps = 0;
  do {
    state = MailProtocolDriver(library, 0);
  } while (state > 0 && ++steps < 100000);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(MailChannelQuery(library, 0, 3), 250);
  EXPECT_EQ(mailIntegerParam(library, 0, 9, 1), 1);
  EXPECT_EQ(mailClose(library, 0), 0);
  const std::string heard = server.Received();
  EXPECT_EQ(heard.substr(0, heard.find("DATA\r\n") + 6),
            "HELO here.example\r\nMAIL FROM:<me@here.example>\r\nRCPT TO:<you@there.example>\r\nDATA\r\n");
  EXPECT_NE(heard.find("\r\n\r\ntext\r\n.\r\nVRFY <you@there.example>\r\nNOOP\r\nQUIT\r\n"), std::string::npos)
      << heard;
  EXPECT_EQ(mailRelease(library), 1);
  const std::string log = folder.Read("log.txt");
  for (const char* line : {"*** mailSmtpConnect\r\n", "*** mailSendEmail\r\n", "*** Sending...\r\n",
                           "*** mailVerifyUser\r\n", "*** mailCommand\r\n", "*** mailClose\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST(MailApi, Pop3EntryPoints) {
  TTempFolder folder;
  const std::string message = "Subject: s\r\n\r\nhi\r\n";
  TScriptedServer server({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 18\r\n", "+OK 1 18\r\n",
                          "+OK\r\n" + message + ".\r\n", "+OK\r\n" + message + ".\r\n", "+OK 1 uid-1\r\n",
                          "+OK deleted\r\n", "-ERR what\r\n"});
  TMailLibrary library;
  ASSERT_EQ(mailAttach(library, 1), 1);
  mailIntegerParam(library, 0, 16, server.Port());
  mailIntegerParam(library, 0, 2, 2000);
  mailIntegerParam(library, 0, 6, 2000);
  mailIntegerParam(library, 0, 1, 1);
  EXPECT_EQ(mailStringParam(library, 0, 20, folder.Path("log.txt").string().c_str()), 1);
  ASSERT_EQ(mailPop3Connect(library, 0, "127.0.0.1", "reader", "pw"), 0);
  EXPECT_EQ(mailGetEmailCount(library, 0), 1);
  EXPECT_EQ(mailGetEmailSize(library, 0, 1), 18);
  char buffer[128];
  EXPECT_EQ(mailGetEmailLines(library, 0, 1, 3, buffer, sizeof(buffer)), 18);
  EXPECT_EQ(std::string(buffer), message);
  folder.MakeFolder("m");
  const std::string m = folder.Path("m").string();
  EXPECT_EQ(mailGetEmailFile(library, 0, 1, "one.eml", m.c_str(), m.c_str()), 0);
  EXPECT_EQ(folder.Read("m/one.eml"), message);
  EXPECT_EQ(mailDebug(library, 0, 30, buffer, sizeof(buffer)), static_cast<int>(m.size() + 8));
  EXPECT_EQ(std::string(buffer), m + "/one.eml");
  EXPECT_EQ(mailGetEmailUID(library, 0, 1, buffer, sizeof(buffer)), 7);
  EXPECT_EQ(std::string(buffer), "1 uid-1");
  EXPECT_EQ(mailDelete(library, 0, 1), 0);
  EXPECT_EQ(mailCommand(library, 0, "XYZZY"), -63);
  EXPECT_EQ(MailErrorText(library, 0, -63, buffer, sizeof(buffer)), 30);
  EXPECT_EQ(std::string(buffer), "POP3 returned error. -ERR what");
  // The refusal closed the connection.
  EXPECT_EQ(MailChannelQuery(library, 0, 27), -1);
  EXPECT_EQ(mailDelete(library, 0, 1), -44);
  EXPECT_EQ(mailAbort(library, 0), 1);
  EXPECT_EQ(server.Received(), "USER reader\r\nPASS pw\r\nSTAT\r\nLIST 1\r\nTOP 1 3\r\nRETR 1\r\nUIDL 1\r\nDELE 1\r\nXYZZY\r\n");
  EXPECT_EQ(mailDebug(library, -2, 0, buffer, sizeof(buffer)), 0);
  EXPECT_EQ(mailRelease(library), 1);
  const std::string log = folder.Read("log.txt");
  for (const char* line : {"*** mailPop3Connect\r\n", "*** mailGetEmailCount\r\n", "*** mailGetEmailSize\r\n",
                           "*** mailGetEmailLines\r\n", "*** mailGetEmailFile\r\n", "*** mailGetEmailUID\r\n",
                           "*** mailDelete\r\n", "*** mailAbort\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

}  // namespace
