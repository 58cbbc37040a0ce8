// Saved sets of connections in "ConnectionInfo.set": one entry per set,
// the name the user gave as key and the connection list text as value,
// in file order; names compare without regard to letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "connections/connection_record.h"
#include "settings/settings_list.h"

namespace mirelon {

inline constexpr std::u16string_view kSavedConnectionsFile = u"ConnectionInfo.set";
// Longest name of a saved set.
inline constexpr size_t kMaxSavedNameChars = 63;

// The name as stored: at most 63 characters, every ASCII comma (which
// separates key and value in the file) replaced by "，".
std::u16string SavedSetName(std::u16string_view typed);

// Stores `list` under `name`, replacing the value of a set of that name;
// commas in its names are stored as "，".
void StoreConnectionSet(SettingsList& sets, std::u16string_view name, const ConnectionRecordList& list);
// The connections of the set at `index`; none when there is no such set.
std::optional<ConnectionRecordList> ConnectionSet(const SettingsList& sets, int index);

// "%d件の接続情報が登録されています。"
std::u16string SavedSetCountText(int count);

// The set to show after the one at `deleted` was removed, `remaining` sets
// being left: the one that took its place, or the one before it when the
// last was removed; -1 when none is left.
int SelectionAfterDeletion(int deleted, int remaining);

}  // namespace mirelon
