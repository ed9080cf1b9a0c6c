// YCbCr to RGB as JFIF defines it, in 16.16 fixed point through four tables,
// and the conversion of the two-line MCU rows (chroma shared by two lines).
#pragma once

#include <cstdint>

struct TJpegColourTables {
  int32_t crr[256];
  int32_t cbb[256];
  int32_t crg[256];
  int32_t cbg[256];
  uint8_t clamp[768];  // indices -256 to 511, offset by 256

  void Build();
  // One pixel as R, G, B and a 0 byte.
  void Store(uint8_t* out, int32_t y, int32_t cb, int32_t cr) const {
    const uint8_t* clamped = clamp + 256;
    out[0] = clamped[y + crr[cr]];
    out[1] = clamped[y + ((cbg[cb] + crg[cr]) >> 16)];
    out[2] = clamped[y + cbb[cb]];
    out[3] = 0;
  }
};

// Lines `line` and `line + 1` of an MCU row of samples (per MCU: the luma
// blocks, then one Cb and one Cr block) into two rows of 4-byte pixels.
// `wide` is 2 x 2 sampling (16 x 16 MCUs), else 1 x 2 (8 x 16). Both output
// rows must hold the width rounded up to 16 pixels.
void ConvertJpegLinePair(const TJpegColourTables& tables, const uint8_t* samples, int32_t width, bool wide,
                         int32_t line, uint8_t* first, uint8_t* second);
// The same without AVX2, for processors that lack it.
void ConvertJpegLinePairPortable(const TJpegColourTables& tables, const uint8_t* samples, int32_t width, bool wide,
                                 int32_t line, uint8_t* first, uint8_t* second);
