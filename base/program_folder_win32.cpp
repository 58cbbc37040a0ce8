#include <windows.h>

#include "base/program_folder.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::u16string> ProgramPath() {
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return std::nullopt;
    path.resize(path.size() * 2);
  }
  return FromWide(path);
}

std::optional<std::u16string> ProgramFolder() {
  std::optional<std::u16string> path = ProgramPath();
  if (!path) return std::nullopt;
  const size_t slash = path->find_last_of(u"\\/");
  if (slash == std::u16string::npos) return std::nullopt;
  path->resize(slash + 1);
  return path;
}

}  // namespace mirelon
