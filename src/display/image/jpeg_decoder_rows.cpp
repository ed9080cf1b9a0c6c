// Entropy decoding (sequential and the four progressive passes), restarts,
// and the conversion of decoded MCU rows into output rows.
#include <algorithm>
#include <cstring>

#include "display/image/jpeg_decoder.h"
#include "display/image/jpeg_idct.h"

namespace {

// Natural (row-major) position of each coefficient in zigzag order.
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int32_t kMaxRestartSkip = 1536;

// Coefficients live in 16 bits; a crafted file may overflow them, which
// must wrap rather than be undefined.
inline int16_t Wrap16(int32_t value) { return static_cast<int16_t>(value); }

}  // namespace

// ---------------------------------------------------------------- bits

int32_t TJpegDecoder::DecodeLongSymbol(const THuffmanTable& table) {
  for (int32_t length = 9; length <= 16; ++length) {
    const auto code = static_cast<int32_t>(bitBuffer_ >> (32 - length));
    if (code <= table.maxCode[length]) {
      bitBuffer_ <<= length;
      bitCount_ -= length;
      return table.symbols[(table.valueOffset[length] + code) & 0xFF];
    }
  }
  Fail(kJpegDecodeError);  // no code of the table matches
}

// ---------------------------------------------------------------- restarts

bool TJpegDecoder::RestartDue() { return restartInterval_ != 0 && restartsLeft_ == 0; }

void TJpegDecoder::ProcessRestart() {
  // Whatever bits are left of the interval are padding.
  bitBuffer_ = 0;
  bitCount_ = 0;
  markerReached_ = false;
  int32_t skipped = 0;
  uint8_t byte = GetByte();
  while (byte != 0xFF) {
    if (++skipped > kMaxRestartSkip) Fail(kJpegBadRestartMarker);
    byte = GetByte();
  }
  do {
    if (++skipped > kMaxRestartSkip) Fail(kJpegBadRestartMarker);
    byte = GetByte();
  } while (byte == 0xFF);
  if (byte != 0xD0 + nextRestart_) Fail(kJpegBadRestartMarker);
  for (auto& component : components_) component.dcPrediction = 0;
  endOfBandRun_ = 0;
  restartsLeft_ = restartInterval_;
  nextRestart_ = (nextRestart_ + 1) & 7;
  PrimeBits();
}

// ---------------------------------------------------------------- sequential

bool TJpegDecoder::DecodeSequentialBlock(int16_t* coefficients, TComponent& component) {
  const uint16_t* quant = quant_[component.quant];
  const THuffmanTable& ac = *huffman_[component.acTable + 4];
  component.dcPrediction = Wrap16(component.dcPrediction + ReceiveExtend(DecodeSymbol(*huffman_[component.dcTable])));
  coefficients[0] = Wrap16(component.dcPrediction * quant[0]);
  bool hasAc = false;
  for (int32_t k = 1; k < 64; ++k) {
    EnsureBits();
    const auto& fast = ac.fastAc[bitBuffer_ >> 24];
    if (fast.length != 0) {
      bitBuffer_ <<= fast.length;
      bitCount_ -= fast.length;
      k += fast.run;
      if (k > 63) Fail(kJpegDecodeError);
      coefficients[kZigzag[k]] = Wrap16(fast.value * quant[k]);
      hasAc = true;
      continue;
    }
    const int32_t symbol = DecodeSymbol(ac);
    const int32_t run = symbol >> 4;
    const int32_t size = symbol & 15;
    if (size == 0 && run != 15) break;  // end of block
    k += run;
    if (k > 63) Fail(kJpegDecodeError);
    if (size != 0) {
      coefficients[kZigzag[k]] = Wrap16(ReceiveExtend(size) * quant[k]);
      hasAc = true;
    }
  }
  return hasAc;
}

// ---------------------------------------------------------------- progressive

void TJpegDecoder::DecodeDcFirst(TComponent& component, int16_t* dc) {
  component.dcPrediction = Wrap16(component.dcPrediction + ReceiveExtend(DecodeSymbol(*huffman_[component.dcTable])));
  *dc = Wrap16(component.dcPrediction * (1 << approxLow_));
}

void TJpegDecoder::DecodeDcRefine(int16_t* dc) {
  if (GetBits(1) != 0) *dc = Wrap16(*dc | (1 << approxLow_));
}

void TJpegDecoder::DecodeAcFirst(const TComponent& component, int16_t* ac) {
  if (endOfBandRun_ > 0) {
    --endOfBandRun_;
    return;
  }
  const THuffmanTable& table = *huffman_[component.acTable + 4];
  for (int32_t k = spectralStart_; k <= spectralEnd_; ++k) {
    const int32_t symbol = DecodeSymbol(table);
    const int32_t run = symbol >> 4;
    const int32_t size = symbol & 15;
    if (size == 0) {
      if (run < 15) {
        endOfBandRun_ = (1 << run) - 1;
        if (run != 0) endOfBandRun_ += static_cast<int32_t>(GetBits(run));
        return;
      }
      k += 15;
      continue;
    }
    k += run;
    if (k > spectralEnd_) Fail(kJpegDecodeError);
    ac[k] = Wrap16(ReceiveExtend(size) * (1 << approxLow_));
  }
}

// Refinement: new coefficients of magnitude one are placed among the zero
// history; every non-zero one met on the way takes a correction bit.
void TJpegDecoder::DecodeAcRefine(const TComponent& component, int16_t* ac) {
  const int32_t plus = 1 << approxLow_;
  const int32_t minus = -plus;
  auto refine = [&](int16_t& coefficient) {
    if (GetBits(1) != 0 && (coefficient & plus) == 0) {
      coefficient = Wrap16(coefficient + (coefficient >= 0 ? plus : minus));
    }
  };
  int32_t k = spectralStart_;
  if (endOfBandRun_ == 0) {
    const THuffmanTable& table = *huffman_[component.acTable + 4];
    for (; k <= spectralEnd_; ++k) {
      const int32_t symbol = DecodeSymbol(table);
      int32_t run = symbol >> 4;
      const int32_t size = symbol & 15;
      int32_t value = 0;
      if (size != 0) {
        if (size != 1) Fail(kJpegDecodeError);
        value = GetBits(1) != 0 ? plus : minus;
      } else if (run != 15) {
        endOfBandRun_ = 1 << run;
        if (run != 0) endOfBandRun_ += static_cast<int32_t>(GetBits(run));
        break;
      }
      for (; k <= spectralEnd_; ++k) {
        if (ac[k] != 0) {
          refine(ac[k]);
        } else if (--run < 0) {
          break;
        }
      }
      if (value != 0) {
        if (k > spectralEnd_) Fail(kJpegDecodeError);
        ac[k] = Wrap16(value);
      }
    }
  }
  if (endOfBandRun_ > 0) {
    for (; k <= spectralEnd_; ++k) {
      if (ac[k] != 0) refine(ac[k]);
    }
    --endOfBandRun_;
  }
}

void TJpegDecoder::DecodeProgressiveBlock(TComponent& component, int32_t row, int32_t col) {
  if (row >= component.storeDown || col >= component.storeAcross) Fail(kJpegAssertionError);
  const std::size_t index = static_cast<std::size_t>(row) * component.storeAcross + col;
  if (spectralStart_ == 0) {
    if (approxHigh_ == 0) {
      DecodeDcFirst(component, component.dcStore + index);
    } else {
      DecodeDcRefine(component.dcStore + index);
    }
  } else if (approxHigh_ == 0) {
    DecodeAcFirst(component, component.acStore + index * 64);
  } else {
    DecodeAcRefine(component, component.acStore + index * 64);
  }
}

void TJpegDecoder::DecodeScanBlocks() {
  for (auto& component : components_) component.dcPrediction = 0;
  endOfBandRun_ = 0;
  restartsLeft_ = restartInterval_;
  nextRestart_ = 0;
  PrimeBits();
  if (scanCount_ == 1) {
    // A single component is coded block by block over its own size.
    TComponent& component = components_[scanComponents_[0]];
    const int32_t across = ((width_ * component.h + maxH_ - 1) / maxH_ + 7) / 8;
    const int32_t down = ((height_ * component.v + maxV_ - 1) / maxV_ + 7) / 8;
    for (int32_t row = 0; row < down; ++row) {
      for (int32_t col = 0; col < across; ++col) {
        if (RestartDue()) ProcessRestart();
        DecodeProgressiveBlock(component, row, col);
        --restartsLeft_;
      }
    }
    return;
  }
  for (int32_t mcuY = 0; mcuY < mcusPerColumn_; ++mcuY) {
    for (int32_t mcuX = 0; mcuX < mcusPerRow_; ++mcuX) {
      if (RestartDue()) ProcessRestart();
      for (int32_t i = 0; i < scanCount_; ++i) {
        TComponent& component = components_[scanComponents_[i]];
        for (int32_t by = 0; by < component.v; ++by) {
          for (int32_t bx = 0; bx < component.h; ++bx) {
            DecodeProgressiveBlock(component, mcuY * component.v + by, mcuX * component.h + bx);
          }
        }
      }
      --restartsLeft_;
    }
  }
}

// ---------------------------------------------------------------- MCU rows

void TJpegDecoder::LoadProgressiveMcuRow() {
  for (int32_t mcu = 0; mcu < mcusPerRow_; ++mcu) {
    int32_t blockInMcu = 0;
    for (int32_t c = 0; c < componentCount_; ++c) {
      const TComponent& component = components_[c];
      // A component that no scan carried may name no table at all.
      if (component.quant > 3 || quant_[component.quant] == nullptr) Fail(kJpegUndefinedQuantTable);
      const uint16_t* quant = quant_[component.quant];
      for (int32_t by = 0; by < component.v; ++by) {
        for (int32_t bx = 0; bx < component.h; ++bx, ++blockInMcu) {
          const int32_t row = mcuRow_ * component.v + by;
          const int32_t col = mcu * component.h + bx;
          if (row >= component.storeDown || col >= component.storeAcross) Fail(kJpegAssertionError);
          const std::size_t index = static_cast<std::size_t>(row) * component.storeAcross + col;
          int16_t* out = coefficients_ + (static_cast<std::size_t>(mcu) * blocksPerMcu_ + blockInMcu) * 64;
          const int16_t* ac = component.acStore + index * 64;
          out[0] = Wrap16(component.dcStore[index] * quant[0]);
          bool hasAc = false;
          for (int32_t k = 1; k < 64; ++k) {
            out[kZigzag[k]] = Wrap16(ac[k] * quant[k]);
            hasAc |= out[kZigzag[k]] != 0;
          }
          blockHasAc_[static_cast<std::size_t>(mcu) * blocksPerMcu_ + blockInMcu] = hasAc;
        }
      }
    }
  }
}

void TJpegDecoder::DecodeMcuRow() {
  if (progressive_) {
    LoadProgressiveMcuRow();
  } else {
    std::memset(coefficients_, 0, static_cast<std::size_t>(blocksPerMcuRow_) * 64 * sizeof(int16_t));
    for (int32_t mcu = 0; mcu < mcusPerRow_; ++mcu) {
      if (RestartDue()) ProcessRestart();
      for (int32_t b = 0; b < blocksPerMcu_; ++b) {
        const std::size_t block = static_cast<std::size_t>(mcu) * blocksPerMcu_ + b;
        blockHasAc_[block] = DecodeSequentialBlock(coefficients_ + block * 64, components_[mcuBlockComponent_[b]]);
      }
      --restartsLeft_;
    }
  }
  for (int32_t block = 0; block < blocksPerMcuRow_; ++block) {
    const int16_t* coefficients = coefficients_ + static_cast<std::size_t>(block) * 64;
    uint8_t* samples = samples_ + static_cast<std::size_t>(block) * 64;
    if (blockHasAc_[block] != 0) {
      InverseDctBlock(coefficients, samples);
    } else {
      InverseDctFlatBlock(coefficients[0], samples);
    }
  }
  ++mcuRow_;
}

void TJpegDecoder::DecodeRowImpl() {
  if (mcuLinesLeft_ == 0) {
    DecodeMcuRow();
    mcuLinesLeft_ = mcuHeight_;
  }
  ConvertLines();
}

// ---------------------------------------------------------------- colour

void TJpegDecoder::ConvertGrey(uint8_t* out, int32_t line) const {
  const uint8_t* source = samples_ + line * 8;
  for (int32_t x = 0; x < width_; ++x) out[x] = source[(x >> 3) * 64 + (x & 7)];
}

void TJpegDecoder::ConvertH1V1(uint8_t* out, int32_t line) const {
  const uint8_t* source = samples_ + line * 8;
  for (int32_t x = 0; x < width_; ++x, out += 4) {
    const uint8_t* pixel = source + (x >> 3) * 192 + (x & 7);
    colour_.Store(out, pixel[0], pixel[64], pixel[128]);
  }
}

void TJpegDecoder::ConvertH2V1(uint8_t* out, int32_t line) const {
  const uint8_t* source = samples_ + line * 8;
  for (int32_t x = 0; x < width_; ++x, out += 4) {
    const uint8_t* mcu = source + (x >> 4) * 256;
    const int32_t inner = x & 15;
    const int32_t chroma = inner >> 1;
    colour_.Store(out, mcu[(inner >> 3) * 64 + (inner & 7)], mcu[128 + chroma], mcu[192 + chroma]);
  }
}

void TJpegDecoder::ConvertLines() {
  const int32_t line = mcuHeight_ - mcuLinesLeft_;
  switch (scanType_) {
    case TScanType::Grey:
      ConvertGrey(lineBuffers_[0], line);
      break;
    case TScanType::H1V1:
      ConvertH1V1(lineBuffers_[0], line);
      break;
    case TScanType::H2V1:
      ConvertH2V1(lineBuffers_[0], line);
      break;
    case TScanType::H1V2:
    case TScanType::H2V2:
      // Lines line and line + 1 share their chroma row.
      if ((mcuLinesLeft_ & 1) == 0) {
        ConvertJpegLinePair(colour_, samples_, width_, scanType_ == TScanType::H2V2, line, lineBuffers_[0],
                            lineBuffers_[1]);
      }
      break;
  }
}
