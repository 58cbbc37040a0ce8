// A key event from the terminal, as carried in the first bytes of the
// key frame's payload.
#pragma once

#include <cstdint>

namespace mirelon {

struct KeyEvent {
  // kind: 0 panning key, 1 braille chord, 2 editing key, 3 cursor key,
  // 4 cursor-routing key.
  uint8_t kind = 0;
  // Chord in terminal layout (kind 1), key code (kinds 2 and 3), cell
  // number counted from 1 (kind 4); unused for kind 0.
  uint8_t code = 0;
  // Direction for kind 0 (1 backward, 2 forward); modifier bits otherwise.
  uint8_t modifiers = 0;

  static constexpr uint8_t kPan = 0;
  static constexpr uint8_t kChord = 1;
  static constexpr uint8_t kEdit = 2;
  static constexpr uint8_t kCursor = 3;
  static constexpr uint8_t kRouting = 4;

  static constexpr uint8_t kBackward = 1;
  static constexpr uint8_t kForward = 2;
  // The only modifier bit the editing keys look at.
  static constexpr uint8_t kModifierWord = 0x04;

  // Payload bytes 0-3 packed into one value, byte 0 in the low 8 bits.
  static constexpr KeyEvent FromPayload(uint32_t packed) {
    return KeyEvent{static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>((packed >> 8) & 0xFF),
                    static_cast<uint8_t>((packed >> 16) & 0xFF)};
  }
};

}  // namespace mirelon
