// Entry point of mirelon.exe.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/command_line.h"
#include "base/com_win32.h"
#include "base/utf.h"
#include "talk/stream_store.h"
#include "window/talk_window_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace mirelon;
  // Provides the "RichEdit20W" class of the panes; kept for the whole run.
  LoadLibraryW(L"RichEd20.DLL");
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  // The talk window's thread is a single-threaded apartment for the whole
  // run: the open dialog and the speech engine use COM.
  const ComApartment apartment;
  const CommandLine commandLine = ParseCommandLine(FromWide(GetCommandLineW()));
  RunTalkWindow(instance, commandLine, CreatePlatformStreamStore());
  return 0;
}
