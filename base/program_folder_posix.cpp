#include <limits.h>
#include <unistd.h>

#include "base/program_folder.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::u16string> ProgramFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer));
  if (n <= 0 || static_cast<size_t>(n) >= sizeof(buffer)) return std::nullopt;
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  path.resize(slash + 1);
  return Utf8ToUtf16Lenient(path);
}

}  // namespace mirelon
