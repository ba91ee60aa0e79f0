// Hostile table files: the input is cut into a DBF, an FPT and a CDX (two
// 16-bit lengths up front); opening, walking every order, reading every
// field and memo, and a filtered count must never crash or over-read. The
// same files are then opened for writing as the program opens its logs:
// appending, editing a memo, deleting and packing must survive them too.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "records/engine/xbase_engine.h"

namespace {

void Write(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane::xbase;
  if (size < 4) return 0;
  // One scratch directory per process, removed when the process ends.
  struct Scratch {
    std::string path;
    Scratch() {
      // Memory-backed when the system has it: the write pass syncs files
      // (append, pack), which on a disk costs far more than the parsing.
      std::error_code ec;
      const std::filesystem::path base =
          std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
              ? std::filesystem::path("/dev/shm")
              : std::filesystem::temp_directory_path();
      std::string pattern = (base / "fuzz-xbase-XXXXXX").string();
      if (::mkdtemp(pattern.data())) path = pattern + "/";
    }
    ~Scratch() {
      std::error_code ec;
      if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
  };
  static const Scratch scratch;
  if (scratch.path.empty()) return 0;
  const std::string& dir = scratch.path;
  const size_t dbfSize = std::min<size_t>(data[0] | (data[1] << 8), size - 4);
  const size_t fptSize = std::min<size_t>(data[2] | (data[3] << 8), size - 4 - dbfSize);
  const uint8_t* p = data + 4;
  Write(dir + "T.DBF", p, dbfSize);
  Write(dir + "T.FPT", p + dbfSize, fptSize);
  Write(dir + "T.CDX", p + dbfSize + fptSize, size - 4 - dbfSize - fptSize);
  for (const char* leftover : {"T.CDX.bad", "T.DBF.pak", "T.FPT.pak", "T.DBF.packed"})
    std::remove((dir + leftover).c_str());
  {
    Engine engine;
    engine.SetDeleted(true);
    const int area = engine.Use(dir + "T.DBF", "", kModeReadOnly, kTypeFox);
    if (area != 0) {
      Table* t = engine.Area(area);
      t->SetFilter(".not. deleted()");
      for (int order = 0; order <= static_cast<int>(t->TagNames().size()); ++order) {
        if (t->SetOrder(order) != 0) continue;
        int steps = 0;
        for (t->GoTop(); !t->Eof() && steps < 2000; t->Skip(1), ++steps) {
          for (size_t f = 0; f < t->fields().size(); ++f) (void)t->GetValue(static_cast<int>(f));
        }
        t->GoBottom();
        t->Skip(-3);
        (void)t->VisibleRecords();
      }
      (void)t->QueryCount();
    }
  }
  {
    Engine engine;
    const int area = engine.Use(dir + "T.DBF", "", kModeExclusive, kTypeFox);
    if (area != 0) {
      Table* t = engine.Area(area);
      std::string memo;
      if (t->AppendBlank() == 0) {
        for (size_t f = 0; f < t->fields().size(); ++f) {
          const FieldDef& def = t->fields()[f];
          if (def.type == 'M') t->PutMemo(def.name, std::string(300, 'm'));
          else if (def.type == 'C') t->PutString(def.name, "fuzz");
        }
      }
      if (t->Go(1) == 0) {
        for (const FieldDef& def : t->fields())
          if (def.type == 'M' && t->GetMemo(def.name, memo) == 0) t->PutMemo(def.name, "short");
        t->Delete();
      }
      t->Pack();
      (void)t->VisibleRecords();
    }
  }
  return 0;
}
