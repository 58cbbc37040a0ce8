// What a terminal client's worker loop is asked to do: the commands of the
// worker window and the data some of them carry. Commands travel as typed
// values, so nothing is lost or leaked when a loop ends before it has
// handled them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace mirelon {

// Commands of a client's worker loop (the worker window's command ids).
inline constexpr uint32_t CMD_CLIENT_QUIT = 1025;
inline constexpr uint32_t CMD_CLIENT_OPEN_PORT = 1026;   // value: port index
inline constexpr uint32_t CMD_CLIENT_CLOSE_PORT = 1027;  // value: port index
// Mode commands that the dispatch thread posts to its own worker loop.
inline constexpr uint32_t CMD_KEY_EVENT = 1040;          // value: payload bytes 0-3
inline constexpr uint32_t CMD_MODIFIERS_SET = 1041;
inline constexpr uint32_t CMD_MODIFIERS_CLEAR = 1042;
inline constexpr uint32_t CMD_COMMAND_KEY = 1043;
inline constexpr uint32_t CMD_KEY_OTHER = 1044;
inline constexpr uint32_t CMD_CHAT_INPUT = 1056;         // text: a finished typed text

struct WorkerCommand {
  WorkerCommand() = default;
  WorkerCommand(uint32_t id, uint32_t value = 0, std::u16string text = {})
      : id(id), value(value), text(std::move(text)) {}

  uint32_t id = 0;
  // A port index, or the first four payload bytes of a key frame (byte 0
  // in the low bits).
  uint32_t value = 0;
  // A finished typed text, in Unicode braille.
  std::u16string text;
};

}  // namespace mirelon
