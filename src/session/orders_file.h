// The orders file: what a player's program sends the server for one turn. A
// data stream whose body holds the "orders" request text, the player's game
// record (with the program's version text, which decides the tag of the
// results file the player gets back) and the orders of the player's units.
#pragma once

#include <cstdint>
#include <string>

class TDataStream;
class TGameRecord;
class TOrderList;

// "orders" + (player + 1) + "_G" + battle + "_T" + turn + ".dvx", in the folder
// (which ends in a separator or is empty).
std::string OrdersFileName(const std::string& folder, int32_t player, const std::string& battleName, int32_t turn);

// Appends the request text (for the turn being ordered, `turn`; the text
// carries the last turn played, turn - 1), the record and the orders. False,
// with nothing appended, when the record holds a value the request cannot
// carry.
bool WriteOrdersBody(TDataStream& stream, const TGameRecord& record, const TOrderList& orders, int32_t turn);

// Writes the body into a new stream of the program's version tag and saves it
// under the path; false when the body or the save failed (the previous file
// is kept).
bool SaveOrdersFile(const std::string& path, const TGameRecord& record, const TOrderList& orders, int32_t turn);

// Reads the request text and the game record at the start of an orders
// stream; the stream then stands at the orders. False when either does not
// read.
bool ReadOrdersHead(TDataStream& stream, std::string& request, TGameRecord& record);
