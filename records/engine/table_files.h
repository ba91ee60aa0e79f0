#pragma once
// File names around a table, and the recovery of an interrupted pack.

#include <string>
#include <string_view>

namespace telvane::xbase {

// The table's companion file with extension `ext` ("FPT", "CDX"): an
// existing file of that name in any letter case, else the name in the case
// of the table's own extension.
std::string SiblingPath(const std::string& tablePath, std::string_view ext);

// Pack writes the new files beside the old ones, then a commit marker, then
// renames them into place. Finishes a committed pack, or discards the new
// files of one that never committed.
void RecoverInterruptedPack(const std::string& tablePath);
std::string PackTempPath(const std::string& path);
std::string PackMarkerPath(const std::string& tablePath);

}  // namespace telvane::xbase
