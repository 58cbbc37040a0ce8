// The dialogs that the connected-terminals dialog opens: choosing the
// ports of a new terminal (540), saving the present connections under a
// name (570) and recalling a saved set (571).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mirelon {

class ClientRegistry;
struct PortSelection;
class TerminalConnector;

// The data of the REG_SZ values under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM,
// in the key's order; none when the key cannot be opened.
bool ReadSerialDevices(std::vector<std::u16string>& devices);

// Dialog 540 on `selection`; true when the user confirmed a choice, which
// `selection` then holds.
bool RunPortSelection(HINSTANCE instance, HWND owner, PortSelection& selection);

// Dialog 570; true when a set was saved.
bool SaveConnections(HINSTANCE instance, HWND owner, ClientRegistry& registry);
// Dialog 571; true when a set was chosen, which `connector` then connects
// while the dialogs stay usable.
bool RecallConnections(HINSTANCE instance, HWND owner, TerminalConnector& connector);

// A message box with its own caption; the button pressed.
int ShowBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT style);

}  // namespace mirelon
