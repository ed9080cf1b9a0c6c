// The mail library's working memory: 320 slots, ten per channel, each an
// owned block with a guard byte on either side so that a write past either
// end is caught when the slot is checked or freed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace maillib {

class TMailMemory {
 public:
  static constexpr int kSlotCount = 320;
  static constexpr int kSlotsPerChannel = 10;

  static constexpr int kSlotOutOfRange = -100;
  static constexpr int kNoMemory = -102;
  static constexpr int kSlotInUse = -103;
  static constexpr int kSlotNumberDamaged = -105;
  static constexpr int kGuardDamaged = -106;

  // Lines for the channel's log ("AllocateMemory Error: Chan=..., ...").
  using Logger = std::function<void(int channel, const std::string& line)>;

  TMailMemory();
  void SetLogger(Logger logger) { logger_ = std::move(logger); }

  // Frees every slot and renumbers the table.
  void Clear();
  // A zeroed block of `size` bytes for the caller, or null (the code in
  // `error`) when the slot is out of range, damaged or in use.
  char* Allocate(int channel, int index, std::size_t size, int& error);
  // Frees the slot when in use, then holds a copy of the text with room
  // for two more bytes; null for an empty text or a failed allocation.
  char* AllocAndCopy(int channel, int index, const std::string& text);
  // Frees the used slots from first to last index; stops at the first
  // damaged one and returns its code (0 when all went well).
  int Free(int channel, int firstIndex, int lastIndex);
  // 0, kSlotNumberDamaged or kGuardDamaged.
  int Check(int slot) const;
  // The slots that fail their check, with their codes.
  std::vector<std::pair<int, int>> CheckAll() const;

  char* Block(int channel, int index);
  std::size_t Size(int channel, int index) const;
  bool InUse(int channel, int index) const;

  // For tests of the guards: the raw byte at a position of the whole block
  // (0 is the front guard, size + 1 the back guard).
  uint8_t* RawByte(int channel, int index, std::size_t position);

 private:
  struct TSlot {
    uint16_t number = 0;
    std::vector<uint8_t> block;
    std::size_t size = 0;
    bool used = false;
  };

  static int SlotOf(int channel, int index);
  void LogError(int channel, int index, const char* what, int code) const;

  std::array<TSlot, kSlotCount> slots_;
  Logger logger_;
};

}  // namespace maillib
