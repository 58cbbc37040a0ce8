#include "window/member_list_dialog_win32.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "app/ui_thread.h"
#include "base/dialog_proc_win32.h"
#include "base/utf.h"
#include "resources/resource.h"
#include "talk/talk_context.h"
#include "ui/member_list_view.h"

namespace mirelon {

namespace {

// The list view's rows: name in the item, number and state in sub-items.
class ListViewRows final : public MemberRows {
 public:
  explicit ListViewRows(HWND list) : list_(list) {}

  void AddRow(int row, const MemberEntry& member) override {
    std::wstring name = ToWide(member.name);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = name.data();
    item.lParam = row;
    const int index = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return;
    SetText(index, 1, std::to_wstring(index + 1));
    SetText(index, 2, ToWide(MemberStateText(member.state)));
  }

  void SetState(int row, MemberEntry::State state) override { SetText(row, 2, ToWide(MemberStateText(state))); }

 private:
  void SetText(int row, int subItem, std::wstring text) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = text.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }

  HWND list_;
};

struct MemberListDialog {
  TalkContext& context;
  std::shared_ptr<UiThread> thread;
  std::optional<ListViewRows> rows;
  std::optional<LiveMemberList> live;

  HWND dialog = nullptr;

  void OnInitDialog(HWND window);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
};

void MemberListDialog::OnInitDialog(HWND window) {
  dialog = window;
  HWND list = GetDlgItem(dialog, IDC_MEMBER_LIST);
  RECT box{};
  GetWindowRect(list, &box);
  const int width = box.right - box.left;
  for (int i = 0; i < static_cast<int>(std::size(kMemberColumns)); ++i) {
    const MemberColumn& c = kMemberColumns[i];
    std::wstring header = ToWide(c.header);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_ORDER;
    column.fmt = LVCFMT_LEFT;
    column.cx = MemberColumnWidth(c, width);
    column.pszText = header.data();
    column.iSubItem = c.subItem;
    column.iOrder = c.order;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
  rows.emplace(list);
  std::weak_ptr<UiThread> weak = thread;
  live.emplace(context.members, *rows, [weak](std::function<void()> task) {
    if (std::shared_ptr<UiThread> t = weak.lock()) t->Post(std::move(task));
  });
  const auto count = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  SetDlgItemTextW(dialog, IDC_MEMBER_COUNT, ToWide(MemberCountText(count)).c_str());
  LVITEMW focused{};
  focused.stateMask = LVIS_FOCUSED;
  focused.state = LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focused));
}

INT_PTR MemberListDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      // Later changes only update the members.
      live.reset();
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowMemberList(HINSTANCE instance, HWND owner, TalkContext& context, const std::shared_ptr<UiThread>& thread) {
  if (!context.meeting) return;
  MemberListDialog d{context, thread, std::nullopt, std::nullopt};
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MEMBER_LIST), owner, &ObjectDialogProc<MemberListDialog>, reinterpret_cast<LPARAM>(&d));
}

}  // namespace mirelon
