// Text files of the per-user folder and the start-up batch file: reading
// with byte-order-mark, UTF-8 and ANSI detection, writing UTF-8 with a mark
// or ANSI without one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

// Files of this size or more are treated as missing.
inline constexpr uint64_t kTextFileLimit = 100000000;

// Decodes the bytes of a text file: a UTF-8 byte order mark selects UTF-8
// (malformed bytes become U+FFFD); otherwise bytes that look like UTF-8 are decoded as
// strict UTF-8 and everything else through the ANSI code page, strictly.
// The text ends at the first zero byte. None when decoding fails or when
// nothing is left to decode in a non-empty file (a lone byte order mark, a
// leading zero byte); an empty input gives an empty text.
std::optional<std::u16string> DecodeTextFileBytes(std::string_view bytes);

// None when the file is missing, unreadable, too large or undecodable.
std::optional<std::u16string> ReadTextFile(const std::u16string& path);

// Writes EF BB BF and the text as UTF-8, replacing the file only once the
// new content is completely written.
bool WriteUtf8TextFile(std::u16string_view text, const std::u16string& path);

enum class AnsiWriteResult { kWritten, kNotRepresentable, kFailed };
// Writes the text in the ANSI code page with no byte order mark, replacing
// the file. A text that the code page cannot hold character for character
// is not written at all (kNotRepresentable): the file would say something
// else than was meant.
AnsiWriteResult WriteAnsiTextFile(std::u16string_view text, const std::u16string& path);

// The path of `fileName` in the per-user folder (Orin/Mirelon under the
// user's application-data folder), creating the two folders when missing.
// None when the folder cannot be found or the path would be too long.
std::optional<std::u16string> GetUserSettingsPath(std::u16string_view fileName);

}  // namespace mirelon
