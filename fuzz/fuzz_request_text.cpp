// Request texts carry players' names, passwords, addresses and messages to
// the game server: whatever a record holds, a text is either refused (empty)
// or keeps its layout (a leading newline, one end marker at the very end,
// one line per key); and status values never break their line.
//
// Input: fields of a game record separated by 0xFF bytes: message, player
// name, password, e-mail, opponent name, opponent e-mail, match type, map,
// game id.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_scratch_folder.h"
#include "session/game_record.h"
#include "session/server_requests.h"
#include "session/turn_files.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::string> Fields(const uint8_t* data, std::size_t size) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF) {
      fields.emplace_back();
    } else {
      fields.back() += static_cast<char>(data[i]);
    }
  }
  fields.resize(9);
  return fields;
}

// The layout: "\n" first, the marker once and last, `lines` newlines.
void CheckText(const std::string& text, std::size_t lines) {
  if (text.empty()) return;
  const std::string marker = server_request::kEndMarker;
  Check(text.front() == '\n');
  Check(text.size() >= marker.size() && text.compare(text.size() - marker.size(), marker.size(), marker) == 0);
  Check(text.find(marker) == text.size() - marker.size());
  std::size_t newlines = 0;
  for (const char c : text) newlines += c == '\n' ? 1 : 0;
  Check(newlines == lines);
  Check(text.find('\r') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("request_text");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<std::string> f = Fields(data, size);
  TGameRecord record;
  record.SetMessage(f[0]);
  record.SetPlayerName(f[1]);
  record.SetPassword(f[2]);
  record.SetPlayerEmail(f[3]);
  record.SetOpponentName(f[4]);
  record.SetOpponentEmail(f[5]);
  record.SetMatchType(f[6]);
  record.SetMapName(f[7]);
  record.SetGameId(f[8]);
  // Head lines (empty first line, message, action) plus one per key.
  const bool bounty = BuildStartRequest(record) == BuildBountyStartRequest(record);
  CheckText(BuildStartRequest(record), 3 + (bounty ? 7 : 19));
  CheckText(BuildOrdersRequest(record, static_cast<int32_t>(size) - 100, static_cast<int32_t>(size % 3)), 3 + 10);
  CheckText(BuildLastTurnRequest(record), 3 + 9);
  CheckText(BuildAllTurnsRequest(record), 3 + 9);
  CheckText(BuildFreeStartRequest(record), 3 + 6);
  CheckText(BuildBountyStartRequest(record), 3 + 7);
  for (const std::string& field : f) {
    const std::string value = StatusValue(field);
    Check(value.find('\n') == std::string::npos && value.find('\r') == std::string::npos);
    if (IsPlainName(field)) Check(field.find('/') == std::string::npos && field.find("..") == std::string::npos);
    IsAcceptedVersionTag(field);
  }
  return 0;
}
