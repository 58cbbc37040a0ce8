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

namespace {

// `lossy` (when given) tells whether some character had no code of its own
// and became the default character. Best-fit look-alikes count as lost:
// "é" written as "e" names a different file.
std::string ToCodePage(std::u16string_view text, bool* lossy) {
  if (lossy) *lossy = false;
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX / 2) {
    if (lossy) *lossy = true;
    return std::string();
  }
  std::wstring wide = ToWide(text);
  const int n = static_cast<int>(wide.size());
  // UTF-8 as the ANSI code page takes neither the flag nor the default
  // character; only a lone surrogate can go wrong there, and that is
  // caught by reading the bytes back.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = lossy && !utf8 ? WC_NO_BEST_FIT_CHARS : 0;
  BOOL usedDefault = FALSE;
  BOOL* used = lossy && !utf8 ? &usedDefault : nullptr;
  int bytes = WideCharToMultiByte(CP_ACP, flags, wide.data(), n, nullptr, 0, nullptr, used);
  if (bytes <= 0) {
    if (lossy) *lossy = true;
    return std::string();
  }
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), n, out.data(), bytes, nullptr, used);
  if (lossy) {
    *lossy = usedDefault != FALSE;
    if (utf8 && AnsiToUtf16(out) != std::optional<std::u16string>(text)) *lossy = true;
  }
  return out;
}

}  // namespace

std::string Utf16ToAnsi(std::u16string_view text) { return ToCodePage(text, nullptr); }

std::optional<std::string> Utf16ToAnsiExact(std::u16string_view text) {
  bool lossy = false;
  std::string out = ToCodePage(text, &lossy);
  if (lossy) return std::nullopt;
  return out;
}

}  // namespace mirelon
