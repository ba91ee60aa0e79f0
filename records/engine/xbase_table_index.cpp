// The table's compound index: reading the CDX lazily, keeping its tags up
// to date, rebuilding what cannot be read, and writing it back.

#include <cstdio>
#include <fcntl.h>

#include "platform/file_helpers.h"
#include "platform/text.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/table_files.h"
#include "records/engine/xbase_status.h"
#include "records/engine/xbase_table.h"

namespace telvane::xbase {

int Table::CompileTag(InMemoryTag& tag, const std::string& keyText, const std::string& forText) {
  std::string why;
  int rc = Expression::Compile(keyText, fields(), tag.key, why);
  if (rc != 0) return Fail(rc, "tag " + tag.name + ": " + why);
  if (!tag.SetUpKey(why)) return Fail(-xbase_status::TypeMismatch, "tag " + tag.name + ": " + why);
  tag.condition = Expression();
  if (!TrimWhitespace(forText).empty()) {
    rc = Expression::Compile(forText, fields(), tag.condition, why);
    if (rc != 0) return Fail(rc, "tag " + tag.name + " condition: " + why);
    if (tag.condition.type() != ValueType::Logical)
      return Fail(-xbase_status::TypeMismatch, "tag " + tag.name + ": the condition is not logical");
  }
  return 0;
}

int Table::LoadIndexFile() {
  tags_.clear();
  indexDirectory_.clear();
  indexFile_.unmap();
  indexAttached_ = true;
  indexChanged_ = false;
  indexMarkedDirty_ = false;
  const std::string cdxPath = indexPath();
  if (!FileExists(cdxPath)) return 0;
  std::string why;
  int rc = indexFile_.map(cdxPath);
  if (rc != 0) why = "cannot read it";
  CdxStamp stamp;
  if (rc == 0) rc = ReadCdxDirectory(indexFile_.bytes(), indexDirectory_, stamp, why);
  if (rc != 0) {
    // Without a readable directory the tag definitions are lost: set the
    // file aside and go on without tags; the caller recreates its tags.
    report_.indexRebuilt = true;
    report_.notes.push_back("index file " + cdxPath + " unreadable (" + why + "); set aside as .bad");
    indexFile_.unmap();
    indexDirectory_.clear();
    if (!readOnly_) std::rename(cdxPath.c_str(), (cdxPath + ".bad").c_str());
    return 0;
  }
  for (const CdxTag& entry : indexDirectory_) {
    auto tag = std::make_unique<InMemoryTag>();
    tag->name = ToUpperAscii(entry.name);
    tag->descending = entry.descending;
    if (CompileTag(*tag, entry.keyExpression, entry.forExpression) != 0) {
      report_.notes.push_back("tag " + tag->name + " dropped: " + error_);
      indexChanged_ = true;
      continue;
    }
    tag->loaded = false;
    tags_.push_back(std::move(tag));
  }
  error_.clear();
  if (stamp.present && (stamp.dirty || stamp.recordCount != RecCount())) {
    std::vector<InMemoryTag*> all;
    for (auto& t : tags_) all.push_back(t.get());
    return RebuildIndex(all, stamp.dirty ? "index not closed properly" : "index older than the table");
  }
  return 0;
}

int Table::RebuildIndex(const std::vector<InMemoryTag*>& tags, const std::string& reason) {
  report_.indexRebuilt = true;
  report_.notes.push_back("index rebuilt from the table: " + reason);
  for (InMemoryTag* tag : tags) {
    const int rc = BuildTag(*tag);
    if (rc != 0) return rc;
  }
  indexChanged_ = true;
  return readOnly_ ? 0 : Flush();
}

int Table::LoadTagKeys(InMemoryTag& tag) {
  if (tag.loaded) return 0;
  const CdxTag* entry = nullptr;
  for (const CdxTag& e : indexDirectory_)
    if (ToUpperAscii(e.name) == tag.name) entry = &e;
  if (!entry || indexFile_.empty()) return BuildTag(tag);
  CdxTag keys = *entry;
  keys.pad = tag.pad;
  std::string why;
  if (ReadCdxKeys(indexFile_.bytes(), keys, why) != 0 || keys.keyLength != tag.keyLength ||
      !tag.Adopt(keys.keys, keys.recnos, RecCount())) {
    if (why.empty()) why = "tag " + tag.name + " keys out of order or out of range";
    report_.indexRebuilt = true;
    report_.notes.push_back(why + "; tag rebuilt from the table");
    indexChanged_ = true;
    return BuildTag(tag);
  }
  return 0;
}

int Table::BuildTag(InMemoryTag& tag) {
  const uint32_t count = RecCount();
  tag.Reset(count);
  std::string key;
  for (uint32_t r = 1; r <= count; ++r) {
    const char* record = RecordAt(r);
    if (!record) return Fail(-xbase_status::RecordOutOfRange, "record " + std::to_string(r) + " cannot be read");
    const EvalRow row = Row(record, r);
    const bool member = tag.Admits(row);
    if (member) tag.MakeKey(row, key);
    tag.Update(r, member, key);
  }
  tag.Order();
  return 0;
}

int Table::EnsureAllTagsLoaded() {
  for (auto& tag : tags_) {
    const int rc = LoadTagKeys(*tag);
    if (rc != 0) return rc;
  }
  indexFile_.unmap();
  return 0;
}

int Table::MarkIndexDirty() {
  if (!indexAttached_ || tags_.empty() || indexMarkedDirty_ || readOnly_) return 0;
  int rc = EnsureAllTagsLoaded();
  if (rc != 0) return rc;
  indexMarkedDirty_ = true;
  indexChanged_ = true;
  PosixFile file;
  if (file.open(indexPath(), O_RDWR) != 0) return 0;  // no file yet: nothing stale on disk
  const unsigned char dirty = 1;
  rc = file.writeAt(CdxDirtyFlagOffset(), &dirty, 1);
  return rc == 0 ? 0 : Fail(rc, "cannot mark the index of " + path_ + " as changing");
}

int Table::UpdateTags(uint32_t recno, const char* record) {
  if (!indexAttached_ || tags_.empty()) return 0;
  const int rc = EnsureAllTagsLoaded();
  if (rc != 0) return rc;
  const EvalRow row = Row(record, recno);
  std::string key;
  for (auto& tag : tags_) {
    const bool member = tag->Admits(row);
    if (member) tag->MakeKey(row, key);
    tag->Update(recno, member, key);
  }
  return 0;
}

int Table::IndexTag(std::string_view name, std::string_view keyExpression, bool descending,
                    std::string_view condition) {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  if (readOnly_) return Fail(-xbase_status::WriteFailed, path_ + " is open read-only");
  const std::string tagName = ToUpperAscii(TrimSpaces(name));
  if (tagName.empty() || tagName.size() > cdx::kTagNameLength)
    return Fail(-xbase_status::BadFieldDefinition, "tag name \"" + tagName + "\" must have 1 to 10 characters");
  int rc = Commit();
  if (rc != 0) return rc;
  if (!indexAttached_) {
    rc = LoadIndexFile();
    if (rc != 0) return rc;
  }
  rc = EnsureAllTagsLoaded();
  if (rc != 0) return rc;
  auto tag = std::make_unique<InMemoryTag>();
  tag->name = tagName;
  tag->descending = descending;
  rc = CompileTag(*tag, std::string(keyExpression), std::string(condition));
  if (rc != 0) return rc;
  rc = BuildTag(*tag);
  if (rc != 0) return rc;
  int number = TagNumber(tagName);
  if (number > 0) {
    tags_[static_cast<size_t>(number - 1)] = std::move(tag);
  } else {
    tags_.push_back(std::move(tag));
    number = static_cast<int>(tags_.size());
  }
  indexChanged_ = true;
  rc = Flush();
  if (rc != 0) return rc;
  order_ = number;
  GoTop();
  return number;
}

int Table::TagNumber(std::string_view name) const {
  const std::string upper = ToUpperAscii(TrimSpaces(name));
  for (size_t i = 0; i < tags_.size(); ++i)
    if (tags_[i]->name == upper) return static_cast<int>(i) + 1;
  return 0;
}

std::vector<std::string> Table::TagNames() const {
  std::vector<std::string> names;
  for (const auto& t : tags_) names.push_back(t->name);
  return names;
}

const InMemoryTag* Table::Tag(int number) const {
  if (number < 1 || static_cast<size_t>(number) > tags_.size()) return nullptr;
  return tags_[static_cast<size_t>(number - 1)].get();
}

int Table::SetOrder(int number) {
  if (number < 0 || static_cast<size_t>(number) > tags_.size())
    return Fail(-xbase_status::TagNotFound, "no index tag number " + std::to_string(number));
  int rc = Commit();
  if (rc != 0) return rc;
  if (number > 0) {
    rc = LoadTagKeys(*tags_[static_cast<size_t>(number - 1)]);
    if (rc != 0) return rc;
  }
  order_ = number;
  return 0;
}

int Table::SetOrder(std::string_view name) {
  const int number = TagNumber(name);
  if (number == 0) return Fail(-xbase_status::TagNotFound, "index tag " + std::string(name) + " not found");
  return SetOrder(number);
}

std::string Table::OrderName() const {
  const InMemoryTag* tag = Tag(order_);
  return tag ? tag->name : "";
}

int Table::Flush() {
  int rc = Commit();
  if (rc != 0) return rc;
  if (!indexAttached_ || !indexChanged_ || readOnly_) return 0;
  rc = EnsureAllTagsLoaded();
  if (rc != 0) return rc;
  std::vector<CdxTag> out;
  for (auto& tag : tags_) {
    CdxTag t;
    t.name = tag->name;
    t.keyExpression = tag->key.text();
    t.forExpression = tag->condition.valid() ? tag->condition.text() : "";
    t.descending = tag->descending;
    t.keyLength = tag->keyLength;
    t.pad = tag->pad;
    t.recnos = tag->Order();
    t.keys = tag->OrderedKeys();
    out.push_back(std::move(t));
  }
  const std::string bytes = BuildCdx(out, RecCount());
  rc = WriteFileAtomically(indexPath(), bytes.data(), bytes.size());
  if (rc != 0) return Fail(rc, "cannot write the index file " + indexPath());
  indexChanged_ = false;
  indexMarkedDirty_ = false;
  return dbf_.SetTableFlags(static_cast<uint8_t>(dbf_.tableFlags() | dbf::kFlagStructuralCdx));
}

int Table::CloseIndexes() {
  int rc = Flush();
  if (rc != 0) return rc;
  tags_.clear();
  indexDirectory_.clear();
  indexFile_.unmap();
  indexAttached_ = false;
  order_ = 0;
  return readOnly_ ? 0 : dbf_.SetTableFlags(static_cast<uint8_t>(dbf_.tableFlags() & ~dbf::kFlagStructuralCdx));
}

}  // namespace telvane::xbase
