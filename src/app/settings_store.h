// The user's settings: Configs\UserData.cfg, read over the shipped defaults
// of Configs\General.cfg. Only the user file is ever written.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>

#include "app/config_parser.h"

class TSettingsStore {
 public:
  TSettingsStore(const std::string& userPath, const std::string& defaultsPath);
  // Writes the user file back.
  ~TSettingsStore();
  TSettingsStore(const TSettingsStore&) = delete;
  TSettingsStore& operator=(const TSettingsStore&) = delete;

  bool SelectSection(const std::string& name);
  bool GetString(const std::string& key, std::string& value);
  bool GetInt(const std::string& key, int32_t& value);
  bool GetBool(const std::string& key, bool& value);

  // Reads the keys in order and stops at the first that is missing (false);
  // the found values are stored, the rest keep what they held.
  struct TValueRef {
    const char* key;
    std::variant<std::string*, int32_t*, bool*> target;
  };
  bool GetValues(std::initializer_list<TValueRef> values);

  TConfigFile& GetUserFile() { return *userFile_; }
  TConfigFile& GetDefaultsFile() { return *defaultsFile_; }
  const std::string& GetUserPath() const { return userPath_; }
  // Writes the user file's text to the user path now. Never over a user file
  // that exists but could not be read (false then).
  bool SaveUserFile() const;
  bool IsUserFileUnreadable() const { return userFileUnreadable_; }

 private:
  template <typename T, typename Getter>
  bool Get(const std::string& key, T& value, Getter getter);

  std::string userPath_;
  std::unique_ptr<TConfigFile> userFile_;
  std::unique_ptr<TConfigFile> defaultsFile_;
  bool userFileUnreadable_ = false;
};
