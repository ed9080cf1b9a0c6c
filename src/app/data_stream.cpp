#include "app/data_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "app/files.h"
#include "app/message_box.h"
#include "app/version_info.h"

namespace {

// Streams at or below this version carry only the tag before the body.
constexpr float kFullHeaderAbove = 1.079f;
// Slack of the version check on either side of the readable range.
constexpr double kVersionSlack = 0.001;
// No stored body may claim more than the largest file the game reads, nor
// more than zlib's best ratio allows for the compressed bytes at hand.
constexpr std::size_t kMaxBodyLength = kMaxDataFileBytes;
constexpr std::size_t kMaxInflateRatio = 1032;
// The output grows by at least this much as inflated data arrives.
constexpr std::size_t kInflateChunk = 64u * 1024u;
constexpr std::size_t kMaxStreamBytes = std::numeric_limits<uint32_t>::max();
const char* const kDefaultName = "GeneralDVX";

std::string CurrentVersionTag() {
  const TVersionInfo* info = GetVersionInfo()->Get();
  return info != nullptr ? info->GetVersionTag() : std::string(kVersionTag);
}

std::string OldestVersionTag() {
  const TVersionInfo* info = GetVersionInfo()->Get();
  return info != nullptr ? info->GetOldestVersionTag() : std::string(kOldestVersionTag);
}

}  // namespace

TDataStream::TDataStream() : TDataStream(CurrentVersionTag()) {}

TDataStream::TDataStream(const std::string& tag) : tag_(tag), version_(ParseVersionTag(tag)) {}

// ---------------------------------------------------------------- writing

bool TDataStream::WriteBytes(const void* data, std::size_t count) {
  if (count == 0) return true;
  if (data == nullptr || count > kMaxStreamBytes - body_.size()) return false;
  if (position_ > body_.size()) position_ = static_cast<uint32_t>(body_.size());
  const auto* bytes = static_cast<const uint8_t*>(data);
  body_.insert(body_.begin() + position_, bytes, bytes + count);
  position_ += static_cast<uint32_t>(count);
  return true;
}

bool TDataStream::WriteByte(uint8_t value) { return WriteBytes(&value, 1); }

bool TDataStream::WriteShort(uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
  return WriteBytes(bytes, sizeof bytes);
}

bool TDataStream::WriteInt(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                            static_cast<uint8_t>((value >> 16) & 0xFF), static_cast<uint8_t>(value >> 24)};
  return WriteBytes(bytes, sizeof bytes);
}

bool TDataStream::WriteFloat(float value) {
  uint32_t pattern = 0;
  std::memcpy(&pattern, &value, sizeof pattern);
  return WriteInt(pattern);
}

bool TDataStream::WriteString(const std::string& text) {
  if (text.size() > kMaxStreamBytes - sizeof(uint32_t)) return false;
  return WriteInt(static_cast<uint32_t>(text.size())) && WriteBytes(text.data(), text.size());
}

bool TDataStream::AppendStream(TDataStream& other) {
  other.Rewind();
  if (&other == this) {
    const std::vector<uint8_t> copy = body_;
    return WriteBytes(copy.data(), copy.size());
  }
  return WriteBytes(other.body_.data(), other.body_.size());
}

bool TDataStream::WriteEmbedded(TDataStream& target) const {
  // Embedded bodies are always raw: readers refuse compressed ones.
  if (body_.size() > kMaxStreamBytes) return false;
  return target.WriteString(tag_) && target.WriteString(name_) && target.WriteByte(0) &&
         target.WriteInt(static_cast<uint32_t>(body_.size())) && target.WriteBytes(body_.data(), body_.size());
}

// ---------------------------------------------------------------- reading

bool TDataStream::ReadBytes(void* data, std::size_t count) {
  if (count > Remaining()) {
    if (data != nullptr && count > 0) std::memset(data, 0, count);
    SeekEnd();
    failed_ = true;
    return false;
  }
  if (count > 0) {
    std::memcpy(data, body_.data() + position_, count);
    position_ += static_cast<uint32_t>(count);
  }
  return true;
}

uint8_t TDataStream::ReadByte() {
  uint8_t value = 0;
  ReadBytes(&value, 1);
  return value;
}

uint16_t TDataStream::ReadShort() {
  uint8_t bytes[2] = {};
  ReadBytes(bytes, sizeof bytes);
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t TDataStream::ReadInt() {
  uint8_t bytes[4] = {};
  ReadBytes(bytes, sizeof bytes);
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

float TDataStream::ReadFloat() {
  const uint32_t pattern = ReadInt();
  float value = 0.0f;
  std::memcpy(&value, &pattern, sizeof value);
  return value;
}

std::string TDataStream::ReadString() {
  const uint32_t length = ReadInt();
  if (length > Remaining()) {
    SeekEnd();
    failed_ = true;
    return std::string();
  }
  std::string text(reinterpret_cast<const char*>(body_.data() + position_), length);
  position_ += length;
  return text;
}

bool TDataStream::ExtractStream(TDataStream& target) {
  target.Clear();
  target.ClearFailure();
  const bool failedBefore = failed_;
  failed_ = false;
  const std::string tag = ReadString();
  const std::string name = ReadString();
  const uint8_t flag = ReadByte();
  const uint32_t length = ReadInt();
  if (!failed_) {
    target.tag_ = tag;
    target.version_ = ParseVersionTag(tag);
    target.name_ = name;
    target.compressed_ = flag != 0;
    if (flag != 0) {
      // Nothing writes embedded streams compressed; such a header is damage.
      failed_ = true;
    } else if (length > Remaining()) {
      SeekEnd();
      failed_ = true;
    } else {
      target.body_.assign(body_.begin() + position_, body_.begin() + position_ + length);
      position_ += length;
    }
  }
  const bool ok = !failed_;
  failed_ = failed_ || failedBefore;
  return ok;
}

void TDataStream::Seek(uint32_t index) {
  if (index > body_.size()) {
    SeekEnd();
    failed_ = true;
    return;
  }
  position_ = index;
}

void TDataStream::Clear() {
  body_.clear();
  position_ = 0;
}

// ---------------------------------------------------------------- files

bool TDataStream::SaveToFile(const std::string& path) {
  if (body_.size() > kMaxStreamBytes) return false;
  TDataStream header(tag_);
  header.WriteString(tag_);
  if (version_ > kFullHeaderAbove) {
    header.WriteString(name_);
    header.WriteByte(compressed_ ? 1 : 0);
    header.WriteInt(static_cast<uint32_t>(body_.size()));
  } else {
    compressed_ = false;
  }

  std::vector<uint8_t> packed;
  if (compressed_ && !CompressData(body_, packed)) return false;

  TFile file(path, "out");
  if (!file.Open()) return false;
  if (!file.WriteBytes(header.Body())) return false;
  if (!file.WriteBytes(compressed_ ? packed : body_)) return false;
  return file.Close();
}

bool TDataStream::LoadFromFile(const std::string& path) {
  Clear();
  failed_ = false;
  TFile file(path, "in");
  if (!file.Open()) return false;
  std::vector<uint8_t> bytes;
  if (!file.ReadAll(bytes)) return false;
  return LoadFromBytes(bytes);
}

bool TDataStream::LoadFromBytes(const std::vector<uint8_t>& bytes) {
  Clear();
  failed_ = false;
  if (bytes.size() > kMaxStreamBytes) return false;

  TDataStream file(tag_);
  file.body_ = bytes;
  const std::string tag = file.ReadString();
  if (file.HasFailed()) return false;
  const float version = ParseVersionTag(tag);
  if (CheckVersion(version) != EVersionCheck::Ok) return false;

  std::string name = kDefaultName;
  bool compressed = false;
  uint32_t length = 0;
  if (version > kFullHeaderAbove) {
    name = file.ReadString();
    compressed = file.ReadByte() != 0;
    length = file.ReadInt();
    if (file.HasFailed()) return false;
  }

  const std::vector<uint8_t> rest(file.body_.begin() + file.position_, file.body_.end());
  if (compressed) {
    std::vector<uint8_t> inflated;
    if (!DecompressData(rest, inflated, length)) return false;
    body_ = std::move(inflated);
  } else {
    body_ = rest;
  }
  tag_ = tag;
  version_ = version;
  name_ = name;
  compressed_ = compressed;
  position_ = 0;
  return true;
}

bool TDataStream::LoadRaw(const std::string& path) {
  Clear();
  failed_ = false;
  TFile file(path, "in");
  if (!file.Open()) return false;
  std::vector<uint8_t> bytes;
  if (!file.ReadAll(bytes)) return false;
  body_ = std::move(bytes);
  return true;
}

bool TDataStream::IsFileReadable(const std::string& path) {
  TFile file(path, "in");
  return file.Open();
}

// ---------------------------------------------------------------- versions

float ParseVersionTag(const std::string& tag) {
  // One reading of a tag for every caller; a number no float holds is no version.
  const double value = VersionTextToNumber(tag);
  return std::fabs(value) <= std::numeric_limits<float>::max() ? static_cast<float>(value) : 0.0f;
}

EVersionCheck CheckVersion(float fileVersion) {
  const double current = VersionTextToNumber(CurrentVersionTag());
  const double oldest = VersionTextToNumber(OldestVersionTag());
  if (current + kVersionSlack < fileVersion) {
    ShowMessageBox("%s", "Client exe out of date.  Please download newer version");
    return EVersionCheck::TooNew;
  }
  if (fileVersion < oldest - kVersionSlack) {
    ShowMessageBox("%s", "Version of file too old");
    return EVersionCheck::TooOld;
  }
  return EVersionCheck::Ok;
}

// ---------------------------------------------------------------- zlib

bool CompressData(const std::vector<uint8_t>& source, std::vector<uint8_t>& out) {
  const std::size_t start = out.size();
  uLongf packedSize = compressBound(static_cast<uLong>(source.size()));
  out.resize(start + packedSize);
  const int result = compress(out.data() + start, &packedSize, source.data(), static_cast<uLong>(source.size()));
  if (result != Z_OK) {
    out.resize(start);
    return false;
  }
  out.resize(start + packedSize);
  return true;
}

bool DecompressData(const std::vector<uint8_t>& source, std::vector<uint8_t>& out, std::size_t size) {
  if (size > kMaxBodyLength || size > kMaxInflateRatio * source.size()) return false;
  if (source.size() > std::numeric_limits<uInt>::max()) return false;
  z_stream inflater{};
  if (inflateInit(&inflater) != Z_OK) return false;
  inflater.next_in = const_cast<Bytef*>(source.data());
  inflater.avail_in = static_cast<uInt>(source.size());

  // The declared size is only a claim: memory follows the data that really
  // inflates, and one byte beyond the claim already refuses the body.
  const std::size_t start = out.size();
  std::size_t produced = 0;
  int result = Z_OK;
  while (result == Z_OK && produced <= size) {
    const std::size_t room = std::min(std::max(produced, kInflateChunk), size + 1 - produced);
    out.resize(start + produced + room);
    inflater.next_out = out.data() + start + produced;
    inflater.avail_out = static_cast<uInt>(room);
    result = inflate(&inflater, Z_NO_FLUSH);
    produced += room - inflater.avail_out;
    // Out of input before the end of the data: truncated.
    if (result == Z_BUF_ERROR && inflater.avail_out > 0) break;
    if (result == Z_BUF_ERROR) result = Z_OK;
  }
  inflateEnd(&inflater);
  if (result != Z_STREAM_END || produced != size) {
    out.resize(start);
    return false;
  }
  out.resize(start + size);
  return true;
}
