// Talks on a file server, reached over SMB. The talk's streams are the
// named streams of the talk file on the server, the very streams that the
// server's Windows clients open as "\\server\share\folder\talk:Msg000012".
// Native builds only (libsmbclient); Windows reaches a share by its own
// paths.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "talk/stream_store.h"

namespace mirelon {

// A talk on a server: "smb://server[:port]/share/folder/talk.meeting", or
// the same without "smb:" ("//server/share/...").
struct SmbLocation {
  std::string server;  // a host name or address
  uint16_t port = 0;   // 0: the standard port
  std::string share;
  std::string path;  // inside the share, folders separated by "/"

  // The one spelling of the talk's path: "smb://server[:port]/share/path".
  std::u16string TalkPath() const;
  // "server" or "server:port", as messages name it.
  std::string ServerName() const;
};

// True for a path in one of the two forms above (not yet checked).
bool IsSmbTalkPath(std::u16string_view path);

// None, with the reason in `error`, for a path that names no file on a
// share, or that carries a user name or password (those belong in the
// authentication file).
std::optional<SmbLocation> ParseSmbTalkPath(std::u16string_view path, std::string& error);

struct SmbCredentials {
  SmbCredentials() = default;
  SmbCredentials(const SmbCredentials&) = default;
  SmbCredentials& operator=(const SmbCredentials&) = default;
  ~SmbCredentials();  // wipes the password

  std::string user;
  std::string password;
  std::string domain;  // empty: the client's default workgroup
};

// Reads an authentication file in the format smbclient reads: lines
// "username = NAME" (also "DOMAIN\NAME"), "password = SECRET" and
// "domain = DOMAIN". None, with the reason in `error`, for a file that
// cannot be read, that other users can read or change, or that names no
// user. No message ever holds the password.
std::optional<SmbCredentials> ReadSmbAuthFile(const std::string& path, std::string& error);

struct SmbStoreOptions {
  // The user to log on as. None: the user's Kerberos ticket when there is
  // one, else a guest.
  std::optional<SmbCredentials> credentials;
  // How long the server may take to answer one request.
  int timeoutMs = 10000;
  // Writes a new stream's bytes through `write`, which writes to the
  // stream while it is open; null: all of them at once. For tests.
  using WriteSome = std::function<bool(std::string_view bytes)>;
  std::function<bool(const WriteSome& write, std::string_view bytes)> write;
};

struct SmbConnection {
  std::unique_ptr<StreamStore> store;  // null when the share cannot be used
  std::string error;                   // why not, in one line
};

// A store for talks on the talk's server, once the talk's share has
// answered with these credentials.
SmbConnection ConnectSmbStore(const SmbLocation& talk, SmbStoreOptions options);

}  // namespace mirelon
