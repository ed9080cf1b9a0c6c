// The file layer under streams and config text: byte files, folder helpers,
// the fixed path names of the installation, whole-file text buffers and the
// type-name dictionary of world saves. Paths are game paths ("\" separated,
// folders end in "\"); the platform layer maps them onto the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class TDataStream;
namespace platform {
class AtomicFileWriter;
}

// Nothing the game reads comes near these sizes; a larger file is refused
// before it can cost the time and memory it asks for.
constexpr std::size_t kMaxTextFileBytes = 8u * 1024u * 1024u;
constexpr std::size_t kMaxDataFileBytes = 64u * 1024u * 1024u;

class TFile {
 public:
  TFile(std::string name, std::string mode);
  explicit TFile(std::string name);
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  // "in" opens for binary reading, "out" for writing (the target is replaced
  // only when the file is closed after every write succeeded); other modes fail.
  bool Open();
  bool WriteBytes(const std::vector<uint8_t>& bytes);
  bool WriteBytes(const uint8_t* data, std::size_t size);
  // Appends every byte to the end of the file, then closes. False (and
  // `bytes` as it was) when the file holds more than `limit` bytes.
  bool ReadAll(std::vector<uint8_t>& bytes, std::size_t limit = kMaxDataFileBytes);
  // Closes; for "out", commits the written file. False when the commit fails
  // or when a write failed since the file was opened. An "out" file destroyed
  // without Close is abandoned and its target keeps its old content.
  bool Close();
  bool IsOpen() const { return open_; }
  const std::string& GetName() const { return name_; }

 private:
  std::FILE* input_ = nullptr;
  std::unique_ptr<platform::AtomicFileWriter> output_;
  std::string name_;
  std::string mode_;
  bool open_ = false;
  bool writeFailed_ = false;
};

// Folders and files.
bool CreateFolder(const std::string& path);
bool FileExists(const std::string& path);
bool IsFileMissing(const std::string& path);
bool FolderExists(const std::string& path);
// A path that names a folder ends in "\\" (or "/").
bool EndsWithSeparator(const std::string& path);
// Whether a file that could not be read is absent (rather than present but
// unreadable: no permission, a folder, too large).
bool IsPathAbsent(const std::string& path);
bool RemoveFile(const std::string& path);
void DeleteFolderFiles(const std::string& folder);
void ListFolder(const std::string& folder, std::vector<std::string>& names);
std::string GetGameNumberText(const std::string& fileName);

// Fixed path names.
const std::string& GetGamesFolder();
const std::string& GetOrdersFolder();
const std::string& GetWorkingFolder();
const std::string& GetPathSeparator();
const std::string& GetConfigsFolder();
const std::string& GetDocsFolder();
const std::string& GetReferralFilePath();
const std::string& GetBountyFilePath();
const std::string& GetLanguagesFolder();
const std::string& GetConfigExtension();
const std::string& GetDataConfigName();
const std::string& GetDisplayConfigName();
const std::string& GetWebLoginAddress();
std::string GetStartPrefix();
std::string MakeGameFolderPath(const std::string& name);
std::string GetUserDataConfigPath();
std::string GetGeneralConfigPath();
std::string GetFontStylesName();
std::string GetTutorialMapPath();
std::string GetMapPath();

// A whole file held as characters.
class TTextBuffer {
 public:
  TTextBuffer() = default;

  // False for a missing or unreadable file, or one over kMaxTextFileBytes.
  bool Load(const std::string& path);
  bool Save(const std::string& path) const;
  void Append(const std::string& chars);
  void Insert(std::size_t position, const std::string& chars);
  void Clear();
  void CopyFrom(const TTextBuffer& other);
  const std::string& Text() const { return text_; }
  std::string& Text() { return text_; }
  std::size_t Size() const { return text_.size(); }

 private:
  std::string text_;
};

// The dictionary of type names that a world save writes once and refers to by
// 16-bit index.
class TStringList {
 public:
  // Index of the name; appended when absent. -1 when the list is full (32767 names).
  int16_t IndexOf(const std::string& name);
  // The name at the index; empty for an index outside the list.
  std::string At(int index) const;
  int Count() const { return static_cast<int>(names_.size()); }
  void Clear() { names_.clear(); }
  bool Save(TDataStream& stream) const;
  // False (and an empty list) when the stream is truncated or the count is
  // larger than the remaining bytes could hold.
  bool Load(TDataStream& stream);

 private:
  std::vector<std::string> names_;
};
