// Config text held whole in memory and searched in place, so that a file that
// is edited and saved keeps every other line, comment and blank as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TConfigParser {
 public:
  TConfigParser() = default;
  explicit TConfigParser(const std::string& text);
  TConfigParser(const std::string& text, bool selectFirst);
  virtual ~TConfigParser() = default;

  virtual bool SelectSection(const std::string& name);
  virtual bool NextSection();

  void SetText(const std::string& text);
  bool LoadFile(const std::string& path);
  void AddSection(const std::string& name);

  bool GetString(const std::string& key, std::string& value);
  bool GetInt(const std::string& key, int32_t& value);
  bool GetFloat(const std::string& key, float& value);
  bool GetBool(const std::string& key, bool& value);
  // False, and nothing changed, for a value holding CR, LF, "[" or "#", or
  // beginning with "{" or "=": such a value would change how the file reads back.
  bool SetValue(const std::string& key, const std::string& value);

  std::string GetSectionBody() const;
  void SetSectionBody(const std::string& body);

  const std::string& GetText() const { return text_; }
  const std::string& GetSectionName() const { return sectionName_; }
  bool IsModified() const { return modified_; }
  // The current selection: index of the header's "[" and of the first "[" after
  // its "]" (the text length when there is none).
  uint32_t GetSectionStart() const { return sectionStart_; }
  uint32_t GetSectionEnd() const { return sectionEnd_; }

 private:
  // Where the last key look-up found its key and value.
  struct KeyMatch {
    std::size_t keyEnd = 0;
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    bool hasEquals = false;
  };

  bool StandsAtLineStart(std::size_t index) const;
  bool IsHeader(std::size_t index) const;
  std::size_t FindCloseAfter(std::size_t index) const;
  std::size_t FindWithin(const char* characters, std::size_t from, std::size_t to) const;
  bool FindSection(const std::string& pattern, std::size_t from);
  void SelectHeaderAt(std::size_t index);
  std::size_t SectionLimit() const;
  bool FindKey(const std::string& key, KeyMatch& match);
  bool FindValue(const std::string& key, std::string& value);
  void Splice(std::size_t from, std::size_t to, const std::string& chars);

  bool modified_ = false;
  std::string text_;
  std::string sectionName_;
  uint32_t sectionStart_ = 0;
  uint32_t sectionEnd_ = 0;
  uint32_t valueStart_ = 0;
  uint32_t valueEnd_ = 0;
  // The last search for a "]": from where, and what it found.
  mutable bool closeCacheValid_ = false;
  mutable std::size_t closeSearchFrom_ = 0;
  mutable std::size_t closeFound_ = 0;
};

class TConfigFile : public TConfigParser {
 public:
  TConfigFile() = default;
  explicit TConfigFile(const std::string& text) : TConfigParser(text) {}
  bool Load(const std::string& path) { return LoadFile(path); }
};
