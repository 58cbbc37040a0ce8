#include <windows.h>

#include "base/utf.h"
#include "talk/talk_file.h"

namespace mirelon {

std::u16string UserName() {
  wchar_t buffer[65] = {};
  DWORD size = 65;
  if (!GetUserNameW(buffer, &size)) return {};
  return FromWide(buffer);
}

LocalTime CurrentLocalTime() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return LocalTime{t.wMonth, t.wDay, t.wHour, t.wMinute};
}

}  // namespace mirelon
