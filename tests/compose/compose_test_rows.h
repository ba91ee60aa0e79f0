#pragma once
// Rows the window tests start from: cover templates and outgoing faxes in
// the tables of a FaxRecords in the test's program directory.

#include <QString>
#include <functional>
#include <string>

#include "records/fax_records.h"
#include "richtext/wp_rich_text.h"

namespace telvane::test {

// Appends a row and fills it through `fill` with the table in insert state.
inline bool AppendRow(RecordTable& table, const std::function<bool()>& fill) {
  return table.Append() && fill() && table.Post();
}

// A cover template "description" whose COVER holds the text of `build`.
inline bool AddCoverTemplate(FaxRecords& records, const std::string& description,
                             const std::function<void(TWPRichText&)>& build) {
  TWPRichText text;
  build(text);
  RecordTable& covers = records.CoverTable();
  return AppendRow(covers, [&] {
    return covers.SetField("DESCRIPT", description) && records.SaveRichText(text, "COVER", covers);
  });
}

inline QString PlainText(FaxRecords& records, RecordTable& table, const char* memo) {
  TWPRichText text;
  records.LoadRichText(text, memo, table);
  return text.toPlainText();
}

}  // namespace telvane::test
