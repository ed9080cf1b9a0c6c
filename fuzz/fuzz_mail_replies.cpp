// A hostile mail server for the mail library's protocol driver: the input
// chooses SMTP or POP3, a caller buffer size and the bytes the server sends
// back whatever it is asked. Every operation must end (the time limits are
// short), stay inside the caller's buffers and leave the memory guards whole.
#include <fuzzer/FuzzedDataProvider.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_loopback.h"
#include "fuzz_scratch_folder.h"
#include "maillib/mail_library.h"
#include "platform/net_socket.h"

namespace {

constexpr char kSentinel = '#';
constexpr int kSlack = 16;

struct TServerSide {
  platform::SocketHandle connection;
  std::string replies;
};

// Drives one non-blocking operation to its end; the server connection is
// taken and fed once the client has connected.
int Drive(maillib::TMailLibrary& library, TServerSide& server, int first) {
  if (first != 0) return first;
  for (int step = 0; step < 200000; ++step) {
    const int state = library.ProtocolDriver(0);
    if (state == 106 && !server.connection.IsOpen()) {
      server.connection = LoopbackListener().Accept(1000);
      Check(server.connection.IsOpen());
      int error = 0;
      if (!server.replies.empty()) {
        platform::SendSome(server.connection, server.replies.data(), server.replies.size(), error);
      }
      platform::ShutdownSending(server.connection);
    }
    if (state <= 0) return state;
  }
  Check(false);
  return 0;
}

void EmptyFolder(const char* folder) {
  DIR* dir = opendir(folder);
  Check(dir != nullptr);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = std::string(folder) + "/" + name;
    struct stat info {};
    Check(lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode));
    unlink(path.c_str());
  }
  closedir(dir);
}

void CheckSentinels(const std::vector<char>& buffer, int size) {
  for (int i = 0; i < kSlack; ++i) Check(buffer[static_cast<std::size_t>(size + i)] == kSentinel);
  Check(strnlen(buffer.data(), static_cast<std::size_t>(size)) < static_cast<std::size_t>(size));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("mail_replies");
  Check(mkdir("mail", 0700) == 0 && mkdir("attach", 0700) == 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const uint8_t mode = input.ConsumeIntegral<uint8_t>();
  const int bufferSize = input.ConsumeIntegralInRange(128, 600);
  TServerSide server;
  server.replies = input.ConsumeRemainingBytesAsString();

  maillib::TMailLibrary library;
  Check(library.Attach(1) == 1);
  const std::pair<int, long> settings[] = {{1, 0}, {2, 60}, {3, 1000}, {6, 60}, {13, 1}, {9, 0}, {29, mode & 1},
                                           {30, (mode >> 1) & 1}, {14, (mode >> 2) & 1}, {8, (mode >> 3) & 3}};
  for (const auto& [index, value] : settings) library.IntegerParam(0, index, value);
  library.IntegerParam(0, 15, LoopbackListener().Port());
  library.IntegerParam(0, 16, LoopbackListener().Port());
  library.StringParam(0, 58, "user");
  library.StringParam(0, 57, "secret");

  std::vector<char> buffer(static_cast<std::size_t>(bufferSize) + kSlack, kSentinel);
  buffer[0] = '\0';
  if ((mode & 0x80) == 0) {
    Drive(library, server, library.SmtpConnect(0, "127.0.0.1", "<from@example.org>", nullptr));
    Drive(library, server,
          library.SendEmail(0, "<a@example.org>, <b@example.org>", "<c@example.org>", "<d@example.org>", "subject",
                            "body\n.\nmore", nullptr));
    Drive(library, server, library.VerifyUser(0, "<a@example.org>"));
  } else {
    Drive(library, server, library.Pop3Connect(0, "127.0.0.1", "user", "secret"));
    Drive(library, server, library.GetEmailCount(0));
    Drive(library, server, library.GetEmailSize(0, 1));
    Drive(library, server, library.GetEmailLines(0, 1, 5, buffer.data(), bufferSize));
    CheckSentinels(buffer, bufferSize);
    buffer.assign(buffer.size(), kSentinel);
    buffer[0] = '\0';
    Drive(library, server, library.GetEmailUID(0, 0, buffer.data(), bufferSize));
    CheckSentinels(buffer, bufferSize);
    Drive(library, server, library.GetEmailFile(0, 1, "message.eml", "mail", "attach"));
  }
  Drive(library, server, library.Close(0));
  Check(library.Memory().CheckAll().empty());
  library.Release();
  EmptyFolder("mail");
  EmptyFolder("attach");
  return 0;
}
