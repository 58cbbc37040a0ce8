#include "talk/recent_talks.h"

#include "base/file_io.h"
#include "settings/text_file.h"

namespace mirelon {

RecentTalks RecentTalks::ForUser() { return RecentTalks(GetUserSettingsPath(u"UsedTalkPath.lst")); }

std::vector<std::u16string> RecentTalks::Load() const {
  std::vector<std::u16string> entries;
  if (!file_) return entries;
  std::optional<std::u16string> text = ReadTextFile(*file_);
  if (!text) return entries;
  size_t from = 0;
  while (from < text->size()) {
    size_t cr = text->find(u'\r', from);
    if (cr == std::u16string::npos) cr = text->size();
    entries.push_back(text->substr(from, cr - from));
    from = cr + 1;
  }
  return entries;
}

std::optional<std::u16string> RecentTalks::FirstExisting() const {
  for (const auto& entry : Load())
    if (!entry.empty() && FileExists(entry)) return entry;
  return std::nullopt;
}

void RecentTalks::Push(const std::u16string& path) const {
  if (!file_) return;
  std::u16string text = path + u'\r';
  for (const auto& entry : Load()) text += entry + u'\r';
  WriteUtf8TextFile(text, *file_);
}

}  // namespace mirelon
