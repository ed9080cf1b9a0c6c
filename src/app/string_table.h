// The texts shown to the player, read per language from
// "Languages\<language>\<section>_<language>.cfg", one config section per text
// named by its number. Code and interface files refer to a text as "@" and
// its number.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The answer for a number beyond a section's texts.
extern const char* const kStringTableOutOfRange;

// One loaded language file: texts by number.
class TStringTableSection {
 public:
  TStringTableSection() = default;
  // Reads the file; a missing or unreadable file gives an empty section.
  explicit TStringTableSection(const std::string& path);

  // Replaces the texts by those of a language file's text.
  void Parse(const std::string& text);
  // The text of the number (possibly empty), or kStringTableOutOfRange when
  // the number lies beyond the section.
  std::string At(int32_t number) const;
  std::size_t Size() const { return texts_.size(); }

  // Entry numbers outside [0, kMaxNumber] are ignored: each one would size
  // the section.
  static constexpr int32_t kMaxNumber = 65535;

 private:
  void Set(int32_t number, const std::string& text);

  std::vector<std::string> texts_;
};

class TStringTable {
 public:
  TStringTable() = default;

  // Switches to another language folder and reloads every section loaded so
  // far. A name that is not a plain folder name (letters, digits, "_", "-")
  // selects "ENG".
  void SetLanguage(const std::string& language);
  const std::string& GetLanguage() const { return language_; }

  // Reads the section's file of the current language, replacing any loaded
  // copy, and makes it current. Always true: a missing file loads empty.
  bool LoadSection(const std::string& name);
  // Makes the section current, loading it first when it is not loaded.
  bool EnsureSection(const std::string& name);

  // The text of the number in the named section; empty when the section is
  // not loaded.
  std::string GetText(const std::string& sectionName, int32_t number) const;
  // "@" followed by a number becomes that text of the current section; any
  // other text is returned as it is.
  std::string Translate(const std::string& text) const;
  std::string TranslateIn(const std::string& sectionName, const std::string& text) const;

  const std::vector<std::string>& GetLoadedNames() const { return loadedNames_; }
  std::string MakeSectionPath(const std::string& name) const;

 private:
  std::map<std::string, std::unique_ptr<TStringTableSection>> sections_;
  std::vector<std::string> loadedNames_;
  std::string language_;
  std::string missingSectionText_;
  const TStringTableSection* currentSection_ = nullptr;
};

// A cell holding a text table; resetting it deletes the table held before.
class TStringTableHolder {
 public:
  TStringTable* Get() const { return table_.get(); }
  void Reset(TStringTable* table) { table_.reset(table); }

 private:
  std::unique_ptr<TStringTable> table_;
};

// The program's text table, created on first use.
TStringTable* GetStringTable();
TStringTableHolder& GetStringTableHolder();
void DestroyStringTable();

// The font-style file of the current language, or Configs\FontStyles.cfg when
// the language has none.
std::string LoadFontStyles();
