#include "app/version_info.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "app/config_parser.h"
#include "app/files.h"

const char* const kVersionTag = "Vorhelm-3-10";
const char* const kOldestVersionTag = "Vorhelm-1-0";
const char* const kSaveVersionTag = "Vorhelm-3-07";

namespace {

const char* const kVersionFileName = "VorhelmVersion.txt";
const char* const kVersionSection = "Version Info";

std::unique_ptr<TVersionInfoHolder>& Holder() {
  static std::unique_ptr<TVersionInfoHolder> holder;
  return holder;
}

}  // namespace

TVersionInfo::TVersionInfo()
    : versionTag_(kVersionTag), oldestTag_(kOldestVersionTag), saveTag_(kSaveVersionTag) {
  ReadVersionFile();
}

void TVersionInfo::ReadVersionFile() {
  platform_.clear();
  language_.clear();
  TConfigFile config;
  if (!config.Load(GetDocsFolder() + kVersionFileName)) return;
  if (!config.SelectSection(kVersionSection)) return;
  std::string value;
  if (config.GetString("Platform", value)) platform_ = value;
  value.clear();
  if (config.GetString("Language", value)) language_ = value;
}

void CreateVersionInfo(std::unique_ptr<TVersionInfo> info) {
  Holder() = std::make_unique<TVersionInfoHolder>(std::move(info));
}

TVersionInfoHolder* GetVersionInfo() {
  auto& holder = Holder();
  if (!holder) holder = std::make_unique<TVersionInfoHolder>(std::make_unique<TVersionInfo>());
  return holder.get();
}

void DestroyVersionInfo() { Holder().reset(); }

std::string VersionNumberText(const std::string& tag) {
  const std::size_t firstDash = tag.find('-');
  std::string text = firstDash == std::string::npos ? tag : tag.substr(firstDash + 1);
  const std::size_t nextDash = text.find('-');
  if (nextDash != std::string::npos) text[nextDash] = '.';
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) return std::string();
  return text;
}

double VersionTextToNumber(const std::string& tag) {
  const std::string text = VersionNumberText(tag);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  return error == std::errc() && std::isfinite(value) ? value : 0.0;
}
