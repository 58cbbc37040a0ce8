// Bytes on the serial line to a braille terminal.
//
// Both directions use one frame: FF FF, command, parameter, payload length
// (16 bits, low byte first), payload. There is no checksum and no escaping:
// the length alone says where a frame ends. Bytes outside frames are bare
// replies to requests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace mirelon {

inline constexpr uint8_t kFrameMark = 0xFF;  // the first two bytes of every frame
inline constexpr size_t kFrameHeaderSize = 6;
inline constexpr size_t kMaxFramePayload = 0xFFFF;

// The bytes of one frame; the payload must fit (kMaxFramePayload).
inline std::vector<uint8_t> EncodeFrame(uint8_t command, uint8_t parameter,
                                        std::span<const uint8_t> payload = {}) {
  std::vector<uint8_t> frame(kFrameHeaderSize + payload.size());
  frame[0] = kFrameMark;
  frame[1] = kFrameMark;
  frame[2] = command;
  frame[3] = parameter;
  frame[4] = static_cast<uint8_t>(payload.size() & 0xFF);
  frame[5] = static_cast<uint8_t>((payload.size() >> 8) & 0xFF);
  if (!payload.empty()) std::memcpy(frame.data() + kFrameHeaderSize, payload.data(), payload.size());
  return frame;
}

// Commands sent to the terminal.
inline constexpr uint8_t FRAME_IDENTIFY = 0x10;      // answered by 32 bare bytes (TerminalInfo)
inline constexpr uint8_t FRAME_SESSION = 0x18;       // parameter 1, after a good identity
inline constexpr uint8_t FRAME_VIEW_OPEN = 0x20;     // payload 00 01; one reply byte
inline constexpr uint8_t FRAME_VIEW_CLOSE = 0x28;
inline constexpr uint8_t FRAME_VIEW_STOP = 0x31;
inline constexpr uint8_t FRAME_DISPLAY = 0x32;       // cells and overlay
inline constexpr uint8_t FRAME_ANNOUNCE = 0x64;      // parameter 2, UTF-8 text with its NUL
inline constexpr uint8_t FRAME_SIGNAL = 0x65;        // "-G16" with its NUL
inline constexpr uint8_t FRAME_CHAT_OPEN = 0x68;     // greeting cells; one reply byte
inline constexpr uint8_t FRAME_CHAT_END = 0x69;      // both directions
inline constexpr uint8_t FRAME_TEXT_BEGIN = 0x6A;    // both directions; one reply byte
inline constexpr uint8_t FRAME_TEXT_CELL = 0x6B;     // both directions; parameter = cell

// Commands received from the terminal.
inline constexpr uint8_t FRAME_DISCONNECT = 0x17;
inline constexpr uint8_t FRAME_KEY = 0xF0;
inline constexpr uint8_t FRAME_MODIFIERS_ON = 0xF2;
inline constexpr uint8_t FRAME_MODIFIERS_OFF = 0xF3;
inline constexpr uint8_t FRAME_COMMAND_KEY = 0xF4;
inline constexpr uint8_t FRAME_KEY_OTHER = 0xF5;

// The identity reply: 32 bytes, "QZ" at bytes 8-9, the number of braille
// cells of the terminal's display at byte 5. The rest is stored as it came.
struct TerminalInfo {
  static constexpr size_t kSize = 32;
  std::array<uint8_t, kSize> bytes{};

  uint8_t cellCount() const { return bytes[5]; }

  // The reply as a TerminalInfo, or none when it is not exactly 32 bytes
  // or lacks the letters "QZ" at bytes 8 and 9.
  static std::optional<TerminalInfo> Parse(const uint8_t* data, size_t n) {
    if (n != kSize || data[8] != 'Q' || data[9] != 'Z') return std::nullopt;
    TerminalInfo info;
    for (size_t i = 0; i < kSize; ++i) info.bytes[i] = data[i];
    return info;
  }
};

}  // namespace mirelon
