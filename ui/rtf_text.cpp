#include "ui/rtf_text.h"

#include <algorithm>

namespace mirelon {
namespace {

void AppendText(std::string& rtf, std::u16string_view text) {
  for (char16_t c : text) {
    if (c == u'\r' || c == u'\n') {
      rtf += "\\par\n";
    } else if (c == u'\t') {
      rtf += "\\tab ";
    } else if (c == u'\\' || c == u'{' || c == u'}') {
      rtf += '\\';
      rtf += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      rtf += static_cast<char>(c);
    } else {
      // One UTF-16 unit (a surrogate pair is two), as a signed number, with
      // "?" for readers that cannot take it.
      rtf += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
    }
  }
}

}  // namespace

std::string BuildRtf(std::u16string_view text, std::span<const FormattedRange> ranges, const RtfDefaultFont& font) {
  std::string face;
  for (char16_t c : font.face) face += c < 0x80 && c != u';' && c != u'\\' && c != u'{' && c != u'}' ? static_cast<char>(c) : '_';
  // The default font first; headers in groups of their own, so that the
  // text after a group is in the default format again.
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset" + std::to_string(font.charset) + " " + face +
                    ";}}{\\colortbl;\\red0\\green0\\blue0;}\\uc1\\fs" + std::to_string(font.halfPoints) + " ";
  rtf.reserve(rtf.size() + text.size() * 4);
  const int length = static_cast<int>(text.size());
  int at = 0;
  for (const FormattedRange& r : ranges) {
    const int start = std::clamp(r.start, at, length), end = std::clamp(r.end, start, length);
    AppendText(rtf, text.substr(static_cast<size_t>(at), static_cast<size_t>(start - at)));
    rtf += r.format.bold ? "{\\b" : "{\\b0";
    if (r.format.underline) rtf += "\\ul";
    rtf += "\\fs32\\cf1 ";
    AppendText(rtf, text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
    rtf += "}";
    at = end;
  }
  AppendText(rtf, text.substr(static_cast<size_t>(at)));
  rtf += "}";
  return rtf;
}

}  // namespace mirelon
