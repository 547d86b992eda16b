#include "store/XbTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/Files.h"
#include "common/Text.h"

namespace fs = std::filesystem;

namespace vak {
namespace {

// The first eight key bytes as a big-endian number: sorting by it sorts by those bytes.
uint64_t KeyPrefix(const char* key, int length) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | (i < length ? static_cast<unsigned char>(key[i]) : 0);
  return v;
}

}  // namespace

XbTable::XbTable(std::unique_ptr<DbfFile> file, const EngineSettings& settings)
    : file_(std::move(file)), settings_(settings) {}

XbTable::~XbTable() { Flush(nullptr); }

bool XbTable::Flush(Failure* error) {
  if (file_->mode() == DbfOpenMode::ReadOnly) return true;
  if (indexDirty_ && !tags_.empty() && !WriteIndexFile(error)) return false;
  if (!file_->Sync()) {
    if (error) *error = {FailureCode::Write, file_->path(), errno};
    return false;
  }
  return true;
}

void XbTable::ForgetIndexFile() {
  tags_.clear();
  indexWarning_.clear();
  indexDirty_ = false;
  order_ = 0;
  visibleValid_ = false;
  GoTop();
}

std::unique_ptr<XbTable> XbTable::Open(const std::string& path, DbfOpenMode mode, const EngineSettings& settings,
                                       DbfStatus& status) {
  std::unique_ptr<DbfFile> file = DbfFile::Open(path, mode, status);
  if (!file) return nullptr;
  std::unique_ptr<XbTable> table(new XbTable(std::move(file), settings));
  table->LoadIndexFile();
  table->GoTop();
  return table;
}

std::string XbTable::Warnings() const { return file_->warning() + indexWarning_; }

std::string XbTable::IndexPath() const {
  const fs::path dbf = FsPath(file_->path());
  const std::string dir = Utf8(dbf.parent_path());
  const std::string name = Utf8(dbf.stem()) + ".CDX";
  return DataFilePath(dir.empty() ? "." : dir, name);
}

void XbTable::LoadIndexFile() {
  const std::string path = IndexPath();
  if (!FileExists(path)) return;
  const std::optional<std::string> bytes = ReadWholeFile(path);
  std::vector<CdxTagInfo> infos;
  if (!bytes || !ReadCdxTags(*bytes, infos)) {
    indexWarning_ = "색인 화일을 읽을 수 없어 무시합니다. ";
    return;
  }
  for (CdxTagInfo& info : infos) {
    Tag tag;
    tag.key = Expression::Compile(info.expression, file_->fields(), settings_.exact);
    if (!tag.key || tag.key->type() != Expression::Type::Text || !info.condition.empty()) {
      indexWarning_ += "색인 " + info.name + "의 키를 쓸 수 없어 무시합니다. ";
      continue;
    }
    info.keyLength = tag.key->width();
    tag.info = std::move(info);
    tags_.push_back(std::move(tag));
  }
}

std::string XbTable::TagName(int order) const {
  return order >= 1 && order <= TagCount() ? tags_[static_cast<size_t>(order - 1)].info.name : std::string();
}

std::string XbTable::TagExpression(int order) const {
  return order >= 1 && order <= TagCount() ? tags_[static_cast<size_t>(order - 1)].info.expression : std::string();
}

std::string XbTable::KeyOf(const Tag& tag, const char* record) const {
  std::string key(tag.key->TextOf(record));
  key.resize(static_cast<size_t>(tag.info.keyLength), ' ');
  return key;
}

void XbTable::BuildOrder(Tag& tag) {
  const uint32_t n = RecCount();
  const int length = tag.info.keyLength;
  struct Item {
    uint64_t prefix;
    uint32_t recno;
  };
  std::vector<Item> items(n);
  std::string keys;
  if (length > 8) keys.resize(static_cast<size_t>(n) * static_cast<size_t>(length));
  std::string key;
  for (uint32_t r = 1; r <= n; ++r) {
    const std::string_view v = tag.key->TextOf(file_->Record(r));
    key.assign(v.data(), std::min(v.size(), static_cast<size_t>(length)));
    key.resize(static_cast<size_t>(length), ' ');
    items[r - 1] = {KeyPrefix(key.data(), length), r};
    if (length > 8) std::memcpy(&keys[static_cast<size_t>(r - 1) * length], key.data(), static_cast<size_t>(length));
  }
  if (length <= 8) {
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
      return a.prefix != b.prefix ? a.prefix < b.prefix : a.recno < b.recno;
    });
  } else {
    const char* base = keys.data();
    const size_t l = static_cast<size_t>(length);
    std::sort(items.begin(), items.end(), [base, l](const Item& a, const Item& b) {
      if (a.prefix != b.prefix) return a.prefix < b.prefix;
      const int c = std::memcmp(base + (a.recno - 1) * l + 8, base + (b.recno - 1) * l + 8, l - 8);
      return c != 0 ? c < 0 : a.recno < b.recno;
    });
  }
  tag.order.resize(n);
  for (uint32_t i = 0; i < n; ++i) tag.order[i] = items[i].recno;
  tag.built = true;
}

bool XbTable::SetOrder(int order) {
  if (order < 0 || order > TagCount()) return false;
  if (order != order_) {
    order_ = order;
    visibleValid_ = false;
    EnsureVisible();
  }
  return true;
}

bool XbTable::IndexTag(const std::string& tagName, const std::string& keyExpression, Failure* error) {
  if (file_->mode() == DbfOpenMode::ReadOnly) {
    if (error) *error = {FailureCode::Write, IndexPath(), EROFS};  // the table was opened only to read
    return false;
  }
  return AddTag(tagName, keyExpression, true, error);
}

bool XbTable::IndexTagInMemory(const std::string& tagName, const std::string& keyExpression, Failure* error) {
  return AddTag(tagName, keyExpression, false, error);
}

bool XbTable::AddTag(const std::string& tagName, const std::string& keyExpression, bool writeFile, Failure* error) {
  std::unique_ptr<Expression> key = Expression::Compile(keyExpression, file_->fields(), settings_.exact);
  // A key is a text of 1 to 240 bytes over fields the table has; anything else cannot order it.
  if (!key || key->type() != Expression::Type::Text || key->width() < 1 || key->width() > 240) {
    if (error) *error = {FailureCode::BadKey, file_->path() + " (" + tagName + ": " + keyExpression + ")", 0};
    return false;
  }
  const std::string name = AsciiUpper(tagName);
  auto it = std::find_if(tags_.begin(), tags_.end(), [&](const Tag& t) { return t.info.name == name; });
  if (it == tags_.end()) it = tags_.insert(tags_.end(), Tag{});
  it->info = CdxTagInfo{name, keyExpression, std::string(), key->width()};
  it->key = std::move(key);
  it->built = false;
  BuildOrder(*it);
  if (writeFile && !WriteIndexFile(error)) return false;
  order_ = static_cast<int>(it - tags_.begin()) + 1;
  visibleValid_ = false;
  EnsureVisible();
  return true;
}

bool XbTable::WriteIndexFile(Failure* error) {
  std::vector<std::string> keyBuffers(tags_.size());
  std::vector<CdxTagKeys> parts;
  for (size_t t = 0; t < tags_.size(); ++t) {
    Tag& tag = tags_[t];
    if (!tag.built) BuildOrder(tag);
    const size_t l = static_cast<size_t>(tag.info.keyLength);
    keyBuffers[t].resize(tag.order.size() * l);
    for (size_t i = 0; i < tag.order.size(); ++i) {
      const std::string key = KeyOf(tag, file_->Record(tag.order[i]));
      std::memcpy(&keyBuffers[t][i * l], key.data(), l);
    }
    parts.push_back({tag.info, keyBuffers[t].data(), tag.order.data(), tag.order.size()});
  }
  if (!ReplaceFileContents(IndexPath(), BuildCdx(parts))) {
    if (error) *error = {FailureCode::Write, IndexPath(), errno};
    return false;
  }
  indexDirty_ = false;
  return true;
}

bool XbTable::Query(const std::string& expression, std::string* error) {
  const std::string text = TrimmedText(expression);
  if (Restricted()) {
    chosen_.clear();
    visibleValid_ = false;
  }
  // The same query again keeps its visible records: posts, appends and deletions keep them
  // up to date, so only the cursor goes back to the top.
  if (text == queryText_ && (query_ || text.empty()) && queryExact_ == settings_.exact) {
    GoTop();
    return true;
  }
  std::unique_ptr<Expression> compiled;
  if (!text.empty()) {
    compiled = Expression::Compile(text, file_->fields(), settings_.exact, error);
    if (!compiled) return false;
    if (compiled->type() != Expression::Type::Logical) {
      if (error) *error = "조건식은 참/거짓 값이어야 합니다";
      return false;
    }
  }
  queryText_ = text;
  query_ = std::move(compiled);
  queryExact_ = settings_.exact;
  visibleValid_ = false;
  GoTop();
  return true;
}

bool XbTable::QueryPasses(const char* record) const { return !query_ || query_->IsTrue(record); }

void XbTable::RestrictTo(const std::vector<uint32_t>& records) {
  chosen_.clear();
  if (!records.empty()) chosen_.assign(static_cast<size_t>(RecCount()) + 1, false);
  for (uint32_t r : records) {
    if (r >= 1 && r <= RecCount()) chosen_[r] = true;
  }
  visibleValid_ = false;
  GoTop();
}

bool XbTable::Chosen(uint32_t recno) const { return chosen_.empty() || (recno < chosen_.size() && chosen_[recno]); }

void XbTable::EnsureVisible() {
  if (query_ && queryExact_ != settings_.exact) {  // the comparison setting changed since
    query_ = Expression::Compile(queryText_, file_->fields(), settings_.exact);
    queryExact_ = settings_.exact;
    visibleValid_ = false;
  }
  if (visibleValid_ && visibleDeleted_ == settings_.deleted) return;
  const uint32_t n = RecCount();
  const bool hideDeleted = settings_.deleted;
  visible_.clear();
  positionOf_.assign(static_cast<size_t>(n) + 2, -1);
  auto consider = [&](uint32_t r) {
    const char* rec = file_->Record(r);
    if (hideDeleted && rec[0] == '*') return;
    if (!Chosen(r) || !QueryPasses(rec)) return;
    positionOf_[r] = static_cast<int32_t>(visible_.size());
    visible_.push_back(r);
  };
  if (order_ == 0) {
    for (uint32_t r = 1; r <= n; ++r) consider(r);
  } else {
    Tag& tag = tags_[static_cast<size_t>(order_ - 1)];
    if (!tag.built) BuildOrder(tag);
    for (uint32_t r : tag.order) consider(r);
  }
  visibleValid_ = true;
  visibleDeleted_ = hideDeleted;
  if (eof_ || recno_ < 1 || recno_ > n) {
    SetAtEnd();
  } else {
    PlaceCursorAt(recno_);
  }
}

void XbTable::SetAtEnd() {
  pos_ = visible_.size();
  recno_ = RecCount() + 1;
  eof_ = true;
  bof_ = visible_.empty();
}

void XbTable::PlaceCursorAt(uint32_t recno) {
  recno_ = recno;
  eof_ = false;
  bof_ = false;
  const int32_t at = positionOf_[recno];
  offList_ = at < 0;
  if (at >= 0) {
    pos_ = static_cast<size_t>(at);
    return;
  }
  // A record the query does not let through stays current; pos_ is the next visible one.
  size_t orderPos = recno;
  if (order_ != 0) {
    const std::vector<uint32_t>& order = tags_[static_cast<size_t>(order_ - 1)].order;
    orderPos = static_cast<size_t>(std::find(order.begin(), order.end(), recno) - order.begin());
    size_t p = 0;
    for (size_t i = 0; i < orderPos && p < visible_.size(); ++i) {
      if (positionOf_[order[i]] >= 0) ++p;
    }
    pos_ = p;
  } else {
    pos_ = static_cast<size_t>(std::lower_bound(visible_.begin(), visible_.end(), recno) - visible_.begin());
  }
}

void XbTable::GoTop() {
  EnsureVisible();
  offList_ = false;
  if (visible_.empty()) return SetAtEnd();
  pos_ = 0;
  recno_ = visible_[0];
  eof_ = bof_ = false;
}

void XbTable::GoBottom() {
  EnsureVisible();
  offList_ = false;
  if (visible_.empty()) return SetAtEnd();
  pos_ = visible_.size() - 1;
  recno_ = visible_[pos_];
  eof_ = bof_ = false;
}

bool XbTable::Go(uint32_t recno) {
  EnsureVisible();
  if (recno < 1 || recno > RecCount()) {
    offList_ = false;
    SetAtEnd();
    return false;
  }
  PlaceCursorAt(recno);
  return true;
}

void XbTable::Skip(long n) {
  EnsureVisible();
  const long size = static_cast<long>(visible_.size());
  long target = static_cast<long>(pos_) + n;
  if (offList_ && n > 0) --target;  // pos_ already names the next visible record
  offList_ = false;
  if (eof_ && n >= 0) return SetAtEnd();
  if (target >= size) return SetAtEnd();
  if (target < 0) {
    if (size == 0) return SetAtEnd();
    pos_ = 0;
    recno_ = visible_[0];
    eof_ = false;
    bof_ = true;
    return;
  }
  pos_ = static_cast<size_t>(target);
  recno_ = visible_[pos_];
  eof_ = bof_ = false;
}

uint32_t XbTable::Count() {
  EnsureVisible();
  return static_cast<uint32_t>(visible_.size());
}

uint32_t XbTable::OrderRecNo() {
  EnsureVisible();
  return static_cast<uint32_t>(pos_) + (eof_ || offList_ ? 0 : 1);
}

bool XbTable::GoToPosition(uint32_t position) {
  EnsureVisible();
  if (position < 1 || position > visible_.size()) return false;
  offList_ = false;
  pos_ = position - 1;
  recno_ = visible_[pos_];
  eof_ = bof_ = false;
  return true;
}

bool XbTable::IsVisible(uint32_t recno) {
  EnsureVisible();
  return recno >= 1 && recno <= RecCount() && positionOf_[recno] >= 0;
}

bool XbTable::Seek(std::string_view key) {
  EnsureVisible();
  offList_ = false;
  if (order_ == 0) {
    SetAtEnd();
    return false;
  }
  const Tag& tag = tags_[static_cast<size_t>(order_ - 1)];
  const size_t length = std::min(key.size(), static_cast<size_t>(tag.info.keyLength));
  const std::string_view wanted = key.substr(0, length);
  auto prefixOf = [&](uint32_t recno) {
    std::string_view v = tag.key->TextOf(file_->Record(recno));
    std::string k(v.substr(0, std::min(v.size(), length)));
    k.resize(length, ' ');
    return k;
  };
  const auto it =
      std::partition_point(visible_.begin(), visible_.end(), [&](uint32_t r) { return prefixOf(r) < wanted; });
  const bool found = it != visible_.end() && prefixOf(*it) == wanted;
  if (!found) {
    SetAtEnd();
    return false;
  }
  pos_ = static_cast<size_t>(it - visible_.begin());
  recno_ = *it;
  eof_ = bof_ = false;
  return found;
}

bool XbTable::PutRecord(const char* bytes) {
  const char* current = Current();
  if (!current) return false;
  bool reorder = false;
  for (Tag& tag : tags_) {
    if (!tag.built || tag.key->SameInputs(current, bytes)) continue;
    const std::string_view before = tag.key->TextOf(current);
    scratch_.assign(before.data(), before.size());  // the next evaluation reuses the buffer
    if (tag.key->TextOf(bytes) != scratch_) {
      tag.built = false;
      reorder = true;
    }
  }
  const bool visibility = current[0] != bytes[0] ||
                          (query_ && !query_->SameInputs(current, bytes) && QueryPasses(current) != QueryPasses(bytes));
  if (!file_->WriteRecord(recno_, bytes)) return false;
  if (reorder) indexDirty_ = true;
  if (reorder || visibility) visibleValid_ = false;  // the cursor stays on this record
  return true;
}

bool XbTable::Append(const char* bytes) {
  EnsureVisible();
  if (!file_->AppendRecord(bytes)) return false;
  const uint32_t recno = RecCount();
  for (Tag& tag : tags_) {
    if (!tag.built) continue;
    const std::string key = KeyOf(tag, bytes);
    const auto at = std::partition_point(tag.order.begin(), tag.order.end(),
                                         [&](uint32_t r) { return KeyOf(tag, file_->Record(r)) <= key; });
    tag.order.insert(at, recno);
  }
  if (!tags_.empty()) indexDirty_ = true;
  offList_ = false;
  recno_ = recno;
  eof_ = bof_ = false;
  const bool shown = Chosen(recno) && QueryPasses(bytes) && !(settings_.deleted && bytes[0] == '*');
  if (order_ == 0 && visibleValid_) {
    positionOf_.resize(static_cast<size_t>(recno) + 2, -1);
    if (shown) {
      positionOf_[recno] = static_cast<int32_t>(visible_.size());
      visible_.push_back(recno);
      pos_ = visible_.size() - 1;
    } else {
      PlaceCursorAt(recno);
    }
  } else {
    visibleValid_ = false;
    EnsureVisible();
  }
  return true;
}

bool XbTable::Delete(bool deleted) {
  if (!Current() || !file_->SetDeleted(recno_, deleted)) return false;
  if (settings_.deleted) visibleValid_ = false;
  return true;
}

DbfStatus XbTable::Pack() {
  const uint32_t before = RecCount();
  const DbfStatus status = file_->Pack();
  if (RecCount() == before) {  // nothing was removed: orders and index stand
    GoTop();
    return status;
  }
  for (Tag& tag : tags_) tag.built = false;
  if (!tags_.empty()) indexDirty_ = true;
  chosen_.clear();  // the record numbers it named are gone
  visibleValid_ = false;
  offList_ = false;
  eof_ = true;
  GoTop();
  return status;
}

}  // namespace vak
