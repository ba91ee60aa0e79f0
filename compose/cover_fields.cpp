#include "compose/cover_fields.h"

#include <QLocale>
#include <QRegularExpression>

namespace telvane {
namespace {

// The locale's long time format without its time zone: a fax cover shows
// the time as the clock on the wall does.
QString longTime(const QTime& time) {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
  format.replace(zone, QString());
  return QLocale().toString(time, format.trimmed());
}

}  // namespace

const CoverField* CoverFieldForMenuItem(const QString& itemText) {
  const QString upper = itemText.toUpper();
  for (const CoverField& field : kCoverFields)
    if (upper == QString::fromLatin1(field.menuItem).toUpper()) return &field;
  return nullptr;
}

QString MergeFieldText(int tag, const MergeValues& values) {
  QString text;
  switch (tag) {
    case 1: text = values.recipient; break;
    case 2: text = values.faxNumber; break;
    case 3: text = values.subject; break;
    case 4: text = QLocale().toString(values.now.date(), QLocale::ShortFormat); break;
    case 5: text = longTime(values.now.time()); break;
    default: break;
  }
  return text.left(kMaxMergeText);
}

}  // namespace telvane
