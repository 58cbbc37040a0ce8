#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include "base/utf.h"
#include "talk/talk_file.h"

namespace mirelon {

std::u16string UserName() {
  passwd entry;
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_name)
    return {};
  std::u16string name = Utf8ToUtf16Lenient(found->pw_name);
  if (name.size() > 64) name.resize(64);
  return name;
}

LocalTime CurrentLocalTime() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return LocalTime{local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

}  // namespace mirelon
