// Growable packed bit arrays, and the per-object flag set built on them: one
// flag per side (the side's player sees the object), with change detection
// between two consecutive commits and a lock that freezes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// The keys of the watched flag sets whose current bits may differ from their
// previous ones: a pass over many flag sets (the map's tiles) visits these
// instead of every set. A set enters once, when its bits may have come to
// differ, and stays until its watcher unlists it.
class TFlagWatch {
 public:
  std::vector<int32_t>& Keys() { return keys_; }
  void Enter(int32_t key) { keys_.push_back(key); }

 private:
  std::vector<int32_t> keys_;
};

class TFlagSet {
 public:
  TFlagSet() = default;
  // A copy has the bits and the lock, and is watched by nobody.
  TFlagSet(const TFlagSet& other) : current_(other.current_), previous_(other.previous_), locked_(other.locked_) {}
  TFlagSet& operator=(const TFlagSet& other) {
    current_ = other.current_;
    previous_ = other.previous_;
    locked_ = other.locked_;
    return *this;
  }

  // Ignored while locked.
  void Set(std::size_t index, bool value) {
    // Setting a bit to what it is changes nothing, and leaves the watch alone.
    if (locked_ || current_.Test(index) == value) return;
    current_.Set(index, value);
    Touched();
  }
  // Copies the bits into the current flags, also while locked.
  void Assign(const TBitSet& bits) {
    current_.Assign(bits);
    Touched();
  }
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

  // From now on the set enters the watch under the key whenever its bits
  // may come to differ (a null watch ends the watching); it enters at once
  // when they differ already.
  void Watch(std::shared_ptr<TFlagWatch> watch, int32_t key);
  const TFlagWatch* Watcher() const { return watch_.get(); }
  int32_t WatchKey() const { return watchKey_; }
  // The watcher has taken the set off its list: the next change enters it again.
  void Unlist() { listed_ = false; }

 private:
  void Touched() {
    if (watch_ != nullptr && !listed_) {
      listed_ = true;
      watch_->Enter(watchKey_);
    }
  }

  TBitSet current_;
  TBitSet previous_;
  bool locked_ = false;
  bool listed_ = false;
  int32_t watchKey_ = -1;
  // Shared so that a watch outlives a watcher that goes before the sets.
  std::shared_ptr<TFlagWatch> watch_;
};
