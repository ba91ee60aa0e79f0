// The cover fields: the Insert menu's items and the merge answers.

#include <gtest/gtest.h>

#include "compose/cover_fields.h"

namespace telvane {
namespace {

TEST(CoverFields, MenuItemsMatchWithoutRegardToCase) {
  ASSERT_NE(CoverFieldForMenuItem(QStringLiteral("Fax Number")), nullptr);
  EXPECT_EQ(CoverFieldForMenuItem(QStringLiteral("fax number"))->tag, 2);
  EXPECT_STREQ(CoverFieldForMenuItem(QStringLiteral("TIME"))->caption, "[TIME]");
  EXPECT_EQ(CoverFieldForMenuItem(QStringLiteral("Company")), nullptr);
  EXPECT_EQ(CoverFieldForMenuItem(QString()), nullptr);
}

TEST(CoverFields, MergeAnswersByTag) {
  const MergeValues values{QStringLiteral("Ann Smith"), QStringLiteral("555-0100"), QStringLiteral("Invoice"),
                           QDateTime(QDate(2026, 3, 4), QTime(13, 5, 9))};
  EXPECT_EQ(MergeFieldText(1, values), QStringLiteral("Ann Smith"));
  EXPECT_EQ(MergeFieldText(2, values), QStringLiteral("555-0100"));
  EXPECT_EQ(MergeFieldText(3, values), QStringLiteral("Invoice"));
  EXPECT_EQ(MergeFieldText(4, values), QLocale().toString(QDate(2026, 3, 4), QLocale::ShortFormat));
  EXPECT_EQ(MergeFieldText(5, values), QStringLiteral("13:05:09"));  // no time zone
  EXPECT_EQ(MergeFieldText(0, values), QString());
  EXPECT_EQ(MergeFieldText(6, values), QString());
}

TEST(CoverFields, DateIsTheDayOfTheMerge) {
  MergeValues values;
  values.now = QDateTime(QDate(2026, 12, 24), QTime(8, 0));
  const QString christmasEve = MergeFieldText(4, values);
  values.now = values.now.addDays(1);
  EXPECT_NE(MergeFieldText(4, values), christmasEve);
}

TEST(CoverFields, AnswersAreCutToOneHundredCharacters) {
  MergeValues values;
  values.recipient = QString(150, u'a');
  values.subject = QString(100, u'b');
  EXPECT_EQ(MergeFieldText(1, values).size(), 100);
  EXPECT_EQ(MergeFieldText(3, values), values.subject);
}

}  // namespace
}  // namespace telvane
