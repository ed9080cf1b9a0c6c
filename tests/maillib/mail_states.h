// Drives a non-blocking mail operation to its end and returns the states
// the driver went through, each once, without the 9999 of waiting.
#pragma once

#include <chrono>
#include <thread>
#include <vector>

#include "maillib/mail_library.h"

inline std::vector<int> DriveStates(maillib::TMailLibrary& library, int channel) {
  std::vector<int> states;
  for (int i = 0; i < 20000; ++i) {
    const int state = library.ProtocolDriver(channel);
    if (state == 9999) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (state != 9999 && (states.empty() || states.back() != state)) states.push_back(state);
    if (state <= 0) break;
  }
  return states;
}
