#include "maillib/mail_memory.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace maillib {

namespace {

constexpr uint8_t kFrontGuard = 'U';
constexpr uint8_t kBackGuard = 'z';
// No block of the library needs more; a larger request is refused.
constexpr std::size_t kBlockLimit = 64u << 20;

}  // namespace

TMailMemory::TMailMemory() { Clear(); }

void TMailMemory::Clear() {
  for (int i = 0; i < kSlotCount; ++i) {
    slots_[static_cast<std::size_t>(i)] = TSlot();
    slots_[static_cast<std::size_t>(i)].number = static_cast<uint16_t>(i);
  }
}

int TMailMemory::SlotOf(int channel, int index) {
  if (channel < 0 || index < 0 || index >= kSlotsPerChannel) return -1;
  const int slot = channel * kSlotsPerChannel + index;
  return slot < kSlotCount ? slot : -1;
}

void TMailMemory::LogError(int channel, int index, const char* what, int code) const {
  if (!logger_) return;
  char line[128];
  std::snprintf(line, sizeof(line), "%s: Chan=%d, Index=%d, Code=%d\r\n", what, channel, index, code);
  logger_(channel, line);
}

int TMailMemory::Check(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return kSlotOutOfRange;
  const TSlot& s = slots_[static_cast<std::size_t>(slot)];
  if (s.number != slot) return kSlotNumberDamaged;
  if (!s.used) return 0;
  if (s.block.front() != kFrontGuard || s.block[s.size + 1] != kBackGuard) return kGuardDamaged;
  return 0;
}

std::vector<std::pair<int, int>> TMailMemory::CheckAll() const {
  std::vector<std::pair<int, int>> damaged;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const int code = Check(slot);
    if (code != 0) damaged.emplace_back(slot, code);
  }
  return damaged;
}

char* TMailMemory::Allocate(int channel, int index, std::size_t size, int& error) {
  error = 0;
  const int slot = SlotOf(channel, index);
  if (slot < 0) {
    error = kSlotOutOfRange;
  } else if (slots_[static_cast<std::size_t>(slot)].number != slot) {
    error = kSlotNumberDamaged;
  } else if (slots_[static_cast<std::size_t>(slot)].used) {
    error = kSlotInUse;
  } else if (size > kBlockLimit) {
    error = kNoMemory;
  }
  if (error == 0) {
    TSlot& s = slots_[static_cast<std::size_t>(slot)];
    try {
      s.block.assign(size + 3, 0);
    } catch (const std::bad_alloc&) {
      error = kNoMemory;
    }
    if (error == 0) {
      s.block.front() = kFrontGuard;
      s.block[size + 1] = kBackGuard;
      s.size = size;
      s.used = true;
      return reinterpret_cast<char*>(s.block.data() + 1);
    }
  }
  LogError(channel, index, "AllocateMemory Error", error);
  return nullptr;
}

char* TMailMemory::AllocAndCopy(int channel, int index, const std::string& text) {
  if (text.empty()) {
    LogError(channel, index, "AllocAndCopy Error 1", 0);
    return nullptr;
  }
  if (InUse(channel, index) && Free(channel, index, index) != 0) return nullptr;
  int error = 0;
  char* block = Allocate(channel, index, text.size() + 2, error);
  if (block == nullptr) {
    LogError(channel, index, "AllocAndCopy Error 2", error);
    return nullptr;
  }
  std::memcpy(block, text.data(), text.size());
  return block;
}

int TMailMemory::Free(int channel, int firstIndex, int lastIndex) {
  for (int index = firstIndex; index <= lastIndex; ++index) {
    const int slot = SlotOf(channel, index);
    if (slot < 0) return kSlotOutOfRange;
    const int code = Check(slot);
    if (code != 0) {
      LogError(channel, index, "FreeMemory Error", code);
      return code;
    }
    TSlot& s = slots_[static_cast<std::size_t>(slot)];
    if (!s.used) continue;
    s.block.clear();
    s.block.shrink_to_fit();
    s.size = 0;
    s.used = false;
  }
  return 0;
}

char* TMailMemory::Block(int channel, int index) {
  const int slot = SlotOf(channel, index);
  if (slot < 0 || !slots_[static_cast<std::size_t>(slot)].used) return nullptr;
  return reinterpret_cast<char*>(slots_[static_cast<std::size_t>(slot)].block.data() + 1);
}

std::size_t TMailMemory::Size(int channel, int index) const {
  const int slot = SlotOf(channel, index);
  return slot < 0 ? 0 : slots_[static_cast<std::size_t>(slot)].size;
}

bool TMailMemory::InUse(int channel, int index) const {
  const int slot = SlotOf(channel, index);
  return slot >= 0 && slots_[static_cast<std::size_t>(slot)].used;
}

uint8_t* TMailMemory::RawByte(int channel, int index, std::size_t position) {
  const int slot = SlotOf(channel, index);
  if (slot < 0) return nullptr;
  TSlot& s = slots_[static_cast<std::size_t>(slot)];
  if (!s.used || position >= s.block.size()) return nullptr;
  return &s.block[position];
}

}  // namespace maillib
