#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/member_list_view.h"

namespace mirelon {
namespace {

// The rows as the dialog's list view would show them: number, name, state.
class RecordedRows : public MemberRows {
 public:
  void AddRow(int row, const MemberEntry& member) override {
    EXPECT_EQ(row, static_cast<int>(lines.size()));
    lines.push_back(std::to_string(row + 1) + " " + std::string(member.name.begin(), member.name.end()) + " " +
                    (member.state == MemberEntry::kEntered ? "in" : "out"));
  }
  void SetState(int row, MemberEntry::State state) override {
    ASSERT_LT(row, static_cast<int>(lines.size()));
    std::string& line = lines[static_cast<size_t>(row)];
    line = line.substr(0, line.rfind(' ') + 1) + (state == MemberEntry::kEntered ? "in" : "out");
  }
  std::vector<std::string> lines;
};

// Tasks posted from any thread, run when the test says so (the window's
// thread in the program).
class PostedTasks {
 public:
  LiveMemberList::Post Poster() {
    return [this](std::function<void()> task) {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    };
  }
  void RunAll() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

TEST(MemberListView, RowsAtOpeningThenLiveChangesFromTheWatcher) {
  MemberList members;
  members.Update(MemberEntry::kEntered, u"user1", 1);
  members.Update(MemberEntry::kEntered, u"user2", 2);
  members.Update(MemberEntry::kLeft, u"user1", 3);

  PostedTasks posted;
  RecordedRows rows;
  {
    LiveMemberList live(members, rows, posted.Poster());
    EXPECT_EQ(live.InitialCount(), 2u);
    EXPECT_EQ(rows.lines, (std::vector<std::string>{"1 user1 out", "2 user2 in"}));

    // The watcher's changes reach the rows only on the showing thread, in
    // the order they were made.
    std::thread watcher([&] {
      members.Update(MemberEntry::kEntered, u"user3", 4);
      members.Update(MemberEntry::kLeft, u"user2", 5);
      members.Update(MemberEntry::kEntered, u"User3", 6);
    });
    watcher.join();
    EXPECT_EQ(rows.lines.size(), 2u);
    posted.RunAll();
    EXPECT_EQ(rows.lines, (std::vector<std::string>{"1 user1 out", "2 user2 out", "3 user3 in", "4 User3 in"}));
    EXPECT_EQ(live.InitialCount(), 2u);

    // A change on its way when the list closes is dropped with it.
    members.Update(MemberEntry::kLeft, u"user3", 7);
  }
  posted.RunAll();
  members.Update(MemberEntry::kEntered, u"user4", 8);
  posted.RunAll();
  EXPECT_EQ(rows.lines.size(), 4u);
  EXPECT_EQ(rows.lines[2], "3 user3 in");

  // Opening again rebuilds the rows from the members as they are now.
  RecordedRows again;
  LiveMemberList live(members, again, posted.Poster());
  EXPECT_EQ(again.lines,
            (std::vector<std::string>{"1 user1 out", "2 user2 out", "3 user3 out", "4 User3 in", "5 user4 in"}));
  EXPECT_EQ(MemberCountText(live.InitialCount()), u"参加人数: 5");
}

// Members arriving while the list opens are each shown once, in order.
TEST(MemberListView, NoChangeIsLostOrShownTwiceWhileOpening) {
  MemberList members;
  PostedTasks posted;
  std::thread watcher([&] {
    for (int i = 0; i < 2000; ++i) {
      const std::string name = "m" + std::to_string(i);
      members.Update(MemberEntry::kEntered, std::u16string(name.begin(), name.end()), i + 1);
    }
  });
  RecordedRows rows;
  LiveMemberList live(members, rows, posted.Poster());
  watcher.join();
  posted.RunAll();
  ASSERT_EQ(rows.lines.size(), 2000u);
  for (size_t i = 0; i < rows.lines.size(); ++i)
    EXPECT_EQ(rows.lines[i], std::to_string(i + 1) + " m" + std::to_string(i) + " in");
}

TEST(MemberListView, ColumnsShowNumberNameStateAcrossTheWidth) {
  std::vector<MemberColumn> shown(std::begin(kMemberColumns), std::end(kMemberColumns));
  std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
  EXPECT_EQ(shown[0].header, u"番号");
  EXPECT_EQ(shown[1].header, u"名前");
  EXPECT_EQ(shown[2].header, u"状態");
  int total = 0;
  for (const MemberColumn& column : kMemberColumns) total += MemberColumnWidth(column, 437);
  EXPECT_EQ(MemberColumnWidth(kMemberColumns[0], 437), 305);  // cut, not rounded
  EXPECT_LE(total, 437);
  EXPECT_EQ(MemberStateText(MemberEntry::kEntered), u"入室");
  EXPECT_EQ(MemberStateText(MemberEntry::kLeft), u"退室");
  EXPECT_EQ(MemberCountText(0), u"参加人数: 0");
}

}  // namespace
}  // namespace mirelon
