// The terminal client of protocols 0 ("トークの閲覧", view the talk) and 1
// ("トークの閲覧と発言", view the talk and post): the terminal's keys move
// through the talk on its braille display, and with protocol 1 the user
// also writes messages and search keywords there (DisplayMode).
//
// The dispatch thread only turns the terminal's key frames into worker
// commands; every key is handled on the worker thread, in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "braille/braille_line_list.h"
#include "client/qz_client.h"
#include "modes/display_mode.h"

namespace mirelon {

class CQZClient_DisplayMode : public CQZClient {
 public:
  static constexpr int kProtocolView = 0;
  static constexpr int kProtocolViewAndPost = 1;
  // The payload of FRAME_VIEW_OPEN.
  static constexpr uint8_t kViewOpenPayload[2] = {0x00, 0x01};

  CQZClient_DisplayMode(const ClientSetup& setup, std::optional<std::u16string> userName,
                        bool postingAllowed);

  // Dispatch thread: the display-mode frames become worker commands; a
  // disconnect request on the outgoing port closes it.
  void OnFrame(SerialPort& port, const Frame& frame) override;
  // Any thread: the line this terminal is at.
  const BrailleLine* GetCurrentMessage() override { return mode_.CurrentLine(); }
  // Any thread: the field being edited on the terminal and its part on the
  // display, while an edit state is active.
  std::optional<std::vector<uint8_t>> GetEditLine(int* start, int* end) override;

  // For tests: the mode's state as the worker thread leaves it.
  const DisplayMode& mode() const { return mode_; }

 protected:
  // CMD_KEY_EVENT, CMD_MODIFIERS_SET, CMD_MODIFIERS_CLEAR, CMD_COMMAND_KEY
  // and CMD_KEY_OTHER.
  bool OnCommand(const WorkerCommand& command) override;
  // FRAME_VIEW_OPEN and its one-byte answer (not examined).
  void SendOpeningFrames() override;
  // FRAME_VIEW_STOP, the output drained (within the drain limit), then
  // FRAME_VIEW_CLOSE.
  void SendClosingFrames(int index) override;
  // Shows the current line from its start, whatever the state.
  void OnPortOpened(int index) override;

 private:
  // What the mode tells the terminal, the dialog and the talk, through the
  // client.
  class Host : public DisplayModeHost {
   public:
    explicit Host(CQZClient_DisplayMode& client) : client_(client) {}
    void Announce(std::u16string_view text) override { client_.Announce(text); }
    void NotifyChanged() override { client_.NotifyDialog(); }
    void PostTypedText(std::u16string text) override { client_.PostTalkText(text); }

   private:
    CQZClient_DisplayMode& client_;
  };

  // A client given no line list browses an empty one.
  BrailleLineList noLines_;
  Host host_{*this};
  DisplayMode mode_;
};

}  // namespace mirelon
