// Conversions between the program's UTF-16 text and UTF-8 bytes. Text inside
// the program is UTF-16 (std::u16string); files, streams and the wire use
// UTF-8. These are the only conversion routines; every subsystem uses them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

// Strict decoding: any malformed sequence (bad lead or continuation byte,
// truncated sequence, overlong form, encoded surrogate, value above
// U+10FFFF) makes the whole conversion fail.
std::optional<std::u16string> Utf8ToUtf16Strict(std::string_view bytes);

// Lenient decoding: each malformed sequence becomes U+FFFD and decoding goes
// on after it. Never fails.
std::u16string Utf8ToUtf16Lenient(std::string_view bytes);

// Encoding: an unpaired surrogate becomes U+FFFD (as EF BF BD).
std::string Utf16ToUtf8(std::u16string_view text);

// Convenience for ASCII and UTF-8 literals in portable code.
inline std::u16string U16(std::string_view utf8) { return Utf8ToUtf16Lenient(utf8); }

// Classifies bytes as the readers of settings and talk files do: walks
// until `length` or the first zero byte; +1 when the bytes are well-formed
// UTF-8 with at least one multi-byte sequence, -1 when no byte is 0x80 or
// above, 0 at the first malformed sequence. Overlong forms and encoded
// surrogates are not rejected here (the strict decoder does that).
int LooksLikeUtf8(const unsigned char* bytes, size_t length);

}  // namespace mirelon

#ifdef _WIN32
#include <cwchar>
namespace mirelon {
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");
// UTF-16 in the program's type <-> UTF-16 in the Win32 type; only at API calls.
inline std::wstring ToWide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string FromWide(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }
inline std::u16string FromWide(const wchar_t* s) { return s ? FromWide(std::wstring_view(s)) : std::u16string(); }
}  // namespace mirelon
#endif
