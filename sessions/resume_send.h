#pragma once
// Resuming a fax that broke off: the log row's result says how many pages
// the receiver confirmed ("Pages 1-2 of 5 sent, then: <error>"), and the
// next try can send only the pages after them.

#include <optional>
#include <string>
#include <string_view>

namespace telvane {

struct PartialSend {
  int confirmedPages = 0;
  int totalPages = 0;
};

// The result text of a send that ended with `error` after `confirmed` of
// `total` pages (confirmed > 0).
std::string PartialSendResult(int confirmed, int total, std::string_view error);
// The pages a result text of PartialSendResult names; nothing for any other
// text or numbers that make no sense.
std::optional<PartialSend> ParsePartialSendResult(std::string_view result);

// Writes the pages from `firstPage` (from 1) to the end of the fax image
// file `source` into a new file `destination`. 0 or a negative error
// (-8001 when `source` has no such page or is damaged).
int CopyFaxPagesFrom(const std::string& source, int firstPage, const std::string& destination);

}  // namespace telvane
