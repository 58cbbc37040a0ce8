// Runs this test program again as child processes, for tests that need
// several programs working on one talk at once.
#pragma once

#include <string>
#include <vector>

namespace mirelon {

class ChildProcess {
 public:
  // Starts this program with the given arguments and, in addition to the
  // current environment, the given NAME=VALUE pairs.
  ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment);
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return started_; }
  // Waits for the child to end; its exit code, or -1.
  int Wait();

 private:
  bool started_ = false;
  long long id_ = 0;  // pid or process handle
};

// The value of an environment variable, empty when unset.
std::string GetEnvironment(const char* name);

}  // namespace mirelon
