#include "session/turn_files.h"

#include <cstdio>

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "app/version_info.h"
#include "platform/file_system.h"

bool IsPlainName(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

std::string FileNamePart(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool NamesNewGame(const std::string& firstName) { return ContainsText(FileNamePart(firstName), "start_"); }

bool IsAcceptedVersionTag(const std::string& tag) {
  static const std::string kPrefix = "Vorhelm-";
  if (tag.size() > 16 || tag.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  const std::string rest = tag.substr(kPrefix.size());
  const std::size_t dash = rest.find('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 == rest.size()) return false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (i != dash && (rest[i] < '0' || rest[i] > '9')) return false;
  }
  const double version = VersionTextToNumber(tag);
  return version >= VersionTextToNumber(kOldestVersionTag) - 1e-6 && version <= VersionTextToNumber(kVersionTag) + 1e-6;
}

std::string StatusValue(const std::string& value) {
  std::string clean;
  clean.reserve(value.size());
  for (const char c : value) {
    if (c != '\r' && c != '\n') clean += c;
  }
  return clean;
}

std::string UnitCountText(const std::map<std::string, int32_t>& counts) {
  std::string text;
  for (const auto& [type, count] : counts) {
    if (!text.empty()) text += ", ";
    text += type + ";" + IntToString(count);
  }
  return text;
}

TStagedFiles::~TStagedFiles() { Discard(); }

std::string TStagedFiles::Stage(const std::string& finalPath) {
  const std::string temporary = finalPath + ".part";
  files_.emplace_back(temporary, finalPath);
  return temporary;
}

bool TStagedFiles::Commit() {
  std::size_t done = 0;
  for (; done < files_.size(); ++done) {
    if (std::rename(platform::ResolvePath(files_[done].first).c_str(), platform::ResolvePath(files_[done].second).c_str()) != 0) break;
  }
  if (done == files_.size()) {
    files_.clear();
    return true;
  }
  for (std::size_t i = 0; i < done; ++i) platform::RemoveFile(files_[i].second);
  Discard();
  return false;
}

void TStagedFiles::Discard() {
  for (const auto& file : files_) platform::RemoveFile(file.first);
  files_.clear();
}
