// Runs the real program in a temporary folder and checks what it leaves.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/version_info.h"
#include "session/server_game.h"
#include "support/program_copy.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The trace of a windowed run of the 2D display at the window size.
std::string StartUpTrace(int width = 1024, int height = 768) {
  return "Application Started\n"
         "Window Created\n"
         "Initialising DirectDraw\n"
         "FullScreen = false, Width = " + std::to_string(width) + ", Height = " + std::to_string(height) + "\n"
         "Initialised DirectDraw Successfully\n"
         "Display Created\n"
         // "SoundOn" is YES in the shipped defaults; SDL's dummy driver plays.
         "Initialising DirectSound\n"
         "Initialised DirectSound Succesfully\n"
         "Sound Created\n"
         "Game Initialised\n"
         "First loop completed\n"
         "Destroying DirectDraw\n"
         "Destroyed DirectDraw Successfully\n"
         "Application Finished\n"
         "\n";
}

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = test_program::CopyProgramWithData(folder_.Path());
  }

  // Runs the program from the temporary folder (not its own) with the
  // arguments and extra environment; returns its exit status.
  int Run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
    return RunAs(program_.string(), arguments, environment);
  }

  // Runs the program by the given path (relative paths from the temporary
  // folder); a file size limit of 0 makes every write of the run fail.
  int RunAs(const std::string& path, const std::vector<std::string>& arguments,
            const std::vector<std::string>& environment = {}, bool writesFail = false) {
    pid_t child = fork();
    if (child == 0) {
      if (chdir(folder_.Path().c_str()) != 0) _exit(126);
      if (writesFail) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, 0};
        setrlimit(RLIMIT_FSIZE, &none);
      }
      setenv("DVX_HEADLESS", "1", 1);
      setenv("SDL_VIDEODRIVER", "offscreen", 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      setenv("DVX_QUIT_AFTER_FRAMES", "3", 1);
      for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
      std::vector<char*> argv;
      std::string program = path;
      argv.push_back(program.data());
      std::vector<std::string> copies = arguments;
      for (std::string& argument : copies) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string ReadInProgramFolder(const std::string& relative) { return folder_.Read("bin/" + relative); }

  // A complete account in the program's "player.dat".
  void WriteAccount() {
    TPlayerData player;
    player.playerName = "Ann";
    player.emailAddress = "ann@example.org";
    player.password = "secret";
    TDataStream stream(kVersionTag);
    ASSERT_TRUE(player.Save(stream));
    ASSERT_TRUE(stream.SaveToFile((folder_.Path() / "bin" / "player.dat").string()));
  }

  TTempFolder folder_;
  fs::path program_;
};

// Reads the width and height from a PNG file's header.
std::pair<uint32_t, uint32_t> PngSize(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<unsigned char> header(24);
  in.read(reinterpret_cast<char*>(header.data()), 24);
  auto word = [&](int at) {
    return static_cast<uint32_t>(header[at]) << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3];
  };
  return {word(16), word(20)};
}

TEST_F(ProgramTest, HeadlessRunWritesTheStartUpTraceAndTheSettings) {
  ASSERT_EQ(Run({"logging", "seed=7"}), 0);

  EXPECT_EQ(ReadInProgramFolder("VorhelmDocs/DVX.log"), StartUpTrace());
  EXPECT_TRUE(fs::exists(folder_.Path() / "bin/Logs/BugSearch.log"));
  const std::string battleLog = ReadInProgramFolder("Logs/BugSearch.log");
  EXPECT_NE(battleLog.find("Battle started"), std::string::npos);
  // The seed option is applied after the clock seed of the battle log.
  EXPECT_NE(battleLog.find("Random seed 7\n"), std::string::npos);
  // Nothing lands in the folder the program was started from.
  EXPECT_FALSE(fs::exists(folder_.Path() / "VorhelmDocs/DVX.log"));

  // The user file is the defaults plus what shutdown writes.
  const std::string general = ReadInProgramFolder("Configs/General.cfg");
  const std::string user = ReadInProgramFolder("Configs/UserData.cfg");
  ASSERT_FALSE(user.empty());
  EXPECT_NE(user.find("HighTextureResolution = false"), std::string::npos);
  EXPECT_NE(user.find("FullScreen = false"), std::string::npos);
  EXPECT_NE(user.find("DisplayType = DIRECTDRAW_2D"), std::string::npos);
  EXPECT_NE(user.find("WindowWidth = 1024"), std::string::npos);
  EXPECT_EQ(user.substr(0, general.find("FullScreen")), general.substr(0, general.find("FullScreen")));
}

TEST_F(ProgramTest, SecondRunReadsTheUserSettingsBackAndReplacesABrokenWidth) {
  ASSERT_EQ(Run({}), 0);
  std::string user = ReadInProgramFolder("Configs/UserData.cfg");
  const std::size_t at = user.find("WindowWidth = 1024");
  ASSERT_NE(at, std::string::npos);
  user.replace(at, 18, "WindowWidth = 100");
  const std::size_t height = user.find("WindowHeight = 768");
  ASSERT_NE(height, std::string::npos);
  user.replace(height, 18, "WindowHeight = 432");
  folder_.Write("bin/Configs/UserData.cfg", user);

  const fs::path screenshot = folder_.Path() / "frame.png";
  ASSERT_EQ(Run({}, {"DVX_SCREENSHOT=" + screenshot.string()}), 0);
  EXPECT_EQ(ReadInProgramFolder("VorhelmDocs/DVX.log"), StartUpTrace(800, 432));
  ASSERT_TRUE(fs::exists(screenshot));
  // The stored height is used; the broken width falls back to 800.
  EXPECT_EQ(PngSize(screenshot), (std::pair<uint32_t, uint32_t>{800, 432}));
  EXPECT_NE(ReadInProgramFolder("Configs/UserData.cfg").find("WindowHeight = 432"), std::string::npos);
}

TEST_F(ProgramTest, NoWorkingDirectoryStaysInTheStartFolder) {
  fs::create_directories(folder_.Path() / "VorhelmDocs");
  ASSERT_EQ(Run({"noworkingdirectory"}), 0);
  EXPECT_EQ(folder_.Read("VorhelmDocs/DVX.log"), StartUpTrace());
  EXPECT_FALSE(fs::exists(folder_.Path() / "bin/VorhelmDocs/DVX.log"));
}

TEST_F(ProgramTest, ReferralIsWrittenAndTheProgramExits) {
  ASSERT_EQ(Run({"referral=Fred"}), 0);
  TDataStream stream;
  ASSERT_TRUE(stream.LoadFromFile((folder_.Path() / "bin/VorhelmDocs/referral.dat").string()));
  EXPECT_EQ(stream.ReadString(), "Fred");
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_EQ(ReadInProgramFolder("VorhelmDocs/DVX.log").find("Window Created"), std::string::npos);
}

// Started by a relative path from another folder, the program works in its
// own folder, even when a folder of the same relative name lies below it.
TEST_F(ProgramTest, StartedByARelativePathItWorksInItsOwnFolder) {
  fs::create_directories(folder_.Path() / "bin/bin");
  ASSERT_EQ(RunAs("./bin/dvx", {"referral=Abc"}), 0);
  TDataStream stream;
  ASSERT_TRUE(stream.LoadFromFile((folder_.Path() / "bin/VorhelmDocs/referral.dat").string()));
  EXPECT_EQ(stream.ReadString(), "Abc");
  EXPECT_FALSE(fs::exists(folder_.Path() / "bin/bin/VorhelmDocs"));
  EXPECT_FALSE(fs::exists(folder_.Path() / "VorhelmDocs/referral.dat"));

  ASSERT_EQ(RunAs("bin/dvx", {}), 0);
  EXPECT_EQ(ReadInProgramFolder("VorhelmDocs/DVX.log"), StartUpTrace());
  EXPECT_FALSE(fs::exists(folder_.Path() / "bin/bin/Configs"));
}

// A settings file that cannot be read is left as it is (here: beyond the
// size cap of text files), and the run says so.
TEST_F(ProgramTest, UnreadableSettingsAreKept) {
  const std::string user = "# mine\n[APP]\n" + std::string(9 << 20, ' ') + "\n";
  folder_.Write("bin/Configs/UserData.cfg", user);
  ASSERT_EQ(Run({}), 0);
  EXPECT_EQ(ReadInProgramFolder("Configs/UserData.cfg"), user);
  EXPECT_NE(ReadInProgramFolder("VorhelmDocs/DVX.log").find("could not be read"), std::string::npos);
}

// A folder where nothing can be written ends the run with a failure.
TEST_F(ProgramTest, AFolderThatTakesNoWritesFailsTheRun) {
  const std::string general = ReadInProgramFolder("Configs/General.cfg");
  EXPECT_NE(RunAs(program_.string(), {}, {}, true), 0);
  EXPECT_FALSE(fs::exists(folder_.Path() / "bin/Configs/UserData.cfg"));
  EXPECT_EQ(ReadInProgramFolder("Configs/General.cfg"), general);
}

// A link planted in the log's place is not followed.
TEST_F(ProgramTest, APlantedLogLinkIsNotFollowed) {
  folder_.Write("victim.txt", "precious\n");
  fs::create_directories(folder_.Path() / "bin/VorhelmDocs");
  fs::create_symlink(folder_.Path() / "victim.txt", folder_.Path() / "bin/VorhelmDocs/DVX.log");
  fs::create_directories(folder_.Path() / "bin/Logs");
  fs::create_symlink(folder_.Path() / "victim.txt", folder_.Path() / "bin/Logs/BugSearch.log");
  EXPECT_EQ(Run({"logging"}), 0);
  EXPECT_EQ(folder_.Read("victim.txt"), "precious\n");
}

}  // namespace

// A received first-turn file opens in the received-game mode: the turn is
// run and stored in the game's folder; a file that does not open ends the
// run with a failure status.
TEST_F(ProgramTest, AReceivedGameFileOpensAndAMissingOneFailsTheRun) {
  WriteAccount();
  std::string error;
  ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
  const fs::path results = folder_.Path() / "T0" / "results1_Ginfantry_T0.dvx";
  ASSERT_EQ(Run({results.string()}), 0);
  const std::string log = ReadInProgramFolder("VorhelmDocs/DVX.log");
  EXPECT_NE(log.find("File Received: " + results.string() + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Loaded turn file\nProcessed First Turn\n"), std::string::npos) << log;
  EXPECT_TRUE(fs::exists(folder_.Path() / "bin" / "Games" / "infantry" / "gamestate_Ginfantry_T1.dvx"));
  EXPECT_TRUE(fs::exists(folder_.Path() / "bin" / "Games" / "infantry" / "events_Ginfantry"));

  EXPECT_NE(Run({(folder_.Path() / "nothing.dvx").string()}), 0);
}

// "hotseat" runs the local two-player mode's frames until the window closes.
TEST_F(ProgramTest, TheHotSeatOptionRunsTheHotSeatMode) {
  ASSERT_EQ(Run({"hotseat"}), 0);
  const std::string log = ReadInProgramFolder("VorhelmDocs/DVX.log");
  EXPECT_NE(log.find("Hot-seat game\n"), std::string::npos) << log;
  EXPECT_NE(log.find("First loop completed\n"), std::string::npos) << log;
}

// "buildgame" and a game id rebuild a game computed on this machine from its
// results files; an id that could leave the games folder ends the run with a
// failure status and makes nothing.
TEST_F(ProgramTest, BuildGameRebuildsFromResultsFilesAndRefusesUnfitIds) {
  WriteAccount();
  server_game::PlayGame("infantry", 2);
  const fs::path games = folder_.Path() / "bin" / "Games";
  fs::create_directories(games);
  for (int turn = 0; turn <= 2; ++turn) {
    const std::string name = "results1_Ginfantry_T" + std::to_string(turn) + ".dvx";
    fs::copy_file(folder_.Path() / server_game::Folder(turn) / name, games / name);
  }
  ASSERT_EQ(Run({"buildgameinfantry"}), 0);
  for (int turn = 0; turn <= 2; ++turn) {
    EXPECT_TRUE(fs::exists(games / "infantry" / ("gamestate_Ginfantry_T" + std::to_string(turn) + ".dvx"))) << turn;
    EXPECT_FALSE(fs::exists(games / ("results1_Ginfantry_T" + std::to_string(turn) + ".dvx"))) << turn;
  }
  EXPECT_NE(ReadInProgramFolder("VorhelmDocs/DVX.log").find("Screen requested: Game Screen\n"), std::string::npos);

  for (const char* unfit : {"buildgame../up", "buildgame", "buildgamenothing"}) {
    EXPECT_NE(Run({unfit}), 0) << unfit;
  }
  EXPECT_FALSE(fs::exists(folder_.Path() / "bin" / "up"));
  EXPECT_FALSE(fs::exists(games / "nothing"));
}
