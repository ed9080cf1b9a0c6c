// Rebuilding a game's own files (gamestate copies, the events of the game)
// from the turn files the server sent: a packed game, the stored turn files
// in the games folder, or the results files of the local server code. The
// turns are replayed through the same operations that process a received
// turn, so a rebuilt game computes exactly what a played one does.
#include "session/game_rebuild.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "app/files.h"
#include "app/log.h"
#include "app/message_stream.h"
#include "app/text_utils.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_record.h"
#include "sim/clock.h"
#include "sim/event_list.h"
#include "sim/scenario.h"
#include "sim/turn_simulator.h"

namespace {

constexpr const char* kStoredPrefix = "DVX_G";
constexpr const char* kStoredSuffix = ".dvx";
constexpr std::size_t kMaxTurnDigits = 5;

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string StoredTurnFileName(const std::string& gameId, int32_t turn) {
  return kStoredPrefix + gameId + "_T" + IntToStringPadded(turn, 2) + kStoredSuffix;
}

std::string StoredTurnGameId(const std::string& fileName) {
  const std::string prefix = kStoredPrefix;
  const std::string suffix = kStoredSuffix;
  if (fileName.size() <= prefix.size() + suffix.size()) return std::string();
  if (fileName.compare(0, prefix.size(), prefix) != 0) return std::string();
  if (fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) return std::string();
  const std::string middle = fileName.substr(prefix.size(), fileName.size() - prefix.size() - suffix.size());
  const std::size_t turnMark = middle.rfind("_T");
  if (turnMark == std::string::npos) return std::string();
  const std::string digits = middle.substr(turnMark + 2);
  if (digits.empty() || digits.size() > kMaxTurnDigits || !AllDigits(digits)) return std::string();
  const std::string gameId = middle.substr(0, turnMark);
  return IsGameFolderName(gameId) ? gameId : std::string();
}

bool ReadPackedGame(TDataStream& stream, std::vector<TPackedFile>& files, std::string& error) {
  files.clear();
  // A list that stops where the stream ends, between two files, is whole.
  while (stream.Remaining() > 0) {
    std::string name = stream.ReadString();
    if (stream.HasFailed()) {
      error = "The packed game is damaged (a file name does not read).";
      break;
    }
    if (name == kPackedGameEnd) return true;
    if (StoredTurnGameId(name).empty()) {
      error = "The packed game holds a file that is no turn file of a game: " + name;
      break;
    }
    if (static_cast<int32_t>(files.size()) >= kMaxPackedFiles) {
      error = "The packed game holds more files than any game has turns.";
      break;
    }
    TPackedFile file;
    file.name = std::move(name);
    if (!stream.ExtractStream(file.stream)) {
      error = "The packed game is damaged (the file " + file.name + " does not read).";
      break;
    }
    files.push_back(std::move(file));
  }
  if (!error.empty()) {
    files.clear();
    return false;
  }
  return true;
}

bool WritePackedGame(const std::vector<TPackedFile>& files, TDataStream& stream) {
  for (const TPackedFile& file : files) {
    if (!stream.WriteString(file.name) || !file.stream.WriteEmbedded(stream)) return false;
  }
  return stream.WriteString(kPackedGameEnd);
}

void SortNamesIgnoringCase(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string lowerA = Lower(a);
    const std::string lowerB = Lower(b);
    return lowerA != lowerB ? lowerA < lowerB : a < b;
  });
}

// --- the session's rebuild ---------------------------------------------------------------

// Where the turn files of the game being rebuilt lie and how the rebuild
// reports its progress.
struct TBattleSession::TRebuildSource {
  std::string gameId;
  std::function<std::string(int32_t)> fileOf;
  // What "Rebuilding game " names.
  std::string title;
  // Whether "Turn " lines show two digits.
  bool paddedTurns = true;
};

void TBattleSession::RequestScreen(const std::string& screen) {
  requestedScreen_ = screen;
  WriteLog("Screen requested: " + screen + "\n");
}

bool TBattleSession::UnpackGame(TDataStream& stream) {
  std::vector<TPackedFile> files;
  std::string error;
  if (!ReadPackedGame(stream, files, error)) return Fail(error, false);
  if (!CreateFolder(gamesFolder_)) return Fail("Could not create the folder " + gamesFolder_, true);
  std::set<std::string> ids;
  for (TPackedFile& file : files) {
    const std::string path = gamesFolder_ + file.name;
    if (!file.stream.SaveToFile(path)) return Fail("Could not save " + path, true);
    ids.insert(StoredTurnGameId(file.name));
  }
  // The game just unpacked is rebuilt, not whatever an earlier failed
  // rebuild left before it in the folder.
  std::vector<std::string> unpacked(ids.begin(), ids.end());
  SortNamesIgnoringCase(unpacked);
  if (unpacked.empty()) return Fail("The packed game holds no turn file.", false);
  if (!RebuildGame(unpacked.front())) return false;
  // The turn of the last file read: the clock has moved on past a first
  // turn that was run.
  return turn_ < 1;
}

bool TBattleSession::RebuildGames() {
  std::vector<std::string> names;
  ListFolder(gamesFolder_, names);
  SortNamesIgnoringCase(names);
  for (const std::string& name : names) {
    if (name.compare(0, 5, kStoredPrefix) != 0) continue;
    const std::string gameId = StoredTurnGameId(name);
    // A name that could lead the rebuild out of the folder is passed over.
    if (gameId.empty()) continue;
    RebuildGame(gameId);
    return true;
  }
  return false;
}

bool TBattleSession::RebuildGame(const std::string& gameId) {
  TRebuildSource source;
  source.gameId = gameId;
  source.title = gameId;
  const std::string folder = gamesFolder_;
  source.fileOf = [folder, gameId](int32_t turn) { return folder + StoredTurnFileName(gameId, turn); };
  int32_t turnsRead = 0;
  if (!ReplayTurnFiles(source, turnsRead)) return false;
  if (turnsRead == 1) {
    RequestScreen("Choose Race Screen");
  } else {
    RequestScreen("Game Screen");
  }
  return true;
}

bool TBattleSession::BuildGame(const std::string& fileName) {
  std::string gameId = fileName;
  EraseText(gameId, "buildgame");
  if (!IsGameFolderName(gameId)) return Fail("\"" + gameId + "\" names no game that could be rebuilt.", true);
  TRebuildSource source;
  source.gameId = gameId;
  source.title = fileName;
  source.paddedTurns = false;
  // The local server code writes both players' copies; player 1's are used
  // when they are there.
  std::string prefix = gamesFolder_ + "results1_G";
  if (!FileExists(prefix + gameId + "_T0.dvx")) prefix = gamesFolder_ + "results2_G";
  if (!FileExists(prefix + gameId + "_T0.dvx")) {
    return Fail("No results files of the game " + gameId + " to rebuild it from.", true);
  }
  source.fileOf = [prefix, gameId](int32_t turn) { return prefix + gameId + "_T" + IntToString(turn) + ".dvx"; };
  int32_t turnsRead = 0;
  if (!ReplayTurnFiles(source, turnsRead)) return false;
  return turnsRead == 1;
}

bool TBattleSession::OpenRebuildFile(const TRebuildSource& source, int32_t turn, TDataStream& stream,
                                     const char* tag) {
  const std::string path = source.fileOf(turn);
  if (!stream.LoadFromFile(path)) return Fail("Unable to open file " + path, false);
  if (!ReadTurnHeader(stream)) return false;
  // A file of another game or turn under this name would mix two games.
  if (GetName() != source.gameId || turn_ != turn) return Fail(path + " holds another game's or turn's state.", false);
  if (stream.ReadString() != tag) return Fail(path + " is not a game file", false);
  return true;
}

bool TBattleSession::ReplayTurnFiles(const TRebuildSource& source, int32_t& turnsRead) {
  turnsRead = 0;
  failure_.clear();
  turnCommitted_ = false;
  TMessageStream* messages = TMessageStream::Instance();
  // Turn 0 is read before anything of the game's own is touched: a game
  // whose first turn is missing or damaged keeps its folder.
  TDataStream stream;
  if (!OpenRebuildFile(source, 0, stream, kFirstTurnTag)) return false;
  if (FolderExists(GameFolder())) DeleteFolderFiles(GameFolder());
  if (!CreateFolders()) return Fail("Could not create the folders of the game " + GetName(), true);
  GetEventList().Clear();
  GetSimulator().SetScenario(TScenario::FromGameRecord(*record_));
  record_->FillFromPlayer();
  if (!ReadFirstTurnBody(stream)) return false;
  messages->Write("Rebuilding game " + source.title + "\n");
  std::vector<std::string> read = {source.fileOf(0)};
  turnsRead = 1;
  for (int32_t turn = 1; FileExists(source.fileOf(turn)); ++turn) {
    PlayClientTurn();
    if (!failure_.empty()) return false;
    turnCommitted_ = false;
    stream.Clear();
    stream.ClearFailure();
    if (!OpenRebuildFile(source, turn, stream, kNextTurnTag)) return false;
    if (!GetEventList().LoadTurn(stream, EventContext())) {
      return Fail("The events of " + source.fileOf(turn) + " do not read.", false);
    }
    ReplayLatestTurn();
    if (!failure_.empty()) return false;
    messages->Write("Turn " + (source.paddedTurns ? IntToStringPadded(turn, 2) : IntToString(turn)) + "\n");
    read.push_back(source.fileOf(turn));
    ++turnsRead;
  }
  if (turnsRead == 1) {
    GetSimulator().SetScenario(TScenario::FromGameRecord(*record_));
    PlayClientTurn();
    if (!failure_.empty()) return false;
  }
  // The sources go only once the whole game stands rebuilt; a failure on the
  // way leaves them for another try.
  for (const std::string& path : read) RemoveFile(path);
  return true;
}
