#include "store/Cdx.h"

#include <algorithm>
#include <cstring>

#include "common/Text.h"

namespace vak {
namespace {

constexpr size_t kPage = 512;
constexpr size_t kHeaderSize = 1024;
constexpr size_t kLeafArea = 488;  // bytes 24..511 of a leaf
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr char kPad = ' ';
constexpr int kDirectoryKeyLength = 10;

void PutLe16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void PutLe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutBe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
}
uint32_t Le16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t Le32(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
uint32_t Be32(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

int BitLength(uint64_t v) {
  int n = 0;
  while (v) {
    ++n;
    v >>= 1;
  }
  return n;
}

struct LeafLayout {
  int rb, db, tb, nb;
};

LeafLayout LayoutFor(int keyLength, uint32_t maxRecno) {
  LeafLayout l{};
  l.db = l.tb = BitLength(static_cast<uint64_t>(keyLength));
  l.nb = 1;
  while (8 * l.nb - 2 * l.db < std::max(BitLength(maxRecno), 1)) ++l.nb;
  l.rb = 8 * l.nb - 2 * l.db;
  if (l.rb > 32) l.rb = 32;  // the mask field has four bytes
  return l;
}

// Entries of one node level before placement: the last key and recno below each node.
struct NodeRef {
  std::string lastKey;
  uint32_t lastRecno;
  uint32_t offset;
};

// Key bytes to store for an entry: what is left after the shared prefix and trailing pad.
struct Packed {
  int dup, trail;
};

int TrailingPad(const char* key, int length) {
  int t = 0;
  while (t < length && key[length - 1 - t] == kPad) ++t;
  return t;
}

// Lays out the leaves of one tag: returns the pages, without sibling links and offsets.
class LeafBuilder {
 public:
  LeafBuilder(int keyLength, LeafLayout layout) : length_(keyLength), layout_(layout) {}

  void Add(const char* key, uint32_t recno) {
    const int trail = TrailingPad(key, length_);
    int dup = 0;
    if (!entries_.empty()) {
      const int limit = std::min(length_ - trail, length_ - prevTrail_);
      while (dup < limit && prevKey_[static_cast<size_t>(dup)] == key[dup]) ++dup;
    }
    const int cost = layout_.nb + (length_ - dup - trail);
    if (!entries_.empty() && used_ + static_cast<size_t>(cost) > kLeafArea) {
      Finish();
      Add(key, recno);
      return;
    }
    entries_.push_back({recno, dup, trail, std::string(key + dup, static_cast<size_t>(length_ - dup - trail))});
    used_ += static_cast<size_t>(cost);
    prevKey_.assign(key, static_cast<size_t>(length_));
    prevTrail_ = trail;
    lastRecno_ = recno;
  }

  // Closes the current leaf (also an empty one when nothing was added at all).
  void Finish() {
    std::string page(kPage, '\0');
    PutLe16(page, 2, static_cast<uint32_t>(entries_.size()));
    PutLe16(page, 12, static_cast<uint32_t>(kLeafArea - used_));
    PutLe32(page, 14, layout_.rb >= 32 ? 0xFFFFFFFFu : (1u << layout_.rb) - 1);
    page[18] = static_cast<char>((1 << layout_.db) - 1);
    page[19] = static_cast<char>((1 << layout_.tb) - 1);
    page[20] = static_cast<char>(layout_.rb);
    page[21] = static_cast<char>(layout_.db);
    page[22] = static_cast<char>(layout_.tb);
    page[23] = static_cast<char>(layout_.nb);
    size_t entryAt = 24;
    size_t keyEnd = kPage;
    for (const Entry& e : entries_) {
      const uint64_t x = e.recno | (static_cast<uint64_t>(e.dup) << layout_.rb) |
                         (static_cast<uint64_t>(e.trail) << (layout_.rb + layout_.db));
      for (int i = 0; i < layout_.nb; ++i)
        page[entryAt + static_cast<size_t>(i)] = static_cast<char>((x >> (8 * i)) & 0xFF);
      entryAt += static_cast<size_t>(layout_.nb);
      keyEnd -= e.stored.size();
      std::memcpy(&page[keyEnd], e.stored.data(), e.stored.size());
    }
    pages.push_back(std::move(page));
    lasts.push_back({prevKey_, lastRecno_, 0});
    entries_.clear();
    used_ = 0;
  }

  bool Empty() const { return entries_.empty(); }

  std::vector<std::string> pages;
  std::vector<NodeRef> lasts;

 private:
  struct Entry {
    uint32_t recno;
    int dup, trail;
    std::string stored;
  };
  int length_;
  LeafLayout layout_;
  std::vector<Entry> entries_;
  size_t used_ = 0;
  std::string prevKey_;
  int prevTrail_ = 0;
  uint32_t lastRecno_ = 0;
};

void LinkSiblings(std::vector<std::string>& pages, const std::vector<uint32_t>& offsets) {
  for (size_t i = 0; i < pages.size(); ++i) {
    PutLe32(pages[i], 4, i == 0 ? kNone : offsets[i - 1]);
    PutLe32(pages[i], 8, i + 1 == pages.size() ? kNone : offsets[i + 1]);
  }
}

void PutHeader(std::string& file, size_t at, uint32_t root, int keyLength, unsigned char options,
               const std::string& expression) {
  PutLe32(file, at, root);
  PutLe16(file, at + 12, static_cast<uint32_t>(keyLength));
  file[at + 14] = static_cast<char>(options);
  file[at + 15] = 1;
  const uint32_t exprLength = static_cast<uint32_t>(expression.size()) + 1;
  PutLe16(file, at + 504, exprLength);
  PutLe16(file, at + 506, 1);  // no FOR expression: a lone zero byte
  PutLe16(file, at + 508, 0);
  PutLe16(file, at + 510, exprLength);
  std::memcpy(&file[at + 512], expression.data(), std::min<size_t>(expression.size(), 510));
}

// Appends the pages of one tag's tree to `file` and returns the root's offset.
uint32_t WriteTree(std::string& file, const CdxTagKeys& tag) {
  const int length = tag.info.keyLength;
  uint32_t maxRecno = 0;
  for (size_t i = 0; i < tag.count; ++i) maxRecno = std::max(maxRecno, tag.recnos[i]);
  LeafBuilder leaves(length, LayoutFor(length, maxRecno));
  for (size_t i = 0; i < tag.count; ++i) leaves.Add(tag.keys + i * static_cast<size_t>(length), tag.recnos[i]);
  if (!leaves.Empty() || leaves.pages.empty()) leaves.Finish();

  std::vector<std::string> level = std::move(leaves.pages);
  std::vector<NodeRef> refs = std::move(leaves.lasts);
  bool isLeafLevel = true;
  const size_t perNode = 500 / static_cast<size_t>(length + 8);
  for (;;) {
    std::vector<uint32_t> offsets;
    for (size_t i = 0; i < level.size(); ++i) offsets.push_back(static_cast<uint32_t>(file.size() + i * kPage));
    for (size_t i = 0; i < level.size(); ++i) refs[i].offset = offsets[i];
    LinkSiblings(level, offsets);
    if (level.size() == 1) {
      level[0][0] = static_cast<char>(isLeafLevel ? 3 : 1);
      file += level[0];
      return offsets[0];
    }
    for (std::string& page : level) {
      page[0] = static_cast<char>(isLeafLevel ? 2 : 0);
      file += page;
    }
    // The next level up: one entry per child, spread evenly over as few nodes as fit.
    const size_t nodes = (refs.size() + perNode - 1) / perNode;
    std::vector<std::string> upper;
    std::vector<NodeRef> upperRefs;
    size_t next = 0;
    for (size_t n = 0; n < nodes; ++n) {
      const size_t take = refs.size() / nodes + (n < refs.size() % nodes ? 1 : 0);
      std::string page(kPage, '\0');
      PutLe16(page, 2, static_cast<uint32_t>(take));
      for (size_t k = 0; k < take; ++k, ++next) {
        const size_t at = 12 + k * static_cast<size_t>(length + 8);
        std::string key = refs[next].lastKey;
        key.resize(static_cast<size_t>(length), kPad);
        std::memcpy(&page[at], key.data(), static_cast<size_t>(length));
        PutBe32(page, at + static_cast<size_t>(length), refs[next].lastRecno);
        PutBe32(page, at + static_cast<size_t>(length) + 4, refs[next].offset);
      }
      upper.push_back(std::move(page));
      upperRefs.push_back({refs[next - 1].lastKey, refs[next - 1].lastRecno, 0});
    }
    level = std::move(upper);
    refs = std::move(upperRefs);
    isLeafLevel = false;
  }
}

// Walks the leaves of the tree whose header is at `headerAt`; calls `visit` for each entry.
// False when the tree is damaged.
template <typename Visit>
bool WalkLeaves(std::string_view b, size_t headerAt, Visit visit) {
  if (headerAt % kPage != 0 || headerAt + kHeaderSize > b.size()) return false;
  const int length = static_cast<int>(Le16(b, headerAt + 12));
  if (length < 1 || length > 240) return false;
  size_t node = Le32(b, headerAt);
  const size_t maxPages = b.size() / kPage + 1;
  // Down the leftmost edge.
  for (size_t depth = 0;; ++depth) {
    if (depth > 64 || node % kPage != 0 || node + kPage > b.size()) return false;
    if (Le16(b, node) & 2) break;
    if (Le16(b, node + 2) == 0) return false;
    node = Be32(b, node + 12 + static_cast<size_t>(length) + 4);
  }
  std::string key(static_cast<size_t>(length), kPad);
  for (size_t visited = 0; node != kNone; ++visited) {
    if (visited > maxPages || node % kPage != 0 || node + kPage > b.size()) return false;
    if (!(Le16(b, node) & 2)) return false;
    const size_t n = Le16(b, node + 2);
    const uint32_t recMask = Le32(b, node + 14);
    const int rb = static_cast<unsigned char>(b[node + 20]);
    const int db = static_cast<unsigned char>(b[node + 21]);
    const int tb = static_cast<unsigned char>(b[node + 22]);
    const int nb = static_cast<unsigned char>(b[node + 23]);
    if (nb < 1 || nb > 8 || rb > 32 || db > 16 || tb > 16 || rb + db + tb > 8 * nb) return false;
    if (24 + n * static_cast<size_t>(nb) > kPage) return false;
    size_t keyEnd = kPage;
    for (size_t i = 0; i < n; ++i) {
      uint64_t x = 0;
      for (int k = nb - 1; k >= 0; --k) x = (x << 8) | static_cast<unsigned char>(b[node + 24 + i * nb + k]);
      const uint32_t recno = static_cast<uint32_t>(x & recMask);
      const int dup = static_cast<int>((x >> rb) & ((1u << db) - 1));
      const int trail = static_cast<int>((x >> (rb + db)) & ((1u << tb) - 1));
      const int stored = length - dup - trail;
      if (stored < 0 || (i == 0 && dup != 0)) return false;
      if (keyEnd < 24 + n * static_cast<size_t>(nb) + static_cast<size_t>(stored)) return false;
      keyEnd -= static_cast<size_t>(stored);
      std::memcpy(&key[static_cast<size_t>(dup)], b.data() + node + keyEnd, static_cast<size_t>(stored));
      std::fill(key.begin() + dup + stored, key.end(), kPad);
      visit(key, recno);
    }
    node = Le32(b, node + 8);
  }
  return true;
}

bool ReadTagHeader(std::string_view b, size_t at, CdxTagInfo& info) {
  if (at % kPage != 0 || at + kHeaderSize > b.size()) return false;
  info.keyLength = static_cast<int>(Le16(b, at + 12));
  const size_t exprAt = Le16(b, at + 508);
  const size_t exprLength = Le16(b, at + 510);
  const size_t forAt = Le16(b, at + 504);
  const size_t forLength = Le16(b, at + 506);
  if (exprLength < 1 || exprAt + exprLength > 512 || forAt + forLength > 512) return false;
  const std::string_view pool = b.substr(at + 512, 512);
  std::string_view expression = pool.substr(exprAt, exprLength - 1);
  info.expression = std::string(expression.substr(0, expression.find('\0')));
  if (forLength > 1) info.condition = std::string(pool.substr(forAt, forLength - 1));
  return info.keyLength > 0 && info.keyLength <= 240 && !info.expression.empty();
}

}  // namespace

std::string BuildCdx(const std::vector<CdxTagKeys>& tags) {
  const size_t tagHeadersAt = kHeaderSize + kPage;
  std::string file(tagHeadersAt + kHeaderSize * tags.size(), '\0');

  // Tag directory: a single root leaf of tag names, pointing at the tag headers.
  std::vector<size_t> order(tags.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return AsciiUpper(tags[a].info.name) < AsciiUpper(tags[b].info.name); });
  std::string names;
  std::vector<uint32_t> headerOffsets;
  for (size_t i : order) {
    std::string name = AsciiUpper(tags[i].info.name).substr(0, kDirectoryKeyLength);
    name.resize(kDirectoryKeyLength, kPad);
    names += name;
    headerOffsets.push_back(static_cast<uint32_t>(tagHeadersAt + kHeaderSize * i));
  }
  LeafBuilder directory(kDirectoryKeyLength, LeafLayout{16, 4, 4, 3});
  for (size_t i = 0; i < order.size(); ++i) directory.Add(names.data() + i * kDirectoryKeyLength, headerOffsets[i]);
  directory.Finish();
  std::string& dirLeaf = directory.pages.front();
  dirLeaf[0] = 3;
  PutLe32(dirLeaf, 4, kNone);
  PutLe32(dirLeaf, 8, kNone);
  std::memcpy(&file[kHeaderSize], dirLeaf.data(), kPage);
  PutHeader(file, 0, static_cast<uint32_t>(kHeaderSize), kDirectoryKeyLength, 0xE0, std::string());

  for (size_t i = 0; i < tags.size(); ++i) {
    const uint32_t root = WriteTree(file, tags[i]);
    PutHeader(file, tagHeadersAt + kHeaderSize * i, root, tags[i].info.keyLength, 0x60, tags[i].info.expression);
  }
  return file;
}

bool ReadCdxTags(std::string_view bytes, std::vector<CdxTagInfo>& tags) {
  tags.clear();
  if (bytes.size() < kHeaderSize + kPage || bytes.size() % kPage != 0) return false;
  std::vector<std::pair<std::string, uint32_t>> entries;
  const bool ok = WalkLeaves(bytes, 0, [&](const std::string& key, uint32_t recno) {
    if (entries.size() < 256) entries.emplace_back(TrimmedText(key), recno);
  });
  if (!ok) return false;
  for (const auto& [name, at] : entries) {
    CdxTagInfo info;
    info.name = name;
    if (!ReadTagHeader(bytes, at, info)) {
      tags.clear();
      return false;
    }
    tags.push_back(std::move(info));
  }
  return true;
}

bool ReadCdxKeys(std::string_view bytes, const std::string& tag, std::vector<std::pair<std::string, uint32_t>>& keys) {
  keys.clear();
  if (bytes.size() < kHeaderSize + kPage || bytes.size() % kPage != 0) return false;
  uint32_t headerAt = 0;
  bool found = false;
  if (!WalkLeaves(bytes, 0, [&](const std::string& key, uint32_t recno) {
        if (EqualsNoCase(TrimmedText(key), tag)) {
          headerAt = recno;
          found = true;
        }
      }))
    return false;
  if (!found) return false;
  return WalkLeaves(bytes, headerAt, [&](const std::string& key, uint32_t recno) { keys.emplace_back(key, recno); });
}

}  // namespace vak
