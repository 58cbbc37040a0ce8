// What a terminal client test needs around its clients: named in-memory
// lines with a simulated terminal on each, a recording talk window, a
// braille line list the test appends to, and the ClientSetup joining them
// (shortened timing, a fixed local time of 7 March 9:05).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "braille/braille_line_list.h"
#include "client/qz_client.h"
#include "support/fast_timing.h"
#include "support/memory_serial.h"
#include "support/recording_talk_sink.h"
#include "support/terminal_simulator.h"

namespace mirelon {

class ClientRig {
 public:
  ClientRig() : sink(std::make_shared<RecordingTalkSink>()) {}

  // A line named `name` with a terminal on it (modem lines down).
  TerminalSimulator& Terminal(const std::u16string& name) {
    auto& t = terminals[name];
    if (!t) {
      lines_[name] = bus.Add(name);
      t = std::make_unique<TerminalSimulator>(MakeMemoryTerminalLink(lines_[name]));
    }
    return *t;
  }
  std::shared_ptr<MemorySerialLine> Line(const std::u16string& name) { return lines_.at(name); }

  ClientSetup Setup() {
    ClientSetup s;
    s.talkWindow = sink;
    s.talkPath = u"chat.meeting";
    s.lines = &lines;
    s.timing = timing;
    s.opener = bus.opener();
    s.clock = [] { return LocalTime{3, 7, 9, 5}; };
    return s;
  }

  // Appends a talk line with these library-layout cells (and its zero).
  void AddLine(std::vector<uint8_t> cells, uint32_t number = 1, std::u16string text = {}) {
    auto* line = new BrailleLine;
    line->messageNumber = number;
    line->text = std::move(text);
    if (!cells.empty()) {
      line->braille = std::move(cells);
      line->braille.push_back(0);
    }
    lines.Append(line);
  }

  Timing timing = FastTiming();
  MemorySerialBus bus;
  std::shared_ptr<RecordingTalkSink> sink;
  BrailleLineList lines;
  std::map<std::u16string, std::unique_ptr<TerminalSimulator>> terminals;

 private:
  std::map<std::u16string, std::shared_ptr<MemorySerialLine>> lines_;
};

}  // namespace mirelon
