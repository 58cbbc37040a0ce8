#include <windows.h>

#include "base/utf.h"
#include "settings/key_compare.h"

namespace mirelon {

bool KeysEqual(std::u16string_view a, std::u16string_view b) {
  return lstrcmpiW(ToWide(a).c_str(), ToWide(b).c_str()) == 0;
}

}  // namespace mirelon
