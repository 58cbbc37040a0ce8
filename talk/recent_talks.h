// The list of talks used, most recent first ("UsedTalkPath.lst" in the
// per-user folder): one path per line, each line ending with CR. Entries
// are never removed; opening a talk adds a line at the top.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mirelon {

class RecentTalks {
 public:
  // The list of this user; nothing is read or written when the per-user
  // folder cannot be found.
  static RecentTalks ForUser();
  // A list kept in the given file (none: no list).
  explicit RecentTalks(std::optional<std::u16string> file) : file_(std::move(file)) {}

  std::vector<std::u16string> Load() const;
  // The first entry that exists and is not a folder.
  std::optional<std::u16string> FirstExisting() const;
  // Adds the path at the top and saves the list; a failed save is silent.
  void Push(const std::u16string& path) const;

 private:
  std::optional<std::u16string> file_;
};

}  // namespace mirelon
