#include "app/talk_store.h"

#include <signal.h>

#include "base/utf.h"
#include "talk/smb_store.h"

namespace mirelon {

TalkStore OpenTalkStore(const std::u16string& talkPath,
                        const std::optional<std::u16string>& smbAuthFile) {
  TalkStore out;
  out.talkPath = talkPath;
  if (!IsSmbTalkPath(talkPath)) {
    if (smbAuthFile)
      out.error = "--smb-auth is for talks on a server (smb://server/share/folder/talk)";
    else
      out.store = CreatePlatformStreamStore();
    return out;
  }
  std::optional<SmbLocation> where = ParseSmbTalkPath(talkPath, out.error);
  if (!where) return out;
  SmbStoreOptions options;
  if (smbAuthFile) {
    options.credentials = ReadSmbAuthFile(Utf16ToUtf8(*smbAuthFile), out.error);
    if (!options.credentials) return out;
  }
  // A server that drops the connection fails the request, not the program.
  ::signal(SIGPIPE, SIG_IGN);
  SmbConnection connection = ConnectSmbStore(*where, std::move(options));
  out.store = std::move(connection.store);
  out.error = std::move(connection.error);
  out.talkPath = where->TalkPath();
  return out;
}

}  // namespace mirelon
