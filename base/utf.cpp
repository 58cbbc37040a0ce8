#include "base/utf.h"

namespace mirelon {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at bytes[i]. On success stores the code point,
// advances i and returns true. On failure advances i past the maximal
// invalid prefix (at least one byte) and returns false.
bool DecodeOne(std::string_view bytes, size_t& i, char32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  unsigned char lead = b(i);
  if (lead < 0x80) {
    cp = lead;
    ++i;
    return true;
  }
  int extra;
  char32_t value;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the first continuation
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;  // overlong
    if (lead == 0xED) hi = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    value = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;  // overlong
    if (lead == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    ++i;
    return false;
  }
  size_t k = i + 1;
  for (int n = 0; n < extra; ++n, ++k) {
    if (k >= bytes.size()) {
      i = k;
      return false;
    }
    unsigned char c = b(k);
    unsigned char min = n == 0 ? lo : 0x80, max = n == 0 ? hi : 0xBF;
    if (c < min || c > max) {
      i = k;  // the offending byte starts the next attempt
      return false;
    }
    value = (value << 6) | (c & 0x3F);
  }
  i = k;
  cp = value;
  return true;
}

void Append(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16Strict(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp;
    if (!DecodeOne(bytes, i, cp)) return std::nullopt;
    Append(out, cp);
  }
  return out;
}

std::u16string Utf8ToUtf16Lenient(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp;
    Append(out, DecodeOne(bytes, i, cp) ? cp : kReplacement);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

int LooksLikeUtf8(const unsigned char* bytes, size_t length) {
  size_t sequences = 0;
  size_t i = 0;
  while (i < length && bytes[i] != 0) {
    unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    int extra;
    if (lead >= 0xC2 && lead <= 0xDF)
      extra = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
      extra = 2;
    else if (lead >= 0xF0 && lead <= 0xF7)
      extra = 3;
    else
      return 0;
    for (int n = 1; n <= extra; ++n) {
      if (i + n >= length) return 0;
      unsigned char c = bytes[i + n];
      if (c < 0x80 || c > 0xBF) return 0;
    }
    i += extra + 1;
    ++sequences;
  }
  return sequences > 0 ? 1 : -1;
}

}  // namespace mirelon
