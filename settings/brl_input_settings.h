// Keyboard braille input's settings: the on/off switch and the text input
// type, kept in "BrlInput.set" (keys BrlInputType and BrlInputSwitch).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

inline constexpr std::u16string_view kBrlInputFile = u"BrlInput.set";

// Input types: 0 "テキスト入力なし", 1 "ASCIIカナ入力", 2 "漢点字入力".
inline constexpr int kBrlInputTypes = 3;

struct BrlInputSettings {
  // The registered notification message of keyboard braille input.
  unsigned notifyMessage = 0;
  // 0 to 2.
  int inputType = 0;
  // Nonzero: keyboard braille input is on.
  int inputSwitch = 0;
};

// The name of an input type; empty for a type outside 0 to 2.
std::u16string_view BrlInputTypeName(int type);
// The value keyboard braille input takes for a type (9, 1, 2); 0 outside.
int BrlInputModeValue(int type);

// Loads the file at `path`, or "BrlInput.set" in the per-user folder: keys
// that are there replace the values (a type outside 0 to 2 becomes 0),
// keys that are missing leave them. False only when the per-user folder
// cannot be found.
bool LoadBrlInputSettings(BrlInputSettings& settings,
                          const std::optional<std::u16string>& path = std::nullopt);
// Writes both keys into the file, keeping every other line of it.
bool SaveBrlInputSettings(const BrlInputSettings& settings,
                          const std::optional<std::u16string>& path = std::nullopt);

}  // namespace mirelon
