// Key/value settings files of the per-user folder ("Speech.set",
// "BrlInput.set", "PortDescription.set", "ConnectionInfo.set").
//
// File format: UTF-8 with a byte order mark; one entry per line, "key,value"
// ended by a single CR. The key is everything before the LAST comma of a
// line, so keys may hold commas and values may not; a line without a comma
// is a key with an empty value. LF is an ordinary character.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

struct SettingEntry {
  std::u16string key;
  std::u16string value;
};

// Entries in file order, then in order of appending. Duplicate keys are
// kept; every lookup finds the first entry whose key matches, comparing
// keys without regard to letter case.
struct SettingsList {
  std::vector<SettingEntry> entries;
  // What callers show as the number of stored items.
  int Count() const { return static_cast<int>(entries.size()); }
};

// Clears the list and loads `fileName` from the per-user folder. False only
// when the folder cannot be found; a file that is missing, too large or
// undecodable loads as an empty list.
bool LoadSettingsFile(std::u16string_view fileName, SettingsList& list);
// The same for a full path.
bool LoadSettingsFileAt(const std::u16string& path, SettingsList& list);

// Writes every entry to `fileName` in the per-user folder, replacing the old
// file only once the new one is complete. False when the folder cannot be
// found or the write fails; the list is left unchanged either way.
bool SaveSettingsFile(const SettingsList& list, std::u16string_view fileName);
// The same for a full path.
bool SaveSettingsFileAt(const SettingsList& list, const std::u16string& path);

// The text form of a list and back (what the files hold once decoded).
SettingsList ParseSettingsText(std::u16string_view text);
std::u16string SettingsText(const SettingsList& list);

// `text` with every ASCII comma written as "，" (U+FF0C), for what must read
// back whole from a settings file (a set name, a user name).
std::u16string ReplaceCommas(std::u16string_view text);

bool HasSetting(const SettingsList& list, std::u16string_view key);
const SettingEntry* FindSetting(const SettingsList& list, std::u16string_view key);
SettingEntry* FindSetting(SettingsList& list, std::u16string_view key);

// The value read as an integer: one optional leading '-', then ASCII or
// full-width digits up to the first other character; no digits read as 0.
// Values beyond the range of int stop at INT_MAX (INT_MIN when negative).
int GetSettingInt(const SettingEntry& entry);

// Replaces the value of the first matching entry, or appends a new entry.
void SetSettingString(SettingsList& list, std::u16string_view key, std::u16string_view value);
// The same with the decimal text of n.
void SetSettingInt(SettingsList& list, std::u16string_view key, int n);
// Appends without looking for an existing entry.
void AppendSetting(SettingsList& list, std::u16string_view key, std::u16string_view value);
// Removes the first matching entry; false when there is none.
bool RemoveSetting(SettingsList& list, std::u16string_view key);
void ClearSettings(SettingsList& list);

}  // namespace mirelon
