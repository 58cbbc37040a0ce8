#include "settings/text_file.h"

#include "base/ansi.h"
#include "base/file_io.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::u16string> DecodeTextFileBytes(std::string_view bytes) {
  if (bytes.empty()) return std::u16string();
  // The text ends at the first zero byte; what follows is ignored.
  bytes = bytes.substr(0, bytes.find('\0'));
  std::optional<std::u16string> text;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    // Marked files decode leniently: a stray bad byte becomes U+FFFD.
    text = Utf8ToUtf16Lenient(bytes.substr(3));
  } else if (LooksLikeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) >
             0) {
    text = Utf8ToUtf16Strict(bytes);
  } else {
    text = AnsiToUtf16(bytes);
  }
  // A file that decodes to nothing (a lone byte order mark) has no text.
  if (!text || text->empty()) return std::nullopt;
  return text;
}

std::optional<std::u16string> ReadTextFile(const std::u16string& path) {
  auto bytes = ReadWholeFile(path, kTextFileLimit);
  if (!bytes) return std::nullopt;
  return DecodeTextFileBytes(*bytes);
}

bool WriteUtf8TextFile(std::u16string_view text, const std::u16string& path) {
  return ReplaceFileContent(path, "\xEF\xBB\xBF" + Utf16ToUtf8(text));
}

AnsiWriteResult WriteAnsiTextFile(std::u16string_view text, const std::u16string& path) {
  std::optional<std::string> bytes = Utf16ToAnsiExact(text);
  if (!bytes) return AnsiWriteResult::kNotRepresentable;
  return ReplaceFileContent(path, *bytes) ? AnsiWriteResult::kWritten : AnsiWriteResult::kFailed;
}

}  // namespace mirelon

#include "settings/user_folder.h"

namespace mirelon {

std::optional<std::u16string> GetUserSettingsPath(std::u16string_view fileName) {
  auto base = ApplicationDataFolder();
  if (!base) return std::nullopt;
  std::u16string path = *base;
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  const std::u16string orin = path + kPathSeparator + u"Orin";
  const std::u16string mirelon = orin + kPathSeparator + u"Mirelon";
  const std::u16string full = mirelon + kPathSeparator + std::u16string(fileName);
  if (full.size() > MaxPathLength()) return std::nullopt;
  // A folder that cannot be created shows up later as a failed open.
  EnsureDirectory(orin);
  EnsureDirectory(mirelon);
  return full;
}

}  // namespace mirelon
