// Growable packed bit arrays, and the per-object flag set built on them: one
// flag per side (the side's player sees the object), with change detection
// between two consecutive commits and a lock that freezes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TDataStream;

class TBitSet {
 public:
  // Longest set a stream may hold; sets carry one bit per side.
  static constexpr uint32_t kMaxStreamBits = 1024;
  static constexpr std::size_t kWordBits = 32;

  // One false bit per side of the game.
  TBitSet();
  explicit TBitSet(std::size_t bitCount);
  // Reads the stream form; a bad count leaves the set empty and fails the stream.
  explicit TBitSet(TDataStream& stream);
  TBitSet(const TBitSet& other) = default;
  TBitSet& operator=(const TBitSet& other) = default;

  void Assign(const TBitSet& other) { *this = other; }

  // Indices outside the set are ignored by Set and answer false to Test.
  void Set(std::size_t index, bool value);
  void SetAll(bool value);
  bool Test(std::size_t index) const {
    if (index >= count_) return false;
    return (words_[index / kWordBits] & (uint32_t{1} << (index % kWordBits))) != 0;
  }
  void FlipAll();
  // True when every bit is set (also for an empty set).
  bool AllSet() const;
  std::size_t Size() const { return count_; }

  // A u32 bit count, then one byte (0 or 1) per bit in index order.
  void Save(TDataStream& stream) const;

  bool operator==(const TBitSet& other) const = default;
  // Takes the other's bits; sets of one size (every flag set of a game)
  // copy word by word without touching the allocation.
  void CopyFrom(const TBitSet& other) {
    if (other.count_ != count_ || other.words_.size() != words_.size()) {
      *this = other;
      return;
    }
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] = other.words_[i];
  }

 private:

  void Resize(std::size_t bitCount);
  // Keeps the bits above the count in the last word clear.
  void TrimLastWord();

  std::vector<uint32_t> words_;
  std::size_t count_ = 0;
};

class TFlagSet {
 public:
  TFlagSet() = default;

  // Ignored while locked.
  void Set(std::size_t index, bool value);
  // Copies the bits into the current flags, also while locked.
  void Assign(const TBitSet& bits) { current_.Assign(bits); }
  bool Test(std::size_t index) const { return current_.Test(index); }
  // Unless locked: the current flags become the previous ones and are cleared.
  void Commit();
  // Unless locked: the current flags become the previous ones and stay.
  void KeepAsPrevious() {
    if (!locked_) previous_.CopyFrom(current_);
  }
  // Whether any flag differs from the last commit's; false while locked.
  bool AnyChanged() const { return !locked_ && !(previous_ == current_); }
  // Whether the flag differs from the last commit's; false while locked.
  bool Changed(std::size_t index) const;

  void Lock() { locked_ = true; }
  void Unlock() { locked_ = false; }
  bool IsLocked() const { return locked_; }

  const TBitSet& Current() const { return current_; }
  const TBitSet& Previous() const { return previous_; }

 private:
  TBitSet current_;
  TBitSet previous_;
  bool locked_ = false;
};
