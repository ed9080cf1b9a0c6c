// Test pictures: synthetic PNM images, JPEG files written from them by the
// reference encoder (cjpeg), the reference decoder's output (djpeg), and a
// builder for hand-made JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jpeg_test {

struct TPnm {
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 0;  // 1 grey, 3 RGB
  std::vector<uint8_t> pixels;
};

// A picture with gradients, hard edges and noise, the same for the same size.
TPnm MakePicture(int32_t width, int32_t height, int32_t channels);
bool WritePnm(const std::string& path, const TPnm& picture);
bool ReadPnm(const std::string& path, TPnm& picture);

// Runs a command line; true when it exits with 0.
bool Run(const std::string& command);
bool HaveReferenceTools();
// Encodes the picture with cjpeg and the given options; the file's bytes.
std::vector<uint8_t> Encode(const TPnm& picture, const std::string& options, const std::string& name);
// Decodes with djpeg as our decoder is meant to: integer IDCT, no smoothing
// of subsampled chroma.
bool ReferenceDecode(const std::string& jpegPath, TPnm& out);

// Offset of the first marker 0xFF `code` at or after `from`; npos when none.
std::size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code, std::size_t from = 0);

class TJpegBuilder {
 public:
  TJpegBuilder() : bytes_{0xFF, 0xD8} {}
  TJpegBuilder& Segment(uint8_t marker, const std::vector<uint8_t>& payload);
  TJpegBuilder& Raw(const std::vector<uint8_t>& raw);
  // 8-bit table of ones.
  TJpegBuilder& Quant(uint8_t index);
  // Frame: components as {id, sampling, quant table}.
  TJpegBuilder& Frame(uint8_t marker, uint16_t width, uint16_t height, const std::vector<uint8_t>& components);
  // A table whose only code is "0" for the given symbol.
  TJpegBuilder& OneSymbolTable(uint8_t selector, uint8_t symbol);
  // Scan: components as {id, tables}.
  TJpegBuilder& Scan(const std::vector<uint8_t>& components, uint8_t start = 0, uint8_t end = 63,
                     uint8_t approximation = 0);
  TJpegBuilder& End() { return Raw({0xFF, 0xD9}); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// A decodable grey picture of the given size, all samples 128.
TJpegBuilder PlainGrey(uint16_t width, uint16_t height);

}  // namespace jpeg_test
