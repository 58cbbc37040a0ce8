#include "settings/key_compare.h"

namespace mirelon {
namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 0x20;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;                 // full-width Ａ-Ｚ
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return c + 0x20;  // À-Þ except ×
  if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return c + 0x20;  // Greek capitals
  if (c >= 0x0410 && c <= 0x042F) return c + 0x20;                 // Cyrillic А-Я
  if (c >= 0x0400 && c <= 0x040F) return c + 0x50;                 // Cyrillic Ѐ-Џ
  return c;
}

}  // namespace

bool KeysEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace mirelon
