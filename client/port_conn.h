// The connection to one braille terminal, the base of every terminal
// client: the terminal's two serial ports (index 0 the outgoing "Port",
// index 1 the incoming "Port2"), a frame decoder per port, the reply ring
// for bare reply bytes, the command lock that serialises request/reply
// exchanges, the identity handshake, and two threads: the worker thread,
// which hosts the client's worker loop, and the frame dispatch thread,
// which reads the connected port and routes what its decoder finds.
//
// Lifetime: a CPortConn is counted (AddRef/Release, starting at 0) and is
// destroyed by the Release that drops the last reference; it must be
// created with new and held through a reference (RefPtr) before its
// threads start. Each thread holds a reference of its own until it ends,
// so a connection whose threads could not be stopped in time is freed only
// when they have really ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/event.h"
#include "base/timing.h"
#include "client/frame_decoder.h"
#include "client/worker_loop.h"
#include "modes/wire_protocol.h"
#include "serial/serial_port.h"

namespace mirelon {

// Bare reply bytes received outside frames, guarded by the connection lock.
class ReplyRing {
 public:
  static constexpr uint32_t kSize = 1200;

  // Drops the byte when the ring is full.
  void Put(uint8_t byte);
  // The next byte, or -1 when empty.
  int Take();
  void Clear();
  uint32_t count() const { return count_; }
  Event& available() { return available_; }

 private:
  uint8_t bytes_[kSize] = {};
  uint32_t writeIndex_ = 0;
  uint32_t readIndex_ = 0;
  uint32_t count_ = 0;
  Event available_{Event::Kind::kManualReset};
};

class CPortConn;

// One exchange's hold on a connection's command lock, which keeps whole
// request/reply exchanges with the terminal apart: taken at construction,
// waiting at most the lock time-out (and not at all once the connection's
// stop event is set), and given back at destruction.
class CommandLockGuard {
 public:
  explicit CommandLockGuard(CPortConn& conn);
  ~CommandLockGuard();
  CommandLockGuard(const CommandLockGuard&) = delete;
  CommandLockGuard& operator=(const CommandLockGuard&) = delete;

  // Waits for the lock once more when it is not held yet; true once held.
  bool Retry();
  explicit operator bool() const { return held_; }

 private:
  CPortConn& conn_;
  bool held_;
};

class CPortConn {
 public:
  static constexpr size_t kStatusTextChars = 255;  // 256 with the terminator

  explicit CPortConn(const Timing& timing = Timing(),
                     SerialDeviceOpener opener = OpenSystemSerialDevice);
  virtual ~CPortConn();
  CPortConn(const CPortConn&) = delete;
  CPortConn& operator=(const CPortConn&) = delete;

  void AddRef();
  // Destroys the connection when the count reaches 0.
  void Release();

  // The two port names (a name "NULL" stands for no port), the baud rate
  // of both ports and the protocol (0, 1 or 2). Called once, before the
  // threads start.
  void SetConnection(const std::u16string& portName, const std::u16string& port2Name,
                     uint32_t speed, int protocol);

  // The worker thread: it calls CreateWorkerWindow and then runs the
  // worker loop until the loop closes. False when no worker loop existed
  // within the start wait.
  bool StartWorker();
  // Posts CMD_CLIENT_QUIT to the worker loop and waits for the worker
  // thread to end; false when it is still running after the stop wait.
  bool StopWorker();
  // The dispatch thread: assembles frames from the connected port (port 0
  // before port 1) and hands each complete frame to OnFrame. A connection
  // whose dispatch was stopped is stopped for good: StartDispatch then
  // fails.
  bool StartDispatch();
  // Signals the stop event, which ends every wait of the connection, and
  // waits for the dispatch thread; false when it is still running after
  // the stop wait.
  bool StopDispatch();

  // Empties the reply ring and writes one frame to the current port (after
  // the bare bytes that wait for the command lock, when the caller holds
  // it); false when that port is not connected, the payload is longer than
  // a frame can carry (nothing sent then) or the write failed.
  bool SendFrame(uint8_t command, uint8_t parameter, const uint8_t* payload, size_t length);
  // Writes bare bytes, outside any frame, to the current port (a reply the
  // program owes the terminal); false when it is not connected.
  bool WriteBare(const uint8_t* bytes, size_t n);
  // Bare bytes that must never wait for the command lock (the dispatch
  // thread's answers, which an exchange in progress may itself be waiting
  // to read past): written at once when no exchange runs, otherwise by the
  // holder of the lock before its next frame or when it lets the lock go,
  // so they never fall inside a frame.
  void WriteBareSoon(const uint8_t* bytes, size_t n);
  // Takes up to `n` reply bytes, waiting until the reply time-out after the
  // call at most; the count taken.
  int ReadReply(uint8_t* buffer, int n);
  // One identity exchange on port `index`; on success the reply is stored,
  // the cell count known and that port becomes the current port.
  bool Handshake(int index);

  // The terminal-specific operations a client supplies.
  // On the worker thread: creates the worker loop (CreateWorkerLoop) and
  // hands it to SetWorkerWindow; false when it could not.
  virtual bool CreateWorkerWindow() = 0;
  virtual bool CloseAll() = 0;
  virtual bool OpenPort(int index) = 0;
  virtual bool ClosePort(int index) = 0;
  // A complete frame arrived on `port` (its payload is valid during the
  // call only). Runs on the dispatch thread and must not wait for the
  // worker thread.
  virtual void OnFrame(SerialPort& port, const Frame& frame) = 0;

  SerialPort& port(int index) { return index == 0 ? port_ : port2_; }
  int currentPortIndex() const { return currentPort_.load(); }
  SerialPort& currentPort() { return port(currentPort_.load()); }
  const std::u16string& portName() const { return portName_; }
  const std::u16string& port2Name() const { return port2Name_; }
  uint32_t speed() const { return speed_; }
  int protocol() const { return protocol_; }
  std::u16string statusText() const;
  // Keeps at most 255 characters.
  void SetStatusText(std::u16string_view text);

  bool terminalInfoValid() const { return terminalInfoValid_.load(); }
  TerminalInfo terminalInfo() const;
  int cellCount() const { return cellCount_.load(); }

  bool HasWorkerWindow() const;
  // Posts a command to the worker loop; false when there is none.
  bool PostToWorker(WorkerCommand command);
  Event& stopEvent() { return stopEvent_; }
  const Timing& timing() const { return timing_; }

 protected:
  // The worker loop made by CreateWorkerWindow, on the worker thread.
  void SetWorkerWindow(std::unique_ptr<WorkerLoop> loop);
  // Asks the worker loop to close (WM_CLOSE); the worker thread then ends.
  void CloseWorkerWindow();
  // Frames go to port `index` from now on (its terminal is identified).
  void SetCurrentPort(int index) { currentPort_ = index; }

 private:
  friend class CommandLockGuard;

  bool AcquireCommandLock();
  void ReleaseCommandLock();
  // The bytes of WriteBareSoon that wait for the lock's holder, written
  // now; with pendingLock_ held.
  void WritePendingBare();
  void WorkerMain();
  void DispatchMain();
  // Reads what the decoder of port `index` wants (one header byte, or the
  // rest of a frame) and routes what it finds.
  void AssemblyStep(int index);
  static void EndThread(std::thread& thread);
  // Runs `main` on `thread`, which holds a reference of its own, unless an
  // earlier thread there still runs; with threadLock_ held.
  bool StartThread(std::thread& thread, Event& started, Event& ended, void (CPortConn::*main)());
  // Joins a thread that has signalled its end, unless another caller has
  // joined it already.
  void JoinEnded(std::thread& thread);

  const Timing timing_;
  std::atomic<int> refCount_{0};
  SerialPort port_;
  SerialPort port2_;
  std::atomic<int> currentPort_{0};
  std::u16string portName_;
  std::u16string port2Name_;
  uint32_t speed_ = 0;
  int protocol_ = 0;
  mutable std::mutex statusLock_;
  std::u16string statusText_;

  mutable std::mutex workerLock_;  // guards workerWindow_
  std::unique_ptr<WorkerLoop> workerWindow_;

  FrameDecoder decoders_[2];
  // The port generation each decoder was last fed under: a decoder holding
  // part of a frame from an earlier opening starts over.
  uint32_t decoderGenerations_[2] = {0, 0};  // dispatch thread only
  GrowBuffer readBuffer_;  // dispatch thread only
  std::mutex connectionLock_;  // guards reply_
  ReplyRing reply_;
  std::atomic<bool> commandBusy_{false};
  Event commandEvent_{Event::Kind::kAutoReset, true};
  // Guards pendingBare_, and the lock's release against WriteBareSoon
  // finding it taken, so that no pending byte is left behind.
  std::mutex pendingLock_;
  std::vector<uint8_t> pendingBare_;

  mutable std::mutex infoLock_;
  TerminalInfo terminalInfo_;
  std::atomic<bool> terminalInfoValid_{false};
  std::atomic<int> cellCount_{0};

  // Guards the two thread objects, which Start and Stop may reach from
  // several threads at once (a client stopped by the terminals dialog and
  // by the closing talk).
  std::mutex threadLock_;
  std::thread workerThread_;
  Event workerStarted_{Event::Kind::kManualReset};
  Event workerEnded_{Event::Kind::kManualReset};
  std::atomic<bool> dispatchStop_{false};
  std::thread dispatchThread_;
  Event dispatchStarted_{Event::Kind::kManualReset};
  Event dispatchEnded_{Event::Kind::kManualReset};
  Event stopEvent_{Event::Kind::kManualReset};  // set once, never reset
};

}  // namespace mirelon
