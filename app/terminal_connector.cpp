#include "app/terminal_connector.h"

#include <system_error>

#include "client/client_registry.h"

namespace mirelon {

TerminalConnector::~TerminalConnector() {
  Cancel();
  Join();
}

bool TerminalConnector::Start(std::vector<std::u16string> descriptions) {
  if (descriptions.empty() || thread_.joinable()) return false;
  try {
    thread_ = std::thread([this, list = std::move(descriptions)] { Connect(list); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TerminalConnector::Cancel() { cancel_.Set(); }

void TerminalConnector::Join() {
  if (thread_.joinable()) thread_.join();
}

void TerminalConnector::Connect(const std::vector<std::u16string>& descriptions) {
  // One description at a time, so that a cancel also keeps the later ones
  // from being connected.
  const ClientRegistry::Wait wait = [this](int64_t ms) { cancel_.Wait(ms); };
  for (const std::u16string& description : descriptions) {
    if (cancel_.IsSet()) break;
    registry_.ApplyDescriptions({description}, wait);
  }
  finished_.Set();
}

}  // namespace mirelon
