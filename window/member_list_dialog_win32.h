// The member list of a meeting (template 530, F4): everyone who entered or
// left, with their state, kept up to date while it is open.
#pragma once

#include <windows.h>

#include <memory>

namespace mirelon {

class TalkContext;
class UiThread;

// In a meeting, shows the list modally over `owner`; the watcher's changes
// reach it as tasks on `thread` (the owner's). Elsewhere it does nothing.
void ShowMemberList(HINSTANCE instance, HWND owner, TalkContext& context, const std::shared_ptr<UiThread>& thread);

}  // namespace mirelon
