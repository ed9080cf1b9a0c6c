#include "app/directory_listing.h"

#include <cerrno>
#include <new>
#include <utility>

#include "app/files.h"
#include "platform/file_system.h"

namespace {

int g_directoryError = kDirectoryOk;

void SetError(int error) { g_directoryError = error; }

}  // namespace

TDirStream::TDirStream(std::string pattern) : pattern_(std::move(pattern)) {}

bool TDirStream::IsIntact() const {
  // The entry may only ever point at the name of the current entry of this stream.
  if (entry_.name == nullptr) {
    return true;
  }
  return state_ > 0 && static_cast<std::size_t>(state_) <= names_.size() &&
         entry_.name == names_[static_cast<std::size_t>(state_ - 1)].c_str();
}

TDirEntry* TDirStream::Start() {
  const std::string folder = pattern_.substr(0, pattern_.size() - 1);  // without the "*"
  const int error = platform::ListDirectory(folder, names_);
  if (error != 0 || names_.empty()) {
    // The folder went away (or changed kind) since it was opened.
    SetError(error == ENOTDIR ? kDirectoryNotAFolder : error == 0 ? kDirectoryOk : kDirectoryNotFound);
    Finish();
    return nullptr;
  }
  state_ = 1;
  return Current();
}

TDirEntry* TDirStream::Next() {
  if (static_cast<std::size_t>(state_) >= names_.size()) {
    Finish();
    return nullptr;
  }
  ++state_;
  return Current();
}

TDirEntry* TDirStream::Current() {
  const std::string& name = names_[static_cast<std::size_t>(state_ - 1)];
  entry_.name = name.c_str();
  entry_.nameLength = name.size();
  return &entry_;
}

void TDirStream::Finish() {
  entry_ = TDirEntry{};
  names_.clear();
  state_ = -1;
}

TDirStream* OpenDirectory(const char* path) {
  SetError(kDirectoryOk);
  if (path == nullptr) {
    SetError(kDirectoryBadAddress);
    return nullptr;
  }
  const std::string folder(path);
  if (folder.empty()) {
    SetError(kDirectoryNotAFolder);
    return nullptr;
  }
  switch (platform::GetEntryKind(folder)) {
    case platform::EntryKind::Missing:
      SetError(kDirectoryNotFound);
      return nullptr;
    case platform::EntryKind::Directory:
      break;
    default:
      SetError(kDirectoryNotAFolder);
      return nullptr;
  }
  std::string pattern = folder;
  if (!EndsWithSeparator(pattern)) {
    pattern += '\\';
  }
  pattern += '*';
  auto* stream = new (std::nothrow) TDirStream(std::move(pattern));
  if (stream == nullptr) {
    SetError(kDirectoryOutOfMemory);
  }
  return stream;
}

TDirEntry* ReadDirectory(TDirStream* stream) {
  SetError(kDirectoryOk);
  if (stream == nullptr) {
    SetError(kDirectoryBadAddress);
    return nullptr;
  }
  if (!stream->IsIntact()) {
    SetError(kDirectoryInvalid);
    return nullptr;
  }
  if (stream->state_ < 0) {
    return nullptr;
  }
  return stream->state_ == 0 ? stream->Start() : stream->Next();
}

int CloseDirectory(TDirStream* stream) {
  SetError(kDirectoryOk);
  if (stream == nullptr) {
    SetError(kDirectoryBadAddress);
    return -1;
  }
  delete stream;
  return 0;
}

int GetDirectoryError() { return g_directoryError; }
