// Monotonic time since the clock started, 64-bit, never wrapping; tests can
// replace the source.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

uint64_t GetTickMilliseconds();
void SleepMilliseconds(uint32_t milliseconds);

// Replaces the tick source (tests); an empty function restores the real one.
void SetTickSource(std::function<uint64_t()> source);

}  // namespace platform
