// Input, memory, markers and set-up of the JPEG decoder; the entropy decoding
// and the row output live in jpeg_decoder_rows.cpp.
#include "display/image/jpeg_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

int32_t TJpegMemoryStream::Read(uint8_t* buffer, int32_t count, bool* endOfFile) {
  const std::size_t left = size_ - position_;
  const std::size_t taken = std::min<std::size_t>(left, count > 0 ? static_cast<std::size_t>(count) : 0);
  if (taken > 0) std::memcpy(buffer, data_ + position_, taken);
  position_ += taken;
  if (position_ == size_) *endOfFile = true;
  return static_cast<int32_t>(taken);
}

namespace {

constexpr int32_t kMarkerSof0 = 0xC0, kMarkerSof1 = 0xC1, kMarkerSof2 = 0xC2, kMarkerDht = 0xC4;
constexpr int32_t kMarkerJpg = 0xC8, kMarkerSof9 = 0xC9, kMarkerDac = 0xCC;
constexpr int32_t kMarkerRst0 = 0xD0, kMarkerRst7 = 0xD7, kMarkerSoi = 0xD8, kMarkerEoi = 0xD9;
constexpr int32_t kMarkerSos = 0xDA, kMarkerDqt = 0xDB, kMarkerDri = 0xDD, kMarkerTem = 0x01;

bool IsOtherFrameMarker(int32_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != kMarkerDht && marker != kMarkerJpg &&
         marker != kMarkerDac;
}

}  // namespace

TJpegDecoder::TJpegDecoder(TJpegStream* stream, bool /*unused*/, const TJpegLimits& limits)
    : stream_(stream), limits_(limits) {
  limits_.memoryBlocks = std::clamp(limits_.memoryBlocks, 0, kMaxMemoryBlocks);
  input_ = inputBuffer_ + kPushBackRoom;
  if (stream_ != nullptr) stream_->OnAttach();
  Guard([this] { ReadHeader(); }, 0);
}

TJpegDecoder::~TJpegDecoder() { FreeAllBlocks(); }

void TJpegDecoder::FreeAllBlocks() {
  if (stream_ != nullptr) {
    stream_->OnRelease();
    stream_ = nullptr;
  }
  for (void*& block : blocks_) {
    std::free(block);
    block = nullptr;
  }
  memoryUsed_ = 0;
  for (auto& component : components_) {
    component.dcStore = nullptr;
    component.acStore = nullptr;
  }
  std::fill(std::begin(quant_), std::end(quant_), nullptr);
  std::fill(std::begin(huffman_), std::end(huffman_), nullptr);
  lineBuffers_[0] = lineBuffers_[1] = nullptr;
  coefficients_ = nullptr;
  samples_ = nullptr;
  blockHasAc_ = nullptr;
}

void TJpegDecoder::Fail(int32_t code) {
  errorCode_ = code;
  ready_ = false;
  FreeAllBlocks();
  throw TFailure{code};
}

template <typename Step>
int32_t TJpegDecoder::Guard(Step step, int32_t failureResult) {
  try {
    step();
    return 0;
  } catch (const TFailure&) {
    return failureResult;
  }
}

int32_t TJpegDecoder::Begin() {
  if (errorCode_ != 0) return -1;
  if (ready_) return 0;
  return Guard([this] { BeginImpl(); }, -1);
}

int32_t TJpegDecoder::DecodeRow(const uint8_t** row, uint32_t* length) {
  if (errorCode_ != 0 || !ready_) return -1;
  if (rowsLeft_ == 0) return 1;
  const int32_t result = Guard([this] { DecodeRowImpl(); }, kJpegDecodeError);
  if (result != 0) return result;
  // Two-line MCUs convert a pair of lines on the even count and hand out the
  // second line of the pair on the odd one.
  const bool secondOfPair = (scanType_ == TScanType::H1V2 || scanType_ == TScanType::H2V2) && (mcuLinesLeft_ & 1) != 0;
  *row = lineBuffers_[secondOfPair ? 1 : 0];
  *length = rowLength_;
  --rowsLeft_;
  --mcuLinesLeft_;
  return 0;
}

// Every block is zeroed and recorded, so a failure anywhere frees them all.
void* TJpegDecoder::Allocate(std::size_t size) {
  void** const end = blocks_ + limits_.memoryBlocks;
  void** slot = std::find(blocks_, end, nullptr);
  if (slot == end) Fail(kJpegTooManyBlocks);
  const uint64_t total = static_cast<uint64_t>(size) + 8;
  if (total > limits_.memoryBytes - std::min(limits_.memoryBytes, memoryUsed_)) Fail(kJpegNotEnoughMemory);
  void* block = std::calloc(1, total);
  if (block == nullptr) Fail(kJpegNotEnoughMemory);
  memoryUsed_ += total;
  *slot = block;
  const auto address = reinterpret_cast<uintptr_t>(block);
  return reinterpret_cast<void*>((address + 7) & ~static_cast<uintptr_t>(7));
}

// ---------------------------------------------------------------- input

void TJpegDecoder::Refill() {
  if (stream_ == nullptr || endOfStream_) return;
  input_ = inputBuffer_ + kPushBackRoom;
  inputLeft_ = 0;
  while (inputLeft_ < kInputSize && !endOfStream_) {
    const int32_t got = stream_->Read(input_ + inputLeft_, kInputSize - inputLeft_, &endOfStream_);
    if (got < 0 || got > kInputSize - inputLeft_) Fail(kJpegStreamReadError);
    inputLeft_ += got;
    if (got == 0 && !endOfStream_) endOfStream_ = true;  // a stream that stalls has ended
  }
}

// Past the end the input reads as an endless row of EOI markers.
uint8_t TJpegDecoder::FillerByte() {
  fillerToggle_ = !fillerToggle_;
  return fillerToggle_ ? 0xFF : 0xD9;
}

void TJpegDecoder::PushBack(uint8_t byte) {
  if (input_ == inputBuffer_) Fail(kJpegAssertionError);
  *--input_ = byte;
  ++inputLeft_;
}

uint32_t TJpegDecoder::GetWord() {
  const uint32_t high = GetByte();
  return (high << 8) | GetByte();
}

// Entropy-coded data: a stuffed 0xFF 0x00 is a data byte; a marker ends the
// data (it is kept for the reader) and zero bits follow.
uint8_t TJpegDecoder::NextCodedByte() {
  if (markerReached_) return 0;
  const uint8_t byte = GetByte();
  if (byte != 0xFF) return byte;
  const uint8_t next = GetByte();
  if (next == 0) return 0xFF;
  PushBack(next);
  PushBack(0xFF);
  markerReached_ = true;
  return 0;
}

// ---------------------------------------------------------------- markers

void TJpegDecoder::ReadHeader() {
  FindStartOfImage();
  for (;;) {
    const int32_t marker = NextMarker();
    switch (marker) {
      case kMarkerSof0:
      case kMarkerSof1:
        ReadFrame();
        return;
      case kMarkerSof2:
        progressive_ = true;
        ReadFrame();
        return;
      case kMarkerSof9:
        Fail(kJpegNoArithmeticSupport);
      case kMarkerTem:
      case kMarkerJpg:
        Fail(kJpegUnexpectedMarker);
      default:
        if (ReadTableSegment(marker)) break;
        if (marker >= kMarkerRst0 && marker <= kMarkerRst7) Fail(kJpegUnexpectedMarker);
        if (IsOtherFrameMarker(marker) || marker == kMarkerSoi || marker == kMarkerEoi ||
            marker == kMarkerSos) {
          Fail(kJpegUnsupportedMarker);
        }
        SkipSegment();
        break;
    }
  }
}

void TJpegDecoder::FindStartOfImage() {
  uint32_t last = GetByte();
  uint32_t current = GetByte();
  if (last == 0xFF && current == kMarkerSoi) return;
  for (int32_t searched = 0; searched < 511; ++searched) {
    last = current;
    current = GetByte();
    if (last == 0xFF && current == kMarkerSoi) {
      if (GetByte() != 0xFF) Fail(kJpegNotJpeg);
      PushBack(0xFF);
      return;
    }
  }
  Fail(kJpegNotJpeg);
}

// Skips anything up to the next 0xFF and any fill bytes; the filler past the
// end of the data guarantees an EOI in the end.
int32_t TJpegDecoder::NextMarker() {
  for (;;) {
    uint8_t byte = GetByte();
    while (byte != 0xFF) byte = GetByte();
    do {
      byte = GetByte();
    } while (byte == 0xFF);
    if (byte != 0) return byte;
  }
}

// Between the frame and a scan, or between scans: tables may change.
int32_t TJpegDecoder::ReadMarkersUntilScan() {
  for (;;) {
    const int32_t marker = NextMarker();
    switch (marker) {
      case kMarkerSos:
      case kMarkerEoi:
        return marker;
      default:
        if (ReadTableSegment(marker)) break;
        if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) {
          SkipSegment();
          break;
        }
        Fail(kJpegUnexpectedMarker);
    }
  }
}

// Tables may stand before the frame and between scans.
bool TJpegDecoder::ReadTableSegment(int32_t marker) {
  switch (marker) {
    case kMarkerDht:
      ReadHuffmanTables();
      return true;
    case kMarkerDqt:
      ReadQuantTables();
      return true;
    case kMarkerDri:
      ReadRestartInterval();
      return true;
    case kMarkerDac:
      Fail(kJpegNoArithmeticSupport);
    default:
      return false;
  }
}

void TJpegDecoder::SkipSegment() {
  const uint32_t length = GetWord();
  if (length < 2) Fail(kJpegBadVariableMarker);
  for (uint32_t left = length - 2; left > 0; --left) GetByte();
}

void TJpegDecoder::ReadHuffmanTables() {
  const int32_t length = static_cast<int32_t>(GetWord());
  if (length < 2) Fail(kJpegBadDhtLength);
  int32_t left = length - 2;
  while (left > 0) {
    if (left < 17) Fail(kJpegBadDhtLength);
    const uint32_t selector = GetByte();
    // Only DC 0-3 (class 0) and AC 0-3 (class 1) exist.
    if ((selector & 0x0F) > 3 || (selector >> 4) > 1) Fail(kJpegBadDhtIndex);
    const int32_t number = static_cast<int32_t>((selector & 0x0F) + 4 * ((selector >> 4) & 1));
    uint8_t counts[17] = {};
    int32_t total = 0;
    int32_t codes = 1;  // codes still available at the current length
    for (int32_t bits = 1; bits <= 16; ++bits) {
      counts[bits] = GetByte();
      total += counts[bits];
      codes = codes * 2 - counts[bits];
      if (codes < 0) Fail(kJpegBadDhtCounts);  // more codes than the length can hold
    }
    if (total > 255) Fail(kJpegBadDhtCounts);
    left -= 17;
    if (left < total) Fail(kJpegBadDhtLength);
    if (huffman_[number] == nullptr) {
      huffman_[number] = static_cast<THuffmanTable*>(Allocate(sizeof(THuffmanTable)));
    }
    THuffmanTable& table = *huffman_[number];
    std::memcpy(table.counts, counts, sizeof counts);
    std::memset(table.symbols, 0, sizeof table.symbols);
    for (int32_t i = 0; i < total; ++i) table.symbols[i] = GetByte();
    left -= total;
  }
}

void TJpegDecoder::ReadQuantTables() {
  const int32_t length = static_cast<int32_t>(GetWord());
  if (length < 2) Fail(kJpegBadDqtLength);
  int32_t left = length - 2;
  while (left > 0) {
    const uint32_t selector = GetByte();
    const uint32_t index = selector & 0x0F;
    if (index > 3) Fail(kJpegBadDqtIndex);
    const bool wide = (selector >> 4) != 0;
    if (left < (wide ? 129 : 65)) Fail(kJpegBadDqtTable);
    if (quant_[index] == nullptr) quant_[index] = static_cast<uint16_t*>(Allocate(64 * sizeof(uint16_t)));
    for (int32_t i = 0; i < 64; ++i) {
      quant_[index][i] = static_cast<uint16_t>(wide ? GetWord() : GetByte());
    }
    left -= wide ? 129 : 65;
  }
}

void TJpegDecoder::ReadRestartInterval() {
  if (GetWord() != 4) Fail(kJpegBadDriLength);
  restartInterval_ = static_cast<int32_t>(GetWord());
}

void TJpegDecoder::ReadFrame() {
  const uint32_t length = GetWord();
  if (GetByte() != 8) Fail(kJpegBadPrecision);
  height_ = static_cast<int32_t>(GetWord());
  if (height_ < 1 || height_ > kMaxDimension) Fail(kJpegBadHeight);
  width_ = static_cast<int32_t>(GetWord());
  if (width_ < 1 || width_ > kMaxDimension) Fail(kJpegBadWidth);
  componentCount_ = GetByte();
  if (componentCount_ > kMaxComponents) Fail(kJpegTooManyComponents);
  if (length != 8 + 3 * static_cast<uint32_t>(componentCount_)) Fail(kJpegBadSofLength);
  for (int32_t i = 0; i < componentCount_; ++i) {
    TComponent& component = components_[i];
    component.id = GetByte();
    const uint32_t sampling = GetByte();
    component.h = static_cast<int32_t>(sampling >> 4);
    component.v = static_cast<int32_t>(sampling & 0x0F);
    component.quant = GetByte();
  }
}

void TJpegDecoder::ReadScan() {
  const uint32_t length = GetWord();
  scanCount_ = GetByte();
  if (scanCount_ < 1 || scanCount_ > kMaxComponents || length != 6 + 2 * static_cast<uint32_t>(scanCount_)) {
    Fail(kJpegBadSosLength);
  }
  int32_t previous = -1;
  for (int32_t i = 0; i < scanCount_; ++i) {
    const int32_t id = GetByte();
    const uint32_t tables = GetByte();
    int32_t found = -1;
    for (int32_t c = 0; c < componentCount_ && found < 0; ++c) {
      if (components_[c].id == id) found = c;
    }
    // The blocks of an MCU follow the frame's component order; a repeated or
    // reordered component would decode into the wrong blocks.
    if (found <= previous) Fail(kJpegBadSosComponentId);
    previous = found;
    scanComponents_[i] = found;
    components_[found].dcTable = static_cast<int32_t>(tables >> 4);
    components_[found].acTable = static_cast<int32_t>(tables & 0x0F);
  }
  spectralStart_ = GetByte();
  spectralEnd_ = GetByte();
  const uint32_t approximation = GetByte();
  approxHigh_ = static_cast<int32_t>(approximation >> 4);
  approxLow_ = static_cast<int32_t>(approximation & 0x0F);
  if (!progressive_) {
    spectralStart_ = 0;
    spectralEnd_ = 63;
    // One interleaved scan carries the whole sequential image.
    if (scanCount_ != componentCount_) Fail(kJpegBadSosLength);
  }
}

void TJpegDecoder::CheckScanTables() {
  for (int32_t i = 0; i < scanCount_; ++i) {
    TComponent& component = components_[scanComponents_[i]];
    if (component.quant > 3 || quant_[component.quant] == nullptr) Fail(kJpegUndefinedQuantTable);
    if (spectralStart_ == 0) {
      if (component.dcTable > 3 || huffman_[component.dcTable] == nullptr) Fail(kJpegUndefinedHuffmanTable);
      BuildDecodingTable(*huffman_[component.dcTable]);
    }
    if (spectralEnd_ > 0) {
      if (component.acTable > 3 || huffman_[component.acTable + 4] == nullptr) {
        Fail(kJpegUndefinedHuffmanTable);
      }
      BuildDecodingTable(*huffman_[component.acTable + 4]);
    }
  }
}

// Canonical codes: short ones by one lookup, long ones by comparing the code
// against each length's largest code.
void TJpegDecoder::BuildDecodingTable(THuffmanTable& table) {
  std::memset(table.fast, 0, sizeof table.fast);
  int32_t code = 0;
  int32_t symbol = 0;
  for (int32_t bits = 1; bits <= 16; ++bits) {
    const int32_t count = table.counts[bits];
    table.valueOffset[bits] = symbol - code;
    for (int32_t i = 0; i < count; ++i, ++code, ++symbol) {
      if (bits <= 8) {
        const int32_t first = code << (8 - bits);
        const int32_t span = 1 << (8 - bits);
        const auto entry = static_cast<uint16_t>((bits << 8) | table.symbols[symbol]);
        for (int32_t j = 0; j < span; ++j) table.fast[first + j] = entry;
      }
    }
    table.maxCode[bits] = count > 0 ? code - 1 : -1;
    code <<= 1;
  }
  table.maxCode[17] = 0x7FFFFFFF;
  for (int32_t bits = 0; bits < 256; ++bits) {
    auto& fast = table.fastAc[bits];
    fast = {0, 0, 0};
    const int32_t codeLength = table.fast[bits] >> 8;
    const int32_t size = table.fast[bits] & 15;
    if (codeLength == 0 || size == 0 || codeLength + size > 8) continue;
    const int32_t raw = (bits >> (8 - codeLength - size)) & ((1 << size) - 1);
    fast.value = static_cast<int16_t>(raw < (1 << (size - 1)) ? raw - (1 << size) + 1 : raw);
    fast.run = static_cast<uint8_t>((table.fast[bits] & 0xFF) >> 4);
    fast.length = static_cast<uint8_t>(codeLength + size);
  }
}

// ---------------------------------------------------------------- set-up

void TJpegDecoder::SetUpFrame() {
  for (int32_t i = 0; i < componentCount_; ++i) {
    const TComponent& component = components_[i];
    if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4) {
      Fail(kJpegUnsupportedSampling);
    }
  }
  if (componentCount_ == 1) {
    // A lone component is never interleaved: one block per MCU whatever its sampling.
    components_[0].h = components_[0].v = 1;
    scanType_ = TScanType::Grey;
    mcuWidth_ = mcuHeight_ = 8;
    blocksPerMcu_ = 1;
    mcuBlockComponent_[0] = 0;
  } else if (componentCount_ == 3) {
    const TComponent& y = components_[0];
    if (components_[1].h != 1 || components_[1].v != 1 || components_[2].h != 1 || components_[2].v != 1 ||
        y.h > 2 || y.v > 2) {
      Fail(kJpegUnsupportedSampling);
    }
    static constexpr TScanType kTypes[2][2] = {{TScanType::H1V1, TScanType::H1V2},
                                               {TScanType::H2V1, TScanType::H2V2}};
    scanType_ = kTypes[y.h - 1][y.v - 1];
    mcuWidth_ = 8 * y.h;
    mcuHeight_ = 8 * y.v;
    blocksPerMcu_ = y.h * y.v + 2;
    for (int32_t b = 0; b < blocksPerMcu_; ++b) mcuBlockComponent_[b] = b < y.h * y.v ? 0 : b - y.h * y.v + 1;
  } else {
    Fail(kJpegUnsupportedColourSpace);
  }
  maxH_ = components_[0].h;
  maxV_ = components_[0].v;
  mcusPerRow_ = (width_ + mcuWidth_ - 1) / mcuWidth_;
  mcusPerColumn_ = (height_ + mcuHeight_ - 1) / mcuHeight_;
  blocksPerMcuRow_ = mcusPerRow_ * blocksPerMcu_;
  if (blocksPerMcuRow_ > limits_.blocksPerMcuRow) Fail(kJpegAssertionError);

  bytesPerPixel_ = componentCount_ == 1 ? 1 : 4;
  rowLength_ = static_cast<uint32_t>(width_ * bytesPerPixel_);
  const std::size_t lineBytes = static_cast<std::size_t>((width_ + 15) & ~15) * bytesPerPixel_;
  lineBuffers_[0] = static_cast<uint8_t*>(Allocate(lineBytes));
  lineBuffers_[1] = static_cast<uint8_t*>(Allocate(lineBytes));
  coefficients_ = static_cast<int16_t*>(Allocate(static_cast<std::size_t>(blocksPerMcuRow_) * 64 * sizeof(int16_t)));
  samples_ = static_cast<uint8_t*>(Allocate(static_cast<std::size_t>(blocksPerMcuRow_) * 64));
  blockHasAc_ = static_cast<uint8_t*>(Allocate(static_cast<std::size_t>(blocksPerMcuRow_)));
  colour_.Build();
  rowsLeft_ = height_;
  mcuLinesLeft_ = 0;
  mcuRow_ = 0;
}

void TJpegDecoder::PrimeBits() {
  bitBuffer_ = 0;
  bitCount_ = 0;
  markerReached_ = false;
  EnsureBits();
}

void TJpegDecoder::StartSequentialScan() {
  if (ReadMarkersUntilScan() != kMarkerSos) Fail(kJpegUnexpectedMarker);
  ReadScan();
  CheckScanTables();
  for (auto& component : components_) component.dcPrediction = 0;
  endOfBandRun_ = 0;
  restartsLeft_ = restartInterval_;
  nextRestart_ = 0;
  PrimeBits();
}

void TJpegDecoder::DecodeProgressiveScans() {
  for (int32_t i = 0; i < componentCount_; ++i) {
    TComponent& component = components_[i];
    component.storeAcross = component.h * mcusPerRow_;
    component.storeDown = component.v * mcusPerColumn_;
    const std::size_t blocks = static_cast<std::size_t>(component.storeAcross) * component.storeDown;
    component.dcStore = static_cast<int16_t*>(Allocate(blocks * sizeof(int16_t)));
    component.acStore = static_cast<int16_t*>(Allocate(blocks * 64 * sizeof(int16_t)));
  }
  for (;;) {
    const int32_t marker = ReadMarkersUntilScan();
    if (marker == kMarkerEoi) return;
    ReadScan();
    CheckScanTables();
    if (spectralStart_ > spectralEnd_ || spectralEnd_ > 63 || (spectralStart_ == 0 && spectralEnd_ > 0) ||
        (spectralStart_ > 0 && scanCount_ != 1)) {
      Fail(kJpegBadSosSpectral);
    }
    // Thirteen bits is the most an 8-bit coefficient can be split into.
    if (approxLow_ > 13 || (approxHigh_ != 0 && approxLow_ != approxHigh_ - 1)) Fail(kJpegBadSosSuccessive);
    DecodeScanBlocks();
  }
}

void TJpegDecoder::BeginImpl() {
  SetUpFrame();
  if (progressive_) {
    DecodeProgressiveScans();
  } else {
    StartSequentialScan();
  }
  ready_ = true;
}
