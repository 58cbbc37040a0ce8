#include "support/child_process.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include "base/utf.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace mirelon {

#ifdef _WIN32

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return;
  std::wstring line = L"\"" + std::wstring(self) + L"\"";
  for (const auto& a : args) line += L" \"" + ToWide(Utf8ToUtf16Lenient(a)) + L"\"";
  // The child's environment block: ours plus the given pairs.
  std::wstring block;
  wchar_t* current = GetEnvironmentStringsW();
  for (const wchar_t* p = current; p && *p; p += wcslen(p) + 1) block += std::wstring(p) + L'\0';
  FreeEnvironmentStringsW(current);
  for (const auto& e : environment) block += ToWide(Utf8ToUtf16Lenient(e)) + L'\0';
  block += L'\0';
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                      nullptr, &si, &pi))
    return;
  CloseHandle(pi.hThread);
  id_ = reinterpret_cast<long long>(pi.hProcess);
  started_ = true;
}

int ChildProcess::Wait() {
  if (!started_) return -1;
  HANDLE h = reinterpret_cast<HANDLE>(id_);
  WaitForSingleObject(h, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(h, &code);
  CloseHandle(h);
  started_ = false;
  return static_cast<int>(code);
}

std::string GetEnvironment(const char* name) {
  wchar_t value[1024];
  std::wstring wname(name, name + strlen(name));
  DWORD n = GetEnvironmentVariableW(wname.c_str(), value, 1024);
  if (n == 0 || n >= 1024) return {};
  return Utf16ToUtf8(FromWide(std::wstring_view(value, n)));
}

#else

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  self[n] = '\0';
  std::vector<std::string> argStore = {self};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) envStore.push_back(*e);
  envStore.insert(envStore.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, self, nullptr, nullptr, argv.data(), envp.data()) != 0) return;
  id_ = pid;
  started_ = true;
}

int ChildProcess::Wait() {
  if (!started_) return -1;
  int status = 0;
  while (waitpid(static_cast<pid_t>(id_), &status, 0) < 0) {
  }
  started_ = false;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string GetEnvironment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

#endif

ChildProcess::~ChildProcess() { Wait(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : started_(other.started_), id_(other.id_) {
  other.started_ = false;
}

}  // namespace mirelon
