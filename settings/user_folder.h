// Where the per-user folder lives on this platform; used by
// GetUserSettingsPath.
#pragma once

#include <optional>
#include <string>

namespace mirelon {

// The user's application-data folder (Windows: the roaming AppData folder;
// elsewhere $XDG_CONFIG_HOME or ~/.config). None when it cannot be found.
std::optional<std::u16string> ApplicationDataFolder();

// Longest path, in UTF-16 units without the terminator, that the platform's
// file calls accept here.
std::size_t MaxPathLength();

}  // namespace mirelon
