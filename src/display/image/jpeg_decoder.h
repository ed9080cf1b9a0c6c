// The game's own JPEG decoder: Huffman-coded sequential (baseline and
// extended) and progressive 8-bit images with one (grey) or three (YCbCr)
// components, delivered one row of pixels per call.
//
// Failures never jump over destructors: an internal exception carries the
// code up to the public call, which turns it into a plain error state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/image/jpeg_colour.h"

// Where the decoder's bytes come from.
class TJpegStream {
 public:
  virtual ~TJpegStream() = default;
  // Reads up to count bytes; returns the count read or -1 on a read error, and
  // sets *endOfFile when the data is exhausted.
  virtual int32_t Read(uint8_t* buffer, int32_t count, bool* endOfFile) = 0;
  virtual void OnAttach() {}
  virtual void OnRelease() {}
};

// A stream over bytes held in memory (the caller keeps them alive).
class TJpegMemoryStream : public TJpegStream {
 public:
  TJpegMemoryStream(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int32_t Read(uint8_t* buffer, int32_t count, bool* endOfFile) override;

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

enum : int32_t {
  kJpegBadDhtCounts = -200,
  kJpegBadDhtIndex = -201,
  kJpegBadDhtLength = -202,
  kJpegBadDqtLength = -203,
  kJpegBadDqtIndex = -204,
  kJpegBadPrecision = -205,
  kJpegBadHeight = -206,
  kJpegBadWidth = -207,
  kJpegTooManyComponents = -208,
  kJpegBadSofLength = -209,
  kJpegBadVariableMarker = -210,
  kJpegBadDriLength = -211,
  kJpegBadSosLength = -212,
  kJpegBadSosComponentId = -213,
  kJpegNoArithmeticSupport = -215,
  kJpegUnexpectedMarker = -216,
  kJpegNotJpeg = -217,
  kJpegUnsupportedMarker = -218,
  kJpegBadDqtTable = -219,
  kJpegTooManyBlocks = -221,
  kJpegUndefinedQuantTable = -222,
  kJpegUndefinedHuffmanTable = -223,
  kJpegUnsupportedColourSpace = -225,
  kJpegUnsupportedSampling = -226,
  kJpegDecodeError = -227,
  kJpegBadRestartMarker = -228,
  kJpegAssertionError = -229,
  kJpegBadSosSpectral = -230,
  kJpegBadSosSuccessive = -231,
  kJpegStreamReadError = -232,
  kJpegNotEnoughMemory = -233,
};

// What one decoder may take. The defaults are the game's; smaller ones keep
// fuzzing quick and let tests reach each limit.
struct TJpegLimits {
  // Enough for the largest image the decoder accepts (a progressive
  // 8192 x 8192 colour picture); a crafted header cannot ask for more.
  uint64_t memoryBytes = 512ull << 20;
  // Memory blocks held at once; the decoder needs at most two dozen.
  int32_t memoryBlocks = 100;
  // Blocks in one MCU row; an 8192-pixel row needs at most 4096.
  int32_t blocksPerMcuRow = 6144;
};

class TJpegDecoder {
 public:
  static constexpr int32_t kMaxDimension = 8192;

  // Reads the header up to the frame; failures leave the error code set.
  // The flag has no effect; the limits bound what the decoder takes.
  TJpegDecoder(TJpegStream* stream, bool unused = false, const TJpegLimits& limits = {});
  ~TJpegDecoder();
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  int32_t GetErrorCode() const { return errorCode_; }
  // 0 when ready, -1 after a failure (the error code says which).
  int32_t Begin();
  // 0 and the next row (valid until the next call), 1 at the end of the
  // image, -1 after an earlier failure or without Begin, -227 when this row fails.
  int32_t DecodeRow(const uint8_t** row, uint32_t* length);

  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  int32_t GetBytesPerPixel() const { return bytesPerPixel_; }
  bool IsProgressive() const { return progressive_; }
  void FreeAllBlocks();

  struct TFailure {
    int32_t code;
  };

 private:
  static constexpr int kMaxComponents = 4;
  static constexpr int kMaxBlocksPerMcu = 10;
  static constexpr int kMaxMemoryBlocks = 100;
  static constexpr int kInputSize = 4096;
  static constexpr int kPushBackRoom = 128;

  enum class TScanType { Grey, H1V1, H2V1, H1V2, H2V2 };

  struct TComponent {
    int32_t id = 0;
    int32_t h = 1;
    int32_t v = 1;
    int32_t quant = 0;
    int32_t dcTable = 0;
    int32_t acTable = 0;
    int32_t dcPrediction = 0;
    // Progressive coefficient stores for the whole image.
    int16_t* dcStore = nullptr;
    int16_t* acStore = nullptr;
    int32_t storeAcross = 0;
    int32_t storeDown = 0;
  };

  struct THuffmanTable {
    uint8_t counts[17];
    uint8_t symbols[256];
    // Decoding form, built before each scan that uses the table.
    uint16_t fast[256];  // (length << 8) | symbol for codes of 1 to 8 bits; 0 otherwise
    int32_t maxCode[18];
    int32_t valueOffset[18];
    // AC codes whose code and value bits together fit in 8: the run, the
    // bits to drop and the value at once (length 0: not such a code).
    struct TFastCoefficient {
      int16_t value;
      uint8_t run;
      uint8_t length;
    } fastAc[256];
  };

  // --- memory
  void* Allocate(std::size_t size);
  [[noreturn]] void Fail(int32_t code);
  template <typename Step>
  int32_t Guard(Step step, int32_t failureResult);

  // --- input
  void Refill();
  uint8_t GetByte() {
    if (inputLeft_ == 0) Refill();
    if (inputLeft_ == 0) return FillerByte();
    --inputLeft_;
    return *input_++;
  }
  uint8_t FillerByte();
  void PushBack(uint8_t byte);
  uint32_t GetWord();
  uint8_t NextCodedByte();

  // --- bits
  void PrimeBits();
  void EnsureBits() {
    if (bitCount_ > 16) return;
    uint32_t high;
    uint32_t low;
    // Most of the time both bytes are plain data already in the buffer.
    if (inputLeft_ >= 2 && input_[0] != 0xFF && input_[1] != 0xFF && !markerReached_) {
      high = input_[0];
      low = input_[1];
      input_ += 2;
      inputLeft_ -= 2;
    } else {
      high = NextCodedByte();
      low = NextCodedByte();
    }
    bitBuffer_ |= ((high << 8) | low) << (16 - bitCount_);
    bitCount_ += 16;
  }
  uint32_t GetBits(int32_t count) {
    if (count == 0) return 0;
    EnsureBits();
    const uint32_t value = bitBuffer_ >> (32 - count);
    bitBuffer_ <<= count;  // count is at most 16
    bitCount_ -= count;
    return value;
  }
  int32_t DecodeSymbol(const THuffmanTable& table) {
    EnsureBits();
    const uint16_t entry = table.fast[bitBuffer_ >> 24];
    if (entry == 0) return DecodeLongSymbol(table);
    const int32_t length = entry >> 8;
    bitBuffer_ <<= length;
    bitCount_ -= length;
    return entry & 0xFF;
  }
  int32_t DecodeLongSymbol(const THuffmanTable& table);
  int32_t ReceiveExtend(int32_t size) {
    if (size == 0) return 0;
    if (size > 16) Fail(kJpegDecodeError);
    const auto value = static_cast<int32_t>(GetBits(size));
    return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
  }

  // --- markers and segments
  void ReadHeader();
  void FindStartOfImage();
  int32_t NextMarker();
  int32_t ReadMarkersUntilScan();
  bool ReadTableSegment(int32_t marker);
  void SkipSegment();
  void ReadHuffmanTables();
  void ReadQuantTables();
  void ReadRestartInterval();
  void ReadFrame();
  void ReadScan();
  void CheckScanTables();
  void BuildDecodingTable(THuffmanTable& table);

  // --- set-up
  void SetUpFrame();
  void StartSequentialScan();
  void DecodeProgressiveScans();
  void BeginImpl();

  // --- entropy decoding
  void ProcessRestart();
  bool RestartDue();
  // True when the block has AC coefficients.
  bool DecodeSequentialBlock(int16_t* coefficients, TComponent& component);
  void DecodeDcFirst(TComponent& component, int16_t* dc);
  void DecodeDcRefine(int16_t* dc);
  void DecodeAcFirst(const TComponent& component, int16_t* ac);
  void DecodeAcRefine(const TComponent& component, int16_t* ac);
  void DecodeProgressiveBlock(TComponent& component, int32_t row, int32_t col);
  void DecodeScanBlocks();

  // --- output
  void DecodeMcuRow();
  void LoadProgressiveMcuRow();
  void TransformMcuRow();
  void ConvertLines();
  void ConvertGrey(uint8_t* out, int32_t line) const;
  void ConvertH1V1(uint8_t* out, int32_t line) const;
  void ConvertH2V1(uint8_t* out, int32_t line) const;
  void DecodeRowImpl();
  TJpegStream* stream_;
  TJpegLimits limits_;
  uint64_t memoryUsed_ = 0;
  void* blocks_[kMaxMemoryBlocks] = {};

  int32_t errorCode_ = 0;
  bool ready_ = false;

  int32_t width_ = 0;
  int32_t height_ = 0;
  bool progressive_ = false;
  int32_t componentCount_ = 0;
  TComponent components_[kMaxComponents];
  int32_t maxH_ = 1;
  int32_t maxV_ = 1;

  uint16_t* quant_[4] = {};
  THuffmanTable* huffman_[8] = {};

  int32_t scanCount_ = 0;
  int32_t scanComponents_[kMaxComponents] = {};
  int32_t spectralStart_ = 0;
  int32_t spectralEnd_ = 63;
  int32_t approxHigh_ = 0;
  int32_t approxLow_ = 0;

  int32_t restartInterval_ = 0;
  int32_t restartsLeft_ = 0;
  int32_t nextRestart_ = 0;
  int32_t endOfBandRun_ = 0;

  TScanType scanType_ = TScanType::Grey;
  int32_t mcuWidth_ = 8;
  int32_t mcuHeight_ = 8;
  int32_t blocksPerMcu_ = 1;
  int32_t mcuBlockComponent_[kMaxBlocksPerMcu] = {};
  int32_t mcusPerRow_ = 0;
  int32_t mcusPerColumn_ = 0;
  int32_t blocksPerMcuRow_ = 0;
  int32_t mcuRow_ = 0;

  int32_t bytesPerPixel_ = 0;
  uint32_t rowLength_ = 0;
  int32_t rowsLeft_ = 0;
  int32_t mcuLinesLeft_ = 0;
  uint8_t* lineBuffers_[2] = {};
  int16_t* coefficients_ = nullptr;
  uint8_t* samples_ = nullptr;
  uint8_t* blockHasAc_ = nullptr;

  TJpegColourTables colour_ = {};

  uint8_t inputBuffer_[kPushBackRoom + kInputSize + 128] = {};
  uint8_t* input_ = nullptr;
  int32_t inputLeft_ = 0;
  bool endOfStream_ = false;
  bool fillerToggle_ = false;
  bool markerReached_ = false;
  uint32_t bitBuffer_ = 0;
  int32_t bitCount_ = 0;
};
