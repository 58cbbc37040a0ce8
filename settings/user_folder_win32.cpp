#include <windows.h>
#include <shlobj.h>

#include "base/utf.h"
#include "settings/user_folder.h"

namespace mirelon {

std::optional<std::u16string> ApplicationDataFolder() {
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc)) || !malloc) return std::nullopt;
  LPITEMIDLIST pidl = nullptr;
  std::optional<std::u16string> result;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &pidl)) && pidl) {
    wchar_t buf[MAX_PATH] = {};
    if (SHGetPathFromIDListW(pidl, buf)) result = FromWide(buf);
    malloc->Free(pidl);
  }
  malloc->Release();
  return result;
}

std::size_t MaxPathLength() { return MAX_PATH - 1; }

}  // namespace mirelon
