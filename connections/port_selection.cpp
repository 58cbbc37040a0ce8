#include "connections/port_selection.h"

#include <string>

#include "connections/connection_record.h"

namespace mirelon {
namespace {

constexpr size_t kMaxPortNameChars = 255;

std::u16string Decimal(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

int IndexSetting(const SettingsList& settings, std::u16string_view key, size_t count) {
  const SettingEntry* entry = FindSetting(settings, key);
  if (!entry) return 0;
  const int index = GetSettingInt(*entry);
  return index >= 0 && static_cast<size_t>(index) < count ? index : 0;
}

}  // namespace

void FillPortTable(PortSelection& selection, const std::vector<std::u16string>& devices,
                   const SettingsList& portSettings) {
  selection.table.clear();
  for (const std::u16string& device : devices) {
    if (selection.table.size() >= kMaxPorts) break;
    if (device.compare(0, 3, u"COM") != 0) continue;
    PortEntry entry;
    entry.name = device.substr(0, kMaxPortNameChars);
    entry.speedIndex = IndexSetting(portSettings, entry.name, kSpeedChoices.size());
    if (const SettingEntry* user = FindSetting(portSettings, entry.name + u"_description"))
      entry.user = user->value;
    entry.protocolIndex = IndexSetting(portSettings, entry.name + u"_protocol", kProtocolChoices.size());
    selection.table.push_back(std::move(entry));
  }
}

PortList MakePortList(const PortSelection& selection, std::u16string_view preselect) {
  PortList list;
  list.items.push_back({std::u16string(kNoPortText), std::u16string(kNoPort)});
  for (int n = 1; n <= static_cast<int>(kMaxPorts); ++n) {
    const std::u16string name = u"COM" + Decimal(n);
    for (const PortEntry& entry : selection.table) {
      if (entry.name != name) continue;
      if (entry.name == preselect) list.selected = static_cast<int>(list.items.size());
      list.items.push_back({entry.name + u": " + entry.user.value_or(u""), entry.name});
      break;
    }
  }
  return list;
}

PortEntry* CurrentPortEntry(PortSelection& selection, std::u16string_view port, std::u16string_view port2) {
  const std::u16string_view name = !IsNoPort(port) ? port : port2;
  if (IsNoPort(name)) return nullptr;
  for (PortEntry& entry : selection.table)
    if (entry.name == name) return &entry;
  return nullptr;
}

void StorePortSettings(const PortSelection& selection, SettingsList& settings) {
  for (const PortEntry& entry : selection.table) {
    SetSettingInt(settings, entry.name, entry.speedIndex);
    SetSettingString(settings, entry.name + u"_description",
                     ReplaceCommas(entry.user.value_or(u"")));
    SetSettingInt(settings, entry.name + u"_protocol", entry.protocolIndex);
  }
}

bool SavePortSettings(const PortSelection& selection) {
  SettingsList settings;
  if (!LoadSettingsFile(kPortSettingsFile, settings)) return false;
  StorePortSettings(selection, settings);
  return SaveSettingsFile(settings, kPortSettingsFile);
}

bool ConfirmPortChoice(PortSelection& selection, const std::optional<std::u16string>& port,
                       const std::optional<std::u16string>& port2, int speed, int protocol,
                       std::u16string_view user) {
  if (!port || !port2) return false;
  std::u16string chosen2 = *port2;
  if (chosen2 == *port) {
    // One port cannot be both.
    if (IsNoPort(*port)) return false;
    chosen2 = std::u16string(kNoPort);
  }
  selection.port = *port;
  selection.port2 = chosen2;
  selection.speed = speed;
  selection.protocol = protocol;
  selection.user = user.empty() ? std::u16string(u"Guest") : std::u16string(user);
  selection.lastPort = selection.port;
  selection.lastPort2 = selection.port2;
  return true;
}

}  // namespace mirelon
