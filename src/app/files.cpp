#include "app/files.h"

#include <algorithm>
#include <limits>

#include "app/data_stream.h"
#include "app/message_box.h"
#include "platform/file_system.h"

namespace {

constexpr int16_t kMaxStringListNames = std::numeric_limits<int16_t>::max();
constexpr std::size_t kReadChunk = 64 * 1024;

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

// ---------------------------------------------------------------- TFile

TFile::TFile(std::string name, std::string mode) : name_(std::move(name)), mode_(std::move(mode)) {}

TFile::TFile(std::string name) : TFile(std::move(name), "in") {}

TFile::~TFile() {
  // An "out" file that was never closed is abandoned: its target keeps the old content.
  if (input_ != nullptr) std::fclose(input_);
}

bool TFile::Open() {
  if (open_) Close();
  writeFailed_ = false;
  if (mode_ == "in") {
    input_ = platform::OpenForReading(name_);
    open_ = input_ != nullptr;
  } else if (mode_ == "out") {
    output_ = std::make_unique<platform::AtomicFileWriter>(name_);
    open_ = output_->IsOpen();
    if (!open_) output_.reset();
  } else {
    open_ = false;
  }
  return open_;
}

bool TFile::WriteBytes(const std::vector<uint8_t>& bytes) { return WriteBytes(bytes.data(), bytes.size()); }

bool TFile::WriteBytes(const uint8_t* data, std::size_t size) {
  if (!open_ || !output_) return false;
  if (size == 0) return true;
  if (data == nullptr || !output_->Write(data, size)) {
    // A write error ends the file at once; the target keeps its old content.
    output_->Abandon();
    output_.reset();
    open_ = false;
    writeFailed_ = true;
    return false;
  }
  return true;
}

bool TFile::ReadAll(std::vector<uint8_t>& bytes, std::size_t limit) {
  if (!open_ || input_ == nullptr) return false;
  const std::size_t start = bytes.size();
  std::vector<uint8_t> chunk(kReadChunk);
  std::size_t count = 0;
  bool tooLarge = false;
  while (!tooLarge && (count = std::fread(chunk.data(), 1, chunk.size(), input_)) > 0) {
    tooLarge = count > limit - (bytes.size() - start);
    if (!tooLarge) bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
  }
  const bool readWhole = !tooLarge && std::feof(input_) != 0 && std::ferror(input_) == 0;
  if (!readWhole) bytes.resize(start);
  return Close() && readWhole;
}

bool TFile::Close() {
  if (!open_) return !writeFailed_;
  open_ = false;
  bool ok = true;
  if (input_ != nullptr) {
    ok = std::fclose(input_) == 0;
    input_ = nullptr;
  }
  if (output_) {
    ok = output_->Commit();
    output_.reset();
  }
  return ok;
}

// ---------------------------------------------------------------- folders and files

bool CreateFolder(const std::string& path) {
  if (platform::MakeDirectory(path) == 0) return true;
  ShowMessageBox("%s", "Couldn't create directory");
  return false;
}

bool FileExists(const std::string& path) {
  if (platform::GetEntryKind(path) == platform::EntryKind::Directory) return false;
  std::FILE* file = platform::OpenForReading(path);
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

bool IsFileMissing(const std::string& path) { return !FileExists(path); }

bool FolderExists(const std::string& path) {
  std::vector<std::string> names;
  return platform::ListDirectory(path, names) == 0;
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

bool IsPathAbsent(const std::string& path) { return platform::GetEntryKind(path) == platform::EntryKind::Missing; }

bool RemoveFile(const std::string& path) { return platform::RemoveFile(path); }

void DeleteFolderFiles(const std::string& folder) {
  const std::string prefix = EndsWithSeparator(folder) ? folder : folder + GetPathSeparator();
  std::vector<std::string> names;
  if (platform::ListDirectory(prefix, names) != 0) return;
  for (const std::string& name : names) {
    if (IsDotEntry(name)) continue;
    const std::string path = prefix + name;
    // Sub-folders and anything else that is not a plain file stay.
    if (platform::GetEntryKind(path) == platform::EntryKind::File) platform::RemoveFile(path);
  }
}

void ListFolder(const std::string& folder, std::vector<std::string>& names) {
  std::vector<std::string> listing;
  if (platform::ListDirectory(folder, listing) != 0) return;
  names.insert(names.end(), listing.begin(), listing.end());
}

std::string GetGameNumberText(const std::string& fileName) {
  const std::size_t game = fileName.find("_G");
  if (game == std::string::npos) return std::string();
  const std::size_t start = game + 2;
  const std::size_t turn = fileName.find("_T");
  if (turn != std::string::npos) {
    if (turn < start) return std::string();
    return fileName.substr(start, turn - start);
  }
  const std::size_t lastDigit = fileName.find_last_of("0123456789");
  if (lastDigit == std::string::npos || lastDigit < start) return std::string();
  return fileName.substr(start, lastDigit + 1 - start);
}

// ---------------------------------------------------------------- path names

const std::string& GetGamesFolder() {
  static const std::string value = "Games\\";
  return value;
}
const std::string& GetOrdersFolder() {
  static const std::string value = "Orders\\";
  return value;
}
const std::string& GetWorkingFolder() {
  static const std::string value = ".\\";
  return value;
}
const std::string& GetPathSeparator() {
  static const std::string value = "\\";
  return value;
}
const std::string& GetConfigsFolder() {
  static const std::string value = "Configs\\";
  return value;
}
const std::string& GetDocsFolder() {
  static const std::string value = "VorhelmDocs\\";
  return value;
}
const std::string& GetReferralFilePath() {
  static const std::string value = GetDocsFolder() + "referral.dat";
  return value;
}
const std::string& GetBountyFilePath() {
  static const std::string value = GetDocsFolder() + "bounty.dat";
  return value;
}
const std::string& GetLanguagesFolder() {
  static const std::string value = "Languages\\";
  return value;
}
const std::string& GetConfigExtension() {
  static const std::string value = ".cfg";
  return value;
}
const std::string& GetDataConfigName() {
  static const std::string value = "Data.cfg";
  return value;
}
const std::string& GetDisplayConfigName() {
  static const std::string value = "Display.cfg";
  return value;
}
const std::string& GetWebLoginAddress() {
  static const std::string value = "http://vorhelm.example.net/DVX/login";
  return value;
}

std::string GetStartPrefix() { return "start_"; }
std::string MakeGameFolderPath(const std::string& name) { return GetGamesFolder() + name + GetPathSeparator(); }
std::string GetUserDataConfigPath() { return GetConfigsFolder() + "UserData.cfg"; }
std::string GetGeneralConfigPath() { return GetConfigsFolder() + "General.cfg"; }
std::string GetFontStylesName() { return GetConfigsFolder() + "FontStyles" + GetConfigExtension(); }
std::string GetTutorialMapPath() { return "tutorialMaps\\"; }
std::string GetMapPath() { return "Map\\"; }

// ---------------------------------------------------------------- TTextBuffer

bool TTextBuffer::Load(const std::string& path) {
  TFile file(path, "in");
  if (!file.Open()) return false;
  std::vector<uint8_t> bytes;
  if (!file.ReadAll(bytes, kMaxTextFileBytes)) return false;
  text_.insert(0, reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return true;
}

bool TTextBuffer::Save(const std::string& path) const {
  TFile file(path, "out");
  if (!file.Open()) return false;
  if (!file.WriteBytes(reinterpret_cast<const uint8_t*>(text_.data()), text_.size())) return false;
  return file.Close();
}

void TTextBuffer::Append(const std::string& chars) { text_ += chars; }

void TTextBuffer::Insert(std::size_t position, const std::string& chars) {
  text_.insert(std::min(position, text_.size()), chars);
}

void TTextBuffer::Clear() { text_.clear(); }

void TTextBuffer::CopyFrom(const TTextBuffer& other) {
  if (&other != this) text_ = other.text_;
}

// ---------------------------------------------------------------- TStringList

int16_t TStringList::IndexOf(const std::string& name) {
  const auto found = std::find(names_.begin(), names_.end(), name);
  if (found != names_.end()) return static_cast<int16_t>(found - names_.begin());
  if (names_.size() >= static_cast<std::size_t>(kMaxStringListNames)) return -1;
  names_.push_back(name);
  return static_cast<int16_t>(names_.size() - 1);
}

std::string TStringList::At(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= names_.size()) return std::string();
  return names_[static_cast<std::size_t>(index)];
}

bool TStringList::Save(TDataStream& stream) const {
  bool ok = stream.WriteShort(static_cast<uint16_t>(names_.size()));
  for (const std::string& name : names_) ok = stream.WriteString(name) && ok;
  return ok;
}

bool TStringList::Load(TDataStream& stream) {
  names_.clear();
  const auto count = static_cast<int16_t>(stream.ReadShort());
  if (stream.HasFailed()) return false;
  if (count <= 0) return true;
  // Every name takes at least its four-byte length.
  if (static_cast<std::size_t>(count) * sizeof(uint32_t) > stream.Remaining()) {
    stream.SetFailed();
    return false;
  }
  names_.reserve(static_cast<std::size_t>(count));
  for (int16_t i = 0; i < count; ++i) names_.push_back(stream.ReadString());
  if (stream.HasFailed()) {
    names_.clear();
    return false;
  }
  return true;
}
