#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>

#include "base/file_io.h"

namespace fs = std::filesystem;

namespace mirelon {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p = fs::temp_directory_path() /
                 ("mirelon-test-" + std::to_string(rd()) + "-" + std::to_string(stamp) + "-" +
                  std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.u16string();
      return;
    }
  }
  std::abort();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(fs::path(path_), ec);
}

std::u16string TempDir::File(std::u16string_view name) const {
  return path_ + kPathSeparator + std::u16string(name);
}

std::vector<std::u16string> TempDir::List() const {
  std::vector<std::u16string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(path_), ec))
    names.push_back(e.path().filename().u16string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace mirelon
