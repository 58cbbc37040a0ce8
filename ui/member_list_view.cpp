#include "ui/member_list_view.h"

#include <string>

namespace mirelon {

int MemberColumnWidth(const MemberColumn& column, int listWidth) {
  return static_cast<int>(column.widthFraction * listWidth);
}

std::u16string_view MemberStateText(MemberEntry::State state) {
  return state == MemberEntry::kLeft ? u"退室" : u"入室";
}

std::u16string MemberCountText(size_t count) {
  std::u16string text = u"参加人数: ";
  for (char c : std::to_string(count)) text.push_back(static_cast<char16_t>(c));
  return text;
}

LiveMemberList::LiveMemberList(MemberList& list, MemberRows& rows, Post post)
    : list_(list), shown_(std::make_shared<Shown>(Shown{&rows})) {
  // The listener runs on the watcher's thread: it only posts the change,
  // which is carried out here if the list is still shown by then.
  std::weak_ptr<Shown> weak = shown_;
  auto listener = [weak, post = std::move(post)](size_t index, const MemberEntry& member) {
    post([weak, index, member] {
      std::shared_ptr<Shown> shown = weak.lock();
      if (!shown) return;
      if (index < shown->count) {
        shown->rows->SetState(static_cast<int>(index), member.state);
      } else if (index == shown->count) {
        shown->rows->AddRow(static_cast<int>(index), member);
        ++shown->count;
      }
    });
  };
  const std::vector<MemberEntry> members = list_.Watch(std::move(listener));
  for (const MemberEntry& member : members) rows.AddRow(static_cast<int>(shown_->count++), member);
  initialCount_ = members.size();
}

LiveMemberList::~LiveMemberList() { list_.Unwatch(); }

}  // namespace mirelon
