#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "common/Files.h"
#include "store/Cdx.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::TempDir;

uint32_t Le(const std::string& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
uint32_t Be32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

struct Keys {
  int length;
  std::string bytes;
  std::vector<uint32_t> recnos;
  CdxTagKeys Tag(const std::string& name, const std::string& expr) const {
    return {CdxTagInfo{name, expr, "", length}, bytes.data(), recnos.data(), recnos.size()};
  }
};

// n keys of the item table's form ("U1" + sequence), sorted.
Keys ItemKeys(uint32_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::pair<std::string, uint32_t>> pairs;
  for (uint32_t r = 1; r <= n; ++r) {
    char key[16];
    std::snprintf(key, sizeof key, "U%c%6u", static_cast<char>('1' + rng() % 3), static_cast<unsigned>(rng() % 5000));
    pairs.emplace_back(key, r);
  }
  std::sort(pairs.begin(), pairs.end());
  Keys k{8, "", {}};
  for (const auto& [key, r] : pairs) {
    k.bytes += key;
    k.recnos.push_back(r);
  }
  return k;
}

// The structure other readers do not check: page size, free counts, sibling chains, and each
// interior entry equal to the last (key, recno) of its child.
void CheckTree(const std::string& file, uint32_t headerAt, int length) {
  ASSERT_EQ(file.size() % 512, 0u);
  uint32_t node = Le(file, headerAt, 4);
  // Walk each level from its leftmost node along the sibling chain.
  while (true) {
    ASSERT_LT(node + 512, file.size() + 1);
    const bool leaf = Le(file, node, 2) & 2;
    uint32_t previous = 0xFFFFFFFF;
    for (uint32_t at = node; at != 0xFFFFFFFF; at = Le(file, at + 8, 4)) {
      ASSERT_EQ(Le(file, at + 4, 4), previous);
      const uint32_t n = Le(file, at + 2, 2);
      if (leaf) {
        const int nb = static_cast<unsigned char>(file[at + 23]);
        const int rb = static_cast<unsigned char>(file[at + 20]);
        const int db = static_cast<unsigned char>(file[at + 21]);
        const int tb = static_cast<unsigned char>(file[at + 22]);
        uint32_t stored = 0;
        for (uint32_t i = 0; i < n; ++i) {
          uint64_t x = 0;
          for (int k = nb - 1; k >= 0; --k) x = (x << 8) | static_cast<unsigned char>(file[at + 24 + i * nb + k]);
          stored +=
              static_cast<uint32_t>(length) - ((x >> rb) & ((1u << db) - 1)) - ((x >> (rb + db)) & ((1u << tb) - 1));
        }
        EXPECT_EQ(Le(file, at + 12, 2), 488 - n * nb - stored) << "free count of leaf at " << at;
      } else {
        for (uint32_t i = 0; i < n; ++i) {
          const size_t e = at + 12 + i * static_cast<size_t>(length + 8);
          const uint32_t child = Be32(file, e + length + 4);
          // The child's last entry: for a leaf, its last key; for an interior node, its last entry.
          std::vector<std::pair<std::string, uint32_t>> all;
          ASSERT_TRUE(child % 512 == 0);
          const uint32_t childN = Le(file, child, 2) & 2 ? 0 : Le(file, child + 2, 2);
          if (childN > 0) {
            const size_t last = child + 12 + (childN - 1) * static_cast<size_t>(length + 8);
            EXPECT_EQ(file.substr(e, static_cast<size_t>(length + 4)),
                      file.substr(last, static_cast<size_t>(length + 4)));
          }
        }
      }
      previous = at;
    }
    if (leaf) break;
    node = Be32(file, node + 12 + static_cast<size_t>(length) + 4);
  }
}

TEST(Cdx, WritesAndReadsBackEveryKeyInOrder) {
  for (uint32_t n : {0u, 1u, 50u, 1000u, 30000u}) {
    const Keys keys = ItemKeys(n, n);
    const std::string file = BuildCdx({keys.Tag("F_PS", "F_PART + str(F_Seq,6)")});
    std::vector<CdxTagInfo> tags;
    ASSERT_TRUE(ReadCdxTags(file, tags));
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].name, "F_PS");
    EXPECT_EQ(tags[0].expression, "F_PART + str(F_Seq,6)");
    EXPECT_EQ(tags[0].keyLength, 8);
    std::vector<std::pair<std::string, uint32_t>> back;
    ASSERT_TRUE(ReadCdxKeys(file, "F_PS", back));
    ASSERT_EQ(back.size(), n);
    for (uint32_t i = 0; i < n; ++i) {
      ASSERT_EQ(back[i].first, keys.bytes.substr(i * 8, 8));
      ASSERT_EQ(back[i].second, keys.recnos[i]);
    }
    CheckTree(file, 1536, 8);
  }
}

TEST(Cdx, TheWorkedExampleOfTheFormat) {
  // NAME C(8): BANANA, APPLE, blank, APPLE, BANANAS as records 1..5, sorted.
  Keys k{8, "        APPLE   APPLE   BANANA  BANANAS ", {3, 2, 4, 1, 5}};
  const std::string file = BuildCdx({k.Tag("NAME", "NAME")});
  EXPECT_EQ(file.substr(0x400, 24), test::Bytes("0300 0100 FFFFFFFF FFFFFFFF E101 FFFF0000 0F0F 10040403"));
  EXPECT_EQ(file.substr(0x418, 3), test::Bytes("000660"));
  EXPECT_EQ(file.substr(0x5FC, 4), "NAME");
  // The tag's single leaf holds the five entries as FoxPro writes them.
  const size_t leaf = Le(file, 0x600, 4);
  EXPECT_EQ(file.substr(leaf, 24), test::Bytes("0300 0500 FFFFFFFF FFFFFFFF D201 FF000000 0F0F 08040402"));
  EXPECT_EQ(file.substr(leaf + 24, 10), test::Bytes("0380 0230 0435 0120 0516"));
  EXPECT_EQ(file.substr(leaf + 0x1F4, 12), "SBANANAAPPLE");
  EXPECT_EQ(file.substr(0x7F6, 10), test::Bytes("0000 0500 0100 0000 0500"));
  EXPECT_EQ(file.substr(0x800, 6), std::string("NAME\0\0", 6));
}

TEST(Cdx, DamagedOrForeignFilesAreRefusedSafely) {
  std::vector<CdxTagInfo> tags;
  EXPECT_FALSE(ReadCdxTags("", tags));
  EXPECT_FALSE(ReadCdxTags(std::string(2048, '\0'), tags));
  EXPECT_FALSE(ReadCdxTags(std::string(2000, 'x'), tags));
  const Keys keys = ItemKeys(2000, 7);
  const std::string good = BuildCdx({keys.Tag("F_PS", "F_PART + str(F_Seq,6)")});
  // A file cut inside its tag directory is refused, with no tags; random damage is the fuzz
  // target's (fuzz/fuzz_cdx.cpp).
  EXPECT_FALSE(ReadCdxTags(good.substr(0, 1000), tags));
  EXPECT_TRUE(tags.empty());
  std::string loop = good;  // a leaf whose right sibling is itself
  uint32_t leaf = Le(good, 1536, 4);
  while (!(Le(good, leaf, 2) & 2)) leaf = Be32(good, leaf + 12 + 8 + 4);
  for (int i = 0; i < 4; ++i) loop[leaf + 8 + i] = static_cast<char>((leaf >> (8 * i)) & 0xFF);
  std::vector<std::pair<std::string, uint32_t>> keysBack;
  EXPECT_FALSE(ReadCdxKeys(loop, "F_PS", keysBack));
}

TEST(Cdx, IndependentReaderListsEveryKeyInOrder) {
  if (!test::ToolAvailable("command -v index_dump")) GTEST_SKIP() << "index_dump (libdbd-xbase-perl) is not installed";
  TempDir dir;
  for (uint32_t n : {0u, 1u, 3000u, 120000u}) {
    const Keys keys = ItemKeys(n, 11 + n);
    ASSERT_TRUE(ReplaceFileContents(dir.File("T.CDX"), BuildCdx({keys.Tag("F_PS", "F_PART + str(F_Seq,6)")})));
    const std::string command = "index_dump -type=char " + dir.File("T.CDX") + " F_PS 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[4096];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    ASSERT_EQ(pclose(pipe), 0) << output.substr(0, 300);
    std::string expected;
    for (uint32_t i = 0; i < n; ++i)
      expected += keys.bytes.substr(i * 8, 8) + " " + std::to_string(keys.recnos[i]) + "\n";
    EXPECT_EQ(output, expected) << "with " << n << " keys";
  }
}

}  // namespace
}  // namespace vak
