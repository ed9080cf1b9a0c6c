#include "maillib/mail_decoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "maillib/mail_codecs.h"
#include "support/temp_folder.h"

namespace {

using maillib::MailCleanFileName;
using maillib::TMailDecoder;
using maillib::TMailDecoderSettings;

// Feeds a message to a decoder line by line, as the driver does, and keeps
// what it writes.
struct TDecodeRun {
  explicit TDecodeRun(TMailDecoderSettings settings)
      : decoder(std::move(settings), [this](std::string_view text) { output += text; },
                [this](std::string_view text) { log += text; }) {}

  void Feed(const std::string& message) {
    std::size_t start = 0;
    while (start < message.size()) {
      const std::size_t end = message.find('\n', start);
      const std::size_t length = end == std::string::npos ? message.size() - start : end - start + 1;
      decoder.DecodeLine(std::string_view(message).substr(start, length));
      start += length;
    }
    decoder.Finish();
  }

  std::string output;
  std::string log;
  TMailDecoder decoder;
};

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Binary() {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
  return bytes;
}

// A multipart message with a text part, a nested alternative, a base64
// attachment whose name tries to leave the folder, and a quoted-printable
// attachment with a folded name parameter.
std::string MultipartMessage() {
  return "From: =?iso-8859-1?q?Andr=E9?= <andre@example.org>\r\n"
         "Subject: =?ISO-8859-1?B?Q2Fm6Q==?=\r\n"
         " =?iso-8859-1?q?_au_lait?=\r\n"
         "MIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed;\r\n"
         "\tboundary=\"outer-b\"\r\n"
         "\r\n"
         "This is a MIME message.\r\n"
         "--outer-b\r\n"
         "Content-Type: multipart/alternative; boundary=\"inner-b\"\r\n"
         "\r\n"
         "--inner-b\r\n"
         "Content-Type: text/plain\r\n"
         "\r\n"
         "Plain words.\r\n"
         "--inner-b\r\n"
         "Content-Type: text/html\r\n"
         "\r\n"
         "<p>Words.</p>\r\n"
         "--inner-b--\r\n"
         "\r\n"
         "--outer-b\r\n"
         "Content-Type: application/octet-stream; name=\"..\\\\..\\\\up/x:y?.bin\"\r\n"
         "Content-Transfer-Encoding: base64\r\n"
         "Content-Disposition: attachment; filename=\"..\\\\..\\\\up/x:y?.bin\"\r\n"
         "\r\n" +
         maillib::MailEncodeBase64Lines(Binary()) +
         "--outer-b\r\n"
         "Content-Type: text/plain;\r\n"
         " name=\"notes.txt\"\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n"
         "\r\n"
         "caf=E9 and a long line that was=\r\n"
         " softly broken\r\n"
         "--outer-b--\r\n";
}

TEST(MailDecoder, MultipartPartsAreSavedInsideTheFolder) {
  TTempFolder folder;
  folder.MakeFolder("in/attach");
  TMailDecoderSettings settings;
  settings.attachmentFolder = folder.Path("in/attach").string();
  TDecodeRun run(settings);
  run.Feed(MultipartMessage());

  EXPECT_EQ(FilesIn(folder.Path("in/attach")), (std::vector<std::string>{"notes.txt", "x_y_.bin"}));
  EXPECT_EQ(FilesIn(folder.Path("in")), (std::vector<std::string>{"attach"}));
  EXPECT_EQ(folder.Read("in/attach/x_y_.bin"), Binary());
  // The line end before the closing boundary belongs to the boundary.
  EXPECT_EQ(folder.Read("in/attach/notes.txt"), "caf\xE9 and a long line that was softly broken");
  EXPECT_EQ(run.decoder.AttachmentsSaved(), 2);
  EXPECT_EQ(run.decoder.SavedNames(), "x_y_.bin,notes.txt");

  const std::string& out = run.output;
  EXPECT_EQ(out.rfind("From: Andr\xE9 <andre@example.org>\r\nSubject: Caf\xE9 au lait\r\n", 0), 0u) << out;
  EXPECT_NE(out.find("Plain words.\r\n"), std::string::npos);
  EXPECT_NE(out.find("<p>Words.</p>\r\n"), std::string::npos);
  EXPECT_NE(out.find("[Attachment saved to \"" + settings.attachmentFolder + "/x_y_.bin\"]\r\n"), std::string::npos);
  EXPECT_NE(out.find("[Attachment saved to \"" + settings.attachmentFolder + "/notes.txt\"]\r\n"), std::string::npos);
  // The attachments' encoded text is not copied into the message.
  EXPECT_EQ(out.find(maillib::MailEncodeBase64Lines(Binary()).substr(0, 40)), std::string::npos);
  EXPECT_EQ(out.find("softly"), std::string::npos);
  EXPECT_NE(run.log.find("[Alternate MIME boundary defined 1 (--inner-b)]"), std::string::npos);
}

TEST(MailDecoder, MessagesWithoutMimeStayAsTheyAre) {
  TTempFolder folder;
  const std::string plain =
      "From: a@b\r\nSubject: hello\r\n\r\nbody line\r\n--not-a-boundary\r\nname=\"x.txt\"\r\n";
  TMailDecoderSettings settings;
  settings.attachmentFolder = folder.Path().string();
  TDecodeRun run(settings);
  run.Feed(plain);
  EXPECT_EQ(run.output, plain);
  EXPECT_TRUE(FilesIn(folder.Path()).empty());

  // Decoding switched off writes even a MIME message unchanged.
  settings.disabled = true;
  TDecodeRun off(settings);
  off.Feed(MultipartMessage());
  EXPECT_EQ(off.output, MultipartMessage());
  EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

TEST(MailDecoder, SinglePartsAutoSaveAndNumberedNames) {
  TTempFolder folder;
  TMailDecoderSettings settings;
  settings.attachmentFolder = folder.Path().string() + "/";
  settings.autoSave = true;
  settings.numberedNames = true;
  settings.omitSavedLine = true;
  settings.listSeparator = ';';
  TDecodeRun run(settings);
  // Base64 split at places that are no group boundaries.
  const std::string encoded = maillib::MailEncodeBase64(Binary());
  std::string lines;
  for (std::size_t i = 0; i < encoded.size(); i += 13) lines += encoded.substr(i, 13) + "\r\n";
  run.Feed("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" + lines +
           "--zz\r\nContent-Type: image/gif; name=\"..\"\r\nContent-Transfer-Encoding: base64\r\n\r\nR0lG\r\n--zz--\r\n");
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"1-noname", "2-noname"}));
  EXPECT_EQ(folder.Read("1-noname"), Binary());
  EXPECT_EQ(folder.Read("2-noname"), "GIF");
  EXPECT_EQ(run.decoder.SavedNames(), "1-noname;2-noname");
  EXPECT_EQ(run.output.find("[Attachment saved"), std::string::npos);

  // A message that is one named base64 part.
  TTempFolder single;
  settings.attachmentFolder = single.Path().string();
  settings.numberedNames = false;
  settings.omitSavedLine = false;
  TDecodeRun one(settings);
  one.Feed("MIME-Version: 1.0\r\nContent-Type: application/pdf; name=report.pdf\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0x\r\n");
  EXPECT_EQ(single.Read("report.pdf"), "%PDF-1");
  EXPECT_NE(one.output.find("[Attachment saved to \"" + settings.attachmentFolder + "/report.pdf\"]"),
            std::string::npos);

  // A message that is one quoted-printable text goes into the message decoded.
  TDecodeRun text(settings);
  text.Feed("MIME-Version: 1.0\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nna=EFve=\r\n text\r\n");
  EXPECT_NE(text.output.find("\r\n\r\nna\xEFve text\r\n"), std::string::npos);
}

TEST(MailDecoder, AttachmentFileNamesAreCleaned) {
  const std::pair<std::string, std::string> cases[] = {
      {"report.pdf", "report.pdf"},
      {"C:\\Users\\x\\report.pdf", "report.pdf"},
      {"../../etc/passwd", "passwd"},
      {"..", "noname"},
      {".", "noname"},
      {"", "noname"},
      {"  spaced name.txt ", "spaced name.txt"},
      {"a:b*c?d<e>f|g=h\"i", "a_b_c_d_e_f_g_h_i"},
      {std::string("tab\there\x01\x7F.txt"), "tab_here__.txt"},
      {std::string(300, 'n'), std::string(127, 'n')},
  };
  for (const auto& [name, clean] : cases) EXPECT_EQ(MailCleanFileName(name), clean) << name;
}

TEST(MailDecoder, UnwritableFolderDropsThePartAndGoesOn) {
  TTempFolder folder;
  TMailDecoderSettings settings;
  settings.attachmentFolder = folder.Path("missing").string();
  TDecodeRun run(settings);
  run.Feed("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=q\r\n\r\n--q\r\n"
           "Content-Type: text/plain; name=a.txt\r\n\r\nsecret\r\n--q\r\n\r\nvisible\r\n--q--\r\n");
  EXPECT_NE(run.log.find("[Cannot open '"), std::string::npos);
  EXPECT_EQ(run.decoder.AttachmentsSaved(), 0);
  EXPECT_NE(run.output.find("visible\r\n"), std::string::npos);
}

TEST(MailDecoder, CutOffMessagesLeaveNoHalfSavedAttachment) {
  TTempFolder folder;
  TMailDecoderSettings settings;
  settings.attachmentFolder = folder.Path().string();
  const std::string head =
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
      "Content-Type: text/plain\r\n\r\nhello\r\n--b\r\n"
      "Content-Type: application/octet-stream; name=\"data.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
      maillib::MailEncodeBase64Lines(Binary()).substr(0, 78);
  // Fed without its end, as a download cut off half way.
  TDecodeRun cut(settings);
  std::size_t start = 0;
  while (start < head.size()) {
    const std::size_t end = head.find('\n', start);
    cut.decoder.DecodeLine(std::string_view(head).substr(start, end - start + 1));
    start = end + 1;
  }
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"data.bin"}));
  cut.decoder.Abandon();
  EXPECT_TRUE(FilesIn(folder.Path()).empty());
  EXPECT_EQ(cut.output.find("[Attachment saved"), std::string::npos);
  EXPECT_EQ(cut.decoder.AttachmentsSaved(), 0);
  EXPECT_EQ(cut.decoder.SavedNames(), "");
  EXPECT_NE(cut.output.find("hello"), std::string::npos);

  // The same message whole is saved and reported.
  TDecodeRun whole(settings);
  whole.Feed(head + "--b--\r\n");
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"data.bin"}));
  EXPECT_EQ(whole.decoder.AttachmentsSaved(), 1);
  EXPECT_NE(whole.output.find("[Attachment saved to"), std::string::npos);
}

}  // namespace
