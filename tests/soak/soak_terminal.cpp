// One simulated braille terminal on a pty, for the soak run (scripts/soak).
//
//   soak_terminal LINK KIND SEED
//
// LINK becomes a symbolic link to the pty's slave side: the runner is given
// it as the terminal's port, so the terminal can be unplugged and plugged in
// again under the same name. KIND is "chat" (braille chat), "browse"
// (display mode, keys only) or "writer" (display mode, keys and posts).
//
// Commands, one per line on standard input:
//   post CELLS      types CELLS (Unicode braille) and sends them as a message
//   key K C M       a key frame: kind, code and modifiers (decimal)
//   rubbish         one piece of random bytes or a malformed frame
//   unplug / plug   the pty goes away / a new one appears under LINK
//   quit
// Events, one per line on standard output, each after the monotonic clock
// in seconds:
//   plugged, unplugged, identify, open, end
//   line CELLS      a whole line received in chat mode (Unicode braille)
//   cut CELLS       a line that stopped when the terminal was unplugged
//   display, signal (display modes) what the program showed
//   posted CELLS    the last frame of a message went out
#ifndef _WIN32
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "base/utf.h"
#include "braille/cells.h"
#include "modes/wire_protocol.h"
#include "support/terminal_simulator.h"

namespace mirelon {
namespace {

enum class Kind { kChat, kBrowse, kWriter };

constexpr uint8_t kChordDot7 = 0x10;  // terminal layout: posts the message being edited
constexpr uint8_t kChordDot8 = 0x01;  // terminal layout: starts editing

std::mutex g_outLock;

void Report(const std::string& event) {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  std::lock_guard<std::mutex> guard(g_outLock);
  std::printf("%ld.%06ld %s\n", static_cast<long>(t.tv_sec), t.tv_nsec / 1000, event.c_str());
  std::fflush(stdout);
}

std::string CellsText(const std::vector<uint8_t>& libraryCells) {
  std::u16string text;
  for (uint8_t cell : libraryCells) text += LibraryCellToUnicode(cell);
  return Utf16ToUtf8(text);
}

class Terminal {
 public:
  Terminal(std::string link, Kind kind, unsigned seed) : link_(std::move(link)), kind_(kind), random_(seed) {}
  ~Terminal() { Unplug(); }

  bool Plug() {
    if (sim_) return true;
    PtyPair pty;
    if (!pty.ok()) return false;
    const std::string slave = pty.slavePath();
    sim_ = std::make_unique<TerminalSimulator>(pty.Link());
    if (kind_ != Kind::kChat) sim_->SetCellCount(32);
    sim_->SetFrameObserver([this](const ReceivedFrame& f) { OnFrame(f); });
    unlink(link_.c_str());
    if (symlink(slave.c_str(), link_.c_str()) != 0) return false;
    Report("plugged");
    return true;
  }

  // The link goes first, then the line: the program finds nothing under
  // the name while it waits to connect again.
  void Unplug() {
    if (!sim_) return;
    unlink(link_.c_str());
    sim_.reset();
    std::lock_guard<std::mutex> guard(lineLock_);
    if (inLine_ && !line_.empty()) Report("cut " + CellsText(line_));
    inLine_ = false;
    line_.clear();
    Report("unplugged");
  }

  void Post(const std::u16string& cells) {
    if (!sim_) return;
    if (kind_ == Kind::kChat) {
      const size_t acks = sim_->bareBytes().size();
      sim_->SendFrame(FRAME_TEXT_BEGIN, 0);
      // The program acknowledges the start of a text; the cells are taken
      // all the same when it does not.
      sim_->WaitForBareBytes(acks + 1, 3000);
      for (char16_t c : cells) sim_->SendFrame(FRAME_TEXT_CELL, UnicodeToLibraryCell(c));
      sim_->SendFrame(FRAME_TEXT_CELL, 0);
    } else {
      Key(1, kChordDot8, 0);
      for (char16_t c : cells) Key(1, SwapCellLayout(UnicodeToLibraryCell(c)), 0);
      Key(1, kChordDot7, 0);
    }
    Report("posted " + Utf16ToUtf8(cells));
  }

  void Key(uint8_t kind, uint8_t code, uint8_t modifiers) {
    if (sim_) sim_->SendFrame(FRAME_KEY, 0, {kind, code, modifiers, 0});
  }

  // Random bytes outside frames, or a frame that is not what the protocol
  // says: an unknown command, a known one with too short a payload, a
  // header whose payload never comes in full, marks that lead nowhere. No
  // piece is a well-formed request (a disconnect or chat end would be a
  // real one).
  void Rubbish() {
    if (!sim_) return;
    std::vector<uint8_t> bytes;
    auto any = [&](size_t n, bool marks) {
      for (size_t i = 0; i < n; ++i) {
        uint8_t b = static_cast<uint8_t>(random_());
        bytes.push_back(marks || b != kFrameMark ? b : 0x00);
      }
    };
    const uint8_t known[] = {FRAME_KEY, FRAME_MODIFIERS_ON, FRAME_MODIFIERS_OFF, FRAME_COMMAND_KEY,
                             FRAME_KEY_OTHER, FRAME_TEXT_BEGIN, FRAME_TEXT_CELL};
    switch (random_() % 5) {
      case 0:
        any(1 + random_() % 64, false);
        break;
      case 1:  // marks and a byte that ends them
        bytes.assign(1 + random_() % 3, kFrameMark);
        any(1, false);
        break;
      case 2: {  // an unknown command with its payload
        const uint8_t command = static_cast<uint8_t>(0x80 + random_() % 0x40);
        const size_t n = random_() % 40;
        bytes = {kFrameMark, kFrameMark, command, static_cast<uint8_t>(random_()), static_cast<uint8_t>(n), 0};
        any(n, false);
        break;
      }
      case 3: {  // a known command whose payload is too short for it
        const uint8_t command = known[random_() % std::size(known)];
        const size_t n = random_() % 4;
        bytes = {kFrameMark, kFrameMark, command, static_cast<uint8_t>(random_()), static_cast<uint8_t>(n), 0};
        any(n, true);
        if (command == FRAME_TEXT_BEGIN || command == FRAME_TEXT_CELL) bytes[4] = bytes[5] = 0xFF;
        break;
      }
      default: {  // a header whose payload stops short
        const size_t n = 64 + random_() % 4000;
        bytes = {kFrameMark, kFrameMark, static_cast<uint8_t>(random_()), 0, static_cast<uint8_t>(n & 0xFF),
                 static_cast<uint8_t>(n >> 8)};
        any(random_() % 32, false);
        break;
      }
    }
    sim_->SendBytes(bytes);
  }

 private:
  void OnFrame(const ReceivedFrame& f) {
    switch (f.command) {
      case FRAME_IDENTIFY:
        Report("identify");
        return;
      case FRAME_CHAT_OPEN:
      case FRAME_VIEW_OPEN:
        Report("open");
        return;
      case FRAME_CHAT_END:
      case FRAME_VIEW_CLOSE:
        Report("end");
        return;
      case FRAME_DISPLAY:
        Report("display");
        return;
      case FRAME_SIGNAL:
        Report("signal");
        return;
      default:
        break;
    }
    std::lock_guard<std::mutex> guard(lineLock_);
    if (f.command == FRAME_TEXT_BEGIN) {
      if (inLine_ && !line_.empty()) Report("cut " + CellsText(line_));
      inLine_ = true;
      line_.clear();
    } else if (f.command == FRAME_TEXT_CELL && inLine_) {
      if (f.parameter != 0) {
        line_.push_back(f.parameter);
      } else {
        Report("line " + CellsText(line_));
        inLine_ = false;
        line_.clear();
      }
    }
  }

  const std::string link_;
  const Kind kind_;
  std::mt19937 random_;
  std::unique_ptr<TerminalSimulator> sim_;
  std::mutex lineLock_;
  bool inLine_ = false;
  std::vector<uint8_t> line_;
};

int Run(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: soak_terminal LINK chat|browse|writer SEED\n", stderr);
    return 2;
  }
  const std::string kindName = argv[2];
  const Kind kind = kindName == "chat" ? Kind::kChat : kindName == "writer" ? Kind::kWriter : Kind::kBrowse;
  Terminal terminal(argv[1], kind, static_cast<unsigned>(std::stoul(argv[3])));
  if (!terminal.Plug()) {
    std::fputs("soak_terminal: no pty\n", stderr);
    return 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    const std::string verb = line.substr(0, line.find(' '));
    const std::string rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : std::string();
    if (verb == "post") {
      terminal.Post(Utf8ToUtf16Lenient(rest));
    } else if (verb == "key") {
      unsigned k = 0, c = 0, m = 0;
      if (std::sscanf(rest.c_str(), "%u %u %u", &k, &c, &m) == 3)
        terminal.Key(static_cast<uint8_t>(k), static_cast<uint8_t>(c), static_cast<uint8_t>(m));
    } else if (verb == "rubbish") {
      terminal.Rubbish();
    } else if (verb == "unplug") {
      terminal.Unplug();
    } else if (verb == "plug") {
      if (!terminal.Plug()) Report("plug failed");
    } else if (verb == "quit") {
      break;
    }
  }
  return 0;
}

}  // namespace
}  // namespace mirelon

int main(int argc, char** argv) { return mirelon::Run(argc, argv); }
#endif
