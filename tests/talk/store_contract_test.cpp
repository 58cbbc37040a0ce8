// What every stream store keeps to, one table of cases for all of them:
// this machine's store (sibling files natively, the Windows store under
// Wine) and the file server's over SMB. What each leaves on the disk is
// checked where it lies, so that other programs read what was written.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "base/file_io.h"
#include "base/utf.h"
#include "support/temp_dir.h"
#include "talk/stream_store.h"
#ifndef _WIN32
#include <sys/xattr.h>

#include <filesystem>

#include "support/samba_server.h"
#include "talk/smb_store.h"
#endif

namespace mirelon {
namespace {

using Status = StreamStore::ReadResult::Status;
using Disk = std::map<std::string, std::string>;

// A store with a fresh folder for its talks, and that folder as it lies on
// the disk: each file's bytes, and each named stream's as "file:stream".
// No store: the case cannot run here, `skip` says why.
struct StoreUnderTest {
  std::unique_ptr<StreamStore> store;
  std::function<std::u16string(std::u16string_view name)> talk;
  std::function<Disk()> onDisk;
  std::string skip;
};

StoreUnderTest Local() {
  auto dir = std::make_shared<TempDir>();
  return {CreatePlatformStreamStore(), [dir](std::u16string_view name) { return dir->File(name); },
          [dir] {
            Disk disk;
            for (const std::u16string& name : dir->List())
              disk[Utf16ToUtf8(name)] =
                  ReadWholeFile(dir->File(name), 1 << 20).value_or("(unreadable)");
            return disk;
          }};
}

#ifndef _WIN32
// A Samba share with streams_xattr keeps stream S of file F as F's extended
// attribute "user.DosStream.S:$DATA": the stream's bytes and one zero byte.
Disk SambaDisk(const std::string& folder) {
  Disk disk;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string path = entry.path(), file = entry.path().filename();
    disk[file] = ReadWholeFile(U16(path), 1 << 20).value_or("(unreadable)");
    char names[65536];
    const ssize_t length = std::max<ssize_t>(listxattr(path.c_str(), names, sizeof names), 0);
    for (const char* name = names; name < names + length; name += strlen(name) + 1) {
      const std::string_view attribute(name), prefix("user.DosStream."), suffix(":$DATA");
      if (!attribute.starts_with(prefix) || !attribute.ends_with(suffix)) continue;
      std::string value(65536, '\0');
      value.resize(std::max<ssize_t>(getxattr(path.c_str(), name, value.data(), value.size()), 1) -
                   1);
      disk[file + ":" +
           std::string(attribute.substr(prefix.size(),
                                        attribute.size() - prefix.size() - suffix.size()))] = value;
    }
  }
  return disk;
}

StoreUnderTest Smb() {
  SambaServer& server = SambaServer::Shared();
  if (!server.failure().empty()) return {.skip = "no Samba server: " + server.failure()};
  const SambaServer::Folder folder = server.NewFolder();
  auto talk = [url = folder.url](std::u16string_view name) {
    return U16(url + "/") + std::u16string(name);
  };
  std::string error;
  return {ConnectSmbStore(*ParseSmbTalkPath(talk(u"t"), error), {}).store, talk,
          [local = folder.local] { return SambaDisk(local); }};
}
#endif

const std::pair<const char*, StoreUnderTest (*)()> kStores[] = {
    {"Local", Local},
#ifndef _WIN32
    {"Smb", Smb},
#endif
};

class StoreContract
    : public ::testing::TestWithParam<std::pair<const char*, StoreUnderTest (*)()>> {
 protected:
  void SetUp() override {
    under_ = GetParam().second();
    if (!under_.skip.empty()) GTEST_SKIP() << under_.skip;
    ASSERT_TRUE(under_.store);
  }
  StreamStore& store() { return *under_.store; }
  std::u16string Talk(std::u16string_view name) { return under_.talk(name); }

  StoreUnderTest under_;
};

TEST_P(StoreContract, CreateNewClaimsANameOnceAndLeavesNoTemporaryFiles) {
  const std::u16string talk = Talk(u"a.talk");
  EXPECT_EQ(store().Examine(talk), StreamStore::PathKind::kNothing);
  EXPECT_EQ(store().CreateNew(talk, u"Owner", "user1"), StreamStore::CreateResult::kCreated);
  EXPECT_EQ(store().CreateNew(talk, u"Owner", "other"), StreamStore::CreateResult::kExists);
  EXPECT_TRUE(store().EnsureFile(talk));
  EXPECT_TRUE(store().EnsureFile(talk));
  EXPECT_EQ(store().Examine(talk), StreamStore::PathKind::kFile);

  StreamStore::ReadResult r = store().Read(talk, u"Owner", 100);
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(r.bytes, "user1");
  EXPECT_EQ(store().Read(talk, u"Msg000001", 100).status, Status::kMissing);
  EXPECT_FALSE(store().Exists(talk, u"Msg000001"));
  EXPECT_EQ(store().CreateNew(talk, u"Msg000001", "talk\tuser1さん 3/05 9:07\tこんにちは"),
            StreamStore::CreateResult::kCreated);
  EXPECT_TRUE(store().Exists(talk, u"Msg000001"));

  // Exactly the talk and its streams, as written; the main file is empty.
  EXPECT_EQ(under_.onDisk(), (Disk{{"a.talk", ""},
                                   {"a.talk:Msg000001", "talk\tuser1さん 3/05 9:07\tこんにちは"},
                                   {"a.talk:Owner", "user1"}}));
  auto held = store().Hold(talk);
  EXPECT_TRUE(held);
  EXPECT_FALSE(store().Hold(Talk(u"missing.talk")));
}

TEST_P(StoreContract, ListReportsStreamsAsListingsNameThem) {
  const std::u16string talk = Talk(u"a.talk");
  EXPECT_EQ(store().List(talk, [](std::u16string_view) { return true; }),
            StreamStore::ListResult::kNoStreams);
  store().CreateNew(talk, u"Owner", "u");
  store().CreateNew(talk, u"Msg000002", "talk\tx");
  store().CreateNew(Talk(u"a.talk2"), u"Msg000009", "talk\tother talk");
  store().EnsureFile(talk);
  store().Replace(talk, u"Description", "first");
  EXPECT_TRUE(store().Replace(talk, u"Description", "second"));
  EXPECT_EQ(store().Read(talk, u"Description", 100).bytes, "second");

  std::vector<std::u16string> names;
  EXPECT_EQ(store().List(talk,
                         [&](std::u16string_view n) {
                           names.emplace_back(n);
                           return true;
                         }),
            StreamStore::ListResult::kListed);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u":Description:$DATA", u":Msg000002:$DATA",
                                                u":Owner:$DATA"}));
}

TEST_P(StoreContract, ReadHoldsAtMostTheLimitAndTellsItWasCut) {
  const std::u16string talk = Talk(u"a.talk");
  store().CreateNew(talk, u"Msg000001", std::string(5000, 'x'));
  store().CreateNew(talk, u"Msg000002", "");
  auto r = store().Read(talk, u"Msg000001", 1000);
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_TRUE(r.cut);
  EXPECT_EQ(r.bytes.size(), 1000u);
  EXPECT_EQ(store().Read(talk, u"Msg000002", 1000).status, Status::kEmpty);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace mirelon
