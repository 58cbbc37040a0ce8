#include "connections/connection_record.h"

#include <algorithm>
#include <climits>
#include <string>

#include "base/utf.h"

namespace mirelon {
namespace {

std::u16string Decimal(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// The value of the leading ASCII digits; 0 without any.
int LeadingNumber(std::u16string_view s) {
  long long value = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') break;
    value = std::min<long long>(value * 10 + (c - u'0'), INT_MAX);
  }
  return static_cast<int>(value);
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// Calls `f` with every non-empty piece of `text` between `separator`s.
template <typename F>
void ForEachPiece(std::u16string_view text, char16_t separator, F f) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) f(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

bool IsNoPort(std::u16string_view name) {
  return name.empty() || SamePortName(name, kNoPort);
}

bool SamePortName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  auto upper = [](char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
  };
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

ConnectionRecord NewRecord(std::u16string_view port, std::u16string_view port2, int speed,
                           int protocol, std::optional<std::u16string_view> user) {
  ConnectionRecord r;
  r.port = port;
  r.port2 = port2;
  r.speed = speed;
  r.protocol = protocol;
  r.user = user ? std::u16string(*user) : std::u16string(u"Guest");
  return r;
}

std::u16string Describe(const ConnectionRecord& r) {
  std::u16string text;
  text.reserve(r.port.size() + r.port2.size() + r.user.size() + 64);
  text += u"Port:" + r.port + u";";
  text += u"Port2:" + r.port2 + u";";
  text += u"Speed:" + Decimal(r.speed) + u";";
  text += u"Protocol:" + Decimal(r.protocol) + u";";
  text += u"User:" + r.user + u";";
  return text;
}

ConnectionRecord ParseDescription(std::u16string_view text) {
  std::u16string_view port, port2, user;
  int speed = 0, protocol = 0;
  ForEachPiece(text, u';', [&](std::u16string_view piece) {
    if (StartsWith(piece, u"Port:"))
      port = piece.substr(5);
    else if (StartsWith(piece, u"Port2:"))
      port2 = piece.substr(6);
    else if (StartsWith(piece, u"Speed:"))
      speed = LeadingNumber(piece.substr(6));
    else if (StartsWith(piece, u"Protocol:"))
      protocol = LeadingNumber(piece.substr(9));
    else if (StartsWith(piece, u"User:"))
      user = piece.substr(5);
  });
  return NewRecord(port, port2, speed, protocol, user);
}

std::u16string DisplayText(const ConnectionRecord& r) {
  std::u16string text = r.user.empty() ? std::u16string(u"Guest") : r.user;
  text += u' ';
  if (!IsNoPort(r.port)) text += r.port + u" ";
  if (!IsNoPort(r.port2)) text += U16("着信 ") + r.port2 + u" ";
  return text;
}

std::optional<std::u16string> ListToText(const ConnectionRecordList& list) {
  if (list.records.empty()) return std::nullopt;
  std::u16string text;
  for (const auto& r : list.records) text += Describe(r) + u"|";
  return text;
}

ConnectionRecordList ListFromText(std::u16string_view text) {
  ConnectionRecordList list;
  ForEachPiece(text, u'|',
               [&](std::u16string_view piece) { list.records.push_back(ParseDescription(piece)); });
  return list;
}

std::u16string SummaryText(const ConnectionRecordList& list) {
  std::u16string text = U16("接続端末数：") + Decimal(Count(list)) + u"\r";
  for (const auto& r : list.records) text += DisplayText(r) + u"\r";
  return text;
}

int Count(const ConnectionRecordList& list) {
  return static_cast<int>(list.records.size());
}

}  // namespace mirelon
