// The Windows build under Wine and the native runner on one talk folder at
// the same time: Wine keeps streams as the sibling files the native store
// uses, so both must see every record of the other.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "base/file_io.h"
#include "base/utf.h"
#include "talk/talk_file.h"
#include "talk_fixture.h"

namespace mirelon {
namespace {

constexpr int kEachSide = 100;

// The Unix path of a Windows path, from Wine's own kernel32.
std::string UnixPath(const std::u16string& path) {
  using Fn = char*(CDECL*)(const wchar_t*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* unix = fn(ToWide(path).c_str());
  if (!unix) return {};
  std::string out(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

// The native runner, built by the linux preset beside this build.
std::wstring NativeRunner() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  size_t at = path.find(L"\\build\\windows\\");
  if (at == std::wstring::npos) return {};
  return path.substr(0, at) + L"\\build\\linux\\app\\mirelon-cli";
}

// Runs the native runner with standard input and output on files; returns
// once it has ended.
bool RunNative(const std::wstring& runner, const std::string& args, const std::u16string& in,
               const std::u16string& out, const std::string& configHome) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE hin = CreateFileW(ToWide(in).c_str(), GENERIC_READ, FILE_SHARE_READ, &sa, OPEN_EXISTING, 0, nullptr);
  HANDLE hout = CreateFileW(ToWide(out).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  if (hin == INVALID_HANDLE_VALUE || hout == INVALID_HANDLE_VALUE) return false;
  SetEnvironmentVariableW(L"XDG_CONFIG_HOME", ToWide(Utf8ToUtf16Lenient(configHome)).c_str());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = hin;
  si.hStdOutput = hout;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + runner + L"\" " + ToWide(Utf8ToUtf16Lenient(args));
  BOOL ok = CreateProcessW(runner.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(hin);
  CloseHandle(hout);
  if (!ok) return false;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

TEST(CrossImplementation, WindowsBuildAndNativeRunnerShareOneTalk) {
  const std::wstring runner = NativeRunner();
  ASSERT_NE(GetFileAttributesW(runner.c_str()), INVALID_FILE_ATTRIBUTES)
      << "the native runner is built by the linux preset first";
  TalkFixture t;
  const std::string unixTalk = UnixPath(t.context.talkPath);
  ASSERT_FALSE(unixTalk.empty());
  t.StartWatcher();

  std::string lines;
  for (int i = 0; i < kEachSide; ++i) lines += "linux " + std::to_string(i) + "\n";
  ASSERT_TRUE(ReplaceFileContent(t.dir.File(u"in.txt"), lines));
  ASSERT_TRUE(ReplaceFileContent(t.dir.File(u"empty.txt"), ""));
  const std::string config = UnixPath(t.dir.path());

  std::thread windowsSide([&] {
    for (int i = 0; i < kEachSide; ++i)
      while (!AppendRecord(t.context, U16("talk\twindows\t" + std::to_string(i)))) t.sink.Wait(1);
  });
  ASSERT_TRUE(RunNative(runner, "--user native \"" + unixTalk + "\"", t.dir.File(u"in.txt"),
                        t.dir.File(u"out.txt"), config));
  windowsSide.join();

  // The Windows side sees both sides' records, each once, numbers dense.
  constexpr size_t kTotal = 2 * kEachSide;
  ASSERT_TRUE(t.PumpUntil([&] { return Numbers(t.context.messages).size() >= kTotal; }));
  std::vector<uint32_t> numbers = Numbers(t.context.messages);
  ASSERT_EQ(numbers.size(), kTotal);
  for (uint32_t i = 0; i < kTotal; ++i) ASSERT_EQ(numbers[i], i + 1);

  // The native side reads every record the Windows build wrote.
  ASSERT_TRUE(RunNative(runner, "--dump \"" + unixTalk + "\"", t.dir.File(u"empty.txt"), t.dir.File(u"dump.txt"),
                        config));
  // Wine does not wait for a native process to end; its output is
  // complete once it holds every record.
  int headers = 0;
  std::set<std::string> bodies;
  for (int look = 0; look < 600 && headers < static_cast<int>(kTotal); ++look) {
    if (look > 0) Sleep(100);
    std::optional<std::string> dump = ReadWholeFile(t.dir.File(u"dump.txt"), 1 << 24);
    ASSERT_TRUE(dump);
    headers = 0;
    bodies.clear();
    std::istringstream in(*dump);
    for (std::string line; std::getline(in, line);) {
      if (std::regex_match(line, std::regex("[0-9]+: .*"))) ++headers;
      if (line.rfind("linux ", 0) == 0 || std::regex_match(line, std::regex("[0-9]+"))) bodies.insert(line);
    }
  }
  EXPECT_EQ(headers, static_cast<int>(kTotal));
  EXPECT_EQ(bodies.size(), kTotal);
}

}  // namespace
}  // namespace mirelon
#endif
