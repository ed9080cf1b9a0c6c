// A line-based server on a free loopback port, run by a test in its own
// thread: it accepts connections one after the other and plays a script on
// each (greeting, then one reply per command line, the mail data read up
// to its end line). A reply that ends in "<close>" drops the connection
// after the text in front of it, "<silent>" answers nothing until the
// server stops, and "<trickle>" followed by a text sends that text one byte
// every 100 ms. Everything received is kept.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net_socket.h"

class TScriptedServer {
 public:
  explicit TScriptedServer(std::vector<std::string> script, const std::string& address = "127.0.0.1")
      : script_(std::move(script)) {
    if (!listener_.Listen(address)) return;
    thread_ = std::thread([this] { Run(); });
  }
  ~TScriptedServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  TScriptedServer(const TScriptedServer&) = delete;
  TScriptedServer& operator=(const TScriptedServer&) = delete;

  uint16_t Port() const { return listener_.Port(); }
  int Connections() const { return connections_; }
  std::string Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }

 private:
  void Run() {
    while (!stop_) {
      platform::SocketHandle connection = listener_.Accept(50);
      if (!connection.IsOpen()) continue;
      ++connections_;
      Play(connection);
    }
  }

  bool SendText(const platform::SocketHandle& connection, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size() && !stop_) {
      int error = 0;
      const long sent = platform::SendSome(connection, text.data() + done, text.size() - done, error);
      if (sent > 0) {
        done += static_cast<std::size_t>(sent);
      } else {
        if (error != EAGAIN) return false;
        platform::PollSocket(connection, platform::kWritable, 50);
      }
    }
    return done == text.size();
  }

  // Reads until `end` has arrived; false when the peer closed or the server stops.
  bool ReadUntil(const platform::SocketHandle& connection, std::string& buffer, const std::string& end) {
    while (buffer.find(end) == std::string::npos) {
      if (stop_) return false;
      if ((platform::PollSocket(connection, platform::kReadable, 50) & platform::kReadable) == 0) continue;
      char chunk[4096];
      int error = 0;
      const long got = platform::ReceiveSome(connection, chunk, sizeof(chunk), error);
      if (got == 0 || (got < 0 && error != EAGAIN)) return false;
      if (got > 0) {
        buffer.append(chunk, static_cast<std::size_t>(got));
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(chunk, static_cast<std::size_t>(got));
      }
    }
    return true;
  }

  void Trickle(const platform::SocketHandle& connection, const std::string& text) {
    for (const char c : text) {
      if (stop_ || !SendText(connection, std::string(1, c))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  void Play(const platform::SocketHandle& connection) {
    std::string buffer;
    bool inData = false;
    for (std::size_t step = 0; step < script_.size(); ++step) {
      if (step > 0) {
        const std::string end = inData ? "\r\n.\r\n" : "\n";
        if (!ReadUntil(connection, buffer, end)) return;
        const std::string line = buffer.substr(0, buffer.find(end));
        buffer.erase(0, buffer.find(end) + end.size());
        inData = !inData && line.rfind("DATA", 0) == 0 && script_[step].rfind("354", 0) == 0;
      }
      const std::string& reply = script_[step];
      const std::size_t close = reply.find(kClose);
      if (close != std::string::npos) {
        // Anything in front of the mark still goes out before the drop.
        SendText(connection, reply.substr(0, close));
        return;
      }
      if (reply == "<silent>") {
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return;
      }
      if (reply.rfind(kTrickle, 0) == 0) {
        Trickle(connection, reply.substr(std::string(kTrickle).size()));
        return;
      }
      if (!SendText(connection, reply)) return;
    }
    // Past the script: read what still comes (QUIT) until the peer closes.
    ReadUntil(connection, buffer, "\x01\x02never");
  }

  static constexpr const char* kTrickle = "<trickle>";
  static constexpr const char* kClose = "<close>";

  std::vector<std::string> script_;
  platform::TcpListener listener_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::string received_;
};
