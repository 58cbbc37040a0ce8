// Entry point of mirelon.exe.
#include <windows.h>
#include <commctrl.h>

#include "app/command_line.h"
#include "base/utf.h"
#include "ui/talk_window_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Provides the "RichEdit20W" class of the panes; kept for the whole run.
  LoadLibraryW(L"RichEd20.DLL");
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  mirelon::CommandLine commandLine = mirelon::ParseCommandLine(mirelon::FromWide(GetCommandLineW()));
  mirelon::RunTalkWindow(instance, commandLine);
  return 0;
}
