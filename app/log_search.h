#pragma once
// The search field over the logs: the rows whose recipient, sender, fax
// number, subject or notes contain the typed text, in any letter case.

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/log_tables.h"

namespace telvane::xbase {
class Table;
}

namespace telvane {

// The fields searched in a log.
std::vector<std::string_view> SearchedFields(LogKind kind);

// The rows of `rows` (kept in their order) that contain `text` (UTF-8) in
// one of the searched fields. Blank text keeps every row.
std::vector<uint32_t> SearchLog(xbase::Table& table, LogKind kind, const std::vector<uint32_t>& rows,
                                std::string_view text);

}  // namespace telvane
