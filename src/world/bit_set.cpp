#include "world/bit_set.h"

#include <algorithm>

#include "app/data_stream.h"
#include "session/sides.h"

namespace {

constexpr std::size_t kWordBits = TBitSet::kWordBits;

std::size_t WordCount(std::size_t bitCount) { return (bitCount + kWordBits - 1) / kWordBits; }

uint32_t BitMask(std::size_t index) { return uint32_t{1} << (index % kWordBits); }

}  // namespace

// --- TBitSet ----------------------------------------------------------------

TBitSet::TBitSet() : TBitSet(static_cast<std::size_t>(TSides::Instance()->GetSideCount())) {}

TBitSet::TBitSet(std::size_t bitCount) { Resize(bitCount); }

TBitSet::TBitSet(TDataStream& stream) {
  const uint32_t count = stream.ReadInt();
  // One byte follows per bit: a count the stream cannot hold is corrupt.
  if (stream.HasFailed() || count > kMaxStreamBits || count > stream.Remaining()) {
    stream.SetFailed();
    return;
  }
  Resize(count);
  for (std::size_t i = 0; i < count_; ++i) Set(i, stream.ReadByte() != 0);
}

void TBitSet::Resize(std::size_t bitCount) {
  count_ = bitCount;
  words_.assign(WordCount(bitCount), 0);
}

void TBitSet::TrimLastWord() {
  const std::size_t used = count_ % kWordBits;
  if (used != 0 && !words_.empty()) words_.back() &= (uint32_t{1} << used) - 1;
}

void TBitSet::Set(std::size_t index, bool value) {
  if (index >= count_) return;
  uint32_t& word = words_[index / kWordBits];
  if (value) {
    word |= BitMask(index);
  } else {
    word &= ~BitMask(index);
  }
}

void TBitSet::SetAll(bool value) {
  std::fill(words_.begin(), words_.end(), value ? ~uint32_t{0} : uint32_t{0});
  TrimLastWord();
}

void TBitSet::FlipAll() {
  for (uint32_t& word : words_) word = ~word;
  TrimLastWord();
}

bool TBitSet::AllSet() const {
  for (std::size_t i = 0; i < count_; ++i) {
    if (!Test(i)) return false;
  }
  return true;
}

void TBitSet::Save(TDataStream& stream) const {
  stream.WriteInt(static_cast<uint32_t>(count_));
  for (std::size_t i = 0; i < count_; ++i) stream.WriteByte(Test(i) ? 1 : 0);
}

// --- TFlagSet ---------------------------------------------------------------

void TFlagSet::Commit() {
  if (locked_) return;
  previous_.CopyFrom(current_);
  current_.SetAll(false);
  Touched();
}

void TFlagSet::Watch(std::shared_ptr<TFlagWatch> watch, int32_t key) {
  watch_ = std::move(watch);
  watchKey_ = key;
  listed_ = false;
  if (!(previous_ == current_)) Touched();
}

bool TFlagSet::Changed(std::size_t index) const {
  if (locked_) return false;
  return previous_.Test(index) != current_.Test(index);
}
