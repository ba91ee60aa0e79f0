#include "records/engine/xbase_engine.h"

#include <cstdio>

#include "platform/file_helpers.h"
#include "platform/text.h"
#include "records/engine/memo_file.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/table_files.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

Engine::Engine() = default;
Engine::~Engine() { CloseAll(); }

int Engine::Fail(int code, std::string text) {
  status_ = code;
  error_ = std::move(text);
  return code;
}

std::string Engine::MakeAlias(const std::string& path, std::string_view alias) const {
  std::string base(alias);
  if (TrimSpaces(base).empty()) {
    const size_t slash = path.find_last_of('/');
    base = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base.resize(dot);
  }
  base = ToUpperAscii(base.substr(0, 8));
  for (char& c : base)
    if (c == '~' || c == '-' || c == ' ') c = '_';
  std::string candidate = base;
  for (int n = 1; SelectAlias(candidate) != 0; ++n) candidate = base + "_" + std::to_string(n);
  return candidate;
}

int Engine::Use(const std::string& path, std::string_view alias, int mode, int type) {
  status_ = 0;
  error_.clear();
  if (type != kTypeFox && type != kTypeAxFox) {
    Fail(-xbase_status::NotATable, "table type " + std::to_string(type) + " is not supported");
    return 0;
  }
  auto table = std::make_unique<Table>(environment_);
  const int rc = table->Open(path, mode == kModeExclusive, mode == kModeReadOnly);
  if (rc != 0) {
    Fail(rc, table->lastError().empty() ? std::string(XbaseStatusText(rc)) : table->lastError());
    return 0;
  }
  Slot slot{std::move(table), MakeAlias(path, alias)};
  for (size_t i = 0; i < areas_.size(); ++i) {
    if (!areas_[i].table) {
      areas_[i] = std::move(slot);
      current_ = static_cast<int>(i) + 1;
      return current_;
    }
  }
  areas_.push_back(std::move(slot));
  current_ = static_cast<int>(areas_.size());
  return current_;
}

int Engine::Close(int area) {
  Table* table = Area(area);
  if (!table) return Fail(-xbase_status::NoTableInUse, "no table open in work area " + std::to_string(area));
  const int rc = table->Close();
  if (rc != 0) Fail(rc, table->lastError());
  areas_[static_cast<size_t>(area - 1)] = Slot();
  if (current_ == area) current_ = 0;
  return rc;
}

void Engine::CloseAll() {
  for (size_t i = 0; i < areas_.size(); ++i)
    if (areas_[i].table) Close(static_cast<int>(i) + 1);
  areas_.clear();
  current_ = 0;
}

int Engine::Select(int area) {
  const int previous = current_;
  if (Area(area)) current_ = area;
  return previous;
}

int Engine::SelectAlias(std::string_view alias) const {
  const std::string upper = ToUpperAscii(TrimSpaces(alias));
  for (size_t i = 0; i < areas_.size(); ++i)
    if (areas_[i].table && areas_[i].alias == upper) return static_cast<int>(i) + 1;
  return 0;
}

Table* Engine::Current() { return Area(current_); }

Table* Engine::Area(int area) {
  if (area < 1 || static_cast<size_t>(area) > areas_.size()) return nullptr;
  return areas_[static_cast<size_t>(area - 1)].table.get();
}

std::string Engine::Alias(int area) const {
  if (area < 1 || static_cast<size_t>(area) > areas_.size()) return "";
  return areas_[static_cast<size_t>(area - 1)].alias;
}

int Engine::CreateNew(const std::string& path, std::string_view, int type, int fieldCapacity) {
  status_ = 0;
  createFields_.clear();
  createPath_.clear();
  if (type != kTypeFox && type != kTypeAxFox)
    return Fail(-xbase_status::NotATable, "table type " + std::to_string(type) + " is not supported");
  if (fieldCapacity < 1 || fieldCapacity > static_cast<int>(dbf::kMaxFields))
    return Fail(-xbase_status::BadFieldDefinition, "field capacity must be 1 to 255");
  createPath_ = path;
  createCapacity_ = fieldCapacity;
  return 0;
}

int Engine::CreateField(std::string_view name, char type, int width, int decimals) {
  if (createPath_.empty()) return Fail(-xbase_status::BadFieldDefinition, "no table is being created");
  if (static_cast<int>(createFields_.size()) >= createCapacity_)
    return Fail(-xbase_status::BadFieldDefinition,
                "more fields than the " + std::to_string(createCapacity_) + " the table was created for");
  if (width < 0 || width > 254 || decimals < 0 || decimals > 15)
    return Fail(-xbase_status::BadFieldDefinition, "width or decimals of field " + std::string(name) + " out of range");
  FieldDef f;
  f.name = ToUpperAscii(TrimSpaces(name));
  f.type = ToUpperAscii(type);
  f.length = static_cast<uint8_t>(width);
  f.decimals = static_cast<uint8_t>(decimals);
  createFields_.push_back(std::move(f));
  return 0;
}

int Engine::CreateExec() {
  if (createPath_.empty()) return Fail(-xbase_status::BadFieldDefinition, "no table is being created");
  const std::string path = createPath_;
  std::vector<FieldDef> fields = std::move(createFields_);
  createPath_.clear();
  createFields_.clear();
  std::string why;
  bool memo = false;
  for (const FieldDef& f : fields) memo = memo || ToUpperAscii(f.type) == 'M';
  // The memo file first: a table whose memo file is missing would not open.
  int rc = 0;
  if (memo) {
    rc = MemoFile::Create(SiblingPath(path, "FPT"), fpt::kDefaultBlockSize);
    if (rc != 0) return Fail(rc, "cannot create the memo file of " + path);
  }
  rc = DbfFile::Create(path, fields, why);
  if (rc != 0) return Fail(rc, why);
  // An index left from an earlier table of that name describes other rows.
  const std::string cdx = SiblingPath(path, "CDX");
  if (FileExists(cdx)) std::remove(cdx.c_str());
  return 0;
}

int Engine::SysProp(int property, int value) {
  for (auto& [key, stored] : properties_)
    if (key == property) {
      const int previous = stored;
      stored = value;
      return previous;
    }
  properties_.emplace_back(property, value);
  return 0;
}

}  // namespace telvane::xbase
