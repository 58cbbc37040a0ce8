// The member list of a meeting as its dialog shows it: the columns, the
// texts, and the rows kept up to date while the dialog is open. The
// watcher changes the members on its own thread; the rows change only on
// the thread that shows them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "talk/message_list.h"

namespace mirelon {

// One column of the list: its header, the sub-item it shows, its place
// from the left and its share of the list's width.
struct MemberColumn {
  std::u16string_view header;
  int subItem;
  int order;
  double widthFraction;
};
// Inserted in this order; shown as 番号, 名前, 状態.
inline constexpr MemberColumn kMemberColumns[] = {
    {u"名前", 0, 1, 0.7},
    {u"番号", 1, 0, 0.1},
    {u"状態", 2, 2, 0.2},
};

// The column's width in pixels for a list `listWidth` pixels wide, cut
// toward zero.
int MemberColumnWidth(const MemberColumn& column, int listWidth);
// "入室" or "退室".
std::u16string_view MemberStateText(MemberEntry::State state);
// "参加人数: %d".
std::u16string MemberCountText(size_t count);

// What shows the rows: the dialog's list view, or a test's record. Row n
// is member n; its number column shows n + 1.
class MemberRows {
 public:
  virtual ~MemberRows() = default;
  virtual void AddRow(int row, const MemberEntry& member) = 0;
  virtual void SetState(int row, MemberEntry::State state) = 0;
};

// Fills `rows` with the members of `list` at once, then, for as long as it
// lives, carries every change the watcher makes over to them through
// `post`, which runs a task on the thread that shows the rows (the
// constructing one). Changes still on their way when it goes are dropped.
class LiveMemberList {
 public:
  using Post = std::function<void(std::function<void()>)>;
  LiveMemberList(MemberList& list, MemberRows& rows, Post post);
  ~LiveMemberList();
  LiveMemberList(const LiveMemberList&) = delete;
  LiveMemberList& operator=(const LiveMemberList&) = delete;

  // The number of members when the rows were first filled.
  size_t InitialCount() const { return initialCount_; }

 private:
  struct Shown {
    MemberRows* rows;
    size_t count = 0;
  };
  MemberList& list_;
  std::shared_ptr<Shown> shown_;
  size_t initialCount_ = 0;
};

}  // namespace mirelon
