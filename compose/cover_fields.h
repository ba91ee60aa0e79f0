#pragma once
// The merge fields of cover templates: the Insert menu's items with their
// tags and captions, and the values the fax editor merges in for them.

#include <QChar>
#include <QDateTime>
#include <QString>

namespace telvane {

struct CoverField {
  const char* menuItem;  // the Insert menu's item
  int tag;
  const char* caption;   // shown in the template in place of the value
};

inline constexpr CoverField kCoverFields[] = {
    {"Recipient", 1, "[RECIPIENT]"}, {"Fax Number", 2, "[FAX#]"}, {"Subject", 3, "[SUBJECT]"},
    {"Date", 4, "[DATE]"},           {"Time", 5, "[TIME]"},
};
inline constexpr QChar kCoverFieldMarker = u'*';
// Merge answers are cut to this many characters.
inline constexpr int kMaxMergeText = 100;

// The field an Insert menu item stands for (its text in upper case compared
// with the items' names), or nullptr.
const CoverField* CoverFieldForMenuItem(const QString& itemText);

struct MergeValues {
  QString recipient;
  QString faxNumber;
  QString subject;
  QDateTime now;  // the moment of the merge
};

// The text for merge field `tag`: the fax's recipient, number, subject, the
// date (short date format) or the time (long time format) of the merge, cut
// to kMaxMergeText characters; empty for any other tag.
QString MergeFieldText(int tag, const MergeValues& values);

}  // namespace telvane
