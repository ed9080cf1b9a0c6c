// The binary container behind every saved file and message: little-endian
// typed reads and writes at a position, a version tag that readers branch on,
// and files with a small header and an optionally zlib-compressed body.
//
// Reads never leave the body: a read past the end gives zero (or an empty
// string), leaves the position at the end and sets a sticky failure flag that
// every loader tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TDataStream {
 public:
  TDataStream();
  explicit TDataStream(const std::string& tag);
  virtual ~TDataStream() = default;

  float GetVersion() const { return version_; }
  const std::string& GetVersionTag() const { return tag_; }
  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  bool IsCompressed() const { return compressed_; }
  void SetCompressed(bool compressed) { compressed_ = compressed; }

  bool WriteByte(uint8_t value);
  bool WriteShort(uint16_t value);
  bool WriteInt(uint32_t value);
  bool WriteFloat(float value);
  bool WriteBytes(const void* data, std::size_t count);
  bool WriteString(const std::string& text);
  bool AppendStream(TDataStream& other);
  // Writes this stream embedded in another: header fields then the raw body.
  bool WriteEmbedded(TDataStream& target) const;

  uint8_t ReadByte();
  uint16_t ReadShort();
  uint32_t ReadInt();
  float ReadFloat();
  std::string ReadString();
  bool ReadBytes(void* data, std::size_t count);
  bool ExtractStream(TDataStream& target);

  void Rewind() { position_ = 0; }
  void Seek(uint32_t index);
  void SeekEnd() { position_ = static_cast<uint32_t>(body_.size()); }
  void Clear();
  uint32_t GetPosition() const { return position_; }
  std::size_t Remaining() const { return position_ < body_.size() ? body_.size() - position_ : 0; }
  const std::vector<uint8_t>& Body() const { return body_; }
  std::vector<uint8_t>& Body() { return body_; }

  // Sticky failure of reads (past the end, bad lengths, bad embedded stream).
  bool HasFailed() const { return failed_; }
  void SetFailed() { failed_ = true; }
  void ClearFailure() { failed_ = false; }

  bool SaveToFile(const std::string& path);
  bool Save(const std::string& path) { return SaveToFile(path); }
  // False for an unopenable file, a truncated header, a version this program
  // does not read, or a body that does not decompress to its stored length.
  bool LoadFromFile(const std::string& path);
  bool Load(const std::string& path) { return LoadFromFile(path); }
  bool LoadRaw(const std::string& path);
  // Loads from bytes already in memory, with the same checks as a file.
  bool LoadFromBytes(const std::vector<uint8_t>& bytes);
  static bool IsFileReadable(const std::string& path);

 private:
  // (internals are the implementer's)
  std::vector<uint8_t> body_;
  uint32_t position_ = 0;
  std::string tag_;
  float version_ = 0.0f;
  std::string name_ = "GeneralDVX";
  bool compressed_ = true;
  bool failed_ = false;
};

// Version number of a tag: "Vorhelm-3-10" reads 3.10, "Vorhelm-1-0" 1.0.
float ParseVersionTag(const std::string& tag);

enum class EVersionCheck { Ok, TooNew, TooOld };
// Compares a file's version number with this program's; shows the message
// when the file cannot be read.
EVersionCheck CheckVersion(float fileVersion);

// zlib over byte arrays; false (and `out` unchanged in size) on failure.
bool CompressData(const std::vector<uint8_t>& source, std::vector<uint8_t>& out);
bool DecompressData(const std::vector<uint8_t>& source, std::vector<uint8_t>& out, std::size_t size);
