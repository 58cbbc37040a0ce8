#include "modes/display_mode_client.h"

#include <utility>

namespace mirelon {
namespace {

// Payload bytes 0-3 as one value, byte 0 in the low bits; bytes the frame
// does not carry count as 0.
uint32_t PackPayload(const Frame& frame) {
  uint32_t packed = 0;
  for (size_t i = 0; i < 4 && i < frame.payload.size(); ++i)
    packed |= static_cast<uint32_t>(frame.payload[i]) << (8 * i);
  return packed;
}

uint8_t PayloadByte(uint32_t packed, int index) {
  return static_cast<uint8_t>((packed >> (8 * index)) & 0xFF);
}

}  // namespace

CQZClient_DisplayMode::CQZClient_DisplayMode(const ClientSetup& setup, std::optional<std::u16string> userName,
                                             bool postingAllowed)
    : CQZClient(setup, std::move(userName)),
      mode_(lines() ? *lines() : noLines_, display(), *this, host_, postingAllowed) {}

void CQZClient_DisplayMode::OnFrame(SerialPort& from, const Frame& frame) {
  switch (frame.command) {
    case FRAME_DISCONNECT:
      // Only the outgoing port is closed on request.
      if (&from == &port(0)) PostToWorker({CMD_CLIENT_CLOSE_PORT, 0});
      break;
    case FRAME_KEY: PostToWorker({CMD_KEY_EVENT, PackPayload(frame)}); break;
    case FRAME_MODIFIERS_ON: PostToWorker({CMD_MODIFIERS_SET, PackPayload(frame)}); break;
    case FRAME_MODIFIERS_OFF: PostToWorker({CMD_MODIFIERS_CLEAR, PackPayload(frame)}); break;
    case FRAME_COMMAND_KEY: PostToWorker({CMD_COMMAND_KEY, PackPayload(frame)}); break;
    case FRAME_KEY_OTHER: PostToWorker({CMD_KEY_OTHER, PackPayload(frame)}); break;
    default: break;
  }
}

bool CQZClient_DisplayMode::OnCommand(const WorkerCommand& command) {
  const uint32_t payload = command.value;
  switch (command.id) {
    case CMD_KEY_EVENT: mode_.HandleKey(KeyEvent::FromPayload(payload)); break;
    case CMD_MODIFIERS_SET: mode_.SetModifiers(PayloadByte(payload, 2)); break;
    case CMD_MODIFIERS_CLEAR: mode_.ClearModifiers(PayloadByte(payload, 2)); break;
    case CMD_COMMAND_KEY: mode_.HandleCommandKey(PayloadByte(payload, 0) != 0, PayloadByte(payload, 1)); break;
    case CMD_KEY_OTHER: break;
    default: return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> CQZClient_DisplayMode::GetEditLine(int* start, int* end) {
  std::optional<EditLine> line = mode_.GetEditLine();
  if (!line) return std::nullopt;
  if (start) *start = line->start;
  if (end) *end = line->end;
  return std::move(line->cells);
}

void CQZClient_DisplayMode::SendOpeningFrames() {
  SendFrame(FRAME_VIEW_OPEN, 0, kViewOpenPayload, sizeof kViewOpenPayload);
  uint8_t answer = 0;
  ReadReply(&answer, 1);  // not examined
}

void CQZClient_DisplayMode::SendClosingFrames(int) {
  SendFrame(FRAME_VIEW_STOP, 0, nullptr, 0);
  // The terminal takes the stop before the port goes away.
  currentPort().DrainOutput();
  SendFrame(FRAME_VIEW_CLOSE, 0, nullptr, 0);
}

void CQZClient_DisplayMode::OnPortOpened(int) { mode_.OnConnected(); }

}  // namespace mirelon
