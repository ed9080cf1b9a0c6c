// The decoder of received mail: it follows a message line by line through
// its headers and MIME parts, writes the readable text to the message
// output, and saves each attachment, decoded, into the attachment folder
// under a cleaned plain name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/mail_codecs.h"

namespace maillib {

enum class MailDecodeState {
  kOff = 0,
  kDisabled = 1,
  kMessageHeaders = 2,
  kMimeHeaders = 3,
  kBeforeBoundary = 4,
  kPartHeaders = 5,
  kPartBody = 6,
};

enum class MailPartEncoding { kNone = 0, k7Bit = 1, kBase64 = 2, kQuotedPrintable = 3 };

struct TMailDecoderSettings {
  std::string attachmentFolder;
  bool disabled = false;         // decoding mode parameter: write the message as it is
  bool autoSave = false;         // save base64 parts that carry no name
  bool numberedNames = false;    // "N-name"
  bool omitSavedLine = false;    // no "[Attachment saved to ...]" line in the message
  char listSeparator = ',';
};

// A plain file name made from an attachment name found in a message: its
// last path component, control bytes and the characters that mean something
// to a file system or shell replaced by "_", cut to 127 bytes; "noname"
// when nothing (or only dots) is left.
std::string MailCleanFileName(std::string_view name);

class TMailDecoder {
 public:
  using Sink = std::function<void(std::string_view)>;

  static constexpr std::size_t kNameLimit = 127;
  static constexpr std::size_t kSavedListLimit = 1023;
  static constexpr std::size_t kBoundaryLimit = 126;
  static constexpr std::size_t kBoundaryDepth = 8;
  static constexpr std::size_t kHeaderLimit = 16384;

  // `output` receives the message text, `log` the decoder's log lines.
  TMailDecoder(TMailDecoderSettings settings, Sink output, Sink log);
  ~TMailDecoder();
  TMailDecoder(const TMailDecoder&) = delete;
  TMailDecoder& operator=(const TMailDecoder&) = delete;

  // One line of the message with its line end. 0 when the decoder took the
  // line (saved or decoded), 1 when it went to the output as it is.
  int DecodeLine(std::string_view line);
  // The end of the message: a held header line is written and an
  // attachment still open is closed.
  void Finish();
  // The message was cut off (a failed or aborted download): a part still
  // being written is incomplete, so its file is removed and it is not
  // reported as saved.
  void Abandon();

  MailDecodeState State() const { return state_; }
  int AttachmentsSaved() const { return saved_; }
  const std::string& SavedNames() const { return savedNames_; }
  int64_t BytesDecoded() const { return bytesDecoded_; }

 private:
  int HandleLine(const std::string& line, const std::string& raw);
  void FlushHeld();
  bool InHeaders() const;
  int MessageHeader(const std::string& line, const std::string& raw);
  int MimeHeader(const std::string& line, const std::string& raw);
  int PartHeader(const std::string& line, const std::string& raw);
  int PartBody(const std::string& line);
  void WritePart(const std::string& decoded);
  bool TakePartHeader(const std::string& line);
  bool IsBoundary(const std::string& line, bool* closing) const;
  void DefineBoundary(const std::string& line, bool main);
  void StartPart();
  void OpenAttachment(const std::string& name);
  void CloseAttachment();
  void Write(std::string_view text) const;
  void Log(const std::string& text) const;
  static bool Folds(const std::string& held, const std::string& next);

  TMailDecoderSettings settings_;
  Sink output_;
  Sink log_;
  MailDecodeState state_;
  std::vector<std::string> boundaries_;  // each with "--" in front
  MailPartEncoding encoding_ = MailPartEncoding::kNone;
  bool inline_ = false;
  bool rfc822_ = false;
  bool skipBlank_ = false;
  std::string name_;
  std::string path_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
  TBase64Stream base64_;
  // The line end of a part's last text line belongs to the boundary that
  // follows; it is written only once more text of the part comes.
  std::string heldLineEnd_;
  int saved_ = 0;
  std::string savedNames_;
  int64_t bytesDecoded_ = 0;
  // A header line held until the next line shows whether it is folded.
  std::string held_;
  std::string heldRaw_;
};

}  // namespace maillib
