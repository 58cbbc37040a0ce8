#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include "base/utf.h"
#include "settings/user_folder.h"

namespace mirelon {

std::optional<std::u16string> ApplicationDataFolder() {
  if (const char* xdg = getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return Utf8ToUtf16Lenient(xdg);
  std::string home;
  if (const char* h = getenv("HOME"); h && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    home = pw->pw_dir;
  } else {
    return std::nullopt;
  }
  return Utf8ToUtf16Lenient(home + "/.config");
}

std::size_t MaxPathLength() { return PATH_MAX - 1; }

}  // namespace mirelon
