#include "display/image/bmp_image.h"

#include <cstring>

#include "app/message_box.h"
#include "display/image/image_file.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

uint32_t Read32(const uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

bool TBmpImage::Load(const std::string& fileName) {
  const image_file::THandle file = image_file::Open(fileName);
  if (!file) {
    std::fputs("eek!\n", stdout);
    ShowMessageBox("Unable to open File %s", fileName.c_str());
    return false;
  }
  uint8_t fileHeader[kFileHeaderSize];
  uint8_t info[kInfoHeaderSize];
  if (!image_file::ReadExactly(file.get(), fileHeader, sizeof fileHeader)) {
    ShowMessageBox("Could not read bmp file header");
    return false;
  }
  if (!image_file::ReadExactly(file.get(), info, sizeof info)) {
    ShowMessageBox("Could not read bmp info header");
    return false;
  }
  if (fileHeader[0] != 0x42 || fileHeader[1] != 0x4D) {
    ShowMessageBox("File not a bmp image");
    return false;
  }
  const auto width = static_cast<int32_t>(Read32(info + 4));
  const auto height = static_cast<int32_t>(Read32(info + 8));
  const uint32_t bitCount = info[14] | (info[15] << 8);
  const uint32_t compression = Read32(info + 16);
  // Only plain 24-bit rows are understood; anything else would be read as
  // garbage (or, for a negative width, as an enormous picture).
  if (width <= 0 || height == 0 || height == INT32_MIN || bitCount != 24 || compression != 0) {
    width_ = height_ = bitsPerPixel_ = 0;
    pixels_.clear();
    ShowMessageBox("File not a bmp image");
    return false;
  }
  width_ = static_cast<uint32_t>(width);
  height_ = static_cast<uint32_t>(height < 0 ? -height : height);
  bitsPerPixel_ = bitCount;
  infoHeader_ = std::make_unique<uint8_t[]>(44);
  std::memcpy(infoHeader_.get(), info, sizeof info);
  if (!ReadPixelRows(file.get(), Read32(fileHeader + 10))) return false;
  // Rows are stored bottom-up unless the height is negative.
  if (height > 0) FlipRows();
  image_pixels::SwapRedBlue(pixels_.data(), static_cast<uint64_t>(width_) * height_, 3);
  return true;
}

// Each stored row is padded to a multiple of four bytes; the pixels start
// where the file header says (never inside the headers).
bool TBmpImage::ReadPixelRows(std::FILE* file, uint32_t dataOffset) {
  const uint64_t rowBytes = static_cast<uint64_t>(width_) * 3;
  const uint64_t storedRowBytes = (rowBytes + 3) & ~uint64_t{3};
  const uint64_t headers = kFileHeaderSize + kInfoHeaderSize;
  const uint64_t skip = dataOffset > headers ? dataOffset - headers : 0;
  const uint64_t needed = skip + storedRowBytes * (height_ - 1) + rowBytes;
  if (image_file::Remaining(file) < needed || fseeko(file, static_cast<off_t>(skip), SEEK_CUR) != 0) {
    pixels_.clear();
    height_ = 0;
    ShowMessageBox("Could not read bmp image data");
    return false;
  }
  pixels_.assign(rowBytes * height_, 0);
  if (pixels_.size() != rowBytes * height_) {
    ShowMessageBox("Could not allocate memory for bmp image");
    return false;
  }
  uint8_t padding[3];
  for (uint32_t row = 0; row < height_; ++row) {
    const bool last = row + 1 == height_;
    if (!image_file::ReadExactly(file, &pixels_[row * rowBytes], rowBytes) ||
        (!last && !image_file::ReadExactly(file, padding, storedRowBytes - rowBytes))) {
      ShowMessageBox("Could not read bmp image data");
      return false;
    }
  }
  return true;
}

void TBmpImage::FlipRows() {
  if (pixels_.size() != static_cast<uint64_t>(width_) * height_ * 3) return;
  image_pixels::FlipRows(pixels_.data(), width_, height_, 3);
}
