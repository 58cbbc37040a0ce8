#include "modes/chat_mode.h"

#include <utility>

#include "braille/braille_line_list.h"
#include "braille/cells.h"

namespace mirelon {
namespace {

constexpr uint8_t kTextAcknowledge = 0x01;  // bare answer to the terminal's FRAME_TEXT_BEGIN
constexpr uint8_t kEndOfText = 0x00;
constexpr uint8_t kEraseCell = 0x08;

}  // namespace

CQZClient_ChatMode::CQZClient_ChatMode(const ClientSetup& setup, std::optional<std::u16string> userName)
    : CQZClient(setup, std::move(userName)) {}

void CQZClient_ChatMode::SendOpeningFrames() {
  SendFrame(FRAME_CHAT_OPEN, 0, kGreeting.data(), kGreeting.size());
  uint8_t answer = 0;
  ReadReply(&answer, 1);  // not examined
}

void CQZClient_ChatMode::SendClosingFrames(int) { SendFrame(FRAME_CHAT_END, 0, nullptr, 0); }

int CQZClient_ChatMode::OnTimer() {
  const BrailleLine* current = GetCurrentMessage();
  if (!current || !lines()) return 0;
  const BrailleLine* next = lines()->Next(current);
  if (!next) return 0;
  // A line that could not go out is sent again on the next tick; one the
  // terminal refused is passed over.
  const uint8_t* cells = next->Braille();
  if (!cells || SendLine(cells) != LineResult::kUnsent) {
    SetCurrentMessage(next);
    // The terminals dialog shows the line the terminal is at.
    NotifyDialog();
  }
  return 0;
}

CQZClient_ChatMode::LineResult CQZClient_ChatMode::SendLine(const uint8_t* cells) {
  while (*cells) {
    // Another exchange may hold the lock for a while; keep waiting for it
    // (each try is a full lock wait), but not once the client is ending,
    // when every try fails at once.
    CommandLockGuard lock(*this);
    while (!lock && !Stopping()) lock.Retry();
    if (!lock) return LineResult::kUnsent;
    if (!SendFrame(FRAME_TEXT_BEGIN, 0, nullptr, 0)) return LineResult::kUnsent;
    uint8_t answer = 0;
    if (ReadReply(&answer, 1) != 1 || answer == 0) {
      // No answer because the client is ending is no refusal.
      return Stopping() ? LineResult::kUnsent : LineResult::kRefused;
    }
    // A failed write (the terminal's lines dropped, the write timed out)
    // ends the block at once rather than waiting out every cell's write.
    for (size_t n = 0; n < kBlockCells && *cells; ++n, ++cells)
      if (Stopping() || !SendFrame(FRAME_TEXT_CELL, *cells, nullptr, 0)) return LineResult::kUnsent;
    if (!SendFrame(FRAME_TEXT_CELL, kEndOfText, nullptr, 0)) return LineResult::kUnsent;
  }
  return LineResult::kSent;
}

void CQZClient_ChatMode::OnFrame(SerialPort& from, const Frame& frame) {
  switch (frame.command) {
    case FRAME_DISCONNECT:
      // Only the outgoing port is closed on request.
      if (&from == &port(0)) PostToWorker({CMD_CLIENT_CLOSE_PORT, 0});
      break;
    case FRAME_CHAT_END:
      PostToWorker({CMD_CLIENT_CLOSE_PORT, 0});
      break;
    case FRAME_TEXT_BEGIN:
      inputPosition_ = 0;
      // Never waits for the command lock: a line transfer holding it may be
      // waiting for its own answer, which only this thread can read.
      WriteBareSoon(&kTextAcknowledge, 1);
      break;
    case FRAME_TEXT_CELL:
      TypedCell(frame.parameter);
      break;
    default:
      break;
  }
}

void CQZClient_ChatMode::TypedCell(uint8_t cell) {
  if (inputPosition_ < 0) return;  // no text open
  if (cell == kEndOfText) {
    std::u16string text;
    text.reserve(static_cast<size_t>(inputPosition_));
    for (int i = 0; i < inputPosition_; ++i) text += LibraryCellToUnicode(input_[static_cast<size_t>(i)]);
    input_[static_cast<size_t>(inputPosition_)] = 0;
    inputPosition_ = -1;
    PostToWorker({CMD_CHAT_INPUT, 0, std::move(text)});
  } else if (cell == kEraseCell) {
    if (inputPosition_ > 0) --inputPosition_;
  } else if (inputPosition_ < kInputCapacity - 1) {
    input_[static_cast<size_t>(inputPosition_++)] = cell;
  }
}

bool CQZClient_ChatMode::OnCommand(const WorkerCommand& command) {
  if (command.id != CMD_CHAT_INPUT) return false;
  PostTalkText(command.text);
  return true;
}

}  // namespace mirelon
