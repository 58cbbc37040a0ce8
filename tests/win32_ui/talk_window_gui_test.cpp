#ifdef _WIN32
#include <gtest/gtest.h>

#include "gui_driver.h"

using namespace mirelon;
using namespace mirelon::gui;

TEST(TalkWindowGui, EscapeNeitherClosesNorClears) {
  ChildProcess app;
  ASSERT_TRUE(app.Start(L"\"" + BuildFolder() + L"\\mirelon.exe\""));
  HWND window = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    window = FindTopWindow(app.id(), [](const std::wstring& t) { return t == L"トークウィンドウ"; });
    return window != nullptr;
  }));
  ASSERT_TRUE(BringToForeground(window));
  HWND outgoing = GetDlgItem(window, 202);
  ClickWindow(outgoing);
  EXPECT_EQ(FocusedWindow(), outgoing);
  TypeText(L"こんにちは");
  PressKeys({VK_ESCAPE});
  RemoteRichEdit pane(app.handle(), outgoing);
  EXPECT_EQ(pane.Text(), L"こんにちは");
  EXPECT_TRUE(IsWindow(window));
  SaveWindowImage(window, BuildFolder() + L"\\talk_window.bmp");
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.Wait(10000), 0);
}
#endif
