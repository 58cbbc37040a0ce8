#include "connections/saved_connections.h"

#include <string>

namespace mirelon {

std::u16string SavedSetName(std::u16string_view typed) {
  return ReplaceCommas(typed.substr(0, kMaxSavedNameChars));
}

void StoreConnectionSet(SettingsList& sets, std::u16string_view name, const ConnectionRecordList& list) {
  // A user name with a comma would cut the line in the wrong place.
  SetSettingString(sets, name, ReplaceCommas(ListToText(list).value_or(u"")));
}

std::optional<ConnectionRecordList> ConnectionSet(const SettingsList& sets, int index) {
  if (index < 0 || index >= sets.Count()) return std::nullopt;
  return ListFromText(sets.entries[static_cast<size_t>(index)].value);
}

std::u16string SavedSetCountText(int count) {
  const std::string digits = std::to_string(count);
  return std::u16string(digits.begin(), digits.end()) + u"件の接続情報が登録されています。";
}

int SelectionAfterDeletion(int deleted, int remaining) {
  if (remaining <= 0) return -1;
  return deleted < remaining ? deleted : remaining - 1;
}

}  // namespace mirelon
