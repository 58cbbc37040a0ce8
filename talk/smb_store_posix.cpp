// Streams on a file server through libsmbclient, with what NTFS gives the
// Windows participants of the same share: a new stream is created with
// create-new semantics and written while no one else may open it, so a
// reader gets a sharing violation until the record is complete; readers
// open sharing reading only; the held talk file denies writing.
//
// One libsmbclient context per share mode (the mode is a context's
// setting): the writer's denies everybody, the reader's denies writing.
// libsmbclient cannot list a file's named streams, so List asks for each
// stream by its name.
#include <libsmbclient.h>

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "base/utf.h"
#include "talk/records.h"
#include "talk/smb_store.h"

#if defined(__SANITIZE_ADDRESS__)
// libsmbclient keeps some process-wide state in talloc memory until the
// process ends; the leak checker is told that it is not a leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libtalloc.so\n";
}
#endif

namespace mirelon {
namespace {

// List stops asking for message numbers after this many missing ones in a
// row. Numbers stay dense; a gap is a write that failed, and the watcher
// looks past one that is longer than this.
constexpr uint32_t kListProbeGap = 16;

// libsmbclient keeps process-wide state (its configuration, name and
// connection caches), so its calls are made one at a time. Each call is
// short; a file stays open between calls.
std::mutex& SmbLock() {
  static std::mutex lock;
  return lock;
}

// Makes a call with the lock held; its errno is kept for the caller.
template <typename F>
auto Locked(F&& call) {
  std::lock_guard<std::mutex> lock(SmbLock());
  errno = 0;
  return call();
}

// Who logs on, read by libsmbclient's authentication callback.
struct Logon {
  std::optional<SmbCredentials> credentials;
  std::string kerberosUser;  // the local user, when a ticket cache exists
};

// A Kerberos ticket cache of this user: the one KRB5CCNAME names, or the
// default file cache.
bool HasTicketCache() {
  const char* named = getenv("KRB5CCNAME");
  if (named && *named) return true;
  struct stat st;
  return ::stat(("/tmp/krb5cc_" + std::to_string(getuid())).c_str(), &st) == 0;
}

std::string LocalUserName() {
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found) return {};
  return found->pw_name;
}

void CopyOut(char* to, int size, const std::string& from) {
  if (!to || size <= 0) return;
  const size_t n = std::min(from.size(), static_cast<size_t>(size) - 1);
  memcpy(to, from.data(), n);
  to[n] = '\0';
}

void ProvideLogon(SMBCCTX* context, const char* /*server*/, const char* /*share*/, char* workgroup,
                  int workgroupSize, char* user, int userSize, char* password, int passwordSize) {
  const auto* logon = static_cast<const Logon*>(smbc_getOptionUserData(context));
  if (logon && logon->credentials) {
    if (!logon->credentials->domain.empty())
      CopyOut(workgroup, workgroupSize, logon->credentials->domain);
    CopyOut(user, userSize, logon->credentials->user);
    CopyOut(password, passwordSize, logon->credentials->password);
  } else {
    // A ticket logs on as its own principal; without one, nobody: a guest.
    CopyOut(user, userSize, logon ? logon->kerberosUser : std::string());
    CopyOut(password, passwordSize, std::string());
  }
}

// One libsmbclient context, with its connections to the servers it used.
class SmbContext {
 public:
  SmbContext(smbc_share_mode mode, std::shared_ptr<const Logon> logon, int timeoutMs)
      : logon_(std::move(logon)) {
    Locked([&] {
      SMBCCTX* c = smbc_new_context();
      if (!c) return;
      smbc_setDebug(c, 0);
      smbc_setOptionDebugToStderr(c, 1);  // standard output shows the talk
      smbc_setTimeout(c, timeoutMs);
      smbc_setOptionOpenShareMode(c, mode);
      smbc_setOptionUseKerberos(c, 1);
      smbc_setOptionFallbackAfterKerberos(c, 1);
      // A user who named credentials is not let in as a guest when they
      // are refused.
      smbc_setOptionNoAutoAnonymousLogin(c, logon_->credentials ? 1 : 0);
      smbc_setOptionUserData(c, const_cast<Logon*>(logon_.get()));
      smbc_setFunctionAuthDataWithContext(c, ProvideLogon);
      if (smbc_init_context(c))
        context_ = c;
      else
        smbc_free_context(c, 0);
    });
  }
  ~SmbContext() {
    if (context_) Locked([&] { smbc_free_context(context_, 1); });
  }
  SmbContext(const SmbContext&) = delete;
  SmbContext& operator=(const SmbContext&) = delete;

  bool ok() const { return context_ != nullptr; }

  // Each call returns what libsmbclient does, and errno tells why it failed.
  SMBCFILE* Open(const std::string& url, int flags) {
    return Locked(
        [&] { return smbc_getFunctionOpen(context_)(context_, url.c_str(), flags, 0644); });
  }
  int Stat(const std::string& url, struct stat* st) {
    return Locked([&] { return smbc_getFunctionStat(context_)(context_, url.c_str(), st); });
  }
  int Fstat(SMBCFILE* f, struct stat* st) {
    return Locked([&] { return smbc_getFunctionFstat(context_)(context_, f, st); });
  }
  ssize_t Read(SMBCFILE* f, char* to, size_t n) {
    return Locked([&] { return smbc_getFunctionRead(context_)(context_, f, to, n); });
  }
  ssize_t Write(SMBCFILE* f, const char* from, size_t n) {
    return Locked([&] { return smbc_getFunctionWrite(context_)(context_, f, from, n); });
  }
  int Truncate(SMBCFILE* f) {
    return Locked([&] { return smbc_getFunctionFtruncate(context_)(context_, f, 0); });
  }
  int Close(SMBCFILE* f) {
    return Locked([&] { return smbc_getFunctionClose(context_)(context_, f); });
  }
  int Unlink(const std::string& url) {
    return Locked([&] { return smbc_getFunctionUnlink(context_)(context_, url.c_str()); });
  }

 private:
  std::shared_ptr<const Logon> logon_;  // read by the callback while the context lives
  SMBCCTX* context_ = nullptr;
};

// An open file on the server, closed with its owner.
class SmbFile {
 public:
  SmbFile(std::shared_ptr<SmbContext> context, SMBCFILE* file)
      : context_(std::move(context)), file_(file) {}
  ~SmbFile() { Close(); }
  SmbFile(const SmbFile&) = delete;
  SmbFile& operator=(const SmbFile&) = delete;

  SMBCFILE* get() const { return file_; }
  bool valid() const { return file_ != nullptr; }
  SmbContext& context() { return *context_; }
  // True when there was nothing to close or it closed.
  bool Close() {
    if (!file_) return true;
    SMBCFILE* f = file_;
    file_ = nullptr;
    return context_->Close(f) == 0;
  }

 private:
  std::shared_ptr<SmbContext> context_;
  SMBCFILE* file_;
};

class HeldSmbFile : public HeldFile {
 public:
  explicit HeldSmbFile(std::unique_ptr<SmbFile> file) : file_(std::move(file)) {}

 private:
  std::unique_ptr<SmbFile> file_;
};

bool WriteAll(SmbFile& file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = file.context().Write(file.get(), bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// libsmbclient's URL of a file or of one of its streams: the names are
// percent-encoded, since libsmbclient decodes them.
std::string Encode(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string ShareUrl(const SmbLocation& where) {
  return "smb://" + where.ServerName() + "/" + Encode(where.share);
}

std::optional<std::string> FileUrl(const std::u16string& file) {
  std::string error;
  std::optional<SmbLocation> where = ParseSmbTalkPath(file, error);
  if (!where) return std::nullopt;
  return ShareUrl(*where) + "/" + Encode(where->path);
}

std::optional<std::string> StreamUrl(const std::u16string& file, std::u16string_view stream) {
  std::optional<std::string> url = FileUrl(file);
  if (!url) return std::nullopt;
  return *url + ":" + Encode(Utf16ToUtf8(stream));
}

bool IsMissingError(int e) {
  return e == ENOENT || e == ENOTDIR;
}

class SmbStreamStore : public StreamStore {
 public:
  SmbStreamStore(std::shared_ptr<const Logon> logon, SmbStoreOptions options)
      : writer_(std::make_shared<SmbContext>(SMBC_SHAREMODE_DENY_ALL, logon, options.timeoutMs)),
        reader_(std::make_shared<SmbContext>(SMBC_SHAREMODE_DENY_WRITE, logon, options.timeoutMs)),
        write_(std::move(options.write)) {}

  bool ok() const { return writer_->ok() && reader_->ok(); }
  SmbContext& reader() { return *reader_; }

  CreateResult CreateNew(const std::u16string& file, std::u16string_view stream,
                         std::string_view bytes) override {
    const std::optional<std::string> url = StreamUrl(file, stream);
    if (!url) return CreateResult::kFailed;
    SMBCFILE* opened = writer_->Open(*url, O_RDWR | O_CREAT | O_EXCL);
    // Taken, or being created by another writer who holds it; denied is
    // also what a stream being deleted answers (the caller asks Exists).
    if (!opened) {
      if (errno == EEXIST || errno == EBUSY) return CreateResult::kExists;
      return errno == EACCES ? CreateResult::kDenied : CreateResult::kFailed;
    }
    SmbFile f(writer_, opened);
    // Samba can open a stream that is already there in spite of the
    // create-new (its view of whether the stream exists may be stale). A
    // record holds bytes from its first write on, and one being written is
    // held by its writer, so a stream with bytes in it is taken: it is left
    // as it is.
    char first;
    const ssize_t there = writer_->Read(f.get(), &first, 1);
    if (there > 0) return CreateResult::kExists;
    // Not knowing whose stream it is, nothing is written or removed; an
    // empty stream reads as not there yet and is passed over in time.
    if (there < 0) return CreateResult::kFailed;
    const bool written =
        write_ ? write_([&](std::string_view some) { return WriteAll(f, some); }, bytes)
               : WriteAll(f, bytes);
    // Once every byte is written the record is there for everybody,
    // whatever closing says.
    if (written) return CreateResult::kCreated;
    // Nobody may ingest a truncated record: emptied while it is still
    // held, it reads as not there yet, and then it goes. The name is this
    // writer's until it goes, so removing it by name removes nothing of
    // another writer's.
    writer_->Truncate(f.get());
    if (f.Close()) writer_->Unlink(*url);
    return CreateResult::kFailed;
  }

  bool Replace(const std::u16string& file, std::u16string_view stream,
               std::string_view bytes) override {
    const std::optional<std::string> url = StreamUrl(file, stream);
    if (!url) return false;
    SmbFile f(writer_, writer_->Open(*url, O_WRONLY | O_CREAT | O_TRUNC));
    if (!f.valid()) return false;
    const bool ok = WriteAll(f, bytes);
    return f.Close() && ok;
  }

  ReadResult Read(const std::u16string& file, std::u16string_view stream, uint64_t limit) override {
    ReadResult r;
    const std::optional<std::string> url = StreamUrl(file, stream);
    if (!url) return r;
    SMBCFILE* opened = reader_->Open(*url, O_RDONLY);
    if (!opened) {
      if (IsMissingError(errno))
        r.status = ReadResult::Status::kMissing;
      else if (errno == EBUSY)  // a sharing violation: its writer still holds it
        r.status = ReadResult::Status::kBusy;
      return r;
    }
    SmbFile f(reader_, opened);
    struct stat st;
    if (reader_->Fstat(f.get(), &st) != 0 || st.st_size < 0) return r;
    return ReadSized(static_cast<uint64_t>(st.st_size), limit, [&](char* to, size_t n) {
      return static_cast<int64_t>(reader_->Read(f.get(), to, n));
    });
  }

  bool Exists(const std::u16string& file, std::u16string_view stream) override {
    const std::optional<std::string> url = StreamUrl(file, stream);
    return url && Probe(*url) == Presence::kThere;
  }

  ListResult List(const std::u16string& file,
                  const std::function<bool(std::u16string_view)>& visit) override {
    const std::optional<std::string> url = FileUrl(file);
    if (!url) return ListResult::kFailed;
    struct stat st;
    if (reader_->Stat(*url, &st) != 0)
      return IsMissingError(errno) ? ListResult::kNoStreams : ListResult::kFailed;
    bool any = false;
    std::optional<ListResult> end;  // set when listing stops early
    // Reports the stream when it is there; true when it is.
    auto look = [&](std::u16string_view name) {
      const Presence p = Probe(*url + ":" + Encode(Utf16ToUtf8(name)));
      if (p == Presence::kUnknown) {
        end = ListResult::kFailed;
      } else if (p == Presence::kThere) {
        any = true;
        if (!visit(u":" + std::u16string(name) + u":$DATA")) end = ListResult::kListed;
      }
      return p == Presence::kThere;
    };
    for (std::u16string_view name : {kOwnerStream, kDescriptionStream}) {
      look(name);
      if (end) return *end;
    }
    for (uint32_t n = 1, missing = 0; n <= kMaxMessageNumber && missing < kListProbeGap; ++n) {
      missing = look(MessageStreamName(n)) ? 0 : missing + 1;
      if (end) return *end;
    }
    return any ? ListResult::kListed : ListResult::kNoStreams;
  }

  bool EnsureFile(const std::u16string& file) override {
    const std::optional<std::string> url = FileUrl(file);
    if (!url) return false;
    struct stat st;
    if (reader_->Stat(*url, &st) == 0) return S_ISREG(st.st_mode);
    if (!IsMissingError(errno)) return false;
    if (SMBCFILE* created = writer_->Open(*url, O_WRONLY | O_CREAT | O_EXCL))
      return SmbFile(writer_, created).Close();
    return errno == EEXIST && reader_->Stat(*url, &st) == 0 && S_ISREG(st.st_mode);
  }

  std::unique_ptr<HeldFile> Hold(const std::u16string& file) override {
    const std::optional<std::string> url = FileUrl(file);
    if (!url) return nullptr;
    auto f = std::make_unique<SmbFile>(reader_, reader_->Open(*url, O_RDONLY));
    struct stat st;
    if (!f->valid() || reader_->Fstat(f->get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    return std::make_unique<HeldSmbFile>(std::move(f));
  }

  PathKind Examine(const std::u16string& path) override {
    const std::optional<std::string> url = FileUrl(path);
    struct stat st;
    if (!url || reader_->Stat(*url, &st) != 0) return PathKind::kNothing;
    return S_ISDIR(st.st_mode)   ? PathKind::kFolder
           : S_ISREG(st.st_mode) ? PathKind::kFile
                                 : PathKind::kNothing;
  }

 private:
  enum class Presence { kThere, kMissing, kUnknown };
  // Asks the server for the attributes only: no share mode is involved, so
  // a stream still being written counts as there.
  Presence Probe(const std::string& url) {
    struct stat st;
    if (reader_->Stat(url, &st) == 0 || errno == EBUSY) return Presence::kThere;
    return IsMissingError(errno) ? Presence::kMissing : Presence::kUnknown;
  }

  const std::shared_ptr<SmbContext> writer_;
  const std::shared_ptr<SmbContext> reader_;
  const std::function<bool(const SmbStoreOptions::WriteSome&, std::string_view)> write_;
};

}  // namespace

SmbConnection ConnectSmbStore(const SmbLocation& talk, SmbStoreOptions options) {
  auto logon = std::make_shared<Logon>();
  logon->credentials = std::move(options.credentials);
  if (!logon->credentials && HasTicketCache()) logon->kerberosUser = LocalUserName();
  const std::string who = logon->credentials ? "user " + logon->credentials->user
                          : logon->kerberosUser.empty()
                              ? std::string("a guest")
                              : "the Kerberos ticket of " + logon->kerberosUser;

  SmbConnection out;
  auto store = std::make_unique<SmbStreamStore>(logon, std::move(options));
  if (!store->ok()) {
    out.error = "the SMB client library could not start";
    return out;
  }
  struct stat st;
  if (store->reader().Stat(ShareUrl(talk) + "/", &st) != 0) {
    const int e = errno;
    const std::string server = "the server " + talk.ServerName();
    if (e == EACCES || e == EPERM)
      out.error = server + " refused share \"" + talk.share + "\" to " + who;
    else if (e == ENOENT || e == ENODEV)
      out.error = server + " has no share \"" + talk.share + "\"";
    else if (e == EINVAL)  // the name does not resolve
      out.error = server + " cannot be found";
    else
      out.error = server + " does not answer (" + strerror(e) + ")";
    return out;
  }
  out.store = std::move(store);
  return out;
}

}  // namespace mirelon
