#include "settings/brl_input_settings.h"

#include "settings/settings_list.h"

namespace mirelon {

namespace {

constexpr std::u16string_view kTypeKey = u"BrlInputType";
constexpr std::u16string_view kSwitchKey = u"BrlInputSwitch";

bool Load(SettingsList& list, const std::optional<std::u16string>& path) {
  return path ? LoadSettingsFileAt(*path, list) : LoadSettingsFile(kBrlInputFile, list);
}

}  // namespace

std::u16string_view BrlInputTypeName(int type) {
  switch (type) {
    case 0:
      return u"テキスト入力なし";
    case 1:
      return u"ASCIIカナ入力";
    case 2:
      return u"漢点字入力";
    default:
      return {};
  }
}

int BrlInputModeValue(int type) {
  switch (type) {
    case 0:
      return 9;
    case 1:
      return 1;
    case 2:
      return 2;
    default:
      return 0;
  }
}

bool LoadBrlInputSettings(BrlInputSettings& settings, const std::optional<std::u16string>& path) {
  SettingsList list;
  if (!Load(list, path)) return false;
  if (const SettingEntry* type = FindSetting(list, kTypeKey)) {
    const int value = GetSettingInt(*type);
    settings.inputType = value >= 0 && value < kBrlInputTypes ? value : 0;
  }
  if (const SettingEntry* on = FindSetting(list, kSwitchKey))
    settings.inputSwitch = GetSettingInt(*on);
  return true;
}

bool SaveBrlInputSettings(const BrlInputSettings& settings,
                          const std::optional<std::u16string>& path) {
  SettingsList list;
  Load(list, path);
  SetSettingInt(list, kTypeKey, settings.inputType);
  SetSettingInt(list, kSwitchKey, settings.inputSwitch);
  return path ? SaveSettingsFileAt(list, *path) : SaveSettingsFile(list, kBrlInputFile);
}

}  // namespace mirelon
