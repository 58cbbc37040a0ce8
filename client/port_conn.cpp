#include "client/port_conn.h"

#include <algorithm>
#include <span>
#include <system_error>
#include <vector>

namespace mirelon {

void ReplyRing::Put(uint8_t byte) {
  if (count_ >= kSize) return;
  bytes_[writeIndex_] = byte;
  writeIndex_ = (writeIndex_ + 1) % kSize;
  if (count_++ == 0) available_.Set();
}

int ReplyRing::Take() {
  if (count_ == 0) return -1;
  int byte = bytes_[readIndex_];
  readIndex_ = (readIndex_ + 1) % kSize;
  if (--count_ == 0) available_.Reset();
  return byte;
}

void ReplyRing::Clear() {
  writeIndex_ = readIndex_ = count_ = 0;
  available_.Reset();
}

CPortConn::CPortConn(const Timing& timing, SerialDeviceOpener opener)
    : timing_(timing),
      port_(timing, opener),
      port2_(timing, opener),
      statusText_(u"未接続") {}

CPortConn::~CPortConn() {
  // Threads hold references, so by now they have ended (or are ending on
  // this very thread, which dropped the last reference).
  EndThread(dispatchThread_);
  EndThread(workerThread_);
}

void CPortConn::EndThread(std::thread& thread) {
  if (!thread.joinable()) return;
  if (thread.get_id() == std::this_thread::get_id())
    thread.detach();
  else
    thread.join();
}

void CPortConn::AddRef() { ++refCount_; }

void CPortConn::Release() {
  if (--refCount_ == 0) delete this;
}

void CPortConn::SetConnection(const std::u16string& portName, const std::u16string& port2Name,
                              uint32_t speed, int protocol) {
  portName_ = portName;
  port2Name_ = port2Name;
  speed_ = speed;
  protocol_ = protocol;
}

std::u16string CPortConn::statusText() const {
  std::lock_guard<std::mutex> guard(statusLock_);
  return statusText_;
}

void CPortConn::SetStatusText(std::u16string_view text) {
  std::lock_guard<std::mutex> guard(statusLock_);
  statusText_ = text.substr(0, kStatusTextChars);
}

TerminalInfo CPortConn::terminalInfo() const {
  std::lock_guard<std::mutex> guard(infoLock_);
  return terminalInfo_;
}

bool CPortConn::HasWorkerWindow() const {
  std::lock_guard<std::mutex> guard(workerLock_);
  return workerWindow_ != nullptr;
}

bool CPortConn::PostToWorker(WorkerCommand command) {
  std::lock_guard<std::mutex> guard(workerLock_);
  return workerWindow_ && workerWindow_->PostCommand(std::move(command));
}

void CPortConn::SetWorkerWindow(std::unique_ptr<WorkerLoop> loop) {
  std::lock_guard<std::mutex> guard(workerLock_);
  workerWindow_ = std::move(loop);
}

void CPortConn::CloseWorkerWindow() {
  std::lock_guard<std::mutex> guard(workerLock_);
  if (workerWindow_) workerWindow_->Close();
}

bool CPortConn::StartWorker() {
  {
    std::lock_guard<std::mutex> guard(threadLock_);
    if (!StartThread(workerThread_, workerStarted_, workerEnded_, &CPortConn::WorkerMain))
      return false;
  }
  workerStarted_.Wait(timing_.connWorkerStartMs);
  return HasWorkerWindow();
}

bool CPortConn::StartThread(std::thread& thread, Event& started, Event& ended,
                            void (CPortConn::*main)()) {
  if (thread.joinable()) {
    // One thread of a kind per connection: an earlier one still running is
    // left alone.
    if (!ended.IsSet()) return false;
    thread.join();
  }
  started.Reset();
  ended.Reset();
  AddRef();  // the thread's reference
  try {
    thread = std::thread(main, this);
  } catch (const std::system_error&) {
    Release();
    return false;
  }
  return true;
}

void CPortConn::WorkerMain() {
  CreateWorkerWindow();
  workerStarted_.Set();
  WorkerLoop* loop = nullptr;
  {
    std::lock_guard<std::mutex> guard(workerLock_);
    loop = workerWindow_.get();
  }
  if (loop) loop->Run();
  // The loop is destroyed on the thread that created it.
  std::unique_ptr<WorkerLoop> ended;
  {
    std::lock_guard<std::mutex> guard(workerLock_);
    ended = std::move(workerWindow_);
  }
  ended.reset();
  workerEnded_.Set();
  Release();
}

bool CPortConn::StopWorker() {
  {
    std::lock_guard<std::mutex> guard(threadLock_);
    if (!workerThread_.joinable()) return true;
  }
  if (!workerEnded_.IsSet()) {
    PostToWorker({CMD_CLIENT_QUIT});
    if (!workerEnded_.Wait(timing_.connWorkerStopMs)) return false;
  }
  JoinEnded(workerThread_);
  return true;
}

bool CPortConn::StartDispatch() {
  {
    std::lock_guard<std::mutex> guard(threadLock_);
    if (dispatchStop_ || stopEvent_.IsSet() ||
        !StartThread(dispatchThread_, dispatchStarted_, dispatchEnded_, &CPortConn::DispatchMain))
      return false;
  }
  dispatchStarted_.Wait(timing_.connDispatchStartMs);
  return true;
}

bool CPortConn::StopDispatch() {
  {
    std::lock_guard<std::mutex> guard(threadLock_);
    // A dispatch that was about to start never does.
    dispatchStop_ = true;
    if (!dispatchThread_.joinable()) return true;
    stopEvent_.Set();
  }
  if (!dispatchEnded_.Wait(timing_.connDispatchStopMs)) return false;
  JoinEnded(dispatchThread_);
  return true;
}

void CPortConn::JoinEnded(std::thread& thread) {
  // Whoever comes first joins; the others find nothing left to join.
  std::lock_guard<std::mutex> guard(threadLock_);
  if (thread.joinable()) thread.join();
}

void CPortConn::DispatchMain() {
  dispatchStarted_.Set();
  while (!dispatchStop_.load()) {
    if (port_.state() == PortState::kConnected)
      AssemblyStep(0);
    else if (port2_.state() == PortState::kConnected)
      AssemblyStep(1);
    else
      SleepUnlessStopped(&stopEvent_, timing_.connDispatchIdleMs);
  }
  dispatchEnded_.Set();
  Release();
}

void CPortConn::AssemblyStep(int index) {
  SerialPort& p = port(index);
  if (p.state() < PortState::kOpen) {
    SleepUnlessStopped(&stopEvent_, timing_.connPortClosedMs);
    return;
  }
  FrameDecoder& decoder = decoders_[index];
  const size_t wanted = decoder.BytesWanted();
  uint8_t* bytes = readBuffer_.Reserve(wanted);
  int got = 0;
  if (wanted == 1 && bytes) {
    int byte = p.TryReadByte();
    if (byte < 0) byte = p.ReadByte(&stopEvent_);
    if (byte >= 0) {
      bytes[0] = static_cast<uint8_t>(byte);
      got = 1;
    }
  } else if (bytes) {
    got = p.Read(bytes, static_cast<int>(wanted), &stopEvent_);
  }
  if (got == 0) {
    // Nothing within the read time-out: a frame in progress has stalled
    // and is dropped.
    decoder.Reset();
    return;
  }
  // Looked at after the read, which may have waited through a close and a
  // new opening: what was assembled before belongs to the earlier one.
  if (const uint32_t generation = p.generation(); generation != decoderGenerations_[index]) {
    decoder.Reset();
    decoderGenerations_[index] = generation;
  }

  struct Router : FrameDecoder::Sink {
    CPortConn& conn;
    int index;
    bool replies = false;
    Router(CPortConn& c, int i) : conn(c), index(i) {}
    void OnReplyBytes(std::span<const uint8_t> reply) override {
      std::lock_guard<std::mutex> guard(conn.connectionLock_);
      for (uint8_t b : reply) conn.reply_.Put(b);
      replies = true;
    }
    void OnFrame(const Frame& frame) override {
      // Answers go where the terminal spoke last.
      conn.currentPort_ = index;
      // Command 0 is never sent; such a frame's payload was skipped by
      // count rather than read as headers and replies.
      if (frame.command != 0) conn.OnFrame(conn.port(index), frame);
    }
  } router(*this, index);
  decoder.Feed(std::span<const uint8_t>(bytes, static_cast<size_t>(got)), router);
  if (router.replies) std::this_thread::yield();
}

CommandLockGuard::CommandLockGuard(CPortConn& conn) : conn_(conn), held_(conn.AcquireCommandLock()) {}

CommandLockGuard::~CommandLockGuard() {
  if (held_) conn_.ReleaseCommandLock();
}

bool CommandLockGuard::Retry() {
  if (!held_) held_ = conn_.AcquireCommandLock();
  return held_;
}

bool CPortConn::AcquireCommandLock() {
  if (!commandBusy_.exchange(true)) {
    commandEvent_.Reset();
    return true;
  }
  const int64_t deadline = NowMs() + timing_.connCommandLockMs;
  for (;;) {
    int64_t left = std::max<int64_t>(0, deadline - NowMs());
    if (commandEvent_.WaitOrStop(&stopEvent_, left) != Event::WaitResult::kSignalled)
      return false;
    // The release hands the lock on; another thread may have taken it
    // first, and then this wait goes on for the time left.
    if (!commandBusy_.exchange(true)) return true;
  }
}

void CPortConn::ReleaseCommandLock() {
  std::lock_guard<std::mutex> guard(pendingLock_);
  WritePendingBare();
  commandBusy_ = false;
  commandEvent_.Set();
}

void CPortConn::WritePendingBare() {
  if (pendingBare_.empty()) return;
  WriteBare(pendingBare_.data(), pendingBare_.size());
  pendingBare_.clear();
}

void CPortConn::WriteBareSoon(const uint8_t* bytes, size_t n) {
  std::lock_guard<std::mutex> guard(pendingLock_);
  if (commandBusy_.exchange(true)) {
    // The holder writes them; its release takes pendingLock_ first.
    pendingBare_.insert(pendingBare_.end(), bytes, bytes + n);
    return;
  }
  commandEvent_.Reset();
  WriteBare(bytes, n);
  commandBusy_ = false;
  commandEvent_.Set();
}

bool CPortConn::SendFrame(uint8_t command, uint8_t parameter, const uint8_t* payload,
                          size_t length) {
  SerialPort& p = currentPort();
  if (p.state() != PortState::kConnected || length > kMaxFramePayload) return false;
  {
    std::lock_guard<std::mutex> guard(connectionLock_);
    reply_.Clear();
  }
  if (commandBusy_.load()) {
    std::lock_guard<std::mutex> guard(pendingLock_);
    WritePendingBare();
  }
  const std::vector<uint8_t> frame =
      EncodeFrame(command, parameter, std::span<const uint8_t>(payload, length));
  return p.Write(frame.data(), frame.size());
}

bool CPortConn::WriteBare(const uint8_t* bytes, size_t n) {
  SerialPort& p = currentPort();
  if (p.state() != PortState::kConnected) return false;
  return p.Write(bytes, n);
}

int CPortConn::ReadReply(uint8_t* buffer, int n) {
  const int64_t deadline = NowMs() + timing_.connReplyTimeoutMs;
  int got = 0;
  while (got < n) {
    int byte;
    {
      std::lock_guard<std::mutex> guard(connectionLock_);
      byte = reply_.Take();
    }
    if (byte >= 0) {
      buffer[got++] = static_cast<uint8_t>(byte);
      continue;
    }
    int64_t left = std::max<int64_t>(0, deadline - NowMs());
    if (reply_.available().WaitOrStop(&stopEvent_, left) != Event::WaitResult::kSignalled) break;
  }
  return got;
}

bool CPortConn::Handshake(int index) {
  uint8_t reply[TerminalInfo::kSize];
  int got = 0;
  {
    CommandLockGuard lock(*this);
    if (!lock) return false;
    SerialPort& p = port(index);
    if (p.state() == PortState::kConnected) {
      {
        std::lock_guard<std::mutex> guard(connectionLock_);
        reply_.Clear();
      }
      const std::vector<uint8_t> request = EncodeFrame(FRAME_IDENTIFY, 0);
      p.Write(request.data(), request.size());
    }
    got = ReadReply(reply, TerminalInfo::kSize);
  }
  std::optional<TerminalInfo> info = TerminalInfo::Parse(reply, static_cast<size_t>(got));
  if (!info) return false;
  {
    std::lock_guard<std::mutex> guard(infoLock_);
    terminalInfo_ = *info;
  }
  cellCount_ = info->cellCount();
  terminalInfoValid_ = true;
  currentPort_ = index;
  return true;
}

}  // namespace mirelon
