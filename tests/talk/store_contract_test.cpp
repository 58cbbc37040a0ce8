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

// A store and a fresh folder for its talks.
class StoreUnderTest {
 public:
  virtual ~StoreUnderTest() = default;
  // The path of the folder's talk `name`, as the store is given it.
  virtual std::u16string Talk(std::u16string_view name) const = 0;
  // The folder as it lies on the disk: each file's bytes, and each named
  // stream's as "file:stream".
  virtual Disk OnDisk() const = 0;

  std::unique_ptr<StreamStore> store;
};

class LocalStore : public StoreUnderTest {
 public:
  LocalStore() { store = CreatePlatformStreamStore(); }
  std::u16string Talk(std::u16string_view name) const override { return dir_.File(name); }
  Disk OnDisk() const override {
    Disk disk;
    for (const std::u16string& name : dir_.List())
      disk[Utf16ToUtf8(name)] = ReadWholeFile(dir_.File(name), 1 << 20).value_or("(unreadable)");
    return disk;
  }

 private:
  TempDir dir_;
};

#ifndef _WIN32
// A Samba share with streams_xattr keeps stream S of file F as F's extended
// attribute "user.DosStream.S:$DATA": the stream's bytes and one zero byte.
class SmbStore : public StoreUnderTest {
 public:
  explicit SmbStore(SambaServer& server) : folder_(server.NewFolder()) {
    std::string error;
    store = ConnectSmbStore(*ParseSmbTalkPath(Talk(u"t"), error), {}).store;
  }
  std::u16string Talk(std::u16string_view name) const override {
    return U16(folder_.url + "/") + std::u16string(name);
  }
  Disk OnDisk() const override {
    Disk disk;
    const std::string prefix = "user.DosStream.", suffix = ":$DATA";
    for (const auto& entry : std::filesystem::directory_iterator(folder_.local)) {
      const std::string file = entry.path().filename();
      disk[file] = ReadWholeFile(U16(entry.path().string()), 1 << 20).value_or("(unreadable)");
      char names[65536];
      const ssize_t length = listxattr(entry.path().c_str(), names, sizeof names);
      for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(strlen(names + at)) + 1) {
        std::string attribute = names + at;
        if (attribute.rfind(prefix, 0) != 0 || attribute.size() < prefix.size() + suffix.size()) continue;
        std::string value(65536, '\0');
        const ssize_t size = getxattr(entry.path().c_str(), attribute.c_str(), value.data(), value.size());
        value.resize(size > 0 && value[size - 1] == '\0' ? size - 1 : std::max<ssize_t>(size, 0));
        disk[file + ":" + attribute.substr(prefix.size(), attribute.size() - prefix.size() - suffix.size())] = value;
      }
    }
    return disk;
  }

 private:
  SambaServer::Folder folder_;
};
#endif

struct StoreCase {
  const char* name;
  // The store, or null with the reason in `skip`.
  std::function<std::unique_ptr<StoreUnderTest>(std::string& skip)> make;
};

const StoreCase kStores[] = {
    {"Local", [](std::string&) -> std::unique_ptr<StoreUnderTest> { return std::make_unique<LocalStore>(); }},
#ifndef _WIN32
    {"Smb",
     [](std::string& skip) -> std::unique_ptr<StoreUnderTest> {
       SambaServer& server = SambaServer::Shared();
       if (!server.failure().empty()) {
         skip = "no Samba server: " + server.failure();
         return nullptr;
       }
       return std::make_unique<SmbStore>(server);
     }},
#endif
};

class StoreContract : public ::testing::TestWithParam<StoreCase> {
 protected:
  void SetUp() override {
    std::string skip;
    under_ = GetParam().make(skip);
    if (!under_) GTEST_SKIP() << skip;
    ASSERT_TRUE(under_->store);
  }
  StreamStore& store() { return *under_->store; }
  std::u16string Talk(std::u16string_view name) { return under_->Talk(name); }

  std::unique_ptr<StoreUnderTest> under_;
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
  EXPECT_EQ(under_->OnDisk(),
            (Disk{{"a.talk", ""}, {"a.talk:Msg000001", "talk\tuser1さん 3/05 9:07\tこんにちは"}, {"a.talk:Owner", "user1"}}));
  auto held = store().Hold(talk);
  EXPECT_TRUE(held);
  EXPECT_FALSE(store().Hold(Talk(u"missing.talk")));
}

TEST_P(StoreContract, ListReportsStreamsAsListingsNameThem) {
  const std::u16string talk = Talk(u"a.talk");
  EXPECT_EQ(store().List(talk, [](std::u16string_view) { return true; }), StreamStore::ListResult::kNoStreams);
  store().CreateNew(talk, u"Owner", "u");
  store().CreateNew(talk, u"Msg000002", "talk\tx");
  store().CreateNew(Talk(u"a.talk2"), u"Msg000009", "talk\tother talk");
  store().EnsureFile(talk);
  store().Replace(talk, u"Description", "first");
  EXPECT_TRUE(store().Replace(talk, u"Description", "second"));
  EXPECT_EQ(store().Read(talk, u"Description", 100).bytes, "second");

  std::vector<std::u16string> names;
  EXPECT_EQ(store().List(talk, [&](std::u16string_view n) { names.emplace_back(n); return true; }),
            StreamStore::ListResult::kListed);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u":Description:$DATA", u":Msg000002:$DATA", u":Owner:$DATA"}));
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
                         [](const ::testing::TestParamInfo<StoreCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mirelon
