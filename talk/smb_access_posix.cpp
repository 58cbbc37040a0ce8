// Where a talk on a server is, and who logs on to it: the talk's path and
// the authentication file, both given by the user and checked as such.
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <vector>

#include "base/unique_fd_posix.h"
#include "base/utf.h"
#include "talk/smb_store.h"

namespace mirelon {
namespace {

// An authentication file is a few short lines.
constexpr size_t kAuthFileLimit = 64 * 1024;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

bool IsHostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// A name inside a share: no empty name, no "." or "..", nothing that a
// Windows share refuses or that would name a stream.
bool IsShareName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("\\:*?\"<>|").find(c) != std::string_view::npos)
      return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

}  // namespace

std::string SmbLocation::ServerName() const {
  std::string name = server.find(':') != std::string::npos ? "[" + server + "]" : server;
  if (port != 0) name += ":" + std::to_string(port);
  return name;
}

std::u16string SmbLocation::TalkPath() const {
  return Utf8ToUtf16Lenient("smb://" + ServerName() + "/" + share + "/" + path);
}

bool IsSmbTalkPath(std::u16string_view path) {
  const std::string text = Utf16ToUtf8(path.substr(0, 6));
  return StartsWithNoCase(text, "smb://") ||
         (text.size() > 2 && text[0] == '/' && text[1] == '/' && text[2] != '/');
}

std::optional<SmbLocation> ParseSmbTalkPath(std::u16string_view path, std::string& error) {
  const std::string text = Utf16ToUtf8(path);
  auto fail = [&](const std::string& why) {
    error = text + ": " + why;
    return std::nullopt;
  };
  if (!IsSmbTalkPath(path)) return fail("not a path on a server (smb://server/share/folder/talk)");
  std::string_view rest(text);
  rest.remove_prefix(rest[0] == '/' ? 2 : 6);

  const size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  if (authority.find('@') != std::string_view::npos) {
    // Not repeated: what stands before "@" may be a password.
    error =
        "a user name or password does not belong in the talk's path; give them in --smb-auth FILE";
    return std::nullopt;
  }
  SmbLocation where;
  std::string_view host = authority;
  std::string_view port;
  if (!host.empty() && host.front() == '[') {  // an IPv6 address
    const size_t close = host.find(']');
    if (close == std::string_view::npos) return fail("the server's address is not closed with ]");
    port = host.substr(close + 1);
    host = host.substr(1, close - 1);
    for (char c : host)
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
        return fail("the server's address is not valid");
    if (!port.empty() && port.front() != ':') return fail("the server's address is not valid");
  } else {
    const size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
      port = host.substr(colon);
      host = host.substr(0, colon);
    }
    for (char c : host)
      if (!IsHostCharacter(c)) return fail("the server's name is not valid");
  }
  if (host.empty()) return fail("names no server");
  where.server = std::string(host);
  if (!port.empty()) {
    port.remove_prefix(1);
    unsigned value = 0;
    for (char c : port) {
      if (c < '0' || c > '9' || value > 65535)
        return fail("the port is not a number from 1 to 65535");
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (port.empty() || value == 0 || value > 65535)
      return fail("the port is not a number from 1 to 65535");
    where.port = static_cast<uint16_t>(value);
  }

  // The share, then the folders and the file; repeated slashes count once.
  std::vector<std::string_view> names;
  for (std::string_view left = slash == std::string_view::npos ? std::string_view()
                                                               : rest.substr(slash + 1);
       !left.empty();) {
    const size_t next = left.find('/');
    std::string_view name = left.substr(0, next);
    left = next == std::string_view::npos ? std::string_view() : left.substr(next + 1);
    if (name.empty()) continue;
    if (!IsShareName(name))
      return fail("\"" + std::string(name) + "\" cannot be a name on a share");
    names.push_back(name);
  }
  if (names.size() < 2 || text.back() == '/')
    return fail("names no file on a share (smb://server/share/folder/talk)");
  where.share = std::string(names[0]);
  for (size_t i = 1; i < names.size(); ++i)
    where.path += (i > 1 ? "/" : "") + std::string(names[i]);
  return where;
}

SmbCredentials::~SmbCredentials() {
  explicit_bzero(password.data(), password.size());
}

std::optional<SmbCredentials> ReadSmbAuthFile(const std::string& path, std::string& error) {
  auto fail = [&](const std::string& why) {
    error = "--smb-auth " + path + ": " + why;
    return std::nullopt;
  };
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.valid()) return fail(strerror(errno));
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return fail("not a file");
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    return fail("other users can read or change it; make it yours alone (chmod 600 " + path + ")");
  if (static_cast<uint64_t>(st.st_size) > kAuthFileLimit)
    return fail("too long for an authentication file");

  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::read(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  text.resize(done);

  SmbCredentials credentials;
  for (std::string_view left = text; !left.empty();) {
    const size_t end = left.find('\n');
    std::string_view line = left.substr(0, end);
    left = end == std::string_view::npos ? std::string_view() : left.substr(end + 1);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (value.find('\0') != std::string_view::npos) return fail("holds a zero byte");
    if (EqualsNoCase(key, "username")) {
      credentials.user = std::string(value);
    } else if (EqualsNoCase(key, "password")) {
      explicit_bzero(credentials.password.data(), credentials.password.size());
      credentials.password = std::string(value);
    } else if (EqualsNoCase(key, "domain")) {
      credentials.domain = std::string(value);
    }
  }
  explicit_bzero(text.data(), text.size());
  // "DOMAIN\user" names the domain too, unless a domain line does.
  if (const size_t backslash = credentials.user.find('\\'); backslash != std::string::npos) {
    if (credentials.domain.empty()) credentials.domain = credentials.user.substr(0, backslash);
    credentials.user.erase(0, backslash + 1);
  }
  if (credentials.user.empty()) return fail("names no user (a line \"username = NAME\")");
  return credentials;
}

}  // namespace mirelon
