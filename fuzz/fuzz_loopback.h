// Shared by the fuzz targets that play a server over loopback: a trap for
// failed checks and one listening socket for the whole run.
#pragma once

#include "platform/net_socket.h"

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

inline platform::TcpListener& LoopbackListener() {
  static platform::TcpListener listener;
  static const bool listening = listener.Listen("127.0.0.1");
  Check(listening);
  return listener;
}
