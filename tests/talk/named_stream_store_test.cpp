// The Windows store's named-stream discipline (forced, so that it runs
// under Wine as well): a record is either wholly there or not at all, and
// a failed write never takes away a record by its name.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include "support/temp_dir.h"
#include "talk/stream_store_win32.h"
#include "talk/talk_context.h"
#include "talk/talk_file.h"

namespace mirelon {
namespace {

bool WriteSome(HANDLE h, std::string_view bytes, size_t n) {
  DWORD written = 0;
  return WriteFile(h, bytes.data(), static_cast<DWORD>(n), &written, nullptr) && written == n;
}

TEST(NamedStreamStore, AFailedWriteLeavesNoRecordAndACompleteOneStays) {
  TempDir dir;
  const std::u16string talk = dir.File(u"t.talk");
  Win32StreamStoreOptions options;
  options.forceNamedStreams = true;
  // Half the record, then the write fails: the stream goes.
  options.write = [](HANDLE h, std::string_view bytes) { return WriteSome(h, bytes, bytes.size() / 2) && false; };
  std::unique_ptr<StreamStore> failing = CreateWin32StreamStore(options);
  ASSERT_TRUE(failing->EnsureFile(talk));
  EXPECT_EQ(failing->CreateNew(talk, u"Msg000001", "talk\tx\tcut short"), StreamStore::CreateResult::kFailed);
  EXPECT_FALSE(failing->Exists(talk, u"Msg000001"));

  // Every byte written, then the handle cannot be closed (it is closed
  // already): the record is stored and stays for its readers.
  options.write = [](HANDLE h, std::string_view bytes) {
    const bool ok = WriteSome(h, bytes, bytes.size());
    CloseHandle(h);
    return ok;
  };
  std::unique_ptr<StreamStore> closing = CreateWin32StreamStore(options);
  EXPECT_EQ(closing->CreateNew(talk, u"Msg000001", "talk\tx\twhole"), StreamStore::CreateResult::kCreated);
  StreamStore::ReadResult read = closing->Read(talk, u"Msg000001", 1 << 20);
  EXPECT_EQ(read.status, StreamStore::ReadResult::Status::kOk);
  EXPECT_EQ(read.bytes, "talk\tx\twhole");
}

// Another writer appending while a failed write's stream is being deleted
// takes the next number instead of failing (NTFS denies its name until the
// stream is gone; Wine calls it taken).
TEST(NamedStreamStore, AppendingBesideAStreamBeingDeletedTakesTheNextNumber) {
  TempDir dir;
  Win32StreamStoreOptions options;
  options.forceNamedStreams = true;
  TalkContext other(CreateWin32StreamStore(options));
  other.talkPath = dir.File(u"t.talk");
  // The first writer's write fails; the other appends before its stream is gone.
  options.write = [&](HANDLE h, std::string_view) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
    AppendRecord(other, u"talk\tx\tother");
    return false;
  };
  ASSERT_TRUE(other.store.EnsureFile(other.talkPath));
  CreateWin32StreamStore(options)->CreateNew(other.talkPath, u"Msg000001", "talk\tx\tcut short");
  EXPECT_EQ(other.nextNumber.load(), 2u);
  EXPECT_FALSE(other.store.Exists(other.talkPath, u"Msg000001"));
}

}  // namespace
}  // namespace mirelon
#endif
