// Braille chat (protocol 2, "点字チャット"): every line added to the talk
// after the client was created goes to the terminal as braille cells, one
// line per supervision tick, and every text the terminal user types and
// finishes is posted to the talk under the user's name.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "client/qz_client.h"

namespace mirelon {

class CQZClient_ChatMode : public CQZClient {
 public:
  static constexpr int kProtocol = 2;
  // The greeting sent with FRAME_CHAT_OPEN, in library layout, without a
  // terminating 0: the product name, a blank, "chat begins" and a full stop.
  static constexpr std::array<uint8_t, 18> kGreeting = {0x76, 0x33, 0x23, 0x46, 0x80, 0x01,
                                                        0x52, 0x20, 0x63, 0x42, 0x80, 0x54,
                                                        0x02, 0x36, 0x77, 0x56, 0x17, 0x26};
  // Typed cells kept: 1023 and the terminating 0.
  static constexpr int kInputCapacity = 1024;
  // Cells of a talk line sent under one FRAME_TEXT_BEGIN.
  static constexpr size_t kBlockCells = 1020;

  CQZClient_ChatMode(const ClientSetup& setup, std::optional<std::u16string> userName);

  // Dispatch thread: the terminal's end of chat and disconnect requests,
  // and the collection of a typed text.
  void OnFrame(SerialPort& port, const Frame& frame) override;

 protected:
  // Sends the line after the current one, if there is one.
  int OnTimer() override;
  // CMD_CHAT_INPUT: posts the finished text to the talk.
  bool OnCommand(const WorkerCommand& command) override;
  void SendOpeningFrames() override;
  void SendClosingFrames(int index) override;

 private:
  enum class LineResult {
    kSent,
    kRefused,  // the terminal refused a block: the rest of the line is dropped
    kUnsent,   // a write failed or the client is ending: to be sent again
  };
  // Sends the cells of one talk line in blocks.
  LineResult SendLine(const uint8_t* cells);
  void TypedCell(uint8_t cell);

  // Dispatch thread only: the text being typed; position -1 while no text
  // is open.
  std::array<uint8_t, kInputCapacity> input_{};
  int inputPosition_ = -1;
};

}  // namespace mirelon
