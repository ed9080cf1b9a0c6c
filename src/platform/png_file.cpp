#include "platform/png_file.h"

#include <png.h>

#include <cstdio>

#include "platform/file_system.h"

namespace platform {

namespace {

void AppendToBuffer(png_structp png, png_bytep data, png_size_t length) {
  auto* buffer = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  buffer->insert(buffer->end(), data, data + length);
}

void FlushNothing(png_structp) {}

bool EncodePng(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, std::vector<uint8_t>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, &AppendToBuffer, &FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
      row[x * 3 + 0] = static_cast<uint8_t>(pixel >> 16);
      row[x * 3 + 1] = static_cast<uint8_t>(pixel >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(pixel);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(std::string_view gamePath, const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return false;
  }
  std::vector<uint8_t> encoded;
  if (!EncodePng(pixels, width, height, encoded)) return false;
  return WriteWholeFile(gamePath, encoded.data(), encoded.size());
}

}  // namespace platform
