#include "app/string_table.h"

#include <cctype>
#include <cstdint>
#include <limits>

#include "app/config_parser.h"
#include "app/files.h"

const char* const kStringTableOutOfRange = "STE_OUT_OF_RANGE_OR_IS_EMPTY";

namespace {

const char* const kDefaultLanguage = "ENG";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Decimal digits from `position` on, saturated at the largest int; -1 stands
// for "no digits". Digits only: no sign, no blanks.
int64_t ReadDigits(const std::string& text, std::size_t position) {
  int64_t value = -1;
  for (; position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]));
       ++position) {
    value = (value < 0 ? 0 : value) * 10 + (text[position] - '0');
    if (value > std::numeric_limits<int32_t>::max()) {
      return std::numeric_limits<int32_t>::max();
    }
  }
  return value;
}

// A section name read as a number, the way atoi reads it: leading blanks, an
// optional sign, digits; 0 when there are none.
int64_t SectionNumber(const std::string& name) {
  std::size_t position = 0;
  while (position < name.size() && IsBlank(name[position])) {
    ++position;
  }
  bool negative = false;
  if (position < name.size() && (name[position] == '-' || name[position] == '+')) {
    negative = name[position] == '-';
    ++position;
  }
  const int64_t digits = ReadDigits(name, position);
  if (digits < 0) {
    return 0;
  }
  return negative ? -digits : digits;
}

// "@" and leading digits; "@" without digits is text 0.
int32_t ReferenceNumber(const std::string& text) {
  const int64_t digits = ReadDigits(text, 1);
  return digits < 0 ? 0 : static_cast<int32_t>(digits);
}

bool IsReference(const std::string& text) { return !text.empty() && text[0] == '@'; }

// Language names become folder names: plain names only.
bool IsPlainLanguageName(const std::string& name) {
  if (name.empty()) {
    return false;
  }
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') {
      return false;
    }
  }
  return true;
}

// Section names become file names: no separators, no way out of the folder.
bool IsPlainSectionName(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/:") == std::string::npos &&
         name.find("..") == std::string::npos;
}

}  // namespace

// ---------------------------------------------------------------------------
// TStringTableSection

TStringTableSection::TStringTableSection(const std::string& path) {
  TTextBuffer buffer;
  if (buffer.Load(path)) {
    Parse(buffer.Text());
  }
}

void TStringTableSection::Parse(const std::string& text) {
  texts_.clear();
  TConfigParser parser;
  parser.SetText(text);
  while (parser.NextSection()) {
    const int64_t number = SectionNumber(parser.GetSectionName());
    if (number < 0 || number > kMaxNumber) {
      continue;
    }
    Set(static_cast<int32_t>(number), parser.GetSectionBody());
  }
}

void TStringTableSection::Set(int32_t number, const std::string& text) {
  const auto index = static_cast<std::size_t>(number);
  if (index >= texts_.size()) {
    texts_.resize(2 * index + 2);
  }
  texts_[index] = text;
}

std::string TStringTableSection::At(int32_t number) const {
  if (number < 0 || static_cast<std::size_t>(number) >= texts_.size()) {
    return kStringTableOutOfRange;
  }
  return texts_[static_cast<std::size_t>(number)];
}

// ---------------------------------------------------------------------------
// TStringTable

void TStringTable::SetLanguage(const std::string& language) {
  language_ = IsPlainLanguageName(language) ? language : kDefaultLanguage;
  const std::vector<std::string> names = loadedNames_;
  for (const std::string& name : names) {
    LoadSection(name);
  }
}

std::string TStringTable::MakeSectionPath(const std::string& name) const {
  return GetLanguagesFolder() + language_ + "\\" + name + "_" + language_ + GetConfigExtension();
}

bool TStringTable::LoadSection(const std::string& name) {
  // A name that cannot be a plain file name loads as a missing file would.
  auto section = IsPlainSectionName(name) && IsPlainLanguageName(language_)
                     ? std::make_unique<TStringTableSection>(MakeSectionPath(name))
                     : std::make_unique<TStringTableSection>();
  currentSection_ = section.get();
  sections_[name] = std::move(section);
  bool known = false;
  for (const std::string& loaded : loadedNames_) {
    known = known || loaded == name;
  }
  if (!known) {
    loadedNames_.push_back(name);
  }
  return true;
}

bool TStringTable::EnsureSection(const std::string& name) {
  auto found = sections_.find(name);
  if (found == sections_.end() || !found->second) {
    return LoadSection(name);
  }
  currentSection_ = found->second.get();
  return true;
}

std::string TStringTable::GetText(const std::string& sectionName, int32_t number) const {
  auto found = sections_.find(sectionName);
  if (found == sections_.end() || !found->second) {
    return missingSectionText_;
  }
  return found->second->At(number);
}

std::string TStringTable::Translate(const std::string& text) const {
  if (!IsReference(text)) {
    return text;
  }
  if (!currentSection_) {
    return missingSectionText_;
  }
  return currentSection_->At(ReferenceNumber(text));
}

std::string TStringTable::TranslateIn(const std::string& sectionName,
                                      const std::string& text) const {
  if (!IsReference(text)) {
    return text;
  }
  return GetText(sectionName, ReferenceNumber(text));
}

// ---------------------------------------------------------------------------

TStringTableHolder& GetStringTableHolder() {
  static TStringTableHolder holder;
  return holder;
}

TStringTable* GetStringTable() {
  TStringTableHolder& holder = GetStringTableHolder();
  if (!holder.Get()) {
    holder.Reset(new TStringTable());
  }
  return holder.Get();
}

void DestroyStringTable() { GetStringTableHolder().Reset(nullptr); }

std::string LoadFontStyles() {
  const std::string& language = GetStringTable()->GetLanguage();
  if (IsPlainLanguageName(language)) {
    const std::string path =
        GetLanguagesFolder() + language + "\\FontStyles_" + language + GetConfigExtension();
    if (FileExists(path)) {
      return path;
    }
  }
  return GetFontStylesName();
}
