// The mail library fetching over POP3 from a scripted loopback server: log-in
// by USER/PASS and APOP, the count, sizes, TOP into a bounded buffer, RETR
// decoded into files, unique ids and deletion.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "maillib/mail_codecs.h"
#include "maillib/mail_library.h"
#include "maillib/python_mail.h"
#include "maillib/mail_states.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

using maillib::TMailLibrary;

// The lines of a message as a POP3 server sends them: CR LF ends, a leading
// "." doubled, the end line added.
std::string Pop3Listing(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '.') line = "." + line;
    out += line + "\r\n";
    start = end + 1;
  }
  return out + ".\r\n";
}

std::string AttachmentBytes() {
  std::string bytes;
  for (int i = 0; i < 400; ++i) bytes += static_cast<char>((i * 53 + 5) & 0xFF);
  return bytes;
}

// A multipart message whose attachment is cut off after two lines of
// base64, as a download that breaks off sees it.
std::string CutMessage(const std::string& name) {
  return "Subject: files\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"bb\"\r\n\r\n"
         "--bb\r\nContent-Type: text/plain\r\n\r\nhello\r\n--bb\r\n"
         "Content-Type: application/octet-stream; name=\"" +
         name + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
         maillib::MailEncodeBase64Lines(AttachmentBytes()).substr(0, 2 * 78);
}

// The same message whole, as a POP3 listing.
std::string WholeMessage(const std::string& name) {
  const std::string cut = CutMessage(name);
  return Pop3Listing(cut.substr(0, cut.size() - 2 * 78) + maillib::MailEncodeBase64Lines(AttachmentBytes()) +
                     "--bb--\r\n");
}

const std::vector<std::string> kLogIn = {"+OK ready\r\n", "+OK user\r\n", "+OK pass\r\n"};

std::vector<std::string> AfterLogIn(const std::vector<std::string>& replies) {
  std::vector<std::string> script = kLogIn;
  script.insert(script.end(), replies.begin(), replies.end());
  return script;
}

class MailPop3Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(library_.Attach(1), 1);
    library_.IntegerParam(0, 2, 2000);
    library_.IntegerParam(0, 6, 2000);
    library_.IntegerParam(0, 1, 1);
    library_.IntegerParam(0, 13, 10);
    library_.StringParam(0, 20, folder_.Path("debug.log").string().c_str());
  }

  bool Exists(const std::string& relative) const { return std::filesystem::exists(folder_.Path(relative)); }

  int Fetch(const char* file) {
    folder_.MakeFolder("mail");
    folder_.MakeFolder("files");
    return library_.GetEmailFile(0, 1, file, folder_.Path("mail").string().c_str(),
                                 folder_.Path("files").string().c_str());
  }

  // Runs the driver until the file appears (the download is under way) and
  // the driver waits for more of the message.
  bool DriveUntilExists(const std::string& relative) {
    for (int i = 0; i < 3000; ++i) {
      const int state = library_.ProtocolDriver(0);
      if (state <= 0) return false;
      if (state != 9999) continue;
      if (Exists(relative)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  std::string SavedNames() {
    char names[256];
    library_.Debug(0, 29, names, sizeof(names));
    return names;
  }

  TTempFolder folder_;
  TMailLibrary library_;
};

TEST_F(MailPop3Test, UserPassCountSizesTopAndDelete) {
  const std::string top = "From: a@b\r\nSubject: s\r\n\r\n" + std::string(300, 'x') + "\r\n";
  TScriptedServer server({"+OK ready\r\n", "+OK user\r\n", "+OK pass\r\n", "+OK 2 1320\r\n", "+OK 2 900\r\n",
                          "+OK top\r\n" + Pop3Listing(top), "+OK\r\n" + Pop3Listing("1 uid-one\r\n2 uid-two"),
                          "+OK 2 uid-two\r\n", "+OK deleted\r\n", "-ERR no such message\r\n", "+OK bye\r\n"});
  library_.IntegerParam(0, 16, server.Port());
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  EXPECT_EQ(library_.GetEmailCount(0), 2);
  EXPECT_EQ(library_.GetEmailSize(0, 2), 900);

  std::vector<char> buffer(200, '#');
  EXPECT_EQ(library_.GetEmailLines(0, 1, 1, buffer.data(), 128), 127);
  EXPECT_EQ(std::string(buffer.data()), top.substr(0, 127));
  EXPECT_EQ(buffer[128], '#');
  EXPECT_EQ(library_.ChannelQuery(0, 19), 4);

  char uids[128];
  EXPECT_EQ(library_.GetEmailUID(0, 0, uids, sizeof(uids)), 22);
  EXPECT_EQ(std::string(uids), "1 uid-one\r\n2 uid-two\r\n");
  EXPECT_EQ(library_.GetEmailUID(0, 2, uids, sizeof(uids)), 9);
  EXPECT_EQ(std::string(uids), "2 uid-two");
  EXPECT_EQ(library_.Delete(0, 1), 0);
  EXPECT_EQ(library_.Delete(0, 7), -63);
  char text[128];
  library_.ErrorText(0, -63, text, sizeof(text));
  EXPECT_EQ(std::string(text), "POP3 returned error. -ERR no such message");
  EXPECT_EQ(server.Received(),
            "USER reader\r\nPASS pw\r\nSTAT\r\nLIST 2\r\nTOP 1 1\r\nUIDL\r\nUIDL 2\r\nDELE 1\r\nDELE 7\r\n");

  // Argument checks.
  EXPECT_EQ(library_.GetEmailCount(0), -44);
  EXPECT_EQ(library_.GetEmailSize(0, 0), -64);
  EXPECT_EQ(library_.GetEmailLines(0, 1, 1, buffer.data(), 127), -69);
  EXPECT_EQ(library_.GetEmailUID(0, 1, nullptr, 200), -68);
  EXPECT_EQ(library_.Pop3Connect(0, "127.0.0.1", "", "pw"), -61);
  EXPECT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", ""), -62);
}

TEST_F(MailPop3Test, ApopLogInAndLibraryKeptBuffer) {
  // The example of RFC 1939.
  TScriptedServer server({"+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n", "+OK maildrop\r\n",
                          "+OK\r\n" + Pop3Listing("Subject: kept\r\n\r\nbody"), "+OK bye\r\n"});
  library_.IntegerParam(0, 16, server.Port());
  library_.IntegerParam(0, 30, 1);
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "mrose", "tanstaaf"), 0);
  char star[] = "*";
  EXPECT_EQ(library_.GetEmailLines(0, 1, 0, star, 64), 23);
  char kept[64];
  EXPECT_EQ(library_.Debug(0, 40, kept, sizeof(kept)), 23);
  EXPECT_EQ(std::string(kept), "Subject: kept\r\n\r\nbody\r\n");
  EXPECT_EQ(library_.StringParam(0, 41, folder_.Path("kept.txt").string().c_str()), 23);
  EXPECT_EQ(library_.Close(0), 0);
  EXPECT_EQ(server.Received(), "APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\nTOP 1 0\r\nQUIT\r\n");
  EXPECT_EQ(library_.ChannelQuery(0, 27), -1);

  TScriptedServer plain({"+OK no stamp here\r\n"});
  library_.IntegerParam(0, 16, plain.Port());
  EXPECT_EQ(library_.Pop3Connect(0, "127.0.0.1", "mrose", "tanstaaf"), -57);
}

TEST_F(MailPop3Test, RetrieveDecodesPythonMailIntoFiles) {
  const std::string mail = PythonMail(folder_);
  ASSERT_FALSE(mail.empty());
  TScriptedServer server({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK message\r\n" + Pop3Listing(mail),
                          "+OK bye\r\n"});
  folder_.MakeFolder("mail");
  folder_.MakeFolder("files");
  library_.IntegerParam(0, 16, server.Port());
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  EXPECT_EQ(library_.GetEmailFile(0, 1, "saved.eml", folder_.Path("mail").string().c_str(),
                                  folder_.Path("files").string().c_str()),
            0);
  std::vector<uint8_t> expected;
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 256; ++b) expected.push_back(static_cast<uint8_t>(b));
  }
  EXPECT_EQ(folder_.ReadBytes("files/report.bin"), expected);
  EXPECT_EQ(folder_.Read("files/evil_notes.txt"), "line one\r\nline two\r\n");
  EXPECT_EQ(folder_.Read("files/pic.gif"), std::string("GIF89a\x00\x01\x02", 9));
  char names[256];
  EXPECT_EQ(library_.Debug(0, 29, names, sizeof(names)), 33);
  EXPECT_EQ(std::string(names), "report.bin,evil_notes.txt,pic.gif");
  EXPECT_EQ(library_.ChannelQuery(0, 22), 3);

  const std::string saved = folder_.Read("mail/saved.eml");
  EXPECT_NE(saved.find("Hello reader,\r\n.leading dot line\r\nsee the files.\r\n"), std::string::npos) << saved;
  for (const char* name : {"report.bin", "evil_notes.txt", "pic.gif"}) {
    EXPECT_NE(saved.find("[Attachment saved to \"" + folder_.Path("files").string() + "/" + name + "\"]\r\n"),
              std::string::npos)
        << name;
  }
  EXPECT_EQ(saved.find("AAECAwQFBgcICQoL"), std::string::npos);
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"debug.log", "files", "mail", "python.eml"}));
  EXPECT_EQ(library_.Close(0), 0);

  EXPECT_EQ(library_.GetEmailFile(0, 1, "x", "y", "z"), -59);
}

TEST_F(MailPop3Test, NonBlockingDownloadStates) {
  TScriptedServer server({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\n" + Pop3Listing("Subject: s\r\n\r\nhi"),
                          "+OK bye\r\n"});
  library_.IntegerParam(0, 16, server.Port());
  library_.IntegerParam(0, 9, 0);
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{101, 104, 105, 106, 301, 303, 304, 305, 306, 0}));
  folder_.MakeFolder("m");
  ASSERT_EQ(library_.GetEmailFile(0, 1, "one.eml", folder_.Path("m").string().c_str(),
                                  folder_.Path("m").string().c_str()),
            0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{312, 313, 0}));
  EXPECT_EQ(folder_.Read("m/one.eml"), "Subject: s\r\n\r\nhi\r\n");
}

TEST_F(MailPop3Test, NonBlockingStatesOfEveryOperation) {
  const std::string message = "Subject: s\r\n\r\nhi\r\n";
  TScriptedServer server({"+OK ready <12.34@loopback.test>\r\n", "+OK in\r\n", "+OK 2 320\r\n",
                          "+OK 1 120\r\n", "+OK top\r\n" + Pop3Listing(message),
                          "+OK msg\r\n" + Pop3Listing(message), "+OK\r\n" + Pop3Listing("1 u1\r\n2 u2\r\n"),
                          "+OK 2 u2\r\n", "+OK deleted\r\n", "+OK noop\r\n", "+OK bye\r\n"});
  library_.IntegerParam(0, 16, server.Port());
  library_.IntegerParam(0, 30, 1);
  library_.IntegerParam(0, 9, 0);
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{101, 104, 105, 106, 301, 302, 306, 0}));
  ASSERT_EQ(library_.GetEmailCount(0), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{308, 0}));
  EXPECT_EQ(library_.ChannelQuery(0, 17), 2);
  ASSERT_EQ(library_.GetEmailSize(0, 1), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{318, 0}));
  EXPECT_EQ(library_.ChannelQuery(0, 18), 120);
  char buffer[256];
  ASSERT_EQ(library_.GetEmailLines(0, 1, 5, buffer, sizeof(buffer)), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{314, 313, 0}));
  EXPECT_EQ(std::string(buffer), message);
  ASSERT_EQ(Fetch("one.eml"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{312, 313, 0}));
  EXPECT_EQ(folder_.Read("mail/one.eml"), message);
  ASSERT_EQ(library_.GetEmailUID(0, 0, buffer, sizeof(buffer)), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{321, 0}));
  EXPECT_EQ(std::string(buffer), "1 u1\r\n2 u2\r\n");
  ASSERT_EQ(library_.GetEmailUID(0, 2, buffer, sizeof(buffer)), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{321, 0}));
  EXPECT_EQ(std::string(buffer), "2 u2");
  ASSERT_EQ(library_.Delete(0, 2), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{315, 0}));
  ASSERT_EQ(library_.Command(0, "NOOP"), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{399, 0}));
  ASSERT_EQ(library_.Close(0), 0);
  EXPECT_EQ(DriveStates(library_, 0), (std::vector<int>{259, 0}));
  const std::string heard = server.Received();
  EXPECT_EQ(heard.substr(heard.find("\r\n") + 2),
            "STAT\r\nLIST 1\r\nTOP 1 5\r\nRETR 1\r\nUIDL\r\nUIDL 2\r\nDELE 2\r\nNOOP\r\nQUIT\r\n");
  // An idle channel's driver has nothing to do.
  EXPECT_EQ(library_.ProtocolDriver(0), 0);
}

// A download that is aborted, loses its connection or is overtaken by the
// next operation leaves no half-written attachment and reports none saved.
TEST_F(MailPop3Test, AbortedDownloadDropsTheUnfinishedAttachment) {
  {
    TScriptedServer server(AfterLogIn({"+OK message\r\n" + CutMessage("first.bin")}));
    library_.IntegerParam(0, 16, server.Port());
    ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
    library_.IntegerParam(0, 9, 0);
    ASSERT_EQ(Fetch("one.eml"), 0);
    ASSERT_TRUE(DriveUntilExists("files/first.bin"));
    EXPECT_EQ(library_.Abort(0), 1);
  }
  EXPECT_FALSE(Exists("files/first.bin"));
  const std::string saved = folder_.Read("mail/one.eml");
  EXPECT_NE(saved.find("hello\r\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("[Attachment saved"), std::string::npos) << saved;
  EXPECT_EQ(library_.ChannelQuery(0, 27), -1);
  EXPECT_TRUE(library_.Channel(0)->blocking);
  EXPECT_EQ(library_.ProtocolDriver(0), 0);

  // The channel works again afterwards.
  TScriptedServer server(AfterLogIn({"+OK message\r\n" + WholeMessage("second.bin")}));
  library_.IntegerParam(0, 16, server.Port());
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  ASSERT_EQ(Fetch("two.eml"), 0);
  EXPECT_EQ(folder_.Read("files/second.bin"), AttachmentBytes());
  EXPECT_EQ(SavedNames(), "second.bin");
}

TEST_F(MailPop3Test, LostConnectionMidDownloadSavesNothingHalfDone) {
  TScriptedServer server(AfterLogIn({"+OK message\r\n" + CutMessage("cut.bin") + "<close>"}));
  library_.IntegerParam(0, 16, server.Port());
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  EXPECT_EQ(Fetch("cut.eml"), -51);
  EXPECT_FALSE(Exists("files/cut.bin"));
  EXPECT_EQ(folder_.Read("mail/cut.eml").find("[Attachment saved"), std::string::npos);
  EXPECT_EQ(SavedNames(), "");
  EXPECT_EQ(library_.ChannelQuery(0, 22), 0);
  EXPECT_EQ(library_.ChannelQuery(0, 27), -1);
}

TEST_F(MailPop3Test, NextOperationEndsAnUnfinishedDownload) {
  // The first listing never ends; the second RETR gets a whole message.
  TScriptedServer server(
      AfterLogIn({"+OK message\r\n" + CutMessage("first.bin"), "+OK message\r\n" + WholeMessage("second.bin")}));
  library_.IntegerParam(0, 16, server.Port());
  ASSERT_EQ(library_.Pop3Connect(0, "127.0.0.1", "reader", "pw"), 0);
  library_.IntegerParam(0, 9, 0);
  ASSERT_EQ(Fetch("one.eml"), 0);
  ASSERT_TRUE(DriveUntilExists("files/first.bin"));
  library_.IntegerParam(0, 9, 1);
  EXPECT_EQ(Fetch("two.eml"), 0);
  EXPECT_FALSE(Exists("files/first.bin"));
  EXPECT_EQ(folder_.Read("mail/one.eml").find("[Attachment saved"), std::string::npos);
  EXPECT_EQ(folder_.Read("files/second.bin"), AttachmentBytes());
  EXPECT_EQ(SavedNames(), "second.bin");
}

}  // namespace
