#include "app/talk_store.h"

namespace mirelon {

// Windows opens a talk on a share by its path (\\server\share\...) with the
// logon's own credentials.
TalkStore OpenTalkStore(const std::u16string& talkPath,
                        const std::optional<std::u16string>& smbAuthFile) {
  TalkStore out;
  out.talkPath = talkPath;
  if (smbAuthFile)
    out.error =
        "--smb-auth is not needed on Windows: open the talk as \\\\server\\share\\folder\\talk";
  else
    out.store = CreatePlatformStreamStore();
  return out;
}

}  // namespace mirelon
