// Composition of outgoing mail: the line maker that turns a body text into
// the lines sent (quoted-printable, or plain with wrapping), the attachment
// list and the MIME header lines of each attachment.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace maillib {

// Body formats (integer parameter 8).
constexpr int kFormatPlain = 0;
constexpr int kFormatQuoted = 1;
constexpr int kFormatHtml = 2;
constexpr int kFormatEnriched = 3;
constexpr int kFormatLatin1 = 4;
constexpr int kFormatCustom = 9;

// Formats whose body goes out quoted-printable.
bool MailFormatIsQuoted(int format);

struct TLineMakerSettings {
  int format = kFormatPlain;
  int longestLine = 78;  // including the line end
  int wrapColumn = 61;
  bool keep8Bit = false;
};

// Cuts a text into the lines sent, one per call, without their line ends.
// CR is dropped and LF ends a line. Quoted-printable lines stay within the
// longest line less the line end, never split an "=XY", and encode a blank
// at the end of a line; plain lines end at the first blank after the wrap
// column and at the longest line at the latest (HTML only at the limit of
// SMTP). A text that ends in LF makes no empty last line.
class TMailLineMaker {
 public:
  TMailLineMaker(std::string text, TLineMakerSettings settings);
  bool Next(std::string& line);
  bool Done() const { return position_ >= text_.size(); }
  // Whether the text ends with a line end, which the line before a MIME
  // boundary then has to carry.
  bool EndsWithLineEnd() const { return !text_.empty() && text_.back() == '\n'; }

 private:
  // Passes CR; true at a line end (taken) or the end of the text.
  bool TakeLineEnd();
  bool NextQuoted(std::string& line);
  bool NextPlain(std::string& line);

  std::string text_;
  TLineMakerSettings settings_;
  std::size_t position_ = 0;
};

// A data line as it goes over SMTP: a leading "." doubled.
std::string MailStuffDot(std::string_view line);

enum class MailAttachmentKind { kBinary, kText, kImage };

struct TMailAttachment {
  std::string path;   // the file to send
  std::string shown;  // the name shown in the message
  MailAttachmentKind kind = MailAttachmentKind::kBinary;
  std::string imageType;  // "GIF", "BMP", "TIFF", "JPEG"
};

struct TAttachmentRules {
  char listSeparator = ',';
  char nameSeparator = '|';
  bool detectImages = true;
  bool asText = false;
};

// The entries of an attachment list: each a path, optionally followed by
// the name separator and the name to show; empty entries are skipped.
std::vector<TMailAttachment> MailParseAttachments(std::string_view list, const TAttachmentRules& rules);

// The header lines of an attachment part (without the empty line after
// them). `imageNumber` numbers the Content-ID of images from 1; `quoted`
// chooses quoted-printable for text attachments.
std::vector<std::string> MailAttachmentHeaders(const TMailAttachment& attachment, int imageNumber, bool quoted);

// The "Content-Type" line of a body format.
std::string MailBodyContentType(int format, const std::string& customLine);

// A header value made safe for one header line: CR and LF become blanks.
std::string MailHeaderValue(std::string_view text);

}  // namespace maillib
