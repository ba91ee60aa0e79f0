#include "app/fax_row_texts.h"

#include <QLocale>
#include <QTime>
#include <vector>

#include "app/received_fax_file.h"
#include "faximage/apf_reader.h"
#include "platform/text.h"
#include "records/record_table.h"

namespace telvane {
namespace {

const QString Gap = QString(13, QLatin1Char(' '));

QString trimmed(const LogRow& row, const char* field) { return QString::fromStdString(row.value(field)).trimmed(); }

QString dateTimeText(const std::string& storedDate, const std::string& storedTime) {
  QString date = QStringLiteral("unknown");
  const QString timeText = QString::fromStdString(storedTime).trimmed();
  const QTime t = QTime::fromString(timeText, QStringLiteral("HH:mm"));
  const QString time = t.isValid() ? QLocale().toString(t, QLocale::ShortFormat) : timeText;
  const QDate d = QDate::fromString(QString::fromStdString(storedDate), QStringLiteral("yyyyMMdd"));
  if (d.isValid()) date = QLocale().toString(d, QLocale::ShortFormat);
  return time + QStringLiteral(" at ") + date;
}

}  // namespace

QString GetDatetimeAsString(const LogRow& row, LogKind kind) {
  if (kind == LogKind::Received) return dateTimeText(row.value("DATEREC"), row.value("TIMEREC"));
  const std::string sent = ToUpperAscii(TrimSpaces(row.value("SENT")));
  if (sent != "T" && sent != "Y") return QStringLiteral("not sent");
  return dateTimeText(row.value("DATESENT"), row.value("TIMESENT"));
}

// Fields are trimmed: their stored blanks would push the next part of the
// line far to the right.
QString OutgoingHeaderText(const LogRow& row) {
  return QStringLiteral("To: ") + trimmed(row, "RECIPIENT") + Gap + QStringLiteral("Subject: ") +
         trimmed(row, "SUBJECT") + Gap + QStringLiteral("Sent: ") + GetDatetimeAsString(row, LogKind::Outgoing);
}

QString ReceivedHeaderText(const LogRow& row) {
  const QString file = QString::fromStdString(ReceivedFaxExpectedPath(row.value("FAXFILE"))).toLower();
  return QStringLiteral("From: ") + trimmed(row, "FROM") + Gap + QStringLiteral("Received: ") +
         GetDatetimeAsString(row, LogKind::Received) + Gap + QStringLiteral("Fax File: ") + file;
}

EditorFields EditorFieldsFromRow(const LogRow& row, bool clone) {
  EditorFields fields;
  fields.recipient = trimmed(row, "RECIPIENT");
  fields.subject = (clone ? QStringLiteral("[clone]") : QString()) + trimmed(row, "SUBJECT");
  fields.phone = trimmed(row, "PHONE");
  return fields;
}

ReceivedFaxCheck CheckReceivedFax(const LogRow& row) {
  ReceivedFaxCheck check;
  const auto file = ReceivedFaxPath(row.value("FAXFILE"));
  if (!file) {
    check.error = "Fax file is missing";
    return check;
  }
  check.file = *file;
  ApfFileHeader header;
  std::vector<ApfPageInfo> pages;
  if (ListApfPages(*file, header, pages) < 0 || pages.empty()) {
    check.error = "The fax file " + TrimSpaces(row.value("FAXFILE")) +
                  " is damaged and cannot be shown. The log entry is kept.";
    return check;
  }
  check.pageCount = static_cast<int>(pages.size());
  return check;
}

bool RecordSendResult(RecordTable& log, const std::string& result, const std::string& phone, int pages,
                      const QDateTime& now) {
  if (!log.Edit()) return false;
  log.SetField("PAGES", std::to_string(pages));
  if (!TrimSpaces(result).empty()) log.SetField("LASTRESULT", result);
  log.SetField("PHONE", phone);
  const std::string upper = ToUpperAscii(result);
  if (upper == "SENT" || upper == "OK") {
    log.SetField("SENT", "T");
    log.SetField("DATESENT", now.date().toString(QStringLiteral("yyyyMMdd")).toStdString());
    log.SetField("TIMESENT", now.time().toString(QStringLiteral("HH:mm")).toStdString());
  }
  return log.Post();
}

}  // namespace telvane
