// The mail library fetching from a real dovecot POP3 server on loopback:
// log-in by USER/PASS and APOP, the count, sizes, TOP into a bounded buffer,
// RETR decoded into files, lines that begin with ".", unique ids, and
// deletion that holds after the session ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "maillib/mail_library.h"
#include "maillib/python_mail.h"
#include "support/dovecot_server.h"
#include "support/temp_folder.h"

namespace {

using maillib::TMailLibrary;

// The text with every line ended by CR LF, as the server sends and counts it.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n') out += '\r';
    out += text[i];
  }
  return out;
}

const std::string kPlainMessage =
    "From: Sender <sender@loopback.test>\nTo: reader@loopback.test\nSubject: plain one\n\n"
    "First line of the plain message.\nSecond line.\n";

// Lines that a server must stuff and a client unstuff; the lone "." would end
// the message early if the stuffing were lost on either side.
const std::string kDotMessage =
    "From: sender@loopback.test\nSubject: dots\n\nbefore\n.\n..\n.hidden start\n...three\nafter\n";

class MailPop3DovecotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    multipart_ = PythonMail(folder_);
    ASSERT_FALSE(multipart_.empty());
    messages_ = {kPlainMessage, multipart_, kDotMessage};
    server_ = std::make_unique<TDovecotServer>(messages_);
    ASSERT_TRUE(server_->IsRunning()) << server_->Failure();
    ASSERT_EQ(library_.Attach(1), 1);
    library_.IntegerParam(0, 2, 5000);
    library_.IntegerParam(0, 6, 5000);
    library_.IntegerParam(0, 1, 1);
    library_.IntegerParam(0, 13, 10);
    library_.IntegerParam(0, 16, server_->Port());
    library_.StringParam(0, 20, folder_.Path("debug.log").string().c_str());
    folder_.MakeFolder("mail");
    folder_.MakeFolder("files");
  }

  int LogIn(bool apop, const char* password = TDovecotServer::kPassword) {
    library_.IntegerParam(0, 30, apop ? 1 : 0);
    return library_.Pop3Connect(0, "127.0.0.1", TDovecotServer::kUser, password);
  }

  std::string Uids() {
    char buffer[512];
    const int length = library_.GetEmailUID(0, 0, buffer, sizeof(buffer));
    EXPECT_GT(length, 0);
    return length > 0 ? std::string(buffer) : std::string();
  }

  int Retrieve(int number, const char* file) {
    return library_.GetEmailFile(0, number, file, folder_.Path("mail").string().c_str(),
                                 folder_.Path("files").string().c_str());
  }

  std::string SavedNames() {
    char names[256];
    library_.Debug(0, 29, names, sizeof(names));
    return names;
  }

  TTempFolder folder_;
  std::string multipart_;
  std::vector<std::string> messages_;
  std::unique_ptr<TDovecotServer> server_;
  TMailLibrary library_;
};

// The listing of UIDL split into its "number id" lines.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

TEST_F(MailPop3DovecotTest, UserPassCountSizesAndUniqueIds) {
  ASSERT_EQ(LogIn(false), 0) << server_->Log();
  EXPECT_EQ(library_.GetEmailCount(0), 3);
  for (int number = 1; number <= 3; ++number) {
    EXPECT_EQ(library_.GetEmailSize(0, number),
              static_cast<int>(WithCrLf(messages_[static_cast<std::size_t>(number) - 1]).size()))
        << "message " << number;
  }

  const std::vector<std::string> listed = Lines(Uids());
  ASSERT_EQ(listed.size(), 3u);
  std::set<std::string> ids;
  for (int number = 1; number <= 3; ++number) {
    const std::string& line = listed[static_cast<std::size_t>(number) - 1];
    EXPECT_EQ(line.substr(0, line.find(' ')), std::to_string(number));
    ids.insert(line.substr(line.find(' ') + 1));
    char one[128];
    EXPECT_EQ(library_.GetEmailUID(0, number, one, sizeof(one)), static_cast<int>(line.size()));
    EXPECT_EQ(std::string(one), line);
  }
  EXPECT_EQ(ids.size(), 3u);
  // The server's refusal fails the call, and the library drops the session.
  EXPECT_EQ(library_.GetEmailSize(0, 4), -63);
  EXPECT_EQ(library_.GetEmailCount(0), -44);
}

TEST_F(MailPop3DovecotTest, LogInByEitherMethodAndWrongPasswords) {
  // Dovecot offers APOP here: its greeting carries a time stamp.
  ASSERT_NE(server_->Greeting().find('<'), std::string::npos) << server_->Greeting();
  for (const bool apop : {false, true}) {
    SCOPED_TRACE(apop ? "APOP" : "USER/PASS");
    ASSERT_EQ(LogIn(apop), 0) << server_->Log();
    EXPECT_EQ(library_.GetEmailCount(0), 3);
    EXPECT_EQ(library_.Close(0), 0);
  }
  // After the good log-ins: the server slows log-ins down after a failure.
  for (const bool apop : {false, true}) {
    SCOPED_TRACE(apop ? "APOP" : "USER/PASS");
    EXPECT_EQ(LogIn(apop, "wrong-password"), -63);
    char text[160];
    library_.ErrorText(0, -63, text, sizeof(text));
    EXPECT_EQ(std::string(text).rfind("POP3 returned error. -ERR", 0), 0u) << text;
    EXPECT_EQ(library_.GetEmailCount(0), -44);
  }
}

TEST_F(MailPop3DovecotTest, TopFillsOnlyTheCallerBuffer) {
  ASSERT_EQ(LogIn(false), 0) << server_->Log();
  const std::string plain = WithCrLf(kPlainMessage);
  const std::string headersAndOneLine = plain.substr(0, plain.find("Second line."));

  std::vector<char> whole(512, '#');
  EXPECT_EQ(library_.GetEmailLines(0, 1, 1, whole.data(), 512), static_cast<int>(headersAndOneLine.size()));
  EXPECT_EQ(std::string(whole.data()), headersAndOneLine);

  // The whole multipart message asked for, into buffers too small for it.
  const std::string multipart = WithCrLf(multipart_);
  for (const int size : {128, 300, 1500}) {
    SCOPED_TRACE(size);
    std::vector<char> buffer(static_cast<std::size_t>(size) + 16, '#');
    EXPECT_EQ(library_.GetEmailLines(0, 2, 1000, buffer.data(), size), size - 1);
    EXPECT_EQ(std::string(buffer.data()), multipart.substr(0, static_cast<std::size_t>(size) - 1));
    EXPECT_TRUE(std::all_of(buffer.begin() + size, buffer.end(), [](char c) { return c == '#'; }));
  }

  // Every body line of the dotted message arrives unstuffed.
  std::vector<char> dots(512, '#');
  const std::string dotted = WithCrLf(kDotMessage);
  EXPECT_EQ(library_.GetEmailLines(0, 3, 20, dots.data(), 512), static_cast<int>(dotted.size()));
  EXPECT_EQ(std::string(dots.data()), dotted);
  EXPECT_EQ(library_.Close(0), 0);
}

TEST_F(MailPop3DovecotTest, RetrieveDecodesTheMultipartMessageIntoFiles) {
  ASSERT_EQ(LogIn(false), 0) << server_->Log();
  EXPECT_EQ(Retrieve(2, "multi.eml"), 0);
  std::vector<uint8_t> expected;
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 256; ++b) expected.push_back(static_cast<uint8_t>(b));
  }
  EXPECT_EQ(folder_.ReadBytes("files/report.bin"), expected);
  EXPECT_EQ(folder_.Read("files/evil_notes.txt"), "line one\r\nline two\r\n");
  EXPECT_EQ(folder_.Read("files/pic.gif"), std::string("GIF89a\x00\x01\x02", 9));
  EXPECT_EQ(SavedNames(), "report.bin,evil_notes.txt,pic.gif");
  EXPECT_EQ(library_.ChannelQuery(0, 22), 3);

  const std::string saved = folder_.Read("mail/multi.eml");
  EXPECT_NE(saved.find("Hello reader,\r\n.leading dot line\r\nsee the files.\r\n"), std::string::npos) << saved;
  for (const char* name : {"report.bin", "evil_notes.txt", "pic.gif"}) {
    EXPECT_NE(saved.find("[Attachment saved to \"" + folder_.Path("files").string() + "/" + name + "\"]\r\n"),
              std::string::npos)
        << name;
  }
  // The base64 of the attachment is replaced by the line, not kept.
  EXPECT_EQ(saved.find("AAECAwQFBgcICQoL"), std::string::npos);
  // Nothing is written beside the chosen folders.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path("files"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"evil_notes.txt", "pic.gif", "report.bin"}));

  // A plain message is saved as it is, with no attachments.
  EXPECT_EQ(Retrieve(3, "dots.eml"), 0);
  EXPECT_EQ(folder_.Read("mail/dots.eml"), WithCrLf(kDotMessage));
  EXPECT_EQ(SavedNames(), "");
  EXPECT_EQ(library_.Close(0), 0);
}

TEST_F(MailPop3DovecotTest, DeletedMessageIsGoneOnTheNextLogIn) {
  ASSERT_EQ(LogIn(false), 0) << server_->Log();
  const std::vector<std::string> before = Lines(Uids());
  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(library_.Delete(0, 2), 0);
  EXPECT_EQ(library_.Close(0), 0);
  EXPECT_EQ(server_->MessagesOnDisk(), 2);

  ASSERT_EQ(LogIn(false), 0) << server_->Log();
  EXPECT_EQ(library_.GetEmailCount(0), 2);
  EXPECT_EQ(library_.GetEmailSize(0, 2), static_cast<int>(WithCrLf(kDotMessage).size()));
  const std::vector<std::string> after = Lines(Uids());
  const auto id = [](const std::string& line) { return line.substr(line.find(' ') + 1); };
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(id(after[0]), id(before[0]));
  EXPECT_EQ(id(after[1]), id(before[2]));
  EXPECT_EQ(library_.Delete(0, 3), -63);
  char text[160];
  library_.ErrorText(0, -63, text, sizeof(text));
  EXPECT_EQ(std::string(text).rfind("POP3 returned error. -ERR", 0), 0u) << text;
}

}  // namespace
