#pragma once
// A read-only check of a table's three files for support: the DBF header
// and records, every memo pointer, and every index tag against keys
// computed afresh from the table. Changes nothing.

#include <string>
#include <vector>

namespace telvane::xbase {

struct TableCheckReport {
  bool opened = false;                // the DBF could be read at all
  std::vector<std::string> problems;  // empty when all is well
  std::vector<std::string> facts;     // record count, tags, memo file size
};

TableCheckReport CheckTable(const std::string& path);

}  // namespace telvane::xbase
