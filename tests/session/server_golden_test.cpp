// The files a scripted server game writes, byte for byte, against the golden
// files in tests/fixtures/server/<battle>/. Regenerate them on purpose only:
// scripts/regenerate-server-goldens.sh (DVX_REGENERATE_GOLDENS=1).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "app/version_info.h"
#include "server_game.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kTurns = 3;

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Regenerating() {
  const char* value = std::getenv("DVX_REGENERATE_GOLDENS");
  return value != nullptr && std::string(value) == "1";
}

class ServerGoldenTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    fs::copy(DVX_DATA_DIR, folder_.Path(), fs::copy_options::recursive);
    DestroyGameDataConfig();
    // The program's platform and version come from the data set's version file.
    DestroyVersionInfo();
  }
  void TearDown() override {
    DestroyGameDataConfig();
    DestroyVersionInfo();
  }

  TTempFolder folder_;
};

TEST_P(ServerGoldenTest, ANewGameAndThreeTurnsWriteTheGoldenFiles) {
  const std::string battle = GetParam();
  server_game::PlayGame(battle, kTurns);
  if (HasFatalFailure()) return;
  const fs::path golden = fs::path(DVX_TEST_FIXTURES) / "server" / battle;
  for (int32_t turn = 0; turn <= kTurns; ++turn) {
    for (const char* kind : {"results1", "results2", "gamestate", "status"}) {
      const std::string file = server_game::FileOf(battle, kind, turn);
      SCOPED_TRACE(file);
      ASSERT_TRUE(fs::exists(file));
      if (Regenerating()) {
        fs::create_directories((golden / file).parent_path());
        fs::copy_file(file, golden / file, fs::copy_options::overwrite_existing);
        continue;
      }
      ASSERT_TRUE(fs::exists(golden / file)) << "no golden file; see scripts/regenerate-server-goldens.sh";
      EXPECT_TRUE(Bytes(file) == Bytes(golden / file)) << "differs from its golden file";
    }
  }
  if (Regenerating()) GTEST_SKIP() << "golden files of " << battle << " written";
}

INSTANTIATE_TEST_SUITE_P(Battles, ServerGoldenTest, ::testing::Values("infantry", "armour"));

}  // namespace
