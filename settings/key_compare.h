// Case-insensitive comparison of settings keys. Keys that differ only in
// letter case are the same key.
#pragma once

#include <string_view>

namespace mirelon {

// Windows: the system's locale-aware comparison (lstrcmpiW). Elsewhere
// letters of ASCII, Latin-1, Greek, Cyrillic and the full-width Latin forms
// are folded; other units compare as they are.
bool KeysEqual(std::u16string_view a, std::u16string_view b);

}  // namespace mirelon
