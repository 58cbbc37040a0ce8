#include <limits.h>
#include <unistd.h>

#include "base/program_folder.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::u16string> ProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer));
  if (n <= 0 || static_cast<size_t>(n) >= sizeof(buffer)) return std::nullopt;
  return Utf8ToUtf16Lenient(std::string_view(buffer, static_cast<size_t>(n)));
}

std::optional<std::u16string> ProgramFolder() {
  std::optional<std::u16string> path = ProgramPath();
  if (!path) return std::nullopt;
  const size_t slash = path->rfind(u'/');
  if (slash == std::u16string::npos) return std::nullopt;
  path->resize(slash + 1);
  return path;
}

}  // namespace mirelon
