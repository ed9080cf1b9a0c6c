// The settings: Configs\UserData.cfg is the player's own file and
// Configs\General.cfg ships with the game; both are read whole, the window
// sizes are checked, and the language named in them picks a folder.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "app/command_line.h"
#include "app/settings_store.h"
#include "app/string_table.h"
#include "fuzz_scratch_folder.h"
#include "platform/file_system.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("settings");
  platform::MakeDirectory("Configs");
  return 0;
}

namespace {

void WriteFile(const char* path, const std::string& text) {
  if (!platform::WriteWholeFile(path, text.data(), text.size())) std::abort();
}

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string defaults = provider.ConsumeRandomLengthString(size);
  const std::string user = provider.ConsumeRemainingBytesAsString();
  WriteFile("Configs/General.cfg", defaults);
  WriteFile("Configs/UserData.cfg", user);

  DestroyCommandLine();
  {
    TGameApplication application("fuzz");
    // Whatever the files say, the sizes the window opens with are sane.
    if (!InRange(application.GetWindowWidth(), 150, 5000) || !InRange(application.GetWindowHeight(), 100, 4000) ||
        !InRange(application.GetFullScreenWidth(), 150, 5000) ||
        !InRange(application.GetFullScreenHeight(), 100, 4000)) {
      std::abort();
    }
    application.GetSmtpServer();
    application.SetSmtpServer(user.substr(0, 40));
    if (!application.GetSettings()->SaveUserFile()) std::abort();
  }
  // What was saved reads back.
  TSettingsStore reread("Configs\\UserData.cfg", "Configs\\General.cfg");
  reread.SelectSection("APP");
  std::string language;
  reread.GetString("Language", language);
  DestroyStringTable();
  return 0;
}
