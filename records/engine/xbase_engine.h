#pragma once
// The table engine as the program uses it: numbered work areas with
// aliases, one of them current; the environment switches; table creation
// in three steps; the engine version and system properties.
//
// Work areas are numbered from 1; 0 means failure. Operations report a
// negated status code (xbase_status.h) and leave a text in lastError().

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/engine/xbase_table.h"

namespace telvane::xbase {

// Open modes and table types, numbered as the program's settings know them.
inline constexpr int kModeReadWrite = 0;
inline constexpr int kModeReadOnly = 1;
inline constexpr int kModeExclusive = 2;
inline constexpr int kTypeNtx = 1;       // "SXNTX"  (not supported)
inline constexpr int kTypeFox = 2;       // "SXFOX": DBF, CDX, FPT
inline constexpr int kTypeNsx = 3;       // "SXNSX"  (not supported)
inline constexpr int kTypeAxNtx = 11;    // "AXNTX"  (not supported)
inline constexpr int kTypeAxFox = 12;    // "AXFOX": same files as SXFOX

inline constexpr std::string_view kEngineVersion = "2.40.00";

class Engine {
public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Opens a table in a new work area and makes it current. The alias
  // (the file's base name when `alias` is empty) keeps its first 8
  // characters, with "~", "-" and blanks made "_", upper case, and gets
  // "_1", "_2", ... while another area uses it. Returns the area, 0 on
  // failure.
  int Use(const std::string& path, std::string_view alias, int mode, int type);
  int Close(int area);
  void CloseAll();

  // Table creation: CreateNew, CreateField for each field, CreateExec.
  int CreateNew(const std::string& path, std::string_view alias, int type, int fieldCapacity);
  int CreateField(std::string_view name, char type, int width, int decimals);
  int CreateExec();

  int Select(int area);  // returns the previous area
  int SelectAlias(std::string_view alias) const;  // area of an alias, 0 when none
  int currentArea() const { return current_; }
  Table* Current();
  Table* Area(int area);
  std::string Alias(int area) const;

  // SET DELETED: rows carrying the deletion mark are hidden in every area.
  void SetDeleted(bool hide) { environment_.hideDeleted = hide; }
  bool deletedHidden() const { return environment_.hideDeleted; }
  const Environment& environment() const { return environment_; }

  // System properties: values kept per number and handed back; 1009 is set
  // to 0 at start by the program.
  int SysProp(int property, int value);
  static std::string_view Version() { return kEngineVersion; }

  const std::string& lastError() const { return error_; }
  int lastStatus() const { return status_; }

private:
  struct Slot {
    std::unique_ptr<Table> table;
    std::string alias;
  };
  int Fail(int code, std::string text);
  std::string MakeAlias(const std::string& path, std::string_view alias) const;

  Environment environment_;
  std::vector<Slot> areas_;  // index = area - 1
  int current_ = 0;
  std::string error_;
  int status_ = 0;
  std::vector<std::pair<int, int>> properties_;

  // Table being created.
  std::string createPath_;
  int createCapacity_ = 0;
  std::vector<FieldDef> createFields_;
};

}  // namespace telvane::xbase
