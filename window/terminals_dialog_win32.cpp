#include "window/terminals_dialog_win32.h"

#include <commctrl.h>

#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/utf.h"
#include "client/client_registry.h"
#include "connections/terminal_rows.h"
#include "resources/resource.h"
#include "window/connection_dialogs_win32.h"
#include "base/dialog_proc_win32.h"

namespace mirelon {

// --- what the clients tell the dialog ---

void TerminalsDialog::Sink::PostClientChanged(I_PortClient* client) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!window_) return;
  changed_.emplace_back(client);
  // One wake-up for all that gathers until the dialog takes it.
  if (!wakeUpPosted_) wakeUpPosted_ = PostMessageW(window_, WM_COMMAND, CMD_CLIENT_CHANGED, 0) != 0;
}

void TerminalsDialog::Sink::Attach(HWND window) {
  std::deque<RefPtr<I_PortClient>> dropped;
  std::lock_guard<std::mutex> guard(lock_);
  window_ = window;
  wakeUpPosted_ = false;
  dropped.swap(changed_);
}

HWND TerminalsDialog::Sink::window() const {
  std::lock_guard<std::mutex> guard(lock_);
  return window_;
}

std::deque<RefPtr<I_PortClient>> TerminalsDialog::Sink::Take() {
  std::deque<RefPtr<I_PortClient>> taken;
  std::lock_guard<std::mutex> guard(lock_);
  wakeUpPosted_ = false;
  taken.swap(changed_);
  return taken;
}

// --- one opening of the dialog ---

class TerminalsDialog::Window {
 public:
  explicit Window(TerminalsDialog& owner) : owner_(owner), registry_(owner.registry_) {}

  void OnInitDialog(HWND dlg);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void FillRows();
  void AppendRow(RefPtr<I_PortClient> client);
  void AddRow(RefPtr<I_PortClient> client);
  void UpdateRow(int row, bool withPort);
  void SetText(int row, int column, const std::u16string& text);
  void UpdateCount();
  int FocusedRow() const;
  void FocusRow(int row);
  void ClientsChanged();
  void ToggleConnection();
  void AddConnection();
  void DeleteRows();
  bool RemoveRow(int row);

  TerminalsDialog& owner_;
  ClientRegistry& registry_;
  HWND dlg_ = nullptr;
  HWND list_ = nullptr;
  // The client of each list row, in row order.
  std::vector<RefPtr<I_PortClient>> rows_;
  bool kana_ = true;
};

void TerminalsDialog::Window::OnInitDialog(HWND dlg) {
  dlg_ = dlg;
  list_ = GetDlgItem(dlg, IDC_TERMINAL_LIST);
  owner_.sink_.Attach(dlg);
  registry_.SetDialog(&owner_.sink_);
  // Kana display starts on with every opening.
  kana_ = true;
  CheckDlgButton(dlg, IDC_KANA_DISPLAY, BST_CHECKED);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  RECT bounds{};
  GetWindowRect(list_, &bounds);
  const int width = bounds.right - bounds.left;
  for (size_t i = 0; i < kTerminalColumns.size(); ++i) {
    std::wstring title = ToWide(kTerminalColumns[i].title);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = static_cast<int>(width * kTerminalColumns[i].widthShare);
    column.pszText = title.data();
    ListView_InsertColumn(list_, static_cast<int>(i), &column);
  }
  FillRows();
}

INT_PTR TerminalsDialog::Window::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_CONNECT:
          ToggleConnection();
          return TRUE;
        case IDC_ADD_TERMINAL:
          AddConnection();
          return TRUE;
        case IDC_SAVE_CONNECTIONS:
          SaveConnections(owner_.instance_, dlg_, registry_);
          return TRUE;
        case IDC_RECALL_CONNECTIONS:
          RecallConnections(owner_.instance_, dlg_, owner_.connector_);
          return TRUE;
        case CMD_CLIENT_CHANGED:
          ClientsChanged();
          return TRUE;
        case IDC_KANA_DISPLAY:
          kana_ = !kana_;
          CheckDlgButton(dlg_, IDC_KANA_DISPLAY, kana_ ? BST_CHECKED : BST_UNCHECKED);
          for (size_t row = 0; row < rows_.size(); ++row) UpdateRow(static_cast<int>(row), true);
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg_, IDCANCEL);
          return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == list_ && header->code == LVN_KEYDOWN &&
          reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE)
        DeleteRows();
      return FALSE;
    }
    case WM_DESTROY:
      // No client tells this window anything more.
      registry_.SetDialog(nullptr);
      owner_.sink_.Attach(nullptr);
      rows_.clear();
      return FALSE;
  }
  return FALSE;
}

void TerminalsDialog::Window::FillRows() {
  ListView_DeleteAllItems(list_);
  rows_.clear();
  for (RefPtr<I_PortClient>& client : registry_.Clients())
    if (client->GetListNode()) AppendRow(std::move(client));
  UpdateCount();
  if (!rows_.empty()) FocusRow(0);
}

void TerminalsDialog::Window::AppendRow(RefPtr<I_PortClient> client) {
  const int row = static_cast<int>(rows_.size());
  std::wstring port = ToWide(client->GetActivePortName());
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = port.data();
  ListView_InsertItem(list_, &item);
  rows_.push_back(std::move(client));
  UpdateRow(row, false);
}

void TerminalsDialog::Window::AddRow(RefPtr<I_PortClient> client) {
  AppendRow(std::move(client));
  UpdateCount();
  FocusRow(static_cast<int>(rows_.size()) - 1);
}

void TerminalsDialog::Window::SetText(int row, int column, const std::u16string& text) {
  std::wstring wide = ToWide(text);
  ListView_SetItemText(list_, row, column, wide.data());
}

void TerminalsDialog::Window::UpdateRow(int row, bool withPort) {
  const TerminalRowTexts texts = RowTexts(TerminalRow(*rows_[static_cast<size_t>(row)]), kana_);
  for (size_t column = withPort ? 0 : 1; column < texts.columns.size(); ++column)
    SetText(row, static_cast<int>(column), texts.columns[column]);
}

void TerminalsDialog::Window::UpdateCount() {
  SetDlgItemTextW(dlg_, IDC_TERMINAL_COUNT, ToWide(TerminalCountText(registry_.Count())).c_str());
}

int TerminalsDialog::Window::FocusedRow() const {
  return ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
}

// The row gets the focus and the selection, so that a screen reader
// announces it and Delete acts on it.
void TerminalsDialog::Window::FocusRow(int row) {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list_, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  ListView_EnsureVisible(list_, row, FALSE);
}

void TerminalsDialog::Window::ClientsChanged() {
  for (RefPtr<I_PortClient>& client : owner_.sink_.Take()) {
    bool shown = false;
    for (size_t row = 0; row < rows_.size() && !shown; ++row) {
      if (rows_[row].get() != client.get()) continue;
      UpdateRow(static_cast<int>(row), true);
      shown = true;
    }
    // A client new to the list; one that was deleted meanwhile has left
    // the registry and is not shown again.
    if (!shown && client->GetListNode()) AddRow(std::move(client));
  }
}

void TerminalsDialog::Window::ToggleConnection() {
  const int row = FocusedRow();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  I_PortClient& client = *rows_[static_cast<size_t>(row)];
  // A terminal being tried again by itself is disconnected too: that ends
  // the tries.
  if (client.IsConnected() || client.IsReconnecting()) {
    client.PostCommand({CMD_CLIENT_CLOSE_PORT, 1});
    client.PostCommand({CMD_CLIENT_CLOSE_PORT, 0});
  } else {
    client.PostCommand({CMD_CLIENT_OPEN_PORT, 0});
    client.PostCommand({CMD_CLIENT_OPEN_PORT, 1});
  }
}

void TerminalsDialog::Window::AddConnection() {
  PortSelection& chosen = registry_.Selection();
  if (!RunPortSelection(owner_.instance_, dlg_, chosen)) return;
  constexpr std::u16string_view kCaption = u"接続の追加";
  if (!IsNoPort(chosen.port) && registry_.IsPortInUse(chosen.port)) {
    ShowBox(dlg_, u"ポート " + chosen.port + u" は既に使用中です。", kCaption, MB_ICONINFORMATION | MB_OKCANCEL);
  } else if (!IsNoPort(chosen.port2) && registry_.IsPortInUse(chosen.port2)) {
    ShowBox(dlg_, u"ポート " + chosen.port2 + u" はこのプログラムで既に使用中です。", kCaption,
            MB_ICONINFORMATION | MB_OKCANCEL);
  } else {
    // Its row comes with the registry's word of it.
    registry_.CreateClient(NewRecord(chosen.port, chosen.port2, chosen.speed, chosen.protocol, chosen.user));
  }
}

void TerminalsDialog::Window::DeleteRows() {
  constexpr std::u16string_view kCaption = u"接続中の端末の削除";
  const int focused = FocusedRow();
  const int selected = ListView_GetSelectedCount(list_);
  std::vector<int> removed;
  if (selected > 1) {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
      rows.push_back(row);
    const std::string count = std::to_string(rows.size());
    if (ShowBox(dlg_, u"これらの" + std::u16string(count.begin(), count.end()) + u"個の接続を削除してよろしいですか？",
                kCaption, MB_ICONQUESTION | MB_OKCANCEL) != IDOK)
      return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
      if (RemoveRow(*row)) removed.push_back(*row);
  } else if (focused >= 0) {
    if (ShowBox(dlg_, u"この接続を削除してよろしいですか？", kCaption, MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return;
    if (RemoveRow(focused)) removed.push_back(focused);
  } else {
    return;
  }
  const int focus = FocusAfterDeletion(focused, removed, static_cast<int>(rows_.size()));
  if (focus >= 0) FocusRow(focus);
  UpdateCount();
}

bool TerminalsDialog::Window::RemoveRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
  const RefPtr<I_PortClient> client = rows_[static_cast<size_t>(row)];
  // A client that cannot be stopped stays, row and all; so do all of them
  // once the talk is closing, which stops them itself.
  if (client->GetListNode() && !registry_.RemoveClient(*client)) return false;
  ListView_DeleteItem(list_, row);
  rows_.erase(rows_.begin() + row);
  return true;
}

// --- the dialog's thread ---

TerminalsDialog::TerminalsDialog(HINSTANCE instance, ClientRegistry& registry,
                                 TerminalConnector& connector)
    : instance_(instance), registry_(registry), connector_(connector) {}

TerminalsDialog::~TerminalsDialog() {
  // Nothing must run on with the registry once this object is gone.
  Close([](int64_t ms, const std::function<bool()>& done) {
    for (int64_t waited = 0; waited < ms && !done(); waited += 10) Sleep(10);
  }, 5000);
  if (thread_.joinable()) thread_.join();
}

bool TerminalsDialog::Open() {
  if (running_) {
    // Opening twice never makes two: the open one comes to the front.
    if (HWND window = sink_.window(); window && IsWindow(window)) {
      if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
      SetForegroundWindow(window);
    }
    return true;
  }
  if (thread_.joinable()) thread_.join();
  running_ = true;
  try {
    thread_ = std::thread(&TerminalsDialog::Run, this);
  } catch (const std::system_error&) {
    running_ = false;
    return false;
  }
  return true;
}

void TerminalsDialog::Run() {
  threadId_ = GetCurrentThreadId();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // The rich edits of the save and recall dialogs.
  LoadLibraryW(L"RichEd20.DLL");
  Window window(*this);
  DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_TERMINALS), nullptr, &ObjectDialogProc<Window>,
                  reinterpret_cast<LPARAM>(&window));
  running_ = false;
}

bool TerminalsDialog::Close(const Pump& pump, int64_t waitMs) {
  if (!thread_.joinable()) return true;
  if (running_) {
    // Cancel whatever the dialog's thread shows (a question, one of the
    // dialogs opened from it) as well as the dialog itself.
    EnumThreadWindows(
        threadId_.load(),
        [](HWND window, LPARAM) -> BOOL {
          PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
          return TRUE;
        },
        0);
    pump(waitMs, [this] { return !running_.load(); });
    if (running_) return false;
  }
  thread_.join();
  return true;
}

}  // namespace mirelon
