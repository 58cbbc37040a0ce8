#include "settings/settings_list.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "settings/key_compare.h"
#include "settings/text_file.h"

namespace mirelon {

bool LoadSettingsFile(std::u16string_view fileName, SettingsList& list) {
  ClearSettings(list);
  auto path = GetUserSettingsPath(fileName);
  if (!path) return false;
  return LoadSettingsFileAt(*path, list);
}

bool LoadSettingsFileAt(const std::u16string& path, SettingsList& list) {
  ClearSettings(list);
  // No text (missing, too large, undecodable) is an empty list, not a failure.
  if (auto text = ReadTextFile(path)) list = ParseSettingsText(*text);
  return true;
}

bool SaveSettingsFile(const SettingsList& list, std::u16string_view fileName) {
  auto path = GetUserSettingsPath(fileName);
  if (!path) return false;
  return SaveSettingsFileAt(list, *path);
}

bool SaveSettingsFileAt(const SettingsList& list, const std::u16string& path) {
  return WriteUtf8TextFile(SettingsText(list), path);
}

SettingsList ParseSettingsText(std::u16string_view text) {
  SettingsList list;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\r', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(start, end - start);
    size_t comma = line.rfind(u',');
    if (comma == std::u16string_view::npos)
      AppendSetting(list, line, u"");
    else
      AppendSetting(list, line.substr(0, comma), line.substr(comma + 1));
    start = end + 1;  // a CR at the very end adds no empty entry
  }
  return list;
}

std::u16string SettingsText(const SettingsList& list) {
  size_t size = 0;
  for (const auto& e : list.entries) size += e.key.size() + e.value.size() + 2;
  std::u16string text;
  text.reserve(size);
  for (const auto& e : list.entries) {
    text += e.key;
    text += u',';
    text += e.value;
    text += u'\r';
  }
  return text;
}

std::u16string ReplaceCommas(std::u16string_view text) {
  std::u16string replaced(text);
  std::replace(replaced.begin(), replaced.end(), u',', u'，');
  return replaced;
}

bool HasSetting(const SettingsList& list, std::u16string_view key) {
  return FindSetting(list, key) != nullptr;
}

const SettingEntry* FindSetting(const SettingsList& list, std::u16string_view key) {
  for (const auto& e : list.entries)
    if (KeysEqual(e.key, key)) return &e;
  return nullptr;
}

SettingEntry* FindSetting(SettingsList& list, std::u16string_view key) {
  return const_cast<SettingEntry*>(FindSetting(std::as_const(list), key));
}

int GetSettingInt(const SettingEntry& entry) {
  std::u16string_view v = entry.value;
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && v[i] == u'-') {
    negative = true;
    ++i;
  }
  // Accumulate the magnitude, held at INT_MAX + 1 so that INT_MIN reads back.
  const long long cap = static_cast<long long>(INT_MAX) + 1;
  long long value = 0;
  for (; i < v.size(); ++i) {
    int digit;
    if (v[i] >= u'0' && v[i] <= u'9')
      digit = v[i] - u'0';
    else if (v[i] >= 0xFF10 && v[i] <= 0xFF19)  // full-width ０-９
      digit = v[i] - 0xFF10;
    else
      break;
    value = std::min(value * 10 + digit, cap);
  }
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(std::min<long long>(value, INT_MAX));
}

void SetSettingString(SettingsList& list, std::u16string_view key, std::u16string_view value) {
  if (SettingEntry* e = FindSetting(list, key))
    e->value = value;
  else
    AppendSetting(list, key, value);
}

void SetSettingInt(SettingsList& list, std::u16string_view key, int n) {
  const std::string digits = std::to_string(n);
  SetSettingString(list, key, std::u16string(digits.begin(), digits.end()));
}

void AppendSetting(SettingsList& list, std::u16string_view key, std::u16string_view value) {
  list.entries.push_back(SettingEntry{std::u16string(key), std::u16string(value)});
}

bool RemoveSetting(SettingsList& list, std::u16string_view key) {
  for (auto it = list.entries.begin(); it != list.entries.end(); ++it) {
    if (KeysEqual(it->key, key)) {
      list.entries.erase(it);
      return true;
    }
  }
  return false;
}

void ClearSettings(SettingsList& list) {
  list.entries.clear();
}

}  // namespace mirelon
