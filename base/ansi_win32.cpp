#include <windows.h>

#include <climits>

#include "base/ansi.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::u16string> AnsiToUtf16(std::string_view bytes) {
  if (bytes.empty()) return std::u16string();
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int n = static_cast<int>(bytes.size());
  int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), n, out.data(), units) != units)
    return std::nullopt;
  return FromWide(out);
}

std::u16string AnsiToUtf16Lenient(std::string_view bytes) {
  if (std::optional<std::u16string> whole = AnsiToUtf16(bytes)) return std::move(*whole);
  // Character by character: a lead byte takes its trail byte along.
  std::u16string out;
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
    wchar_t unit[2];
    const int got = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data() + i, static_cast<int>(n), unit, 2);
    if (got > 0) {
      out.append(unit, unit + got);
      i += n;
    } else {
      out += u'\uFFFD';
      ++i;
    }
  }
  return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX / 2) return std::string();
  std::wstring wide = ToWide(text);
  const int n = static_cast<int>(wide.size());
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), n, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace mirelon
