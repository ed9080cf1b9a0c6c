// The texts the program sends to the game server: lines of a key, " = " and a
// value, naming the action wanted and the data the server needs for it,
// closed by a fixed end marker. Each builder returns the whole text; a value
// that would break the layout (a line break, or the end marker inside it)
// makes the builder return an empty text, which callers take as a refusal.
#pragma once

#include <cstdint>
#include <string>

class TGameRecord;

namespace server_request {
inline constexpr const char* kEndMarker = "~#{VISK}#~=";
inline constexpr const char* kGameName = "dvx";
}  // namespace server_request

std::string BuildStartRequest(const TGameRecord& record);
std::string BuildOrdersRequest(const TGameRecord& record, int32_t turn, int32_t player);
std::string BuildLastTurnRequest(const TGameRecord& record);
std::string BuildAllTurnsRequest(const TGameRecord& record);
std::string BuildFreeStartRequest(const TGameRecord& record);
std::string BuildBountyStartRequest(const TGameRecord& record);

// Whether the value can stand on one line of a request: no CR, no LF, no end
// marker.
bool IsSafeRequestValue(const std::string& value);
// The free-text message of a request: CR and LF become blanks.
std::string FlattenRequestMessage(const std::string& message);
