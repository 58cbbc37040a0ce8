// The frame of every terminal client: a CPortConn (the serial side) plus
// the I_PortClient interface, the worker loop ("worker window") with its
// supervision timer, the opening and closing of the two ports with the
// identity exchange and the status texts, the join/leave notifications to
// the talk window, the terminals dialog notification, the display image,
// and the wire operations that the modes share (display, announcement,
// error signal, posting a typed text to the talk).
//
// A CQZClient is never used by itself: CQZClient_ChatMode and the display
// mode derive from it and fill in the mode's part through the operations
// marked "mode" below.
//
// Threads: the worker thread runs OpenPort, ClosePort, CloseAll, the
// supervision step, OnTimer and OnCommand; the dispatch thread runs
// OnFrame; Start, Stop, PostCommand and the getters may be called from any
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/timing.h"
#include "client/port_client.h"
#include "client/worker_loop.h"
#include "modes/display_buffer.h"
#include "client/port_conn.h"
#include "talk/records.h"
#include "talk/talk_window_sink.h"

namespace mirelon {

class BrailleLineList;

// What every client of a talk is given at creation.
struct ClientSetup {
  // Receives the typed texts and the users' joining and leaving. Shared, so
  // that a client whose thread outlives the registry never talks to a
  // destroyed window object.
  std::shared_ptr<TalkWindowSink> talkWindow;
  std::u16string talkPath;
  // The talk's braille lines (not owned; lives as long as the talk). May be
  // null: the client then has no lines to send or show.
  const BrailleLineList* lines = nullptr;
  Timing timing;
  SerialDeviceOpener opener = OpenSystemSerialDevice;
  // The local time stamped on posted texts; null: the system's clock.
  std::function<LocalTime()> clock;
};

class CQZClient : public CPortConn, public I_PortClient, public DisplayOutput, private WorkerLoopHandler {
 public:
  // Reference count 0; current message the newest line of the list (the
  // sentinel when there is none); status "未接続". `userName` none: the
  // connection names no user.
  CQZClient(const ClientSetup& setup, std::optional<std::u16string> userName);
  ~CQZClient() override;

  // --- I_PortClient ---
  void AddRef() override { CPortConn::AddRef(); }
  void Release() override { CPortConn::Release(); }
  ClientNode* GetListNode() override;
  ClientNode* SetListNode(ClientNode* node) override;
  std::u16string GetPortName() override { return portName(); }
  std::u16string GetPort2Name() override { return port2Name(); }
  std::u16string GetActivePortName() override;
  uint32_t GetSpeed() override { return speed(); }
  int GetProtocol() override { return protocol(); }
  std::optional<std::u16string> GetUserName() override { return userName_; }
  PortState GetPortState() override { return currentPort().state(); }
  std::u16string GetStatusText() override { return statusText(); }
  void SetStatusText(std::u16string_view text) override { CPortConn::SetStatusText(text); }
  ConnectionRecord CreateConnectionRecord() override;
  bool Start() override;
  bool Stop() override;
  bool PostCommand(WorkerCommand command) override;
  bool CloseAll() override;
  bool IsConnected() override;
  bool IsReconnecting() override { return reconnecting_.load(); }
  // Index 0 is the outgoing port, which is connected actively (its modem
  // lines are awaited); index 1 the incoming port, opened and left waiting
  // until the terminal raises its lines (the supervision step then opens it
  // again, which runs the identity exchange). True when connected or
  // waiting.
  bool OpenPort(int index) override;
  // Announces the user's leave and sends the mode's closing frames when
  // the port was connected, closes it and sets the status. Always true.
  bool ClosePort(int index) override;
  const BrailleLine* GetCurrentMessage() override { return current_.load(std::memory_order_acquire); }
  std::optional<std::vector<uint8_t>> GetEditLine(int* start, int* end) override;
  bool IsWorkerRunning() override { return HasWorkerWindow(); }
  bool HasOpenedPort() override;

  // --- CPortConn ---
  bool CreateWorkerWindow() override;
  // Mode: a frame from the terminal (dispatch thread). Ignored here.
  void OnFrame(SerialPort& port, const Frame& frame) override;

  // --- wire operations shared by the modes ---
  // FRAME_DISPLAY with the whole image (cells and overlay), under the
  // command lock; nothing while no port is opened.
  void SendDisplay(const DisplayBuffer& display) override;
  // FRAME_SIGNAL with "-G16".
  void SignalError() override;
  // FRAME_ANNOUNCE (parameter 2) with the text as UTF-8 and its NUL; the
  // braille in the text is read out as kana first. False only when no port
  // is opened.
  bool Announce(std::u16string_view text);

  DisplayBuffer& display() { return display_; }
  const std::optional<std::u16string>& userName() const { return userName_; }
  const std::u16string& talkPath() const { return talkPath_; }
  bool connecting() const { return connecting_.load(); }

 protected:
  // Mode: the supervision timer while a port is connected and no opening
  // runs (worker thread). Returns 0.
  virtual int OnTimer() { return 0; }
  // Mode: worker commands other than quit, open and close (worker
  // thread); true when the mode knows the command.
  virtual bool OnCommand(const WorkerCommand& command);
  // Mode: the mode's opening frames, sent with the command lock held right
  // after FRAME_SESSION (chat: FRAME_CHAT_OPEN and its answer).
  virtual void SendOpeningFrames() {}
  // Mode: the mode's closing frames, with the command lock held, when port
  // `index` is closed while connected (chat: FRAME_CHAT_END).
  virtual void SendClosingFrames(int index) { (void)index; }
  // Mode: port `index` has just been connected and announced (worker
  // thread); the display mode shows its current line here.
  virtual void OnPortOpened(int index) { (void)index; }

  // Posts a finished text (Unicode braille, or any text) to the talk as a
  // talk record under the user's name with the local time (CMD_POST_TEXT).
  void PostTalkText(std::u16string_view text);
  // Tells the terminals dialog, when one shows this client, to refresh it.
  void NotifyDialog();
  // Sets the status text and notifies the dialog.
  void SetStatus(std::u16string_view text);

  const BrailleLineList* lines() const { return lines_; }
  void SetCurrentMessage(const BrailleLine* line) { current_.store(line, std::memory_order_release); }
  // The client is being asked to end (quit posted or stop requested):
  // waits and retries give up.
  bool Stopping() { return quit_.IsSet() || stopEvent().IsSet(); }

 private:
  // WorkerLoopHandler
  void OnWorkerCommand(const WorkerCommand& command) override;
  void OnWorkerTimer() override;

  void Supervise();
  // The identity exchange on connected port `index` (all its attempts, or
  // one for a retry), and on success the user's join and the mode's
  // opening.
  bool Identify(int index, bool retry);
  // The terminal on port `index` is no longer there: its user leaves (when
  // a join was announced) and nothing more is sent to it.
  void TerminalGone(int index);
  void AnnounceUser(bool left);
  // Opens the outgoing port; a terminal that is not reached there is tried
  // again later.
  void ConnectOutgoing();
  // The outgoing terminal was lost or not reached: unless the port was
  // closed on request or the client is ending, it is tried again after the
  // present pause (the supervision timer does it; nothing waits here), and
  // the next pause is longer.
  void WaitToReconnect();
  // The port was closed on request, or the client ends: no more tries.
  void StopReconnecting();
  // Sleeps unless the client is asked to end; false when it was.
  bool Pause(int64_t ms);

  const std::shared_ptr<TalkWindowSink> talkWindow_;
  const std::u16string talkPath_;
  const BrailleLineList* const lines_;
  const std::function<LocalTime()> clock_;
  const std::optional<std::u16string> userName_;
  std::atomic<const BrailleLine*> current_{nullptr};
  std::atomic<bool> connecting_{false};
  // A join was announced for this port and its leave not yet (worker
  // thread only).
  bool joined_[2] = {false, false};
  // The terminal on this port was identified and its opening done; only
  // then is anything sent to it.
  std::atomic<bool> ready_[2] = {false, false};
  // When an incoming terminal that did not identify itself is asked again.
  int64_t nextIdentifyMs_ = 0;
  // The outgoing port was opened on request and not closed on request
  // since: a lost terminal is tried again (worker thread only).
  bool reconnectWanted_ = false;
  int64_t reconnectPauseMs_ = 0;
  int64_t nextReconnectMs_ = 0;
  std::atomic<bool> reconnecting_{false};
  // Start and Stop one at a time: a client stopped while it starts ends
  // once started, and one stopped before never starts.
  std::mutex startLock_;
  std::mutex nodeLock_;
  ClientNode* node_ = nullptr;
  DisplayBuffer display_;
  Event quit_{Event::Kind::kManualReset};
};

}  // namespace mirelon
