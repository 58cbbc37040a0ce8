// A braille note-taker terminal for tests: it reads what the program sends
// (with the program's own frame decoder), records every frame (command, parameter,
// payload) and every bare byte, answers the identity request and the
// one-byte replies that the modes expect, and on demand sends frames and
// bare bytes, splits its output into chunks, stalls in the middle of a
// frame, injects garbage, drops its modem lines or disappears.
//
// It runs over a TerminalLink: the terminal end of an in-memory line (fast
// unit tests) or the master side of a pty (the POSIX device). Its own
// thread receives and answers; the test thread drives it. Waits in the
// simulator are bounds for a test that would otherwise hang, never product
// waits.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "client/frame_decoder.h"
#include "support/memory_serial.h"

namespace mirelon {

// The terminal end of a serial line.
class TerminalLink {
 public:
  virtual ~TerminalLink() = default;
  // Bytes from the program, waiting up to `timeoutMs` for the first one;
  // 0 on time-out or when the link is gone.
  virtual size_t Receive(uint8_t* buffer, size_t n, int64_t timeoutMs) = 0;
  virtual void Send(const uint8_t* data, size_t n) = 0;
  // No effect on links without modem lines (a pty).
  virtual void SetModemLines(bool cts, bool dsr) = 0;
  // The terminal (or the adapter) vanishes.
  virtual void Disappear() = 0;
};

std::unique_ptr<TerminalLink> MakeMemoryTerminalLink(std::shared_ptr<MemorySerialLine> line);

// The terminal end as a serial device of its own: the far end of a
// null-modem pair of ports (under Wine, two COM ports joined by a relay).
// It has no modem lines to set; Disappear closes the device.
std::unique_ptr<TerminalLink> MakeDeviceTerminalLink(std::shared_ptr<SerialDevice> device);

#ifndef _WIN32
// A pty pair: the program opens slavePath() with the system's serial
// device; the simulator drives the master through Link(). The slave is set
// to raw mode so that nothing is echoed before the program configures it.
class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  bool ok() const { return master_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }
  // The link owns the master from then on.
  std::unique_ptr<TerminalLink> Link();

 private:
  int master_ = -1;
  std::string slavePath_;
};
#endif

struct ReceivedFrame {
  uint8_t command = 0;
  uint8_t parameter = 0;
  std::vector<uint8_t> payload;
};

class TerminalSimulator : private FrameDecoder::Sink {
 public:
  // How the terminal answers FRAME_IDENTIFY.
  enum class Identity {
    kAnswer,        // the 32-byte TerminalInfo
    kWrongLetters,  // 32 bytes without "QZ" at bytes 8-9
    kShort,         // only the first 31 bytes
    kSilent,        // nothing
  };

  explicit TerminalSimulator(std::unique_ptr<TerminalLink> link);
  ~TerminalSimulator();
  TerminalSimulator(const TerminalSimulator&) = delete;
  TerminalSimulator& operator=(const TerminalSimulator&) = delete;

  // --- configuration (any time) ---
  void SetIdentity(Identity identity);
  void SetCellCount(uint8_t cells);
  // The whole 32-byte identity block (cell count and "QZ" included).
  void SetTerminalInfo(const std::array<uint8_t, 32>& info);
  // After receiving a frame with `command`, answer with the bare `reply`
  // byte; none: no answer. Defaults: FRAME_VIEW_OPEN, FRAME_CHAT_OPEN and
  // FRAME_TEXT_BEGIN are answered with 0x01.
  void SetReply(uint8_t command, std::optional<uint8_t> reply);
  // The next frame with `command` is answered with `reply` instead (none:
  // not answered); queued answers are used in order, before the standing
  // one.
  void QueueReply(uint8_t command, std::optional<uint8_t> reply);
  // The next time a frame with `command` arrives, `bytes` go out before its
  // answer (the user acts just as the program asks something).
  void SendBeforeNextAnswer(uint8_t command, std::vector<uint8_t> bytes);
  // Output goes out in chunks of these sizes (cycled), with `pauseMs`
  // between chunks; empty: every send in one piece.
  void SetSplit(std::vector<size_t> chunks, int64_t pauseMs);
  // Told of every frame from the program as it arrives, on the receiving
  // thread, before it is answered.
  void SetFrameObserver(std::function<void(const ReceivedFrame&)> observer);

  // --- actions ---
  void SendFrame(uint8_t command, uint8_t parameter, const std::vector<uint8_t>& payload = {});
  // Only the first `count` bytes of that frame: a frame that stalls.
  void SendFramePrefix(uint8_t command, uint8_t parameter, const std::vector<uint8_t>& payload,
                       size_t count);
  // Bare bytes: replies, garbage, the rest of a stalled frame.
  void SendBytes(const std::vector<uint8_t>& bytes);
  void RaiseLines();
  void DropLines();
  void Disappear();

  // --- what the program sent ---
  std::vector<ReceivedFrame> frames() const;
  std::vector<uint8_t> bareBytes() const;
  // Every byte received, in order.
  std::vector<uint8_t> received() const;
  int identifyRequests() const;
  // Waits until at least `count` frames (bare bytes) have arrived; false
  // if that did not happen within `timeoutMs`.
  bool WaitForFrames(size_t count, int64_t timeoutMs) const;
  bool WaitForBareBytes(size_t count, int64_t timeoutMs) const;

 private:
  void Run();
  // What the program sent, as a terminal reads it.
  void OnReplyBytes(std::span<const uint8_t> bytes) override;
  void OnFrame(const Frame& frame) override;
  void Answer(const ReceivedFrame& frame);
  void Output(const std::vector<uint8_t>& bytes);

  std::unique_ptr<TerminalLink> link_;
  std::mutex sendLock_;  // one sender at a time, whole sends
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  Identity identity_ = Identity::kAnswer;
  std::array<uint8_t, 32> info_{};
  std::map<uint8_t, std::optional<uint8_t>> replies_;
  std::map<uint8_t, std::deque<std::optional<uint8_t>>> queuedReplies_;
  std::map<uint8_t, std::vector<uint8_t>> beforeAnswer_;
  std::vector<size_t> chunks_;
  int64_t pauseMs_ = 0;
  std::function<void(const ReceivedFrame&)> observer_;
  std::vector<ReceivedFrame> frames_;
  std::vector<uint8_t> bare_;
  std::vector<uint8_t> received_;
  int identifyRequests_ = 0;
  FrameDecoder decoder_;  // receiving thread only

  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace mirelon
