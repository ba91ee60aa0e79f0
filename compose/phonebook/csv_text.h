#pragma once
// Comma-separated text as address books write it: the bytes decoded to
// UTF-8 (a UTF-8 or UTF-16 byte order mark, else UTF-8 when the bytes are
// valid UTF-8, else Latin-1), the separator guessed from the header line
// (";", "," or tab), and the rows split with quoted fields that may hold
// separators, doubled quotes and line breaks.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

using CsvRow = std::vector<std::string>;

// The file's bytes as UTF-8, byte order mark removed.
std::string DecodeCsvBytes(std::string_view bytes);

// The separator that splits the first line (outside quotes) into the most
// fields: ',' when nothing splits it.
char GuessCsvSeparator(std::string_view text);

// The rows of `text`. Blank lines are dropped; a quote left open at the end
// closes there. `maxRows` bounds the work on hostile input.
std::vector<CsvRow> ParseCsv(std::string_view text, char separator, size_t maxRows = 100000);

// One field as a CSV writer must put it: quoted when it holds the
// separator, a quote or a line break, or has blanks at its ends.
std::string CsvField(std::string_view value, char separator = ',');

}  // namespace telvane
