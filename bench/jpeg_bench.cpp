// Decoding a 1024 x 768 picture, baseline and progressive, with the game's
// JPEG decoder beside libjpeg (same inverse DCT kind, no chroma smoothing, 4
// bytes per pixel). The "ratio" counter is our time over the reference's;
// the goal is 1.5 or less.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "display/image/jpeg_decoder.h"

#if DVX_BENCH_HAVE_LIBJPEG
#include <jpeglib.h>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

std::vector<uint8_t> MakeRgb() {
  std::vector<uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
  uint32_t seed = 7;
  std::size_t at = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        seed = seed * 1664525u + 1013904223u;
        const int edge = ((x / 40 + y / 30) % 2) * 60;
        pixels[at++] = static_cast<uint8_t>((x * (c + 1) / 5 + y / 4 + edge + (seed >> 28)) & 0xFF);
      }
    }
  }
  return pixels;
}

std::vector<uint8_t> Encode(bool progressive) {
  static const std::vector<uint8_t> rgb = MakeRgb();
  jpeg_compress_struct compressor;
  jpeg_error_mgr errors;
  compressor.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compressor);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&compressor, &buffer, &size);
  compressor.image_width = kWidth;
  compressor.image_height = kHeight;
  compressor.input_components = 3;
  compressor.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compressor);
  jpeg_set_quality(&compressor, 85, TRUE);
  if (progressive) jpeg_simple_progression(&compressor);
  jpeg_start_compress(&compressor, TRUE);
  while (compressor.next_scanline < compressor.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(&rgb[static_cast<std::size_t>(compressor.next_scanline) * kWidth * 3]);
    jpeg_write_scanlines(&compressor, &row, 1);
  }
  jpeg_finish_compress(&compressor);
  jpeg_destroy_compress(&compressor);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

uint32_t DecodeOwn(const std::vector<uint8_t>& bytes) {
  TJpegMemoryStream stream(bytes.data(), bytes.size());
  TJpegDecoder decoder(&stream);
  if (decoder.Begin() != 0) std::abort();
  const uint8_t* row = nullptr;
  uint32_t length = 0;
  uint32_t sum = 0;
  while (decoder.DecodeRow(&row, &length) == 0) sum += row[length / 2];
  return sum;
}

uint32_t DecodeReference(const std::vector<uint8_t>& bytes) {
  jpeg_decompress_struct decompressor;
  jpeg_error_mgr errors;
  decompressor.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decompressor);
  jpeg_mem_src(&decompressor, bytes.data(), bytes.size());
  jpeg_read_header(&decompressor, TRUE);
  decompressor.dct_method = JDCT_ISLOW;
  decompressor.do_fancy_upsampling = FALSE;
#ifdef JCS_EXTENSIONS
  decompressor.out_color_space = JCS_EXT_RGBX;
#endif
  jpeg_start_decompress(&decompressor);
  std::vector<uint8_t> line(static_cast<std::size_t>(decompressor.output_width) * decompressor.output_components);
  uint32_t sum = 0;
  while (decompressor.output_scanline < decompressor.output_height) {
    JSAMPROW row = line.data();
    jpeg_read_scanlines(&decompressor, &row, 1);
    sum += line[line.size() / 2];
  }
  jpeg_finish_decompress(&decompressor);
  jpeg_destroy_decompress(&decompressor);
  return sum;
}

// CPU time of this thread: the machine may be busy with other work.
double ThreadMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void BM_JpegDecodeBesideReference(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Encode(state.range(0) != 0);
  double own = 0;
  double reference = 0;
  for (auto _ : state) {
    const double start = ThreadMilliseconds();
    benchmark::DoNotOptimize(DecodeOwn(bytes));
    const double middle = ThreadMilliseconds();
    benchmark::DoNotOptimize(DecodeReference(bytes));
    reference += ThreadMilliseconds() - middle;
    own += middle - start;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["own_ms"] = own / runs;
  state.counters["reference_ms"] = reference / runs;
  state.counters["ratio"] = reference > 0 ? own / reference : 0;
  state.SetLabel(state.range(0) != 0 ? "progressive 1024x768" : "baseline 1024x768");
}
BENCHMARK(BM_JpegDecodeBesideReference)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_JpegDecodeOwn(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Encode(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(DecodeOwn(bytes));
}
BENCHMARK(BM_JpegDecodeOwn)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
