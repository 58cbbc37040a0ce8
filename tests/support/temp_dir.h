// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::u16string& path() const { return path_; }
  // path() + separator + name
  std::u16string File(std::u16string_view name) const;
  // Names of the entries in the folder, sorted.
  std::vector<std::u16string> List() const;

 private:
  std::u16string path_;
};

}  // namespace mirelon
