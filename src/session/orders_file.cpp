#include "session/orders_file.h"

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "app/version_info.h"
#include "session/game_record.h"
#include "session/server_requests.h"
#include "units/order_list.h"

std::string OrdersFileName(const std::string& folder, int32_t player, const std::string& battleName, int32_t turn) {
  return folder + "orders" + IntToString(static_cast<int64_t>(player) + 1) + "_G" + battleName + "_T" +
         IntToString(turn) + ".dvx";
}

bool WriteOrdersBody(TDataStream& stream, const TGameRecord& record, const TOrderList& orders, int32_t turn) {
  const std::string request = BuildOrdersRequest(record, turn - 1, record.GetPlayerNumber());
  if (request.empty()) return false;
  stream.WriteString(request);
  if (!record.Save(stream)) return false;
  orders.WriteOrders(stream);
  return true;
}

bool SaveOrdersFile(const std::string& path, const TGameRecord& record, const TOrderList& orders, int32_t turn) {
  TDataStream stream(kVersionTag);
  return WriteOrdersBody(stream, record, orders, turn) && stream.SaveToFile(path);
}

bool ReadOrdersHead(TDataStream& stream, std::string& request, TGameRecord& record) {
  request = stream.ReadString();
  if (stream.HasFailed()) return false;
  return record.Load(stream) && !stream.HasFailed();
}
