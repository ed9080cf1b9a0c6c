// Golden files: results of the game kept in tests/fixtures/golden/ so that a
// change meant to be invisible (a faster route search, a cheaper sight pass)
// is checked byte for byte against what the game computed before it.
//
// They are written only on purpose: run the suites that use them with
// DVX_REGENERATE_GOLDENS=1 (for instance
//   DVX_REGENERATE_GOLDENS=1 build/tests/dvx_tests --gtest_filter='*Golden*'
// ) and commit the files with the change that explains why they moved.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace golden {

inline std::string PathOf(const std::string& name) { return std::string(DVX_TEST_FIXTURES) + "/golden/" + name; }

inline bool Regenerating() {
  const char* flag = std::getenv("DVX_REGENERATE_GOLDENS");
  return flag != nullptr && std::string(flag) == "1";
}

// Compares the bytes with the golden file of the name, or writes them when
// regenerating.
inline void Check(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = PathOf(name);
  if (Regenerating()) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in.good()) << "no golden file " << path << " (DVX_REGENERATE_GOLDENS=1 writes it)";
  const std::vector<uint8_t> kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t first = 0;
  while (first < kept.size() && first < bytes.size() && kept[first] == bytes[first]) ++first;
  EXPECT_TRUE(first == kept.size() && first == bytes.size())
      << name << ": " << bytes.size() << " bytes against " << kept.size() << " kept, first difference at byte "
      << first;
}

inline void Check(const std::string& name, const std::string& text) {
  Check(name, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace golden
