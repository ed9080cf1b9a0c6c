#include "maillib/mail_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace maillib {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Where `word` occurs in `text` regardless of the case of ASCII letters.
std::size_t FindWord(std::string_view text, std::string_view word) {
  if (word.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < word.size() && Lower(text[i + k]) == Lower(word[k])) ++k;
    if (k == word.size()) return i;
  }
  return std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view head) {
  return text.size() >= head.size() && FindWord(text.substr(0, head.size()), head) == 0;
}

bool IsEmptyLine(std::string_view line) { return line.empty() || line == "\r\n" || line == "\n" || line == "\r"; }

std::string WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return std::string(line);
}

// The value of a parameter such as "boundary=" or "name=": quoted, or up to
// the next ";", blank or line end.
std::string ParameterValue(std::string_view line, std::string_view parameter) {
  const std::size_t at = FindWord(line, parameter);
  if (at == std::string_view::npos) return std::string();
  std::string_view rest = line.substr(at + parameter.size());
  if (!rest.empty() && rest.front() == '"') {
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find('"')));
  }
  return std::string(rest.substr(0, rest.find_first_of("; \t\r\n")));
}

bool IsUnsafeNameByte(unsigned char c) {
  return c < 32 || c == 127 || std::strchr("\"*/:<=>?\\|", static_cast<char>(c)) != nullptr;
}

}  // namespace

std::string MailCleanFileName(std::string_view name) {
  const std::size_t separator = name.find_last_of("/\\");
  if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  std::string clean;
  for (const char c : name.substr(0, TMailDecoder::kNameLimit)) {
    clean += IsUnsafeNameByte(static_cast<unsigned char>(c)) ? '_' : c;
  }
  if (clean.find_first_not_of('.') == std::string::npos) return "noname";
  return clean;
}

TMailDecoder::TMailDecoder(TMailDecoderSettings settings, Sink output, Sink log)
    : settings_(std::move(settings)),
      output_(std::move(output)),
      log_(std::move(log)),
      state_(settings_.disabled ? MailDecodeState::kDisabled : MailDecodeState::kMessageHeaders) {}

TMailDecoder::~TMailDecoder() { CloseAttachment(); }

void TMailDecoder::Write(std::string_view text) const {
  if (output_) output_(text);
}

void TMailDecoder::Log(const std::string& text) const {
  if (log_) log_(text);
}

bool TMailDecoder::Folds(const std::string& held, const std::string& next) {
  return !held.empty() && !IsEmptyLine(next) && (next.front() == ' ' || next.front() == '\t') &&
         held.size() + next.size() <= kHeaderLimit;
}

void TMailDecoder::FlushHeld() {
  if (held_.empty()) return;
  const std::string held = std::move(held_);
  const std::string heldRaw = std::move(heldRaw_);
  held_.clear();
  heldRaw_.clear();
  HandleLine(held, heldRaw);
}

bool TMailDecoder::InHeaders() const {
  return state_ == MailDecodeState::kMessageHeaders || state_ == MailDecodeState::kMimeHeaders ||
         state_ == MailDecodeState::kPartHeaders;
}

int TMailDecoder::DecodeLine(std::string_view text) {
  const std::string line(text);
  if (!InHeaders()) return HandleLine(line, line);
  if (Folds(held_, line)) {
    held_ = WithoutLineEnd(held_) + line;
    heldRaw_ += line;
    return 1;
  }
  int result = 1;
  FlushHeld();
  if (InHeaders() && !IsEmptyLine(line)) {
    held_ = line;
    heldRaw_ = line;
  } else {
    result = HandleLine(line, line);
  }
  return result;
}

void TMailDecoder::Finish() {
  FlushHeld();
  // A message that ends without its closing boundary keeps its last line end.
  WritePart(heldLineEnd_);
  heldLineEnd_.clear();
  CloseAttachment();
}

void TMailDecoder::Abandon() {
  held_.clear();
  heldRaw_.clear();
  heldLineEnd_.clear();
  if (!file_) return;
  file_.reset();
  Log("[Incomplete '" + path_ + "' removed]\r\n");
  std::remove(path_.c_str());
}

int TMailDecoder::HandleLine(const std::string& line, const std::string& raw) {
  switch (state_) {
    case MailDecodeState::kMessageHeaders: return MessageHeader(line, raw);
    case MailDecodeState::kMimeHeaders: return MimeHeader(line, raw);
    case MailDecodeState::kPartHeaders: return PartHeader(line, raw);
    case MailDecodeState::kPartBody: return PartBody(line);
    case MailDecodeState::kBeforeBoundary:
      if (IsBoundary(line, nullptr)) {
        StartPart();
        state_ = MailDecodeState::kPartHeaders;
      }
      break;
    default: break;
  }
  Write(raw);
  return 1;
}

int TMailDecoder::MessageHeader(const std::string& line, const std::string& raw) {
  if (IsEmptyLine(line)) {
    state_ = MailDecodeState::kOff;
    Log("[Not doing MIME/2]\r\n");
  } else if ((StartsWith(line, "Subject:") || StartsWith(line, "From:")) && line.find("=?") != std::string::npos) {
    Log("[ISO8859]\r\n");
    Write(MailDecodeEncodedWords(WithoutLineEnd(line)) + "\r\n");
    return 1;
  } else if (StartsWith(line, "MIME-Version:")) {
    state_ = MailDecodeState::kMimeHeaders;
    Log("[MIME version found]\r\n");
  } else if (StartsWith(line, "Content-Type:") && FindWord(line, "boundary=") != std::string::npos) {
    DefineBoundary(line, true);
    if (!boundaries_.empty()) {
      state_ = MailDecodeState::kBeforeBoundary;
      Log("[Assuming MIME]\r\n");
    }
  }
  Write(raw);
  return 1;
}

int TMailDecoder::MimeHeader(const std::string& line, const std::string& raw) {
  if (IsEmptyLine(line)) {
    if (!boundaries_.empty()) {
      state_ = MailDecodeState::kBeforeBoundary;
      Log("[Assuming MIME]\r\n");
    } else if (encoding_ != MailPartEncoding::kNone || file_) {
      // The whole body is one encoded part: a named or binary one is saved,
      // encoded text is decoded into the message.
      state_ = MailDecodeState::kPartBody;
      Log("[MIME w/o boundary]\r\n");
      if (!file_ && encoding_ == MailPartEncoding::kBase64) OpenAttachment("noname");
      if (!file_) inline_ = true;
    } else {
      state_ = MailDecodeState::kOff;
      Log("[Not doing MIME]\r\n");
    }
  } else if ((StartsWith(line, "Subject:") || StartsWith(line, "From:")) && line.find("=?") != std::string::npos) {
    Log("[ISO8859]\r\n");
    Write(MailDecodeEncodedWords(WithoutLineEnd(line)) + "\r\n");
    return 1;
  } else if (!StartsWith(line, "To:")) {
    TakePartHeader(line);
  }
  Write(raw);
  return 1;
}

int TMailDecoder::PartHeader(const std::string& line, const std::string& raw) {
  Log("[Looking for encoding]\r\n");
  if (IsEmptyLine(line)) {
    if (skipBlank_) {
      skipBlank_ = false;
      Log("[Ignoring blank line]\r\n");
    } else {
      state_ = MailDecodeState::kPartBody;
      if (encoding_ == MailPartEncoding::kBase64 && !file_ && settings_.autoSave) {
        OpenAttachment(name_ == "incoming.mai" ? "noname" : name_);
      }
    }
  } else {
    TakePartHeader(line);
  }
  Write(raw);
  return 1;
}

bool TMailDecoder::TakePartHeader(const std::string& line) {
  if (StartsWith(line, "Content-Transfer-Encoding:")) {
    if (FindWord(line, "base64") != std::string::npos) {
      encoding_ = MailPartEncoding::kBase64;
      Log("[Encoding is BASE64]\r\n");
    } else if (FindWord(line, "quoted-printable") != std::string::npos) {
      encoding_ = MailPartEncoding::kQuotedPrintable;
      Log("[Encoding is QUOTED]\r\n");
    } else if (FindWord(line, "7bit") != std::string::npos) {
      encoding_ = MailPartEncoding::k7Bit;
      Log("[Encoding is 7-bit]\r\n");
    }
    return true;
  }
  const bool type = StartsWith(line, "Content-Type:");
  const bool disposition = StartsWith(line, "Content-Disposition:");
  if (!type && !disposition) return false;
  if (type && FindWord(line, "boundary=") != std::string::npos) {
    DefineBoundary(line, boundaries_.empty());
    if (state_ == MailDecodeState::kMimeHeaders) return true;
  }
  if (type && FindWord(line, "message/rfc822") != std::string::npos) {
    inline_ = true;
    rfc822_ = true;
    skipBlank_ = true;
  }
  if (disposition) {
    const std::size_t at = FindWord(line, "inline");
    if (at != std::string::npos && line.find(';', at) == std::string::npos) {
      inline_ = true;
      Log("[inline]\r\n");
    }
  }
  if (FindWord(line, "name=") != std::string::npos) {
    const std::string name = ParameterValue(line, "name=");
    OpenAttachment(MailDecodeEncodedWords(name));
  }
  return true;
}

bool TMailDecoder::IsBoundary(const std::string& line, bool* closing) const {
  const std::string* best = nullptr;
  for (const std::string& boundary : boundaries_) {
    if (line.compare(0, boundary.size(), boundary) == 0 && (best == nullptr || boundary.size() > best->size())) {
      best = &boundary;
    }
  }
  if (best == nullptr) return false;
  if (closing != nullptr) *closing = line.compare(best->size(), 2, "--") == 0;
  return true;
}

void TMailDecoder::DefineBoundary(const std::string& line, bool main) {
  std::string value = ParameterValue(line, "boundary=");
  if (value.empty()) return;
  value = "--" + value.substr(0, kBoundaryLimit);
  if (std::find(boundaries_.begin(), boundaries_.end(), value) != boundaries_.end()) return;
  if (boundaries_.size() >= kBoundaryDepth) return;
  boundaries_.push_back(value);
  if (!main) {
    Log("[Alternate MIME boundary defined " + std::to_string(boundaries_.size() - 1) + " (" + value + ")]\r\n");
  }
}

void TMailDecoder::StartPart() {
  CloseAttachment();
  encoding_ = MailPartEncoding::kNone;
  inline_ = false;
  rfc822_ = false;
  skipBlank_ = false;
  name_ = "incoming.mai";
  base64_ = TBase64Stream();
  heldLineEnd_.clear();
  Log("[Boundary line found]\r\n");
}

int TMailDecoder::PartBody(const std::string& line) {
  bool closing = false;
  if (IsBoundary(line, &closing)) {
    // The message text keeps its line ends before the boundary line.
    if (inline_) Write(heldLineEnd_);
    CloseAttachment();
    StartPart();
    state_ = closing ? MailDecodeState::kBeforeBoundary : MailDecodeState::kPartHeaders;
    Write(line);
    return 1;
  }
  if (!file_ && !inline_) {
    Write(line);
    return 1;
  }
  bytesDecoded_ += static_cast<int64_t>(line.size());
  std::string decoded;
  switch (encoding_) {
    case MailPartEncoding::kBase64: base64_.Feed(line, decoded); break;
    case MailPartEncoding::kQuotedPrintable: decoded = MailDecodeQuotedPrintable(line); break;
    default: decoded = line; break;
  }
  if (encoding_ == MailPartEncoding::kBase64) {
    WritePart(decoded);
  } else {
    // Text parts: the line end waits until the next line of the part.
    std::size_t end = decoded.size();
    if (end > 0 && decoded[end - 1] == '\n') --end;
    if (end > 0 && decoded[end - 1] == '\r') --end;
    WritePart(heldLineEnd_ + decoded.substr(0, end));
    heldLineEnd_ = decoded.substr(end);
  }
  if (log_) {
    Log("[InlineFlag=" + std::to_string(inline_ ? 1 : 0) + " MimeEncoding=" +
        std::to_string(static_cast<int>(encoding_)) + " FileHandle=" + std::to_string(file_ ? 1 : 0) + "]\r\n");
    Log(file_ ? "[...decode to file...]\r\n" : "[...decode inline...]\r\n");
  }
  return 0;
}

void TMailDecoder::WritePart(const std::string& decoded) {
  if (decoded.empty()) return;
  if (file_) std::fwrite(decoded.data(), 1, decoded.size(), file_.get());
  if (inline_) Write(decoded);
}

void TMailDecoder::OpenAttachment(const std::string& name) {
  if (file_) return;
  std::string clean = MailCleanFileName(name);
  if (settings_.numberedNames) clean = MailCleanFileName(std::to_string(saved_ + 1) + "-" + clean);
  name_ = clean;
  const std::string& folder = settings_.attachmentFolder;
  path_ = folder;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') path_ += '/';
  path_ += clean;
  Log("[AttachDir = '" + folder + "']\r\n");
  Log("[Filename = '" + clean + "']\r\n");
  Log("[Creating '" + path_ + "']\r\n");
  file_.reset(std::fopen(path_.c_str(), "wb"));
  if (!file_) Log("[Cannot open '" + path_ + "']\r\n");
}

void TMailDecoder::CloseAttachment() {
  if (!file_) return;
  Log("Closing file " + std::to_string(saved_ + 1) + "\r\n");
  file_.reset();
  const std::string line = "[Attachment saved to \"" + path_ + "\"]\r\n";
  if (!settings_.omitSavedLine) Write(line);
  Log(line);
  const std::size_t extra = (savedNames_.empty() ? 0 : 1) + name_.size();
  if (savedNames_.size() + extra <= kSavedListLimit) {
    if (!savedNames_.empty()) savedNames_ += settings_.listSeparator;
    savedNames_ += name_;
  }
  ++saved_;
}

}  // namespace maillib
