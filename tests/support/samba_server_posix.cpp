#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "support/samba_server.h"

extern char** environ;

namespace mirelon {
namespace {

// A port of 127.0.0.1 that nothing listens on now.
uint16_t FreePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  uint16_t port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

bool Accepts(uint16_t port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

// Runs a program found on PATH with `input` on its standard input and its
// output into `log`; its exit code, or -1.
int RunTool(const std::vector<std::string>& args, const std::string& input, const std::string& log) {
  int in[2];
  if (pipe(in) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> store = args;
  std::vector<char*> argv;
  for (auto& a : store) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  if (rc == 0 && !input.empty()) (void)!write(in[1], input.data(), input.size());
  close(in[1]);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string LastLine(const std::string& file) {
  std::ifstream in(file);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

}  // namespace

SambaServer& SambaServer::Shared() {
  static SambaServer server;
  return server;
}

SambaServer::SambaServer() {
  std::random_device random;
  // streams_xattr keeps all of a file's streams in its extended attributes,
  // which ext4 gives 4 KiB in all (a few dozen records); tmpfs holds as many
  // as a talk needs.
  for (const char* base : {"/dev/shm", "/tmp"}) {
    std::string root = std::string(base) + "/mirelon-samba-XXXXXX";
    if (!mkdtemp(root.data())) continue;
    const std::string probe = root + "/probe";
    const std::string big(64 * 1024 - 1, 'x');
    std::ofstream(probe).close();
    if (setxattr(probe.c_str(), "user.probe", big.data(), big.size(), 0) == 0) {
      root_ = root;
      break;
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  if (root_.empty()) {
    failure_ = "no temporary folder here keeps extended attributes of 64 KiB (streams_xattr needs them)";
    return;
  }
  for (int i = 0; i < 16; ++i) password_ += "0123456789abcdef"[random() % 16];
  if (const passwd* me = getpwuid(getuid())) user_ = me->pw_name;
  // A port taken between looking and starting is looked for again.
  for (int attempt = 0; attempt < 3 && !Start(); ++attempt) {
  }
}

SambaServer::~SambaServer() {
  Stop();
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

bool SambaServer::Start() {
  port_ = FreePort();
  const std::string var = root_ + "/var", log = root_ + "/smbd.log";
  config_ = root_ + "/smb.conf";
  authFile_ = root_ + "/auth";
  std::filesystem::create_directories(var);
  std::filesystem::create_directories(root_ + "/share");
  std::ofstream(config_) << "[global]\n"
                         << "server role = standalone server\n"
                         << "interfaces = 127.0.0.1\nbind interfaces only = yes\n"
                         << "smb ports = " << port_ << "\ndisable netbios = yes\n"
                         << "pid directory = " << var << "\nlock directory = " << var << "\nstate directory = " << var
                         << "\ncache directory = " << var << "\nprivate dir = " << var
                         << "\nncalrpc dir = " << var << "/ncalrpc\nbinddns dir = " << var << "\n"
                         << "log file = " << log << "\nlog level = 1\n"
                         << "passdb backend = tdbsam:" << var << "/passdb.tdb\n"
                         << "map to guest = bad user\nguest account = " << user_ << "\n"
                         << "load printers = no\nprinting = bsd\nprintcap name = /dev/null\ndisable spoolss = yes\n"
                         << "rpc start on demand helpers = no\n"
                         << "smbd profiling level = count\n"
                         << "[share]\npath = " << root_ << "/share\nread only = no\nguest ok = yes\n"
                         << "vfs objects = streams_xattr\n"
                         << "[private]\npath = " << root_ << "/share\nread only = no\nguest ok = no\n"
                         << "valid users = " << user_ << "\nvfs objects = streams_xattr\n";
  std::ofstream(authFile_) << "username = " << user_ << "\npassword = " << password_ << "\n";
  chmod(authFile_.c_str(), 0600);

  if (RunTool({"smbd", "--version"}, "", log) != 0) {
    failure_ = "smbd is not installed (scripts/setup installs samba)";
    return true;  // trying again does not help
  }
  if (RunTool({"smbpasswd", "-c", config_, "-a", "-s", user_}, password_ + "\n" + password_ + "\n", log) != 0) {
    failure_ = "smbpasswd could not add user " + user_ + ": " + LastLine(log);
    return true;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> args = {"smbd", "--foreground", "--configfile=" + config_};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "smbd", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    failure_ = "smbd could not be started";
    return true;
  }
  pid_ = pid;
  // Up once it takes connections; gone when it could not start. The bound
  // only ends a broken start.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!Accepts(port_)) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid_ = 0;
      failure_ = "smbd ended at its start: " + LastLine(log);
      return false;
    }
    if (std::chrono::steady_clock::now() > giveUp) {
      Stop();
      failure_ = "smbd took no connection within a minute: " + LastLine(log);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  failure_.clear();
  return true;
}

void SambaServer::Stop() {
  if (pid_ <= 0) return;
  const pid_t pid = static_cast<pid_t>(pid_);
  pid_ = 0;
  // smbd leads a process group of its own, with a process per client.
  kill(-pid, SIGTERM);
  kill(pid, SIGTERM);
  int status = 0;
  for (int look = 0; look < 500; ++look) {
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0) {
  }
}

SambaServer::Folder SambaServer::NewFolder() {
  const std::string name = "t" + std::to_string(++folders_);
  std::filesystem::create_directories(root_ + "/share/" + name);
  return {name, Url("share") + "/" + name, root_ + "/share/" + name};
}

std::string SambaServer::Url(const std::string& share) const {
  return "smb://127.0.0.1:" + std::to_string(port_) + "/" + share;
}

}  // namespace mirelon
