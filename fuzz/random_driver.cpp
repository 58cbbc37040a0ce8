// Feeds a fuzz target random bytes, random splices of its dictionary and
// mutations of both. Runs as an ordinary test in every build; under the
// sanitizer preset it finds the same kind of faults libFuzzer would, only
// less deeply.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/fuzz_target.h"

namespace {

std::string RandomBytes(std::mt19937& rng, size_t maxLen) {
  std::uniform_int_distribution<size_t> len(0, maxLen);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string s(len(rng), '\0');
  for (auto& c : s) c = static_cast<char>(byte(rng));
  return s;
}

std::string Splice(std::mt19937& rng, const std::vector<std::string>& dict, size_t pieces) {
  std::string s;
  std::uniform_int_distribution<size_t> pick(0, dict.size() - 1);
  std::uniform_int_distribution<int> coin(0, 3);
  for (size_t i = 0; i < pieces; ++i) {
    if (coin(rng) == 0)
      s += RandomBytes(rng, 4);
    else
      s += dict[pick(rng)];
  }
  return s;
}

void Mutate(std::mt19937& rng, std::string& s) {
  std::uniform_int_distribution<int> op(0, 3);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int n = 0; n < 4; ++n) {
    size_t pos = s.empty() ? 0 : std::uniform_int_distribution<size_t>(0, s.size() - 1)(rng);
    switch (op(rng)) {
      case 0: if (!s.empty()) s[pos] = static_cast<char>(byte(rng)); break;
      case 1: s.insert(pos, 1, static_cast<char>(byte(rng))); break;
      case 2: if (!s.empty()) s.erase(pos, 1); break;
      case 3: s.insert(pos, s.substr(pos, 16)); break;
    }
  }
}

void RunInput(const std::string& s) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace

TEST(Fuzz, RandomAndMutatedInputs) {
  std::mt19937 rng(20261208);
  const auto dict = FuzzDictionary();
  RunInput("");
  for (const auto& word : dict) RunInput(word);
  for (int i = 0; i < 1500; ++i) {
    std::string s = RandomBytes(rng, 512);
    RunInput(s);
    Mutate(rng, s);
    RunInput(s);
  }
  if (!dict.empty()) {
    for (int i = 0; i < 3000; ++i) {
      std::string s = Splice(rng, dict, 1 + i % 24);
      RunInput(s);
      Mutate(rng, s);
      RunInput(s);
    }
  }
  SUCCEED();
}
