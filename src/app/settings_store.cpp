#include "app/settings_store.h"

#include <type_traits>

#include "app/files.h"
#include "app/log.h"

TSettingsStore::TSettingsStore(const std::string& userPath, const std::string& defaultsPath)
    : userPath_(userPath),
      userFile_(std::make_unique<TConfigFile>()),
      defaultsFile_(std::make_unique<TConfigFile>()) {
  defaultsFile_->Load(defaultsPath);
  if (userFile_->Load(userPath)) return;
  if (IsPathAbsent(userPath)) {
    // A first run starts from a copy of the defaults.
    userFile_->Load(defaultsPath);
    return;
  }
  // There are settings, but they cannot be read: the run goes on with the
  // defaults, and the player's file is left as it is.
  userFileUnreadable_ = true;
  userFile_->Load(defaultsPath);
  ReportProblem("The settings file " + userPath +
                " could not be read; this run uses the defaults and will not save its settings.");
}

TSettingsStore::~TSettingsStore() { SaveUserFile(); }

bool TSettingsStore::SaveUserFile() const {
  if (userFileUnreadable_) return false;
  TTextBuffer buffer;
  buffer.Append(userFile_->GetText());
  return buffer.Save(userPath_);
}

bool TSettingsStore::SelectSection(const std::string& name) {
  defaultsFile_->SelectSection(name);
  if (!userFile_->SelectSection(name)) userFile_->AddSection(name);
  return true;
}

template <typename T, typename Getter>
bool TSettingsStore::Get(const std::string& key, T& value, Getter getter) {
  if ((userFile_.get()->*getter)(key, value)) return true;
  return (defaultsFile_.get()->*getter)(key, value);
}

bool TSettingsStore::GetString(const std::string& key, std::string& value) {
  return Get(key, value, &TConfigParser::GetString);
}

bool TSettingsStore::GetInt(const std::string& key, int32_t& value) {
  return Get(key, value, &TConfigParser::GetInt);
}

bool TSettingsStore::GetBool(const std::string& key, bool& value) {
  return Get(key, value, &TConfigParser::GetBool);
}

bool TSettingsStore::GetValues(std::initializer_list<TValueRef> values) {
  for (const TValueRef& ref : values) {
    const bool found = std::visit(
        [&](auto* target) {
          using T = std::remove_pointer_t<decltype(target)>;
          if constexpr (std::is_same_v<T, std::string>) return GetString(ref.key, *target);
          if constexpr (std::is_same_v<T, int32_t>) return GetInt(ref.key, *target);
          if constexpr (std::is_same_v<T, bool>) return GetBool(ref.key, *target);
        },
        ref.target);
    if (!found) return false;
  }
  return true;
}
