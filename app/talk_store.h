// The stream store that serves the talk named on the command line.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "talk/stream_store.h"

namespace mirelon {

struct TalkStore {
  std::unique_ptr<StreamStore> store;  // null when the talk cannot be reached
  std::u16string talkPath;             // the path as the store spells it
  std::string error;                   // why not, in one line
};

// A talk on a file server (smb://server/share/folder/talk, also
// //server/share/...) is reached over SMB where this build can, logging on
// with the authentication file `smbAuthFile` when one is given; any other
// talk is in this machine's store.
TalkStore OpenTalkStore(const std::u16string& talkPath,
                        const std::optional<std::u16string>& smbAuthFile);

}  // namespace mirelon
