#include "art/image_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/text_utils.h"

namespace art {
namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// Bottom-up rows of B, G, R (, A) pixels packed into runs of equal pixels and
// literal stretches, at most 128 pixels a packet.
std::vector<uint8_t> RunLengthRows(const TCanvas& canvas, int bytesPerPixel) {
  std::vector<uint8_t> out;
  const int32_t width = canvas.Width();
  std::vector<uint8_t> row(static_cast<std::size_t>(width) * bytesPerPixel);
  auto pixelAt = [&](int32_t x) { return &row[static_cast<std::size_t>(x) * bytesPerPixel]; };
  auto same = [&](int32_t a, int32_t b) {
    for (int k = 0; k < bytesPerPixel; ++k) {
      if (pixelAt(a)[k] != pixelAt(b)[k]) return false;
    }
    return true;
  };
  for (int32_t y = canvas.Height() - 1; y >= 0; --y) {
    for (int32_t x = 0; x < width; ++x) {
      const TRgba c = canvas.Get(x, y);
      uint8_t* p = pixelAt(x);
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      if (bytesPerPixel == 4) p[3] = c.a;
    }
    int32_t x = 0;
    while (x < width) {
      int32_t run = 1;
      while (x + run < width && run < 128 && same(x, x + run)) ++run;
      if (run >= 2) {
        out.push_back(static_cast<uint8_t>(127 + run));
        out.insert(out.end(), pixelAt(x), pixelAt(x) + bytesPerPixel);
        x += run;
        continue;
      }
      int32_t literal = 1;
      while (x + literal < width && literal < 128 &&
             !(x + literal + 1 < width && same(x + literal, x + literal + 1))) {
        ++literal;
      }
      out.push_back(static_cast<uint8_t>(literal - 1));
      out.insert(out.end(), pixelAt(x), pixelAt(x) + static_cast<std::ptrdiff_t>(literal) * bytesPerPixel);
      x += literal;
    }
  }
  return out;
}

bool WriteTgaWith(const TCanvas& canvas, const std::string& path, int bytesPerPixel) {
  if (canvas.Width() <= 0 || canvas.Height() <= 0 || canvas.Width() > 65535 || canvas.Height() > 65535) {
    return false;
  }
  const uint8_t header[18] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              static_cast<uint8_t>(canvas.Width() & 0xFF),
                              static_cast<uint8_t>(canvas.Width() >> 8),
                              static_cast<uint8_t>(canvas.Height() & 0xFF),
                              static_cast<uint8_t>(canvas.Height() >> 8),
                              static_cast<uint8_t>(bytesPerPixel * 8),
                              static_cast<uint8_t>(bytesPerPixel == 4 ? 8 : 0)};
  const std::vector<uint8_t> body = RunLengthRows(canvas, bytesPerPixel);
  TFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  const bool written = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
                       std::fwrite(body.data(), 1, body.size(), file.get()) == body.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace

bool WriteTga(const TCanvas& canvas, const std::string& path) { return WriteTgaWith(canvas, path, 4); }

bool WriteTgaOpaque(const TCanvas& canvas, const std::string& path) { return WriteTgaWith(canvas, path, 3); }

bool WritePng(const TCanvas& canvas, const std::string& path) {
  if (canvas.Width() <= 0 || canvas.Height() <= 0) return false;
  TFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.Width()), static_cast<png_uint_32>(canvas.Height()), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(canvas.Width()) * 4;
  for (int32_t y = 0; y < canvas.Height(); ++y) {
    png_write_row(png, const_cast<png_bytep>(canvas.Pixels().data() + stride * static_cast<std::size_t>(y)));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file.release()) == 0;
}

bool WriteImage(const TCanvas& canvas, const std::string& path) {
  const std::string lower = LowerCase(path);
  if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".tga") == 0) return WriteTga(canvas, path);
  if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".png") == 0) return WritePng(canvas, path);
  return false;
}

}  // namespace art
