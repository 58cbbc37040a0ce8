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

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "support/samba_server.h"

extern char** environ;

namespace mirelon {
namespace {

// With a port: whether something on 127.0.0.1 takes connections there.
// With 0: a port of 127.0.0.1 that is free now. Gives the port, or 0.
int LoopbackPort(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  auto* address = reinterpret_cast<sockaddr*>(&a);
  const bool ok = port != 0
                      ? connect(s, address, sizeof a) == 0
                      : bind(s, address, sizeof a) == 0 && getsockname(s, address, &length) == 0;
  close(s);
  return ok ? ntohs(a.sin_port) : 0;
}

std::string LastLine(const std::string& file) {
  std::ifstream in(file);
  std::string line, last;
  while (std::getline(in, line)) last = line.empty() ? last : line;
  return last;
}

void Pause() {
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace

SambaServer& SambaServer::Shared() {
  static SambaServer server;
  return server;
}

SambaServer::SambaServer() {
  // streams_xattr keeps all the streams of a file in its extended
  // attributes, which ext4 gives 4 KiB in all (a few dozen records); tmpfs
  // holds as many as a talk needs.
  for (std::string root : {"/dev/shm/mirelon-samba-XXXXXX", "/tmp/mirelon-samba-XXXXXX"}) {
    if (!mkdtemp(root.data())) continue;
    const std::string probe = root + "/probe", big(65535, 'x');
    std::ofstream(probe).close();
    if (setxattr(probe.c_str(), "user.probe", big.data(), big.size(), 0) == 0) {
      root_ = root;
      break;
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  if (const passwd* me = getpwuid(getuid())) user_ = me->pw_name;
  std::random_device random;
  for (int i = 0; i < 16; ++i) password_ += "0123456789abcdef"[random() % 16];
  if (root_.empty())
    failure_ =
        "no temporary folder here keeps extended attributes of 64 KiB, as streams_xattr needs";
  else if (std::system("command -v smbd smbpasswd >/dev/null 2>&1") != 0)
    failure_ = "smbd is not installed (scripts/setup installs samba)";
  else
    for (int attempt = 0; attempt < 3 && !Start();
         ++attempt) {  // a port taken meanwhile: another one
    }
}

SambaServer::~SambaServer() {
  Stop();
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

bool SambaServer::Start() {
  port_ = LoopbackPort(0);
  const std::string var = root_ + "/var", log = root_ + "/smbd.log";
  std::filesystem::create_directories(var);
  std::filesystem::create_directories(root_ + "/share");
  const std::string share =
      "\nread only = no\npath = " + root_ + "/share\nvfs objects = streams_xattr\n";
  std::ofstream(configFile())
      << "[global]\nserver role = standalone server\ninterfaces = 127.0.0.1\n"
      << "bind interfaces only = yes\ndisable netbios = yes\nsmb ports = " << port_
      << "\npid directory = " << var << "\nlock directory = " << var
      << "\nstate directory = " << var << "\ncache directory = " << var << "\nprivate dir = " << var
      << "\nncalrpc dir = " << var << "/rpc\nlog file = " << log
      << "\npassdb backend = tdbsam:" << var << "/passdb.tdb\nmap to guest = bad user\n"
      << "guest account = " << user_ << "\nload printers = no\ndisable spoolss = yes\n"
      << "rpc start on demand helpers = no\nsmbd profiling level = count\n"
      << "[share]\nguest ok = yes" << share << "[private]\nvalid users = " << user_ << share;
  std::ofstream(authFile()) << "username = " << user_ << "\npassword = " << password_ << "\n";
  chmod(authFile().c_str(), 0600);
  // smbpasswd reads the password twice.
  FILE* add = popen(
      ("smbpasswd -c " + configFile() + " -a -s " + user_ + " >>" + log + " 2>&1").c_str(), "w");
  if (!add || fprintf(add, "%s\n%s\n", password_.c_str(), password_.c_str()) < 0 ||
      pclose(add) != 0) {
    failure_ = "smbpasswd could not add user " + user_ + ": " + LastLine(log);
    return true;
  }

  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&io, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&io, 1, 2);
  std::string smbd = "smbd", foreground = "--foreground", config = "--configfile=" + configFile();
  char* argv[] = {smbd.data(), foreground.data(), config.data(), nullptr};
  pid_t pid = 0;
  const bool spawned = posix_spawnp(&pid, "smbd", &io, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&io);
  if (!spawned) {
    failure_ = "smbd could not be started";
    return true;
  }
  pid_ = pid;
  // Up once it takes connections; gone when it could not start. The bound
  // only ends a start that hangs.
  for (int look = 0; !LoopbackPort(port_); ++look, Pause()) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) pid_ = 0;
    if (pid_ == 0 || look == 3000) {
      Stop();
      failure_ = "smbd did not start: " + LastLine(log);
      return false;
    }
  }
  failure_.clear();
  return true;
}

void SambaServer::Stop() {
  if (pid_ <= 0) return;
  const pid_t pid = static_cast<pid_t>(pid_);
  pid_ = 0;
  // smbd leads a process group of its own, with a process per client.
  for (int signal : {SIGTERM, SIGKILL}) {
    kill(-pid, signal);
    kill(pid, signal);
    for (int look = 0; look < 500; ++look, Pause()) {
      int status = 0;
      const pid_t ended = waitpid(pid, &status, WNOHANG);
      if (ended == pid || (ended < 0 && errno != EINTR)) return;
    }
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
