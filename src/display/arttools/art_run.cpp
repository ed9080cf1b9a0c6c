#include "display/arttools/art_run.h"

#include <utility>

#include "app/message_stream.h"
#include "app/text_utils.h"

TArtRun::TArtRun(std::string root, std::ostream* echo) : root_(std::move(root)), echo_(echo) {
  if (root_.empty()) root_ = ".";
}

bool TArtRun::IsDataRelativeName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  if (name[0] == '/' || name[0] == '\\') return false;
  // A drive letter ("C:...") names a place of its own.
  if (name.size() >= 2 && name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

bool TArtRun::Admit(const std::string& name) {
  if (IsDataRelativeName(name)) return true;
  Fail("Refused the name \"" + name + "\": only names inside the data folder are used");
  return false;
}

std::string TArtRun::PathOf(const std::string& name) const { return root_ + "/" + name; }

void TArtRun::Progress(const std::string& text) {
  TMessageStream::Instance()->Write(text);
  if (echo_ != nullptr) *echo_ << text << std::flush;
}

void TArtRun::Note(const std::string& text) {
  if (echo_ != nullptr) *echo_ << text << "\n" << std::flush;
}

void TArtRun::Fail(const std::string& text) {
  problems_.push_back(text);
  TMessageStream::Instance()->Write(text + "\n");
  if (echo_ != nullptr) *echo_ << text << "\n" << std::flush;
}

std::vector<std::string> SplitDefinitionLines(const std::string& body) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::string line = TrimText(body.substr(start, end - start));
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}
