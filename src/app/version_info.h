// Which version this program is, which versions of saved data it reads, and
// the platform and language of the installation.
#pragma once

#include <memory>
#include <string>

#include "platform/window.h"

class TVersionInfo {
 public:
  TVersionInfo();
  virtual ~TVersionInfo() = default;
  // The main window; only the desktop form has one.
  virtual platform::WindowHandle GetWindowHandle() const { return nullptr; }

  std::string GetVersionTag() const { return versionTag_; }
  const std::string& GetOldestVersionTag() const { return oldestTag_; }
  const std::string& GetSaveVersionTag() const { return saveTag_; }
  const std::string& GetPlatform() const { return platform_; }
  const std::string& GetLanguage() const { return language_; }
  void ReadVersionFile();

 private:
  std::string versionTag_;
  std::string oldestTag_;
  std::string saveTag_;
  std::string platform_;
  std::string language_;
};

// The desktop form, which also carries the main window.
class TWin32VersionInfo : public TVersionInfo {
 public:
  explicit TWin32VersionInfo(platform::WindowHandle window) : window_(window) {}
  platform::WindowHandle GetWindowHandle() const override { return window_; }

 private:
  platform::WindowHandle window_ = nullptr;
};

class TVersionInfoHolder {
 public:
  explicit TVersionInfoHolder(std::unique_ptr<TVersionInfo> info) : info_(std::move(info)) {}
  TVersionInfo* Get() const { return info_.get(); }

 private:
  std::unique_ptr<TVersionInfo> info_;
};

// The program's own tags.
extern const char* const kVersionTag;        // "Vorhelm-3-10"
extern const char* const kOldestVersionTag;  // "Vorhelm-1-0"
extern const char* const kSaveVersionTag;    // "Vorhelm-3-07"

void CreateVersionInfo(std::unique_ptr<TVersionInfo> info);
// The holder; created with a plain TVersionInfo on first use.
TVersionInfoHolder* GetVersionInfo();
void DestroyVersionInfo();
double VersionTextToNumber(const std::string& tag);
// The number part of a tag as decimal text ("Vorhelm-3-10" -> "3.10"); empty
// when it does not begin with a digit or a point.
std::string VersionNumberText(const std::string& tag);
