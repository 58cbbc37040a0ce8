// A Samba server of the test program's own: smbd on a free port of
// 127.0.0.1 (and nowhere else), with a temporary configuration and folder,
// keeping named streams in extended attributes (streams_xattr) as Windows
// clients of a Samba share see them. Share "share" lets guests in; share
// "private" only the one user with a password.
#pragma once
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace mirelon {

class SambaServer {
 public:
  // The test program's one server: started when first asked for, stopped
  // as the program ends.
  static SambaServer& Shared();

  ~SambaServer();
  SambaServer(const SambaServer&) = delete;
  SambaServer& operator=(const SambaServer&) = delete;

  // Why the server does not run, in one line; empty when it runs.
  const std::string& failure() const { return failure_; }

  // A fresh folder of share "share" for one test: its URL
  // ("smb://127.0.0.1:PORT/share/FOLDER") and where the server keeps it.
  struct Folder {
    std::string name;
    std::string url;
    std::string local;
  };
  Folder NewFolder();

  std::string Url(const std::string& share) const;  // smb://127.0.0.1:PORT/SHARE
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  const std::string& authFile() const { return authFile_; }  // the user's, private
  const std::string& configFile() const { return config_; }

 private:
  SambaServer();
  bool Start();
  void Stop();

  std::string failure_;
  std::string root_, config_, authFile_, user_, password_;
  uint16_t port_ = 0;
  long pid_ = 0;
  int folders_ = 0;
};

}  // namespace mirelon

// Skips the running test, saying why, where the server cannot run.
#define MIRELON_REQUIRE_SAMBA(server) \
  if (!(server).failure().empty()) GTEST_SKIP() << "no Samba server: " << (server).failure()

#endif
