#include "session/server_requests.h"

#include <vector>
#include <utility>

#include "app/text_utils.h"
#include "app/version_info.h"
#include "session/game_record.h"

namespace {

using TLine = std::pair<const char*, std::string>;

// The common head ("", message, action), the lines, the end marker. Empty
// when a value cannot stand on its line.
std::string Compose(const TGameRecord& record, const char* action, const std::vector<TLine>& lines) {
  const std::string message = FlattenRequestMessage(record.GetMessage());
  if (!IsSafeRequestValue(message)) return std::string();
  std::string text = "\nmessage = " + message + "\nactionReq = " + action + "\n";
  for (const TLine& line : lines) {
    if (!IsSafeRequestValue(line.second)) return std::string();
    text += line.first;
    text += line.second;
    text += "\n";
  }
  return text + server_request::kEndMarker;
}

const TVersionInfo& Version() { return *GetVersionInfo()->Get(); }

// Lines of one group after another.
std::vector<TLine> Join(std::vector<std::vector<TLine>> groups) {
  std::vector<TLine> lines;
  for (auto& group : groups) lines.insert(lines.end(), group.begin(), group.end());
  return lines;
}

// What every request says of the program; the language only where the
// server needs it.
std::vector<TLine> ProgramLines(bool withLanguage) {
  std::vector<TLine> lines = {{"gameName = ", server_request::kGameName},
                              {"platform = ", Version().GetPlatform()},
                              {"version = ", Version().GetVersionTag()}};
  if (withLanguage) lines.emplace_back("language = ", Version().GetLanguage());
  return lines;
}

std::vector<TLine> AccountLines(const TGameRecord& record) {
  return {{"playerName = ", record.GetPlayerName()},
          {"password =  ", record.GetPassword()},
          {"playerEmail = ", record.GetPlayerEmail()}};
}

// The lines of "lastTurn" and "allTurns": player number and turn are left
// for the server to fill.
std::string TurnRequest(const TGameRecord& record, const char* action) {
  return Compose(record, action,
                 Join({ProgramLines(false), AccountLines(record),
                       {{"playerNum = ", ""}, {"game_id = ", record.GetGameId()}, {"turn = ", ""}}}));
}

}  // namespace

bool IsSafeRequestValue(const std::string& value) {
  return value.find('\r') == std::string::npos && value.find('\n') == std::string::npos &&
         value.find(server_request::kEndMarker) == std::string::npos;
}

std::string FlattenRequestMessage(const std::string& message) {
  std::string flat = message;
  for (char& c : flat) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return flat;
}

std::string BuildStartRequest(const TGameRecord& record) {
  if (LowerCase(record.GetOpponentName()) == "bounty") return BuildBountyStartRequest(record);
  return Compose(record, "start",
                 Join({ProgramLines(true), AccountLines(record), {
                  {"opponentName = ", record.GetOpponentName()},
                  {"opponentEmail = ", record.GetOpponentEmail()},
                  {"findOpponent = ", record.GetFindOpponent() ? "yes" : "no"},
                  {"matchType = ", record.GetMatchType()},
                  {"scenario = ", record.GetScenarioTypeName()},
                  {"map = ", record.GetMap()},
                  {"forcePoints = ", IntToString(record.GetForcePoints())},
                  {"maxForcePointsPerUnit = ", IntToString(record.GetMaxFPPerUnit())},
                  {"turnLimit = ", IntToString(record.GetTurnLimit())},
                  {"timeLimit = ", IntToString(record.GetTimeLimit())},
                  {"referral = ", ReadReferral()},
                  {"bountyHunter = ", ReadBounty()}}}));
}

std::string BuildOrdersRequest(const TGameRecord& record, int32_t turn, int32_t player) {
  return Compose(record, "orders",
                 Join({ProgramLines(false), AccountLines(record), {
                  {"playerNum = ", IntToString(static_cast<int64_t>(player) + 1)},
                  {"game_id = ", record.GetGameId()},
                  {"turn = ", IntToString(static_cast<int64_t>(turn) + 1)},
                  {"conceded = ", BoolToString(record.IsConceded())}}}));
}

std::string BuildLastTurnRequest(const TGameRecord& record) { return TurnRequest(record, "lastTurn"); }

std::string BuildAllTurnsRequest(const TGameRecord& record) { return TurnRequest(record, "allTurns"); }

std::string BuildFreeStartRequest(const TGameRecord& record) {
  return Compose(record, "freeStart",
                 Join({ProgramLines(true), {{"playerEmail = ", record.GetPlayerEmail()}, {"referral = ", ReadReferral()}}}));
}

std::string BuildBountyStartRequest(const TGameRecord& record) {
  return Compose(record, "bountyStart", Join({ProgramLines(true), AccountLines(record)}));
}
