#include "startup/startup_file.h"

namespace mirelon {

namespace {

constexpr size_t kLongestBareName = 256;

// The file name after the last separator of either kind.
std::u16string_view FileNamePart(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool SameLetters(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::u16string_view> Extension(std::u16string_view fileName) {
  const std::u16string_view name = FileNamePart(fileName);
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return std::nullopt;
  return name.substr(dot);
}

}  // namespace

StartupFileKind StartupFileKindOf(std::u16string_view fileName) {
  const std::optional<std::u16string_view> extension = Extension(fileName);
  if (extension && SameLetters(*extension, u".bat")) return StartupFileKind::kBatch;
  if (extension && SameLetters(*extension, u".lnk")) return StartupFileKind::kShortcut;
  return StartupFileKind::kOther;
}

StartupFileProposal ProposeStartupFile(std::u16string_view lastName, const std::optional<std::u16string>& desktop) {
  if (lastName.empty()) return {(desktop ? *desktop : u"C:") + u"\\OrinMirelon.bat", 1};
  return {std::u16string(lastName), StartupFileKindOf(lastName) == StartupFileKind::kShortcut ? 2 : 1};
}

std::u16string WithFilterExtension(std::u16string name, int filterIndex) {
  if (Extension(name) || name.size() >= kLongestBareName) return name;
  if (filterIndex == 1) name += u".bat";
  if (filterIndex == 2) name += u".lnk";
  return name;
}

std::u16string StartupFileMessage(StartupFileResult result, std::u16string_view fileName) {
  const std::u16string name(fileName);
  switch (result) {
    case StartupFileResult::kBatchSaved:
      return u"起動用バッチファイルを保存しました。\r\n" + name;
    case StartupFileResult::kShortcutSaved:
      return u"起動用ショートカットファイルを保存しました。\r\n" + name;
    case StartupFileResult::kNotRepresentable:
      return u"起動用ファイルが作成できませんでした。\r\n" + name +
             u"\r\nショートカットファイル（.lnk）で保存してください。";
    case StartupFileResult::kFailed:
      break;
  }
  return u"起動用ファイルが作成できませんでした。\r\n" + name;
}

}  // namespace mirelon
