#include "jpeg_test_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace jpeg_test {

TPnm MakePicture(int32_t width, int32_t height, int32_t channels) {
  TPnm picture{width, height, channels, {}};
  picture.pixels.resize(static_cast<std::size_t>(width) * height * channels);
  uint32_t seed = 12345u + static_cast<uint32_t>(width * 31 + height);
  std::size_t at = 0;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t c = 0; c < channels; ++c) {
        seed = seed * 1103515245u + 12345u;
        const int32_t noise = static_cast<int32_t>((seed >> 16) & 15) - 8;
        int32_t value = (x * 255) / (width > 1 ? width - 1 : 1) * (c + 1) / 3 + (y * 200) / (height > 1 ? height : 1);
        if (((x / 7) + (y / 5)) % 3 == c % 3) value = 255 - value;  // hard edges
        value = (value + noise) & 0x1FF;
        picture.pixels[at++] = static_cast<uint8_t>(value > 255 ? 511 - value : value);
      }
    }
  }
  return picture;
}

bool WritePnm(const std::string& path, const TPnm& picture) {
  std::ofstream out(path, std::ios::binary);
  out << (picture.channels == 1 ? "P5" : "P6") << "\n" << picture.width << " " << picture.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(picture.pixels.data()), static_cast<std::streamsize>(picture.pixels.size()));
  return static_cast<bool>(out);
}

bool ReadPnm(const std::string& path, TPnm& picture) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int32_t maximum = 0;
  in >> magic >> picture.width >> picture.height >> maximum;
  in.get();
  if (!in || maximum != 255 || (magic != "P5" && magic != "P6")) return false;
  picture.channels = magic == "P5" ? 1 : 3;
  picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * picture.channels);
  in.read(reinterpret_cast<char*>(picture.pixels.data()), static_cast<std::streamsize>(picture.pixels.size()));
  return static_cast<bool>(in);
}

bool Run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

bool HaveReferenceTools() { return Run("command -v cjpeg >/dev/null && command -v djpeg >/dev/null"); }

std::vector<uint8_t> Encode(const TPnm& picture, const std::string& options, const std::string& name) {
  const std::string source = name + ".pnm";
  const std::string target = name + ".jpg";
  if (!WritePnm(source, picture) || !Run("cjpeg " + options + " -outfile " + target + " " + source)) return {};
  std::ifstream in(target, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ReferenceDecode(const std::string& jpegPath, TPnm& out) {
  const std::string target = jpegPath + ".ref.pnm";
  return Run("djpeg -dct int -nosmooth -pnm -outfile " + target + " " + jpegPath) && ReadPnm(target, out);
}

std::size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code, std::size_t from) {
  for (std::size_t i = from; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
  }
  return std::string::npos;
}

TJpegBuilder& TJpegBuilder::Segment(uint8_t marker, const std::vector<uint8_t>& payload) {
  const std::size_t length = payload.size() + 2;
  bytes_.insert(bytes_.end(), {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
  bytes_.insert(bytes_.end(), payload.begin(), payload.end());
  return *this;
}

TJpegBuilder& TJpegBuilder::Raw(const std::vector<uint8_t>& raw) {
  bytes_.insert(bytes_.end(), raw.begin(), raw.end());
  return *this;
}

TJpegBuilder& TJpegBuilder::Quant(uint8_t index) {
  std::vector<uint8_t> payload(65, 1);
  payload[0] = index;
  return Segment(0xDB, payload);
}

TJpegBuilder& TJpegBuilder::Frame(uint8_t marker, uint16_t width, uint16_t height,
                                  const std::vector<uint8_t>& components) {
  std::vector<uint8_t> payload = {8,
                                  static_cast<uint8_t>(height >> 8),
                                  static_cast<uint8_t>(height),
                                  static_cast<uint8_t>(width >> 8),
                                  static_cast<uint8_t>(width),
                                  static_cast<uint8_t>(components.size() / 3)};
  payload.insert(payload.end(), components.begin(), components.end());
  return Segment(marker, payload);
}

TJpegBuilder& TJpegBuilder::OneSymbolTable(uint8_t selector, uint8_t symbol) {
  std::vector<uint8_t> payload(18, 0);
  payload[0] = selector;
  payload[1] = 1;  // one code of length 1
  payload[17] = symbol;
  return Segment(0xC4, payload);
}

TJpegBuilder& TJpegBuilder::Scan(const std::vector<uint8_t>& components, uint8_t start, uint8_t end,
                                 uint8_t approximation) {
  std::vector<uint8_t> payload = {static_cast<uint8_t>(components.size() / 2)};
  payload.insert(payload.end(), components.begin(), components.end());
  payload.insert(payload.end(), {start, end, approximation});
  return Segment(0xDA, payload);
}

TJpegBuilder PlainGrey(uint16_t width, uint16_t height) {
  TJpegBuilder builder;
  builder.Quant(0).Frame(0xC0, width, height, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
  builder.Scan({1, 0x00});
  return builder;
}

}  // namespace jpeg_test
