#include "client/port_conn.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <vector>

namespace mirelon {

uint8_t* GrowBuffer::Reserve(size_t n) {
  if (capacity_ >= n && data_) {
    length_ = n;
    return data_.get();
  }
  if (n == 0 || n > kLimit) return nullptr;
  size_t rounded = (n + kStep - 1) / kStep * kStep;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[rounded]);
  if (!block) {
    length_ = 0;
    return nullptr;
  }
  if (data_ && length_) std::memcpy(block.get(), data_.get(), length_);
  data_ = std::move(block);
  capacity_ = rounded;
  length_ = n;
  return data_.get();
}

void ReplyRing::Put(uint8_t byte) {
  if (count_ >= kSize) return;
  bytes_[write_index_] = byte;
  write_index_ = (write_index_ + 1) % kSize;
  if (count_++ == 0) available_.Set();
}

int ReplyRing::Take() {
  if (count_ == 0) return -1;
  int byte = bytes_[read_index_];
  read_index_ = (read_index_ + 1) % kSize;
  if (--count_ == 0) available_.Reset();
  return byte;
}

void ReplyRing::Clear() {
  write_index_ = read_index_ = count_ = 0;
  available_.Reset();
}

CPortConn::CPortConn(const Timing& timing, SerialDeviceOpener opener)
    : timing_(timing),
      port_(timing, opener),
      port2_(timing, opener),
      status_text_(u"未接続") {}

CPortConn::~CPortConn() {
  // Threads hold references, so by now they have ended (or are ending on
  // this very thread, which dropped the last reference).
  EndThread(dispatch_thread_);
  EndThread(worker_thread_);
}

void CPortConn::EndThread(std::thread& thread) {
  if (!thread.joinable()) return;
  if (thread.get_id() == std::this_thread::get_id())
    thread.detach();
  else
    thread.join();
}

void CPortConn::AddRef() { ++ref_count_; }

void CPortConn::Release() {
  if (--ref_count_ == 0) delete this;
}

void CPortConn::SetConnection(const std::u16string& port_name, const std::u16string& port2_name,
                              uint32_t speed, int protocol) {
  port_name_ = port_name;
  port2_name_ = port2_name;
  speed_ = speed;
  protocol_ = protocol;
}

std::u16string CPortConn::status_text() const {
  std::lock_guard<std::mutex> guard(status_lock_);
  return status_text_;
}

void CPortConn::set_status_text(std::u16string_view text) {
  std::lock_guard<std::mutex> guard(status_lock_);
  status_text_ = text.substr(0, kStatusTextChars);
}

TerminalInfo CPortConn::terminal_info() const {
  std::lock_guard<std::mutex> guard(info_lock_);
  return terminal_info_;
}

bool CPortConn::HasWorkerWindow() const {
  std::lock_guard<std::mutex> guard(worker_lock_);
  return worker_window_ != nullptr;
}

bool CPortConn::PostToWorker(uint32_t wparam, intptr_t lparam) {
  std::lock_guard<std::mutex> guard(worker_lock_);
  return worker_window_ && worker_window_->PostCommand(wparam, lparam);
}

void CPortConn::SetWorkerWindow(std::unique_ptr<WorkerLoop> loop) {
  std::lock_guard<std::mutex> guard(worker_lock_);
  worker_window_ = std::move(loop);
}

void CPortConn::CloseWorkerWindow() {
  std::lock_guard<std::mutex> guard(worker_lock_);
  if (worker_window_) worker_window_->Close();
}

bool CPortConn::StartWorker() {
  if (worker_thread_.joinable()) {
    // One worker loop per connection: an earlier worker still running is
    // left alone.
    if (!worker_ended_.IsSet()) return false;
    worker_thread_.join();
  }
  worker_started_.Reset();
  worker_ended_.Reset();
  AddRef();  // the worker thread's reference
  try {
    worker_thread_ = std::thread(&CPortConn::WorkerMain, this);
  } catch (const std::system_error&) {
    Release();
    return false;
  }
  worker_started_.Wait(timing_.connWorkerStartMs);
  return HasWorkerWindow();
}

void CPortConn::WorkerMain() {
  CreateWorkerWindow();
  worker_started_.Set();
  WorkerLoop* loop = nullptr;
  {
    std::lock_guard<std::mutex> guard(worker_lock_);
    loop = worker_window_.get();
  }
  if (loop) loop->Run();
  // The loop is destroyed on the thread that created it.
  std::unique_ptr<WorkerLoop> ended;
  {
    std::lock_guard<std::mutex> guard(worker_lock_);
    ended = std::move(worker_window_);
  }
  ended.reset();
  worker_ended_.Set();
  Release();
}

bool CPortConn::StopWorker() {
  if (!worker_thread_.joinable()) return true;
  if (!worker_ended_.IsSet()) {
    PostToWorker(CMD_CLIENT_QUIT, 0);
    if (!worker_ended_.Wait(timing_.connWorkerStopMs)) return false;
  }
  worker_thread_.join();
  return true;
}

bool CPortConn::StartDispatch() {
  if (stop_event_.IsSet()) return false;
  if (dispatch_thread_.joinable()) {
    if (!dispatch_ended_.IsSet()) return false;
    dispatch_thread_.join();
  }
  dispatch_stop_ = 0;
  dispatch_started_.Reset();
  dispatch_ended_.Reset();
  AddRef();  // the dispatch thread's reference
  try {
    dispatch_thread_ = std::thread(&CPortConn::DispatchMain, this);
  } catch (const std::system_error&) {
    Release();
    return false;
  }
  dispatch_started_.Wait(timing_.connDispatchStartMs);
  return true;
}

bool CPortConn::StopDispatch() {
  if (!dispatch_thread_.joinable()) return true;
  dispatch_stop_ = 1;
  stop_event_.Set();
  if (!dispatch_ended_.Wait(timing_.connDispatchStopMs)) return false;
  dispatch_thread_.join();
  return true;
}

void CPortConn::DispatchMain() {
  dispatch_started_.Set();
  while (dispatch_stop_.load() == 0) {
    if (port_.state() == kPortConnected)
      AssemblyStep(0);
    else if (port2_.state() == kPortConnected)
      AssemblyStep(1);
    else
      SleepUnlessStopped(&stop_event_, timing_.connDispatchIdleMs);
  }
  dispatch_ended_.Set();
  Release();
}

void CPortConn::AssemblyStep(int index) {
  FrameAssembly& a = assembly_[index];
  SerialPort& p = port(index);
  if (p.state() < kPortOpen) {
    SleepUnlessStopped(&stop_event_, timing_.connPortClosedMs);
    return;
  }
  if (a.in_body) {
    if (a.expected_length > a.position) {
      // A body that stalls for the read time-out is dropped.
      int got = p.Read(a.payload + a.position, static_cast<int>(a.expected_length - a.position),
                       &stop_event_);
      if (got == 0) {
        a.Reset();
        return;
      }
      a.position += static_cast<uint32_t>(got);
    }
  } else {
    int byte = p.TryReadByte();
    if (byte < 0) byte = p.ReadByte(&stop_event_);
    if (byte < 0) {
      a.Reset();
      return;
    }
    if (a.position < kFrameHeaderSize) a.header[a.position] = static_cast<uint8_t>(byte);
    ++a.position;
    if (a.position <= 2) {
      if (byte == kFrameMark) return;
      // Not a frame: the byte (after a lone FF, both bytes) is a reply.
      {
        std::lock_guard<std::mutex> guard(connection_lock_);
        for (uint32_t i = 0; i < a.position; ++i) reply_.Put(a.header[i]);
      }
      a.Reset();
      std::this_thread::yield();
      return;
    }
    if (a.position < kFrameHeaderSize) return;
    a.command = a.header[2];
    a.parameter = a.header[3];
    a.expected_length = a.header[4] | (static_cast<uint32_t>(a.header[5]) << 8);
    a.payload = a.expected_length ? a.buffer.Reserve(a.expected_length) : nullptr;
    if (a.expected_length && !a.payload) {
      a.Reset();
      return;
    }
    a.position = 0;
    a.in_body = true;
  }
  if (a.position >= a.expected_length) {
    current_port_ = index;
    // Command 0 is never sent; such a frame's payload is skipped by count
    // rather than read as headers and replies.
    if (a.command != 0) OnFrame(p, a);
    a.Reset();
  }
}

bool CPortConn::AcquireCommandLock() {
  if (!command_busy_.exchange(true)) {
    command_event_.Reset();
    return true;
  }
  const int64_t deadline = NowMs() + timing_.connCommandLockMs;
  for (;;) {
    int64_t left = std::max<int64_t>(0, deadline - NowMs());
    if (command_event_.WaitOrStop(&stop_event_, left) != Event::WaitResult::kSignalled)
      return false;
    // The release hands the lock on; another thread may have taken it
    // first, and then this wait goes on for the time left.
    if (!command_busy_.exchange(true)) return true;
  }
}

void CPortConn::ReleaseCommandLock() {
  command_busy_ = false;
  command_event_.Set();
}

bool CPortConn::SendFrame(uint8_t command, uint8_t parameter, const uint8_t* payload,
                          size_t length) {
  SerialPort& p = current_port();
  if (p.state() != kPortConnected || length > kMaxFramePayload) return false;
  {
    std::lock_guard<std::mutex> guard(connection_lock_);
    reply_.Clear();
  }
  std::vector<uint8_t> frame(kFrameHeaderSize + length);
  frame[0] = kFrameMark;
  frame[1] = kFrameMark;
  frame[2] = command;
  frame[3] = parameter;
  frame[4] = static_cast<uint8_t>(length & 0xFF);
  frame[5] = static_cast<uint8_t>(length >> 8);
  if (length) std::memcpy(frame.data() + kFrameHeaderSize, payload, length);
  p.Write(frame.data(), frame.size());
  return true;
}

bool CPortConn::WriteBare(const uint8_t* bytes, size_t n) {
  SerialPort& p = current_port();
  if (p.state() != kPortConnected) return false;
  return p.Write(bytes, n);
}

int CPortConn::ReadReply(uint8_t* buffer, int n) {
  const int64_t deadline = NowMs() + timing_.connReplyTimeoutMs;
  int got = 0;
  while (got < n) {
    int byte;
    {
      std::lock_guard<std::mutex> guard(connection_lock_);
      byte = reply_.Take();
    }
    if (byte >= 0) {
      buffer[got++] = static_cast<uint8_t>(byte);
      continue;
    }
    int64_t left = std::max<int64_t>(0, deadline - NowMs());
    if (reply_.available().WaitOrStop(&stop_event_, left) != Event::WaitResult::kSignalled) break;
  }
  return got;
}

bool CPortConn::Handshake(int index) {
  if (!AcquireCommandLock()) return false;
  SerialPort& p = port(index);
  if (p.state() == kPortConnected) {
    {
      std::lock_guard<std::mutex> guard(connection_lock_);
      reply_.Clear();
    }
    const uint8_t request[kFrameHeaderSize] = {kFrameMark, kFrameMark, FRAME_IDENTIFY, 0, 0, 0};
    p.Write(request, sizeof request);
  }
  uint8_t reply[TerminalInfo::kSize];
  int got = ReadReply(reply, TerminalInfo::kSize);
  ReleaseCommandLock();
  std::optional<TerminalInfo> info = TerminalInfo::Parse(reply, static_cast<size_t>(got));
  if (!info) return false;
  {
    std::lock_guard<std::mutex> guard(info_lock_);
    terminal_info_ = *info;
  }
  cell_count_ = info->cell_count();
  terminal_info_valid_ = true;
  current_port_ = index;
  return true;
}

}  // namespace mirelon
