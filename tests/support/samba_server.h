// A Samba server of the test program's own: smbd on a free port of
// 127.0.0.1 only, with a temporary configuration and folder, keeping named
// streams in extended attributes (streams_xattr) as its Windows clients see
// them. Share "share" lets guests in; share "private" only user() with
// password() (also in the private file authFile()).
#pragma once
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>

namespace mirelon {

class SambaServer {
 public:
  // Started when first asked for, stopped as the test program ends.
  static SambaServer& Shared();
  ~SambaServer();

  // Why the server does not run, in one line; empty when it runs.
  const std::string& failure() const { return failure_; }

  struct Folder {
    std::string name, url, local;  // local: where the server keeps it
  };
  Folder NewFolder();  // a fresh folder of share "share"

  std::string Url(const std::string& share) const;  // smb://127.0.0.1:PORT/SHARE
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  std::string authFile() const { return root_ + "/auth"; }
  std::string configFile() const { return root_ + "/smb.conf"; }

 private:
  SambaServer();
  bool Start();  // false: try again on another port
  void Stop();

  std::string failure_, root_, user_, password_;
  int port_ = 0, folders_ = 0;
  long pid_ = 0;
};

}  // namespace mirelon

// Skips the running test, saying why, where the server cannot run.
#define MIRELON_REQUIRE_SAMBA(server) \
  if (!(server).failure().empty()) GTEST_SKIP() << "no Samba server: " << (server).failure()

#endif
