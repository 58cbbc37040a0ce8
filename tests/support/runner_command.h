// Starting the headless runner from a native test: where it is built and how
// to quote an argument for the shell.
#pragma once
#ifndef _WIN32
#include <unistd.h>

#include <string>

namespace mirelon {

// The runner built beside the running test program (build/<preset>/app).
inline std::string RunnerPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string path(self, static_cast<size_t>(n));
  for (int up = 0; up < 3; ++up) path = path.substr(0, path.rfind('/'));
  return path + "/app/mirelon-cli";
}

// One shell word; the tests' paths and arguments hold no single quote.
inline std::string ShellQuote(const std::string& s) { return "'" + s + "'"; }

}  // namespace mirelon
#endif
