// The system ANSI code page. On Windows it is CP_ACP (932 on a Japanese
// system); elsewhere the program behaves as on a Japanese system and uses
// code page 932, so Shift_JIS files written by other tools read correctly.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

// Strict: fails when the bytes are not valid in the code page.
std::optional<std::u16string> AnsiToUtf16(std::string_view bytes);

// Lenient: each byte that does not start a valid character of the code
// page becomes U+FFFD and decoding goes on after it. Never fails.
std::u16string AnsiToUtf16Lenient(std::string_view bytes);

// Characters the code page cannot hold become its default character ("?").
std::string Utf16ToAnsi(std::u16string_view text);

// None when some character of the text has no code of its own in the code
// page (it would become the default character or a look-alike), so that
// the bytes would read back as a different text.
std::optional<std::string> Utf16ToAnsiExact(std::u16string_view text);

}  // namespace mirelon
