// MeCab on the IPADIC dictionary shipped in a folder beside the program;
// the Japanese IME's reading interface only when that folder is missing.
#include <windows.h>

#include <string>

#include "base/utf.h"
#include "braille/reading_provider_mecab.h"

#ifndef MIRELON_IPADIC_FOLDER
#define MIRELON_IPADIC_FOLDER L"ipadic"
#endif

namespace mirelon {

std::unique_ptr<ReadingProvider> CreateImeReadingProvider();

namespace {

// The dictionary folder beside the running program, or empty.
std::wstring DictionaryBesideProgram() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  path.resize(slash + 1);
  path += MIRELON_IPADIC_FOLDER;
  DWORD attributes = GetFileAttributesW((path + L"\\sys.dic").c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return path;
}

}  // namespace

std::unique_ptr<ReadingProvider> CreateSystemReadingProvider() {
  std::wstring folder = DictionaryBesideProgram();
  if (!folder.empty()) {
    // MeCab takes UTF-8 paths and opens them as wide ones.
    if (auto mecab = CreateMecabReadingProvider(Utf16ToUtf8(FromWide(folder)), "nul")) return mecab;
  }
  return CreateImeReadingProvider();
}

}  // namespace mirelon
