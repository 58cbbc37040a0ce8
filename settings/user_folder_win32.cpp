#include <windows.h>
#include <shlobj.h>

#include "base/com_win32.h"
#include "base/utf.h"
#include "settings/user_folder.h"

namespace mirelon {

std::optional<std::u16string> ApplicationDataFolder() {
  ComPtr<IMalloc> malloc;
  if (FAILED(SHGetMalloc(malloc.Out())) || !malloc) return std::nullopt;
  LPITEMIDLIST pidl = nullptr;
  std::optional<std::u16string> result;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &pidl)) && pidl) {
    wchar_t buf[MAX_PATH] = {};
    if (SHGetPathFromIDListW(pidl, buf)) result = FromWide(buf);
    malloc->Free(pidl);
  }
  return result;
}

std::size_t MaxPathLength() { return MAX_PATH - 1; }

}  // namespace mirelon
