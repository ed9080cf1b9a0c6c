#include "display/image/tga_image.h"

#include <algorithm>
#include <cstring>

#include "app/message_box.h"
#include "display/image/image_file.h"
#include "platform/file_system.h"

namespace {

constexpr uint8_t kUncompressedBlock[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kRunLengthBlock[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint32_t kMaxPacketPixels = 128;

}  // namespace

bool TTgaImage::Load(const std::string& fileName) {
  const image_file::THandle file = image_file::Open(fileName);
  if (!file) {
    ShowMessageBox("Unable to open file %s", fileName.c_str());
    return false;
  }
  if (!image_file::ReadExactly(file.get(), headerBlock_, sizeof headerBlock_)) {
    ShowMessageBox("Could not read tga file header %s", fileName.c_str());
    return false;
  }
  bool loaded;
  if (std::memcmp(headerBlock_, kUncompressedBlock, sizeof headerBlock_) == 0) {
    loaded = ReadUncompressed(file.get(), fileName);
  } else if (std::memcmp(headerBlock_, kRunLengthBlock, sizeof headerBlock_) == 0) {
    loaded = ReadRunLength(file.get(), fileName);
  } else {
    ShowMessageBox("InvalidImage: TGA file should be type 2 or type 10 %s", fileName.c_str());
    return false;
  }
  if (IsBottomUp()) FlipRows();
  return loaded;
}

bool TTgaImage::ReadImageInfo(std::FILE* file, const std::string& fileName) {
  if (!image_file::ReadExactly(file, info_, sizeof info_)) {
    std::memset(info_, 0, sizeof info_);
    width_ = height_ = bytesPerPixel_ = 0;
    imageSize_ = 0;
    pixels_.clear();
    ShowMessageBox("Could not read tga image info header %s", fileName.c_str());
    return false;
  }
  width_ = info_[0] + 256u * info_[1];
  height_ = info_[2] + 256u * info_[3];
  bitsPerPixel_ = info_[4];
  if (width_ == 0 || height_ == 0 || (bitsPerPixel_ != 24 && bitsPerPixel_ != 32)) {
    width_ = height_ = bytesPerPixel_ = 0;
    imageSize_ = 0;
    pixels_.clear();
    ShowMessageBox("Invalid tga image information %s", fileName.c_str());
    return false;
  }
  bytesPerPixel_ = bitsPerPixel_ / 8;
  imageSize_ = PixelCount() * bytesPerPixel_;
  return true;
}

// The pixel block is only made once the file is known to be long enough for
// it, so a lying header cannot ask for gigabytes.
bool TTgaImage::ReadUncompressed(std::FILE* file, const std::string& fileName) {
  if (!ReadImageInfo(file, fileName)) return false;
  if (image_file::Remaining(file) < imageSize_) {
    pixels_.clear();
    height_ = 0;
    ShowMessageBox("Could not read image data %s", fileName.c_str());
    return false;
  }
  pixels_.assign(imageSize_, 0);
  if (pixels_.size() != imageSize_) {
    ShowMessageBox("Could not allocate memory for tga image %s", fileName.c_str());
    return false;
  }
  if (!image_file::ReadExactly(file, pixels_.data(), pixels_.size())) {
    ShowMessageBox("Could not read image data %s", fileName.c_str());
    return false;
  }
  image_pixels::SwapRedBlue(pixels_.data(), PixelCount(), bytesPerPixel_);
  return true;
}

bool TTgaImage::ReadRunLength(std::FILE* file, const std::string& fileName) {
  if (!ReadImageInfo(file, fileName)) return false;
  const uint64_t pixelCount = PixelCount();
  // The best a file can do is 128 pixels for a header and one pixel.
  const uint64_t packetBytes = 1 + bytesPerPixel_;
  const uint64_t leastBytes = (pixelCount + kMaxPacketPixels - 1) / kMaxPacketPixels * packetBytes;
  const uint64_t mostBytes = pixelCount * packetBytes;
  const uint64_t available = image_file::Remaining(file);
  if (available < leastBytes) {
    pixels_.clear();
    height_ = 0;
    ShowMessageBox("Could not read tga RLE header %s", fileName.c_str());
    return false;
  }
  pixels_.assign(imageSize_, 0);
  if (pixels_.size() != imageSize_) {
    ShowMessageBox("Could not allocate memory for tga image %s", fileName.c_str());
    return false;
  }
  std::vector<uint8_t> data(std::min(available, mostBytes));
  data.resize(std::fread(data.data(), 1, data.size(), file));

  std::size_t at = 0;
  uint64_t stored = 0;
  uint8_t* out = pixels_.data();
  auto storePixel = [&](const uint8_t* in) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    if (bytesPerPixel_ == 4) out[3] = in[3];
    out += bytesPerPixel_;
  };
  while (stored < pixelCount) {
    if (at >= data.size()) {
      ShowMessageBox("Could not read tga RLE header %s", fileName.c_str());
      return false;
    }
    const uint8_t header = data[at++];
    const bool run = header >= 128;
    const uint32_t count = run ? header - 127u : header + 1u;
    if (stored + count > pixelCount) {
      ShowMessageBox("Too many tga pixels read %s", fileName.c_str());
      return false;
    }
    if (run) {
      if (data.size() - at < bytesPerPixel_) {
        ShowMessageBox("Could not read from tga file %s", fileName.c_str());
        return false;
      }
      for (uint32_t i = 0; i < count; ++i) storePixel(&data[at]);
      at += bytesPerPixel_;
    } else {
      for (uint32_t i = 0; i < count; ++i, at += bytesPerPixel_) {
        if (data.size() - at < bytesPerPixel_) {
          ShowMessageBox("Could not read tga image data %s", fileName.c_str());
          return false;
        }
        storePixel(&data[at]);
      }
    }
    stored += count;
  }
  return true;
}

void TTgaImage::Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
  std::memcpy(headerBlock_, kUncompressedBlock, sizeof headerBlock_);
  info_[0] = static_cast<uint8_t>(width & 0xFF);
  info_[1] = static_cast<uint8_t>((width >> 8) & 0xFF);
  info_[2] = static_cast<uint8_t>(height & 0xFF);
  info_[3] = static_cast<uint8_t>((height >> 8) & 0xFF);
  info_[4] = static_cast<uint8_t>(bitsPerPixel);
  info_[5] = 0;
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  bytesPerPixel_ = bitsPerPixel / 8;
  imageSize_ = PixelCount() * bytesPerPixel_;
  pixels_.assign(imageSize_, 0);
}

void TTgaImage::SetChannel(uint32_t x, uint32_t y, uint32_t channel, uint8_t value) {
  if (x >= width_ || y >= height_ || channel >= bytesPerPixel_) return;
  pixels_[(static_cast<uint64_t>(width_) * y + x) * bytesPerPixel_ + channel] = value;
}

void TTgaImage::DropAlpha() {
  if (bitsPerPixel_ != 32) return;
  const uint64_t pixelCount = PixelCount();
  for (uint64_t i = 0; i < pixelCount; ++i) {
    std::memmove(&pixels_[i * 3], &pixels_[i * 4], 3);
  }
  bitsPerPixel_ = 24;
  info_[4] = 24;
  bytesPerPixel_ = 3;
  imageSize_ = pixelCount * 3;
  pixels_.resize(imageSize_);
}

void TTgaImage::PrepareForSave() {
  FlipRows();
  image_pixels::SwapRedBlue(pixels_.data(), pixels_.size() / std::max<uint32_t>(bytesPerPixel_, 1), bytesPerPixel_);
}

bool TTgaImage::Save(const std::string& name) const {
  platform::AtomicFileWriter writer(name + ".tga");
  if (!writer.IsOpen()) return false;
  if (!writer.Write(headerBlock_, sizeof headerBlock_) || !writer.Write(info_, sizeof info_) ||
      !writer.Write(pixels_.data(), pixels_.size())) {
    return false;
  }
  return writer.Commit();
}

void TTgaImage::FlipRows() {
  if (pixels_.size() < imageSize_) return;
  image_pixels::FlipRows(pixels_.data(), width_, height_, bytesPerPixel_);
}
