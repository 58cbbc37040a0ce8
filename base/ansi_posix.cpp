#include <errno.h>
#include <iconv.h>

#include "base/ansi.h"
#include "base/utf.h"

namespace mirelon {
namespace {

constexpr const char* kCodePage = "CP932";

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::u16string> AnsiToUtf16(std::string_view bytes) {
  if (bytes.empty()) return std::u16string();
  Converter conv("UTF-8", kCodePage);
  if (!conv.ok()) return std::nullopt;
  std::string out(bytes.size() * 3 + 8, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  if (iconv(conv.get(), &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return Utf8ToUtf16Strict(out);
}

std::u16string AnsiToUtf16Lenient(std::string_view bytes) {
  Converter conv("UTF-8", kCodePage);
  if (!conv.ok()) return std::u16string(bytes.size(), u'\uFFFD');
  std::string out(bytes.size() * 3 + 8, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(conv.get(), &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
    // A byte that starts no character (or a lead byte at the very end):
    // its replacement, and on with the next byte.
    if (errno != EILSEQ && errno != EINVAL) break;
    iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    if (outLeft < 3) break;
    for (char c : std::string_view(kReplacement, 3)) *dst++ = c;
    outLeft -= 3;
    ++in;
    --inLeft;
  }
  out.resize(out.size() - outLeft);
  return Utf8ToUtf16Lenient(out);
}

namespace {

// Converts one character at a time so that a character the code page
// cannot hold becomes "?" and the rest still converts; `lossy` tells
// whether that happened.
std::string ToCodePage(std::u16string_view text, bool& lossy) {
  lossy = false;
  if (text.empty()) return std::string();
  Converter conv(kCodePage, "UTF-8");
  if (!conv.ok()) {
    lossy = true;
    return std::string();
  }
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t len = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1;
    std::string utf8 = Utf16ToUtf8(text.substr(i, len));
    char buf[16];
    char* in = utf8.data();
    size_t inLeft = utf8.size();
    char* dst = buf;
    size_t outLeft = sizeof buf;
    // A lone surrogate has no UTF-8 form: it came out as U+FFFD.
    const bool loneSurrogate = len == 1 && text[i] >= 0xD800 && text[i] <= 0xDFFF;
    if (loneSurrogate || iconv(conv.get(), &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0) {
      iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
      out.push_back('?');
      lossy = true;
    } else {
      out.append(buf, sizeof buf - outLeft);
    }
    i += len - 1;
  }
  return out;
}

}  // namespace

std::string Utf16ToAnsi(std::u16string_view text) {
  bool lossy = false;
  return ToCodePage(text, lossy);
}

std::optional<std::string> Utf16ToAnsiExact(std::u16string_view text) {
  bool lossy = false;
  std::string out = ToCodePage(text, lossy);
  if (lossy) return std::nullopt;
  return out;
}

}  // namespace mirelon
