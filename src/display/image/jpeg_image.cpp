#include "display/image/jpeg_image.h"

#include <algorithm>

bool TJpegFileStream::Open(const std::string& fileName) {
  file_ = image_file::Open(fileName);
  endOfFile_ = false;
  error_ = false;
  return file_ != nullptr;
}

int32_t TJpegFileStream::Read(uint8_t* buffer, int32_t count, bool* endOfFile) {
  if (!file_ || error_) return -1;
  if (endOfFile_) {
    *endOfFile = true;
    return 0;
  }
  if (count <= 0) return 0;
  const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), file_.get());
  if (got == static_cast<std::size_t>(count)) return count;
  if (std::ferror(file_.get())) {
    error_ = true;
    return -1;
  }
  endOfFile_ = true;
  *endOfFile = true;
  return static_cast<int32_t>(got);
}

bool TJpegImage::Load(const std::string& fileName) {
  pixels_.clear();
  decoder_.reset();
  stream_ = std::make_unique<TJpegFileStream>();
  if (!stream_->Open(fileName)) return false;
  decoder_ = std::make_unique<TJpegDecoder>(stream_.get());
  if (decoder_->GetErrorCode() != 0 || decoder_->Begin() != 0) return false;
  const uint32_t rowBytes = static_cast<uint32_t>(decoder_->GetWidth() * decoder_->GetBytesPerPixel());
  const uint32_t rows = std::min<uint32_t>(static_cast<uint32_t>(decoder_->GetHeight()), kMaxRows);
  pixels_.reserve(static_cast<std::size_t>(rowBytes) * rows);
  for (uint32_t row = 0; row < kMaxRows; ++row) {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    const int32_t result = decoder_->DecodeRow(&data, &length);
    if (result == 1) break;
    // A picture missing rows would be read past its end by every caller.
    if (result != 0) return false;
    pixels_.insert(pixels_.end(), data, data + rowBytes);
  }
  return true;
}

uint32_t TJpegImage::GetWidth() const { return decoder_ ? static_cast<uint32_t>(decoder_->GetWidth()) : 0; }

uint32_t TJpegImage::GetHeight() const { return decoder_ ? static_cast<uint32_t>(decoder_->GetHeight()) : 0; }

uint32_t TJpegImage::GetBytesPerPixel() const {
  return decoder_ ? static_cast<uint32_t>(decoder_->GetBytesPerPixel()) : 0;
}
