#pragma once
// Texts made from a log row for the commands that hand it to another
// window: the date text, the viewer's and printer's header line, the fax
// editor's fields for Edit and Clone, and the check of a received fax's
// file before it is viewed or printed.

#include <QDateTime>
#include <QString>
#include <string>

#include "app/log_tables.h"

namespace telvane {

class RecordTable;

// "hh:mm at dd/mm/yyyy" in the user's short formats; "not sent" for an
// outgoing row that was not sent; "unknown" for a part that does not read.
QString GetDatetimeAsString(const LogRow& row, LogKind kind);

// The header line of a viewed or printed fax.
QString OutgoingHeaderText(const LogRow& row);
QString ReceivedHeaderText(const LogRow& row);

// What the fax editor is filled with for Edit and for Clone ("[clone]"
// directly before the subject).
struct EditorFields {
  QString recipient;
  QString subject;
  QString phone;
};
EditorFields EditorFieldsFromRow(const LogRow& row, bool clone);

// A received fax ready for the viewer or the printer, or the message that
// says why it is not.
struct ReceivedFaxCheck {
  std::string file;   // full path
  int pageCount = 0;
  std::string error;  // empty when the file can be shown
};
ReceivedFaxCheck CheckReceivedFax(const LogRow& row);

// Records the end of a send attempt in the current outgoing row: PAGES,
// LASTRESULT (unless the result is blank) and PHONE; SENT, DATESENT and
// TIMESENT ("hh:mm") when the result is "SENT" or "OK" in any case.
bool RecordSendResult(RecordTable& log, const std::string& result, const std::string& phone, int pages,
                      const QDateTime& now);

}  // namespace telvane
