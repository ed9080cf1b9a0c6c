// A real POP3 server for one test: Debian's dovecot started from a temporary
// folder with its own configuration (runtime, state and log files in that
// folder, loopback only on a free port, plain-text log-in, one user from a
// password file, a maildir prepared with the given messages). The master is
// stopped through its pid file when the object goes, and whatever is left of
// its process group after it.
//
// Dovecot refuses to run its log-in and mail processes as root, so a test run
// as root hands the instance to "nobody"; any other user runs it as itself.
#pragma once

#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>  // mkdtemp
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

class TDovecotServer {
 public:
  static constexpr const char* kUser = "reader";
  static constexpr const char* kPassword = "Secret-42";

  // Starts dovecot with `messages` (in this order) waiting in the maildir.
  explicit TDovecotServer(const std::vector<std::string>& messages) {
    if (!Installed()) return;
    if (!ChooseAccount() || !MakeFolders()) return;
    for (std::size_t i = 0; i < messages.size(); ++i) WriteMessage(i, messages[i]);
    // A free port can be taken by someone else before dovecot binds it.
    for (int attempt = 0; attempt < 3 && port_ == 0; ++attempt) {
      Start();
      if (port_ == 0 && Log().find("Address already in use") == std::string::npos) break;
    }
  }

  ~TDovecotServer() {
    Stop();
    if (!root_.empty()) {
      std::error_code error;
      std::filesystem::remove_all(root_, error);
    }
  }

  TDovecotServer(const TDovecotServer&) = delete;
  TDovecotServer& operator=(const TDovecotServer&) = delete;

  bool IsRunning() const { return port_ != 0; }
  uint16_t Port() const { return port_; }
  // Why the server is not running, for the test's failure message.
  const std::string& Failure() const { return failure_; }
  // The greeting the server sent when it was checked at start.
  const std::string& Greeting() const { return greeting_; }

  // Message files in the maildir, new or seen.
  int MessagesOnDisk() const {
    int count = 0;
    for (const char* sub : {"new", "cur"}) {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(root_ / "Maildir" / sub, error)) {
        if (entry.is_regular_file()) ++count;
      }
    }
    return count;
  }

  std::string Log() const { return ReadFile(root_ / "dovecot.log"); }

 private:
  static constexpr const char* kDovecot = "/usr/sbin/dovecot";
  static constexpr const char* kPop3Service = "/usr/lib/dovecot/pop3";

  bool Fail(const std::string& why) {
    failure_ = why;
    return false;
  }

  bool Installed() {
    if (access(kDovecot, X_OK) == 0 && access(kPop3Service, X_OK) == 0) return true;
    return Fail(std::string("dovecot is not installed (") + kDovecot + " and " + kPop3Service +
                " are needed): install dovecot-core and dovecot-pop3d, as scripts/install-deps.sh does");
  }

  bool ChooseAccount() {
    const passwd* account = getuid() == 0 ? getpwnam("nobody") : getpwuid(getuid());
    if (account == nullptr) return Fail("no account to run dovecot under (\"nobody\" when run as root)");
    userName_ = account->pw_name;
    uid_ = account->pw_uid;
    gid_ = account->pw_gid;
    const group* primary = getgrgid(gid_);
    if (primary == nullptr) return Fail("the group of " + userName_ + " has no name");
    groupName_ = primary->gr_name;
    return true;
  }

  bool MakeFolders() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dvx-pop3-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return Fail("cannot create a folder for dovecot");
    root_ = pattern;
    // The mail process runs as another user when the test runs as root.
    chmod(root_.c_str(), 0711);
    for (const char* sub : {"run", "state", "home", "Maildir/new", "Maildir/cur", "Maildir/tmp"}) {
      std::filesystem::create_directories(root_ / sub);
    }
    HandOver(root_ / "home");
    for (const char* sub : {"Maildir", "Maildir/new", "Maildir/cur", "Maildir/tmp"}) HandOver(root_ / sub);
    return true;
  }

  void HandOver(const std::filesystem::path& path) const {
    if (getuid() == 0 && chown(path.c_str(), uid_, gid_) != 0) std::perror(path.c_str());
  }

  // Maildir names sort in delivery order, which is the order dovecot numbers them.
  void WriteMessage(std::size_t index, const std::string& text) const {
    const std::filesystem::path file =
        root_ / "Maildir/new" / (std::to_string(1700000000 + index) + ".M" + std::to_string(index) + "P1.dvx");
    std::ofstream(file, std::ios::binary) << text;
    HandOver(file);
  }

  void WriteConfiguration(uint16_t port) const {
    std::ofstream(root_ / "users", std::ios::binary) << kUser << ":{PLAIN}" << kPassword << "::::::\n";
    const std::string root = root_.string();
    std::ofstream(root_ / "dovecot.conf", std::ios::binary)
        << "base_dir = " << root << "/run\n"
        << "state_dir = " << root << "/state\n"
        << "log_path = " << root << "/dovecot.log\n"
        << "instance_name = " << root_.filename().string() << "\n"
        << "protocols = pop3\n"
        << "listen = 127.0.0.1\n"
        << "ssl = no\n"
        << "disable_plaintext_auth = no\n"
        << "auth_mechanisms = plain apop\n"
        << "auth_failure_delay = 0\n"
        << "default_login_user = " << userName_ << "\n"
        << "default_internal_user = " << userName_ << "\n"
        << "default_internal_group = " << groupName_ << "\n"
        << "first_valid_uid = 1\n"
        << "mail_location = maildir:" << root << "/Maildir\n"
        << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << root << "/users\n}\n"
        << "userdb {\n  driver = static\n  args = uid=" << uid_ << " gid=" << gid_ << " home=" << root
        << "/home\n}\n"
        // Only root may chroot; a throw-away instance gains nothing from it.
        << "service anvil {\n  chroot =\n}\n"
        << "service pop3-login {\n  chroot =\n  inet_listener pop3 {\n    port = " << port << "\n  }\n"
        << "  inet_listener pop3s {\n    port = 0\n  }\n}\n";
  }

  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static uint16_t FreePort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    if (probe < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    uint16_t port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port = ntohs(address.sin_port);
    }
    close(probe);
    return port;
  }

  void Start() {
    const uint16_t port = FreePort();
    if (port == 0) {
      Fail("no free loopback port for dovecot");
      return;
    }
    WriteConfiguration(port);
    const std::string config = (root_ / "dovecot.conf").string();
    master_ = fork();
    if (master_ == 0) {
      // Its own process group, so that nothing of it outlives the test.
      setpgid(0, 0);
      execl(kDovecot, kDovecot, "-F", "-c", config.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (master_ < 0) {
      Fail("cannot start dovecot");
      return;
    }
    setpgid(master_, master_);
    if (AwaitGreeting(port)) {
      port_ = port;
      return;
    }
    Stop();
    Fail("dovecot did not answer on port " + std::to_string(port) + "; its log:\n" + Log());
  }

  // True once the server greets a connection on `port`.
  bool AwaitGreeting(uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (Exited()) return false;
      if (ReadGreeting(port)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  bool ReadGreeting(uint16_t port) {
    const int connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string text;
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      pollfd entry{connection, POLLIN, 0};
      while (text.find('\n') == std::string::npos && poll(&entry, 1, 3000) > 0) {
        char chunk[256];
        const ssize_t got = read(connection, chunk, sizeof(chunk));
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
      }
    }
    close(connection);
    if (text.rfind("+OK", 0) != 0) return false;
    greeting_ = text;
    return true;
  }

  pid_t PidFromFile() const {
    const std::string text = ReadFile(root_ / "run" / "master.pid");
    try {
      return text.empty() ? -1 : static_cast<pid_t>(std::stol(text));
    } catch (...) {
      return -1;
    }
  }

  bool Exited() const {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(master_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == master_;
  }

  // Waits for the master to end without reaping it: while it is unreaped its
  // pid, and so its process group id, cannot be given to anyone else.
  bool AwaitExit(int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
      if (Exited()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  void Stop() {
    if (master_ <= 0) return;
    const pid_t listed = PidFromFile();
    kill(listed == master_ ? listed : master_, SIGTERM);
    if (!AwaitExit(5000)) kill(master_, SIGKILL);
    // The master ends its services on the way out; anything still there goes now.
    kill(-master_, SIGKILL);
    waitpid(master_, nullptr, 0);
    master_ = -1;
    port_ = 0;
  }

  std::filesystem::path root_;
  std::string userName_;
  std::string groupName_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  pid_t master_ = -1;
  uint16_t port_ = 0;
  std::string greeting_;
  std::string failure_;
};
