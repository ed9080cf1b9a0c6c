#include "app/config_parser.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "app/files.h"
#include "app/text_utils.h"

namespace {

constexpr std::size_t kNone = std::string::npos;

bool IsVisible(char c) {
  return std::isgraph(static_cast<unsigned char>(c)) != 0;
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Characters that would change how a written line reads back: a line end
// splits it, "#" starts a comment and "[" ends the section.
bool BreaksLine(const std::string& text) {
  return text.find_first_of("\r\n[#") != kNone;
}

// A value that would read back as something else: "{" opens a value that
// runs on over the following lines, and a leading "=" is taken for part of
// the separator.
bool ReadsBackDifferently(const std::string& value) {
  const std::size_t first = value.find_first_not_of(' ');
  return first != kNone && (value[first] == '{' || value[first] == '=');
}

// A key that could never be found again once written.
bool IsWritableKey(const std::string& key) {
  return !key.empty() && key.find_first_of("\r\n[#=") == kNone;
}


}  // namespace

TConfigParser::TConfigParser(const std::string& text) : text_(text) {}

TConfigParser::TConfigParser(const std::string& text, bool selectFirst) : text_(text) {
  if (selectFirst) {
    NextSection();
  }
}

void TConfigParser::SetText(const std::string& text) {
  text_ = text;
  closeCacheValid_ = false;
  sectionName_.clear();
  sectionStart_ = 0;
  const std::size_t firstBracket = text_.find('[');
  sectionEnd_ = static_cast<uint32_t>(firstBracket == kNone ? text_.size() : firstBracket);
  valueStart_ = 0;
  valueEnd_ = 0;
}

bool TConfigParser::LoadFile(const std::string& path) {
  TTextBuffer buffer;
  if (!buffer.Load(path)) {
    return false;
  }
  // Indices are 32-bit; a larger file is no config file.
  if (buffer.Size() > std::numeric_limits<uint32_t>::max()) {
    return false;
  }
  SetText(buffer.Text());
  return true;
}

// Only blanks stand between the index and the start of its line (or of the text).
bool TConfigParser::StandsAtLineStart(std::size_t index) const {
  while (index > 0) {
    const char c = text_[index - 1];
    if (c != ' ') {
      return !IsVisible(c);
    }
    --index;
  }
  return true;
}

// The first "]" after the index. Headers are tried in increasing order, and
// a text of many "[" and no "]" would otherwise be searched to its end from
// each of them: the last answer stands for every index up to it.
std::size_t TConfigParser::FindCloseAfter(std::size_t index) const {
  const std::size_t from = index + 1;
  if (!(closeCacheValid_ && closeSearchFrom_ <= from && from <= closeFound_)) {
    closeSearchFrom_ = from;
    closeFound_ = text_.find(']', from);
    closeCacheValid_ = true;
  }
  return closeFound_;
}

// A "[" opens a header when it starts its line and its first "]" is followed
// by nothing but blanks before the line end, a comment or the end of the text.
bool TConfigParser::IsHeader(std::size_t index) const {
  if (!StandsAtLineStart(index)) {
    return false;
  }
  const std::size_t close = FindCloseAfter(index);
  if (close == kNone) {
    return false;
  }
  std::size_t after = close + 1;
  while (after < text_.size() && text_[after] == ' ') {
    ++after;
  }
  return after >= text_.size() || IsLineEnd(text_[after]) || text_[after] == '#';
}

// The first of the characters in [from, to); none when there is none there.
std::size_t TConfigParser::FindWithin(const char* characters, std::size_t from, std::size_t to) const {
  if (from >= to || from >= text_.size()) {
    return kNone;
  }
  return std::string_view(text_.data(), std::min(to, text_.size())).find_first_of(characters, from);
}

bool TConfigParser::FindSection(const std::string& pattern, std::size_t from) {
  std::size_t at = text_.find(pattern, from);
  while (at != kNone) {
    if (IsHeader(at)) {
      SelectHeaderAt(at);
      return true;
    }
    at = text_.find(pattern, at + 1);
  }
  return false;
}

void TConfigParser::SelectHeaderAt(std::size_t index) {
  const std::size_t close = text_.find(']', index + 1);
  const std::size_t next = text_.find('[', close);
  sectionStart_ = static_cast<uint32_t>(index);
  sectionEnd_ = static_cast<uint32_t>(next == kNone ? text_.size() : next);
  sectionName_ = text_.substr(index + 1, close - index - 1);
  valueStart_ = sectionStart_;
  valueEnd_ = sectionStart_;
}

bool TConfigParser::SelectSection(const std::string& name) {
  return FindSection("[" + name + "]", 0);
}

bool TConfigParser::NextSection() {
  return FindSection("[", sectionEnd_);
}

void TConfigParser::AddSection(const std::string& name) {
  if (SelectSection(name)) {
    return;
  }
  text_ += "\n[" + name + "]\n";
  closeCacheValid_ = false;
  SelectSection(name);
}

std::size_t TConfigParser::SectionLimit() const {
  return sectionEnd_ < text_.size() ? sectionEnd_ : text_.size();
}

// Finds the first line of the current section that starts with the key
// followed by "=". A key standing at the very end of the text also counts
// (with an empty value) so that SetValue can complete it.
bool TConfigParser::FindKey(const std::string& key, KeyMatch& match) {
  if (key.empty()) {
    return false;
  }
  const std::size_t size = text_.size();
  std::size_t cursor = sectionStart_;
  while (true) {
    // Only a key starting at or before the section end can count: the search
    // stops there, so that looking up a key in every section stays linear.
    const std::size_t searchEnd = std::min(size, static_cast<std::size_t>(sectionEnd_) + key.size());
    const std::size_t at = std::string_view(text_.data(), searchEnd).find(key, cursor);
    if (at == kNone || at > sectionEnd_) {
      return false;
    }
    const std::size_t keyEnd = at + key.size();
    std::size_t after = keyEnd;
    while (after < size && text_[after] == ' ') {
      ++after;
    }
    const bool hasEquals = after < size && text_[after] == '=';
    if (!hasEquals && after < size) {
      // Not a definition of this key: the rest of the line cannot hold one either.
      // A line end past the section end could hold no later match either.
      const std::size_t lineEnd = FindWithin("\r\n", keyEnd, SectionLimit());
      if (lineEnd == kNone) {
        return false;
      }
      cursor = lineEnd;
      continue;
    }
    if (!StandsAtLineStart(at)) {
      cursor = at + 1;
      continue;
    }

    // A run of blanks and "=" separates key and value.
    const std::size_t limit = SectionLimit();
    std::size_t start = keyEnd;
    while (start < size && (text_[start] == ' ' || text_[start] == '=')) {
      ++start;
    }
    std::size_t end = 0;
    if (start < size && text_[start] == '{') {
      ++start;
      const std::size_t close = FindWithin("}", start, limit);
      end = close == kNone ? limit : close;
    } else {
      const std::size_t terminator = FindWithin("\r\n#", start, limit);
      end = terminator == kNone ? limit : terminator;
    }
    if (end < start) {
      end = start;
    }
    match.keyEnd = keyEnd;
    match.valueStart = start;
    match.valueEnd = end;
    match.hasEquals = hasEquals;
    valueStart_ = static_cast<uint32_t>(start);
    valueEnd_ = static_cast<uint32_t>(end);
    return true;
  }
}

bool TConfigParser::FindValue(const std::string& key, std::string& value) {
  KeyMatch match;
  if (!FindKey(key, match)) {
    return false;
  }
  if (match.valueStart >= sectionEnd_ || match.valueEnd <= match.valueStart) {
    return false;
  }
  std::string found =
      TrimText(text_.substr(match.valueStart, match.valueEnd - match.valueStart));
  if (found.empty()) {
    return false;
  }
  value = std::move(found);
  return true;
}

bool TConfigParser::GetString(const std::string& key, std::string& value) {
  return FindValue(key, value);
}

bool TConfigParser::GetInt(const std::string& key, int32_t& value) {
  std::string text;
  if (!FindValue(key, text)) {
    return false;
  }
  value = StringToInt(text);
  return true;
}

bool TConfigParser::GetFloat(const std::string& key, float& value) {
  std::string text;
  if (!FindValue(key, text)) {
    return false;
  }
  value = NarrowToFloat(std::strtod(text.c_str(), nullptr));
  return true;
}

bool TConfigParser::GetBool(const std::string& key, bool& value) {
  std::string text;
  if (!FindValue(key, text)) {
    return false;
  }
  UpperCase(text);
  value = text == "TRUE" || text == "YES" || text == "1";
  return true;
}

void TConfigParser::Splice(std::size_t from, std::size_t to, const std::string& chars) {
  text_.replace(from, to - from, chars);
  closeCacheValid_ = false;
  if (from <= sectionEnd_) {
    sectionEnd_ = static_cast<uint32_t>(sectionEnd_ - (to - from) + chars.size());
  }
  valueStart_ = static_cast<uint32_t>(from);
  valueEnd_ = static_cast<uint32_t>(from + chars.size());
}

bool TConfigParser::SetValue(const std::string& key, const std::string& value) {
  if (BreaksLine(value) || ReadsBackDifferently(value) || !IsWritableKey(key)) {
    return false;
  }
  KeyMatch match;
  if (FindKey(key, match) && match.valueStart <= sectionEnd_) {
    if (!match.hasEquals) {
      // The key ends the text with nothing after it.
      Splice(match.keyEnd, match.keyEnd, " = " + value);
    } else if (match.valueStart == sectionEnd_ && match.valueStart < text_.size()) {
      // An empty value right before the next "[": keep that "[" on its own line.
      Splice(match.valueStart, match.valueStart, value + "\r\n");
    } else {
      // Also an empty value: filled in place rather than shadowed by a second line.
      Splice(match.valueStart, match.valueEnd, value);
    }
  } else {
    const std::size_t at = SectionLimit();
    Splice(at, at, "\r\n  " + key + " = " + value + "\r\n");
  }
  modified_ = true;
  return true;
}

std::string TConfigParser::GetSectionBody() const {
  const std::size_t close = text_.find(']', sectionStart_);
  if (close == kNone) {
    return "none";
  }
  const std::size_t limit = SectionLimit();
  if (close + 1 >= limit) {
    return std::string();
  }
  return TrimText(text_.substr(close + 1, limit - close - 1));
}

void TConfigParser::SetSectionBody(const std::string& body) {
  const std::size_t close = text_.find(']', sectionStart_);
  const std::size_t limit = SectionLimit();
  if (close == kNone || close + 1 > limit) {
    return;
  }
  text_.replace(close + 1, limit - close - 1, body);
  closeCacheValid_ = false;
  // The section ends at the first "[" after its header, wherever the new body puts it.
  const std::size_t next = text_.find('[', close);
  sectionEnd_ = static_cast<uint32_t>(next == kNone ? text_.size() : next);
  valueStart_ = sectionStart_;
  valueEnd_ = sectionStart_;
}
