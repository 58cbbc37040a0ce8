#include "app/terminal_connector.h"

#include <system_error>
#include <utility>

#include "client/client_registry.h"

namespace mirelon {

TerminalConnector::~TerminalConnector() {
  Cancel();
  Join();
}

bool TerminalConnector::Connect(const ConnectionRecordList& list) {
  std::lock_guard<std::mutex> guard(lock_);
  if (list.records.empty() || cancel_.IsSet()) return false;
  waiting_.insert(waiting_.end(), list.records.begin(), list.records.end());
  if (running_) return true;
  // The thread of an earlier list has finished its work: it is over, or
  // about to be.
  if (thread_.joinable()) thread_.join();
  try {
    thread_ = std::thread(&TerminalConnector::Run, this);
  } catch (const std::system_error&) {
    waiting_.clear();
    return false;
  }
  running_ = true;
  return true;
}

bool TerminalConnector::Start(const std::vector<std::u16string>& descriptions) {
  ConnectionRecordList list;
  for (const std::u16string& text : descriptions) list.records.push_back(ParseDescription(text));
  return Connect(list);
}

void TerminalConnector::Cancel() {
  std::lock_guard<std::mutex> guard(lock_);
  cancel_.Set();
  waiting_.clear();
}

bool TerminalConnector::Done() const {
  std::lock_guard<std::mutex> guard(lock_);
  return !running_;
}

void TerminalConnector::Join() {
  std::thread ending;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ending = std::move(thread_);
  }
  if (ending.joinable()) ending.join();
}

void TerminalConnector::Run() {
  // One connection at a time, so that a cancel also keeps the later ones
  // from being connected.
  const ClientRegistry::Wait wait = [this](int64_t ms) { cancel_.Wait(ms); };
  for (;;) {
    ConnectionRecordList next;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (waiting_.empty()) {
        running_ = false;
        return;
      }
      next.records.push_back(std::move(waiting_.front()));
      waiting_.pop_front();
    }
    registry_.ApplyConnectionList(next, wait);
  }
}

}  // namespace mirelon
