// Whole-file reads and safe whole-file writes, by UTF-16 path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

// Reads the whole file. None when it cannot be opened or read, or when it
// holds `limit` bytes or more. Opens with read sharing only.
std::optional<std::string> ReadWholeFile(const std::u16string& path, uint64_t limit);

// Replaces the file's content with `bytes` so that a crash or a full disk
// never leaves a half-written file: the bytes go to a temporary file in the
// same folder, which replaces the old file only once it is complete.
bool ReplaceFileContent(const std::u16string& path, std::string_view bytes);

// The name of ReplaceFileContent's temporary file for a file named
// `fileName` (no folder): "~" and hex digits of `salt`, no longer than a
// `fileName` of two characters or more, so that a path short enough to be
// written is also short enough to be replaced (Windows limits paths to
// MAX_PATH).
std::u16string TemporaryFileName(std::u16string_view fileName, uint32_t salt);

bool DirectoryExists(const std::u16string& path);
bool FileExists(const std::u16string& path);
// Creates one directory level; true when it exists afterwards.
bool EnsureDirectory(const std::u16string& path);

// The separator of the platform's paths.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

}  // namespace mirelon
