// JPEG pictures through the game's own decoder: 4 bytes per pixel (R, G, B, 0)
// for colour, 1 for grey.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "display/image/image.h"
#include "display/image/image_file.h"
#include "display/image/jpeg_decoder.h"

// The decoder's input from a file.
class TJpegFileStream : public TJpegStream {
 public:
  bool Open(const std::string& fileName);
  int32_t Read(uint8_t* buffer, int32_t count, bool* endOfFile) override;

 private:
  image_file::THandle file_;
  bool endOfFile_ = false;
  bool error_ = false;
};

class TJpegImage : public TImage {
 public:
  // Rows beyond this many are not kept.
  static constexpr uint32_t kMaxRows = 10000;

  bool Load(const std::string& fileName) override;
  uint32_t GetWidth() const override;
  uint32_t GetHeight() const override;
  uint8_t* GetPixels() override { return pixels_.data(); }
  const uint8_t* GetPixels() const override { return pixels_.data(); }
  uint32_t GetBytesPerPixel() const override;
  // The decoder's code after a failed load (0 when it got that far without one).
  int32_t GetDecoderError() const { return decoder_ ? decoder_->GetErrorCode() : 0; }

 private:
  std::vector<uint8_t> pixels_;
  // The stream outlives the decoder, which tells it when it lets go.
  std::unique_ptr<TJpegFileStream> stream_;
  std::unique_ptr<TJpegDecoder> decoder_;
};
