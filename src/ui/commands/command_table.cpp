#include "ui/commands/command_table.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "app/text_utils.h"

namespace {

const std::string& EmptyWord() {
  static const std::string empty;
  return empty;
}

// Names are compared length first, so that most names cost one comparison.
bool SameName(const std::string& name, const std::string& word) {
  return name.size() == word.size() && std::memcmp(name.data(), word.data(), name.size()) == 0;
}

// A script line could name it: lines are cut at "|", "#" starts a comment and
// every field is trimmed.
bool CanBeWritten(const std::string& name) {
  return !name.empty() && TrimText(name) == name && name.find_first_of("|#\r\n") == std::string::npos;
}

}  // namespace

const std::string& TCommandArguments::GetWord() const {
  return tokens_.size() > 1 ? tokens_[1] : EmptyWord();
}

int32_t TCommandArguments::GetInt() const {
  const double value = StringToFloat(GetWord());
  if (std::isnan(value)) {
    return 0;
  }
  // Converting a double outside the int range is undefined: hold it first.
  constexpr double kLowest = std::numeric_limits<int32_t>::min();
  constexpr double kHighest = std::numeric_limits<int32_t>::max();
  if (value <= kLowest) {
    return std::numeric_limits<int32_t>::min();
  }
  if (value >= kHighest) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(std::trunc(value));
}

float TCommandArguments::GetFloat() const {
  const float value = NarrowToFloat(StringToFloat(GetWord()));
  return std::isfinite(value) ? value : 0.0f;
}

bool TCommandArguments::GetBool() const { return StringToBool(GetWord()); }

bool TCommandTable::IsStructuralWord(const std::string& word) {
  return word == "Null" || word == "Composite" || word == "End";
}

bool TCommandTable::Add(const std::string& name, Builder builder) {
  if (!CanBeWritten(name) || !builder || IsStructuralWord(name) || Find(name) != nullptr) {
    return false;
  }
  entries_.push_back(Entry{name, std::move(builder)});
  return true;
}

const TCommandTable::Builder* TCommandTable::Find(const std::string& word) const {
  for (const Entry& entry : entries_) {
    if (SameName(entry.name, word)) {
      return &entry.builder;
    }
  }
  return nullptr;
}
