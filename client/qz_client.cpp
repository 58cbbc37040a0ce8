#include "client/qz_client.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/utf.h"
#include "braille/braille_line_list.h"
#include "braille/kana_braille.h"
#include "talk/talk_file.h"

namespace mirelon {
namespace {

constexpr uint8_t kErrorSignal[] = {'-', 'G', '1', '6', 0};
constexpr uint32_t kAnnounceOption = kKanaForSpeech | kBrlNumbers | kBrlLatin;  // 0x203

}  // namespace

CQZClient::CQZClient(const ClientSetup& setup, std::optional<std::u16string> userName)
    : CPortConn(setup.timing, setup.opener),
      talkWindow_(setup.talkWindow),
      talkPath_(setup.talkPath),
      lines_(setup.lines),
      clock_(setup.clock ? setup.clock : std::function<LocalTime()>(CurrentLocalTime)),
      userName_(std::move(userName)) {
  if (lines_) {
    const BrailleLine* newest = lines_->Newest();
    current_ = newest ? newest : &lines_->Sentinel();
  }
}

CQZClient::~CQZClient() = default;

ClientNode* CQZClient::GetListNode() {
  std::lock_guard<std::mutex> guard(nodeLock_);
  return node_;
}

ClientNode* CQZClient::SetListNode(ClientNode* node) {
  std::lock_guard<std::mutex> guard(nodeLock_);
  node_ = node;
  return node;
}

std::u16string CQZClient::GetActivePortName() {
  const bool named = !IsNoPort(portName());
  const bool named2 = !IsNoPort(port2Name());
  if (named && port(0).state() > PortState::kClosing) return portName();
  if (named2 && port(1).state() > PortState::kClosing) return port2Name();
  if (named) return portName();
  if (named2) return port2Name();
  return std::u16string();
}

ConnectionRecord CQZClient::CreateConnectionRecord() {
  std::optional<std::u16string_view> user;
  if (userName_) user = *userName_;
  return NewRecord(portName(), port2Name(), static_cast<int>(speed()), protocol(), user);
}

bool CQZClient::Start() {
  std::lock_guard<std::mutex> guard(startLock_);
  // A client asked to end before it was started never starts.
  if (quit_.IsSet() || !StartWorker()) return false;
  StartDispatch();
  PostToWorker({CMD_CLIENT_OPEN_PORT, 0});
  PostToWorker({CMD_CLIENT_OPEN_PORT, 1});
  return true;
}

bool CQZClient::Stop() {
  {
    // A Start in progress finishes first, so that its threads are there to
    // be stopped.
    std::lock_guard<std::mutex> guard(startLock_);
    quit_.Set();
  }
  return StopWorker();
}

bool CQZClient::PostCommand(WorkerCommand command) {
  // A quit ends the waits of an opening in progress, so that the quit is
  // not held up behind a terminal that never answers.
  if (command.id == CMD_CLIENT_QUIT) quit_.Set();
  return PostToWorker(std::move(command));
}

bool CQZClient::CloseAll() {
  StopDispatch();
  ClosePort(0);
  ClosePort(1);
  return true;
}

bool CQZClient::IsConnected() {
  return port(0).state() == PortState::kConnected || port(1).state() == PortState::kConnected;
}

std::optional<std::vector<uint8_t>> CQZClient::GetEditLine(int*, int*) { return std::nullopt; }

bool CQZClient::CreateWorkerWindow() {
  std::unique_ptr<WorkerLoop> loop = CreateWorkerLoop(this, portName(), timing());
  if (!loop) return false;
  SetWorkerWindow(std::move(loop));
  return true;
}

void CQZClient::OnFrame(SerialPort&, const Frame&) {}

bool CQZClient::OnCommand(const WorkerCommand&) { return false; }

void CQZClient::OnWorkerCommand(const WorkerCommand& command) {
  switch (command.id) {
    case CMD_CLIENT_QUIT:
      quit_.Set();
      StopReconnecting();
      if (CloseAll()) CloseWorkerWindow();
      break;
    case CMD_CLIENT_OPEN_PORT:
      if (command.value == 0) {
        // Connecting on request starts the tries afresh.
        reconnectWanted_ = true;
        reconnectPauseMs_ = timing().clientReconnectFirstMs;
        ConnectOutgoing();
      } else if (command.value == 1) {
        OpenPort(1);
      }
      break;
    case CMD_CLIENT_CLOSE_PORT:
      // Closing the outgoing port on request (the PC user, the terminal's
      // own disconnect, the end of the talk) ends the tries.
      if (command.value == 0) StopReconnecting();
      if (command.value <= 1) ClosePort(static_cast<int>(command.value));
      break;
    default:
      OnCommand(command);
      break;
  }
}

void CQZClient::OnWorkerTimer() { Supervise(); }

void CQZClient::Supervise() {
  if (connecting_) return;
  SerialPort& p0 = port(0);
  SerialPort& p1 = port(1);
  // A port whose device disappeared has already fallen back from 4 to 3
  // and reads nothing more: close it, so that its user's leave is recorded
  // and the status tells what happened.
  if (p0.IsLost() && p0.state() >= PortState::kOpen) {
    ClosePort(0);
    WaitToReconnect();
  }
  if (p1.IsLost() && p1.state() >= PortState::kOpen) PostToWorker({CMD_CLIENT_CLOSE_PORT, 1});
  if (p0.state() == PortState::kConnected) {
    if (!p0.CheckModemLines()) {
      // The terminal is gone (switched off, link lost): its user leaves now.
      TerminalGone(0);
      ClosePort(0);
      WaitToReconnect();
    }
  } else if (reconnecting_ && NowMs() >= nextReconnectMs_ && p0.state() < PortState::kOpen &&
             p1.state() != PortState::kConnected && !Stopping()) {
    // The pause is over: the outgoing terminal is tried again (while a
    // terminal on the incoming port is connected, it is not).
    ConnectOutgoing();
    return;
  } else if (p0.state() < PortState::kOpen && p1.state() == PortState::kOpen && !p1.IsLost() &&
             p1.CheckModemLines()) {
    // The terminal raised its lines on the incoming port: identify it.
    nextIdentifyMs_ = NowMs() + timing().clientIdentifyRetryMs;
    PostToWorker({CMD_CLIENT_OPEN_PORT, 1});
  }
  if (p1.state() == PortState::kConnected) {
    if (!p1.CheckModemLines()) {
      // The port stays open for the terminal's return.
      TerminalGone(1);
      if (p0.state() < PortState::kOpen) SetStatus(kStatusWaiting);
    } else if (!ready_[1] && p0.state() < PortState::kOpen && NowMs() >= nextIdentifyMs_) {
      // A terminal that did not identify itself while its lines stay up is
      // asked again now and then; nothing else is sent to it meanwhile.
      nextIdentifyMs_ = NowMs() + timing().clientIdentifyRetryMs;
      Identify(1, /*retry=*/true);
      return;
    }
  }
  if (HasOpenedPort()) OnTimer();
}

void CQZClient::ConnectOutgoing() {
  if (OpenPort(0)) {
    reconnecting_ = false;
    reconnectPauseMs_ = timing().clientReconnectFirstMs;
    return;
  }
  WaitToReconnect();
}

void CQZClient::WaitToReconnect() {
  if (!reconnectWanted_ || Stopping() || IsNoPort(portName()) || port(0).state() >= PortState::kOpen) return;
  nextReconnectMs_ = NowMs() + reconnectPauseMs_;
  reconnectPauseMs_ = std::min(reconnectPauseMs_ * 2, timing().clientReconnectMaxMs);
  reconnecting_ = true;
  // An incoming port open for its terminal keeps its status.
  if (port(1).state() < PortState::kOpen) SetStatus(kStatusReconnecting);
}

void CQZClient::StopReconnecting() {
  reconnectWanted_ = false;
  if (!reconnecting_.exchange(false) || port(0).state() >= PortState::kOpen) return;
  // The outgoing port is already closed: the status no longer tells of the
  // tries.
  if (port(1).state() < PortState::kOpen) SetStatus(kStatusDisconnected);
  else if (port(1).state() == PortState::kOpen) SetStatus(kStatusWaiting);
}

bool CQZClient::Pause(int64_t ms) { return quit_.WaitOrStop(&stopEvent(), ms) == Event::WaitResult::kTimedOut; }

bool CQZClient::OpenPort(int index) {
  // Once the client is quitting nothing opens a port again, whatever was
  // queued behind the quit.
  if ((index != 0 && index != 1) || quit_.IsSet()) return false;
  SerialPort& p = port(index);
  if (p.state() < PortState::kOpen) {
    const std::u16string& name = index == 0 ? portName() : port2Name();
    if (IsNoPort(name)) return false;
    if (p.Open(name, nullptr, speed())) {
      if (index == 1) {
        if (port(0).state() >= PortState::kOpen) return true;
        SetStatus(kStatusWaiting);
      } else {
        for (int i = 0; i < timing().clientModemChecks && !p.CheckModemLines(); ++i)
          if (!Pause(timing().clientModemCheckMs)) break;
        if (p.state() != PortState::kConnected) {
          p.Close();
          SetStatus(kStatusFailed);
          return false;
        }
      }
    } else if (index == 0) {
      // A missing or busy device.
      SetStatus(kStatusFailed);
      return false;
    }
  }
  if (p.state() != PortState::kConnected) return false;
  // A terminal already identified on this port is not identified (nor its
  // user announced) twice.
  if (ready_[index]) return true;
  return Identify(index, /*retry=*/false);
}

bool CQZClient::Identify(int index, bool retry) {
  SerialPort& p = port(index);
  // A retry is one quiet attempt: the status stays "接続待機" unless it
  // succeeds.
  const int attempts = retry ? 1 : timing().clientHandshakeAttempts;
  connecting_ = true;
  if (!retry) SetStatus(kStatusConnected);
  bool identified = false;
  for (int attempt = 0; attempt < attempts && !Stopping(); ++attempt) {
    if (Handshake(index)) {
      identified = true;
      break;
    }
    if (attempt + 1 < attempts && !Pause(timing().clientHandshakeRetryMs)) break;
  }
  if (!identified) {
    connecting_ = false;
    if (index == 0) {
      p.Close();
      SetStatus(kStatusFailed);
      return false;
    }
    nextIdentifyMs_ = NowMs() + timing().clientIdentifyRetryMs;
    if (!retry) SetStatus(kStatusWaiting);
    return true;
  }

  if (!joined_[index]) AnnounceUser(false);
  joined_[index] = true;
  display_.Resize(cellCount());
  if (CommandLockGuard lock{*this}) {
    SendFrame(FRAME_SESSION, 1, nullptr, 0);
    SendOpeningFrames();
  }
  ready_[index] = true;
  connecting_ = false;
  if (retry)
    SetStatus(kStatusConnected);
  else
    NotifyDialog();
  OnPortOpened(index);
  return true;
}

void CQZClient::TerminalGone(int index) {
  ready_[index] = false;
  if (joined_[index]) AnnounceUser(true);
  joined_[index] = false;
}

bool CQZClient::HasOpenedPort() {
  return (ready_[0] && port(0).state() == PortState::kConnected) ||
         (ready_[1] && port(1).state() == PortState::kConnected);
}

bool CQZClient::ClosePort(int index) {
  if (index != 0 && index != 1) return false;
  SerialPort& p = port(index);
  // The leave pairs a join, whatever became of the port meanwhile (lines
  // dropped, device lost).
  const bool identified = ready_[index] && p.state() == PortState::kConnected;
  TerminalGone(index);
  if (identified) {
    if (CommandLockGuard lock{*this}) SendClosingFrames(index);
  }
  if (p.state() < PortState::kOpen) return true;
  p.Close();
  const int other = 1 - index;
  // What is sent goes to the terminal still identified on the other port.
  if (currentPortIndex() == index && ready_[other] && port(other).state() == PortState::kConnected)
    SetCurrentPort(other);
  if (index == 1 && port(other).state() >= PortState::kOpen) return true;
  SetStatus(port(other).state() >= PortState::kOpen ? kStatusWaiting : kStatusDisconnected);
  return true;
}

void CQZClient::AnnounceUser(bool left) {
  if (!userName_ || userName_->empty() || !talkWindow_) return;
  talkWindow_->SendTerminalUser(*userName_, left);
}

void CQZClient::SetStatus(std::u16string_view text) {
  SetStatusText(text);
  NotifyDialog();
}

void CQZClient::NotifyDialog() {
  std::lock_guard<std::mutex> guard(nodeLock_);
  if (!node_) return;
  if (ClientChangeSink* dialog = node_->dialog.load()) dialog->PostClientChanged(this);
}

void CQZClient::PostTalkText(std::u16string_view text) {
  if (!talkWindow_) return;
  const std::u16string name = userName_ ? *userName_ : std::u16string();
  talkWindow_->PostRecordText(BuildTalkRecord(name, clock_(), text));
}

void CQZClient::SendDisplay(const DisplayBuffer& image) {
  if (!HasOpenedPort()) return;
  const std::span<const uint8_t> bytes = image.Bytes();
  if (CommandLockGuard lock{*this}) SendFrame(FRAME_DISPLAY, 0, bytes.data(), bytes.size());
}

void CQZClient::SignalError() {
  if (!HasOpenedPort()) return;
  if (CommandLockGuard lock{*this}) SendFrame(FRAME_SIGNAL, 0, kErrorSignal, sizeof kErrorSignal);
}

bool CQZClient::Announce(std::u16string_view text) {
  if (!HasOpenedPort()) return false;
  const std::u16string whole(text);
  PvnStringPtr kana = PVN_UBrlToKana(whole.c_str(), kAnnounceOption);
  std::string bytes = Utf16ToUtf8(kana ? std::u16string_view(kana->text) : std::u16string_view(whole));
  // The terminal reads up to the NUL; a NUL inside the text ends it there.
  if (size_t nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
  bytes.push_back('\0');
  if (bytes.size() > kMaxFramePayload) {
    // Cut before the character that does not fit whole, so that the
    // terminal gets valid UTF-8: the first byte left out is not a
    // continuation byte.
    size_t keep = kMaxFramePayload - 1;
    while (keep > 0 && (static_cast<uint8_t>(bytes[keep]) & 0xC0) == 0x80) --keep;
    bytes.resize(keep);
    bytes.push_back('\0');
  }
  if (CommandLockGuard lock{*this})
    SendFrame(FRAME_ANNOUNCE, 2, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace mirelon
