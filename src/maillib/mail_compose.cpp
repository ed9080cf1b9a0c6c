#include "maillib/mail_compose.h"

#include <algorithm>
#include <cstdio>

namespace maillib {

namespace {

// SMTP's limit of a line without its line end.
constexpr std::size_t kSmtpLineLimit = 998;

bool EndsWithLetters(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = text[text.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// A shown name that can stand in quotes in a header.
std::string SafeShownName(std::string_view name) {
  std::string safe;
  for (const char c : name) safe += (c == '"' || c == '\r' || c == '\n' || c == '\\') ? '_' : c;
  return safe;
}

}  // namespace

bool MailFormatIsQuoted(int format) { return format != kFormatPlain && format != kFormatHtml; }

TMailLineMaker::TMailLineMaker(std::string text, TLineMakerSettings settings)
    : text_(std::move(text)), settings_(settings) {
  settings_.longestLine = std::max(settings_.longestLine, 8);
  settings_.wrapColumn = std::clamp(settings_.wrapColumn, 1, settings_.longestLine);
}

bool TMailLineMaker::Next(std::string& line) {
  line.clear();
  if (Done()) return false;
  return MailFormatIsQuoted(settings_.format) ? NextQuoted(line) : NextPlain(line);
}

bool TMailLineMaker::TakeLineEnd() {
  while (position_ < text_.size() && text_[position_] == '\r') ++position_;
  if (position_ < text_.size() && text_[position_] == '\n') {
    ++position_;
    return true;
  }
  return position_ >= text_.size();
}

bool TMailLineMaker::NextQuoted(std::string& line) {
  static const char kHex[] = "0123456789ABCDEF";
  // The room of a line: the longest line less its CR LF and a soft break.
  const std::size_t room = static_cast<std::size_t>(settings_.longestLine) - 3;
  while (position_ < text_.size()) {
    if (TakeLineEnd()) return true;
    const unsigned char c = static_cast<unsigned char>(text_[position_]);
    std::size_t next = position_ + 1;
    while (next < text_.size() && text_[next] == '\r') ++next;
    const bool lastOfLine = next >= text_.size() || text_[next] == '\n';
    std::string token;
    if (c >= 33 && c <= 126 && c != '=') {
      token = static_cast<char>(c);
    } else if ((c == ' ' || c == '\t') && !lastOfLine) {
      token = static_cast<char>(c);
    } else {
      token = {'=', kHex[c >> 4], kHex[c & 15]};
    }
    // The last token of a line may use the place of the soft break.
    if (line.size() + token.size() > room + (lastOfLine ? 1 : 0)) {
      line += '=';
      return true;
    }
    line += token;
    ++position_;
  }
  return true;
}

bool TMailLineMaker::NextPlain(std::string& line) {
  const bool html = settings_.format == kFormatHtml;
  const std::size_t limit = html ? kSmtpLineLimit : static_cast<std::size_t>(settings_.longestLine) - 2;
  const std::size_t wrap = static_cast<std::size_t>(settings_.wrapColumn);
  while (position_ < text_.size()) {
    if (TakeLineEnd()) return true;
    const unsigned char c = static_cast<unsigned char>(text_[position_]);
    if (line.size() >= limit) return true;
    const bool printable = (c >= 32 && c <= 126) || c == '\t';
    line += (printable || settings_.keep8Bit) ? static_cast<char>(c) : '~';
    ++position_;
    if (!html && c == ' ' && line.size() >= wrap) {
      // A wrapped line that ends the text leaves no empty line behind.
      while (position_ < text_.size() && text_[position_] == '\r') ++position_;
      if (position_ < text_.size() && text_[position_] == '\n') ++position_;
      return true;
    }
  }
  return true;
}

std::string MailStuffDot(std::string_view line) {
  if (!line.empty() && line.front() == '.') return "." + std::string(line);
  return std::string(line);
}

std::vector<TMailAttachment> MailParseAttachments(std::string_view list, const TAttachmentRules& rules) {
  std::vector<TMailAttachment> entries;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(rules.listSeparator, start), list.size());
    std::string_view entry = list.substr(start, end - start);
    start = end + 1;
    while (!entry.empty() && (entry.front() == ' ' || entry.front() == '\t')) entry.remove_prefix(1);
    while (!entry.empty() && (entry.back() == ' ' || entry.back() == '\t')) entry.remove_suffix(1);
    if (entry.empty()) continue;
    TMailAttachment attachment;
    const std::size_t bar = entry.find(rules.nameSeparator);
    attachment.path = std::string(entry.substr(0, bar));
    std::string_view shown = entry;
    if (bar != std::string_view::npos) {
      shown = entry.substr(bar + 1);
    } else {
      const std::size_t cut = shown.find_last_of("\\:/");
      if (cut != std::string_view::npos) shown.remove_prefix(cut + 1);
    }
    attachment.shown = SafeShownName(shown);
    static const std::pair<const char*, const char*> kImages[] = {
        {".gif", "GIF"}, {".bmp", "BMP"}, {".tif", "TIFF"}, {".jpg", "JPEG"}};
    if (rules.detectImages && attachment.shown.size() > 4) {
      for (const auto& [tail, type] : kImages) {
        if (EndsWithLetters(attachment.shown, tail)) {
          attachment.kind = MailAttachmentKind::kImage;
          attachment.imageType = type;
        }
      }
    }
    if (attachment.kind != MailAttachmentKind::kImage && rules.asText) attachment.kind = MailAttachmentKind::kText;
    if (!attachment.path.empty()) entries.push_back(std::move(attachment));
  }
  return entries;
}

std::vector<std::string> MailAttachmentHeaders(const TMailAttachment& attachment, int imageNumber, bool quoted) {
  std::vector<std::string> lines;
  const std::string name = Quoted(attachment.shown);
  switch (attachment.kind) {
    case MailAttachmentKind::kImage:
      lines.push_back("Content-Type: Image/" + attachment.imageType + "; name=" + name);
      lines.push_back("Content-ID: <message-root." + std::to_string(imageNumber) + ">");
      lines.push_back("Content-Transfer-Encoding: base64");
      lines.push_back("Content-Disposition: inline; filename=" + name);
      break;
    case MailAttachmentKind::kText:
      lines.push_back("Content-Type: text/plain");
      lines.push_back(quoted ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit");
      lines.push_back("Content-Disposition: inline; filename=" + name);
      break;
    case MailAttachmentKind::kBinary:
      lines.push_back("Content-Type: application/octet-stream; name=" + name);
      lines.push_back("Content-Transfer-Encoding: base64");
      lines.push_back("Content-Disposition: attachment; filename=" + name);
      break;
  }
  return lines;
}

std::string MailBodyContentType(int format, const std::string& customLine) {
  switch (format) {
    case kFormatHtml: return "Content-Type: text/html";
    case kFormatLatin1: return "Content-Type: text/plain; charset=iso-8859-1";
    case kFormatEnriched: return "Content-Type: text/enriched";
    case kFormatCustom:
      if (!customLine.empty()) return MailHeaderValue(customLine);
      return "Content-Type: text/plain";
    default: return "Content-Type: text/plain";
  }
}

std::string MailHeaderValue(std::string_view text) {
  std::string value(text);
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

}  // namespace maillib
