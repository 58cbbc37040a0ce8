#include "talk/records.h"

#include <cstdio>

#include "base/ansi.h"
#include "base/utf.h"

namespace mirelon {
namespace {

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
    if (x != y) return false;
  }
  return true;
}

std::u16string Ascii(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

// Length of `bytes` without a UTF-8 sequence that was cut off at the end.
size_t WithoutCutSequence(std::string_view bytes) {
  size_t end = bytes.size();
  size_t back = 0;
  while (back < 3 && back < end &&
         (static_cast<unsigned char>(bytes[end - 1 - back]) & 0xC0) == 0x80)
    ++back;
  if (back == end) return end;
  const unsigned char lead = static_cast<unsigned char>(bytes[end - 1 - back]);
  size_t need = 0;
  if (lead >= 0xF0 && lead < 0xF8) need = 3;
  else if (lead >= 0xE0) need = lead < 0xF0 ? 2 : 0;
  else if (lead >= 0xC0) need = 1;
  if (need > back) return end - 1 - back;
  return end;
}

}  // namespace

std::optional<TalkMode> TalkModeFromExtension(std::u16string_view extension) {
  if (EqualsIgnoringCase(extension, u".talk")) return TalkMode::kTalk;
  if (EqualsIgnoringCase(extension, u".meeting")) return TalkMode::kMeeting;
  if (EqualsIgnoringCase(extension, u".share")) return TalkMode::kShare;
  return std::nullopt;
}

std::u16string_view ExtensionOfMode(TalkMode mode) {
  switch (mode) {
    case TalkMode::kMeeting: return u".meeting";
    case TalkMode::kShare: return u".share";
    case TalkMode::kTalk: break;
  }
  return u".talk";
}

std::u16string MessageStreamName(uint32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%06u", static_cast<unsigned>(number));
  return u"Msg" + Ascii(digits);
}

std::optional<uint32_t> ParseMessageStreamName(std::u16string_view reported) {
  if (reported.substr(0, 4) != u":Msg") return std::nullopt;
  size_t i = 4;
  if (i >= reported.size() || reported[i] < u'0' || reported[i] > u'9') return std::nullopt;
  uint64_t value = 0;
  for (; i < reported.size() && reported[i] >= u'0' && reported[i] <= u'9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(reported[i] - u'0');
    if (value > kMaxMessageNumber) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::u16string BuildTalkRecord(std::u16string_view name, const LocalTime& t,
                               std::u16string_view body) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%d/%02d %d:%02d", t.month, t.day, t.hour, t.minute);
  std::u16string record = u"talk\t";
  if (!name.empty()) {
    for (char16_t c : name) record += c == u'\t' ? u' ' : c;
    record += u"さん ";
  }
  record += Ascii(stamp);
  record += u'\t';
  record += body;
  return record;
}

std::u16string BuildInRecord(std::u16string_view name) { return u"in\t" + std::u16string(name); }
std::u16string BuildOutRecord(std::u16string_view name) { return u"out\t" + std::u16string(name); }

std::optional<ParsedRecord> ParseRecord(std::u16string_view text) {
  ParsedRecord r;
  if (text.substr(0, 5) == u"talk\t") {
    std::u16string_view rest = text.substr(5);
    size_t tab = rest.find(u'\t');
    r.kind = ParsedRecord::Kind::kTalk;
    if (tab == std::u16string_view::npos) {
      r.body = std::u16string(rest);
    } else {
      r.header = std::u16string(rest.substr(0, tab));
      r.body = std::u16string(rest.substr(tab + 1));
    }
    return r;
  }
  if (text.substr(0, 3) == u"in\t") {
    r.kind = ParsedRecord::Kind::kIn;
    r.name = std::u16string(text.substr(3));
    r.header = u"入室 " + r.name + u"さん";
    return r;
  }
  if (text.substr(0, 4) == u"out\t") {
    r.kind = ParsedRecord::Kind::kOut;
    r.name = std::u16string(text.substr(4));
    r.header = u"退室 " + r.name + u"さん";
    return r;
  }
  return std::nullopt;
}

std::u16string DisplayHeaderLine(uint32_t number, std::u16string_view header) {
  const std::string digits = std::to_string(number);
  std::u16string line(digits.begin(), digits.end());
  line += u": ";
  line += header;
  line += u'\r';
  return line;
}

std::u16string NormalizeLineBreaks(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;  // the LF follows
    out += text[i] == u'\n' ? u'\r' : text[i];
  }
  return out;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of `bytes`
// (a lead byte 0xC2-0xF4 and its continuation bytes), or 0.
size_t Utf8SequenceAt(std::string_view bytes) {
  const auto b = static_cast<unsigned char>(bytes[0]);
  const size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (n == 0 || n > bytes.size()) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) return 0;
  return n;
}

// Most bytes of 0x80 and above belong to well-formed UTF-8 sequences.
bool MostlyUtf8(std::string_view bytes) {
  size_t inSequences = 0, high = 0;
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t n = Utf8SequenceAt(bytes.substr(i));
    high += n ? n : 1;
    inSequences += n;
    i += n ? n : 1;
  }
  return inSequences * 10 >= high * 9;
}

}  // namespace

DecodedStream DecodeStreamBytes(std::string_view bytes, bool cut) {
  // Readers take a stream as zero-terminated text.
  if (size_t zero = bytes.find('\0'); zero != std::string_view::npos) {
    bytes = bytes.substr(0, zero);
    cut = false;
  }
  const bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) bytes.remove_prefix(3);
  // A cut record may end inside a character; UTF-8 is judged without it.
  const std::string_view whole = cut ? bytes.substr(0, WithoutCutSequence(bytes)) : bytes;
  const bool utf8 =
      bom || LooksLikeUtf8(reinterpret_cast<const unsigned char*>(whole.data()), whole.size()) > 0;
  if (utf8) bytes = whole;

  DecodedStream out;
  std::optional<std::u16string> strict = utf8 ? Utf8ToUtf16Strict(bytes) : AnsiToUtf16(bytes);
  if (!strict && cut && !utf8 && !bytes.empty()) strict = AnsiToUtf16(bytes.substr(0, bytes.size() - 1));
  if (strict) {
    out.text = std::move(*strict);
  } else {
    // A stray bad byte in Shift_JIS text must not turn the whole record
    // into replacement characters, nor one in UTF-8 text into mojibake:
    // the lenient decoding follows what most of the bytes look like.
    out.text = bom || MostlyUtf8(bytes) ? Utf8ToUtf16Lenient(bytes) : AnsiToUtf16Lenient(bytes);
    out.exact = false;
  }
  if (cut) out.text += kCutMark;
  return out;
}

}  // namespace mirelon
