#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/window.h"

namespace platform {
namespace {

// Sets environment variables for one test and puts the old values back.
class EnvironmentGuard {
 public:
  void Set(const char* name, const char* value) {
    Remember(name);
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  ~EnvironmentGuard() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void Remember(const char* name) {
    for (const auto& entry : saved_) {
      if (entry.first == name) return;
    }
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct HeadlessCase {
  const char* headless;
  const char* display;
  const char* wayland;
  bool expected;
};

const char* Shown(const char* value) { return value ? value : "(unset)"; }

void PrintTo(const HeadlessCase& c, std::ostream* os) {
  *os << "DVX_HEADLESS=" << Shown(c.headless) << " DISPLAY=" << Shown(c.display)
      << " WAYLAND_DISPLAY=" << Shown(c.wayland);
}

class HeadlessDetection : public ::testing::TestWithParam<HeadlessCase> {};

TEST_P(HeadlessDetection, FollowsTheEnvironment) {
  EnvironmentGuard guard;
  guard.Set("DVX_HEADLESS", GetParam().headless);
  guard.Set("DISPLAY", GetParam().display);
  guard.Set("WAYLAND_DISPLAY", GetParam().wayland);
  EXPECT_EQ(IsHeadless(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, HeadlessDetection,
                         ::testing::Values(HeadlessCase{nullptr, nullptr, nullptr, true},
                                           HeadlessCase{nullptr, "", "", true},
                                           HeadlessCase{nullptr, ":0", nullptr, false},
                                           HeadlessCase{nullptr, nullptr, "wayland-0", false},
                                           HeadlessCase{"1", ":0", "wayland-0", true},
                                           HeadlessCase{"0", ":0", nullptr, false}));

TEST(MessageBox, HeadlessWritesTitleAndTextToStandardError) {
  EnvironmentGuard guard;
  guard.Set("DVX_HEADLESS", "1");
  ::testing::internal::CaptureStderr();
  ShowMessageBox("Drannoc Vorhelm", "Could not open Configs\\General.cfg");
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(written, "Drannoc Vorhelm: Could not open Configs\\General.cfg\n");
}

}  // namespace
}  // namespace platform
