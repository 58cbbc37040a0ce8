#include <windows.h>

#include <algorithm>
#include <atomic>

#include "base/file_io.h"
#include "base/unique_handle_win32.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::string> ReadWholeFile(const std::u16string& path, uint64_t limit) {
  UniqueHandle h(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return std::nullopt;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h.get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) >= limit)
    return std::nullopt;
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(h.get(), data.data() + done, chunk, &got, nullptr) || got == 0)
      return std::nullopt;
    done += got;
  }
  return data;
}

bool ReplaceFileContent(const std::u16string& path, std::string_view bytes) {
  const std::wstring target = ToWide(path);
  const size_t nameStart = target.find_last_of(L"\\/") + 1;  // 0 without a folder
  const std::u16string fileName = FromWide(std::wstring_view(target).substr(nameStart));
  std::wstring temp;
  {
    // A fresh name each try: another writer may be replacing the same
    // file, or a crashed one may have left its temporary file.
    static std::atomic<uint32_t> counter{0};
    UniqueHandle h;
    for (int attempt = 0; attempt < 64 && !h.valid(); ++attempt) {
      const uint32_t salt = GetCurrentProcessId() * 2654435761u + GetTickCount() + counter++ * 40503u;
      temp = target.substr(0, nameStart) + ToWide(TemporaryFileName(fileName, salt));
      h = UniqueHandle(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
      if (!h.valid() && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    }
    if (!h.valid()) return false;
    bool ok = WriteAll(h.get(), bytes) && FlushFileBuffers(h.get());
    ok = h.Close() && ok;
    if (!ok) {
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temp.c_str());
  return false;
}

bool DirectoryExists(const std::u16string& path) {
  DWORD a = GetFileAttributesW(ToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::u16string& path) {
  DWORD a = GetFileAttributesW(ToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureDirectory(const std::u16string& path) {
  if (DirectoryExists(path)) return true;
  CreateDirectoryW(ToWide(path).c_str(), nullptr);
  return DirectoryExists(path);
}

}  // namespace mirelon
