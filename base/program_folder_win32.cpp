#include <windows.h>

#include "base/program_folder.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::u16string> ProgramFolder() {
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
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::nullopt;
  path.resize(slash + 1);
  return FromWide(path);
}

}  // namespace mirelon
