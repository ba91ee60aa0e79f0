// Which parts of a paragraph the spelling check looks at.

#include <gtest/gtest.h>

#include <QStringList>

#include "tests/spell/qstring_print.h"
#include "spell/checkable_words.h"

namespace telvane {
namespace {

QStringList words(const QString& text) {
  QStringList out;
  for (const WordSpan& w : CheckableWords(text)) out << text.mid(w.start, w.length);
  return out;
}

TEST(CheckableWords, WordsWithTheirPositions) {
  const auto spans = CheckableWords(QStringLiteral("  Dear Sir,\tthanks!"));
  EXPECT_EQ(spans, (std::vector<WordSpan>{{2, 4}, {7, 3}, {12, 6}}));
}

TEST(CheckableWords, ApostrophesInsideWordsHyphensBetween) {
  EXPECT_EQ(words(QStringLiteral("don't 'quoted' O\u2019Neil well-known")),
            (QStringList{"don't", "quoted", "O\u2019Neil", "well", "known"}));
}

TEST(CheckableWords, NumbersAndWordsWithDigitsAreSkipped) {
  EXPECT_EQ(words(QStringLiteral("page 2 of 10, the 2nd A4 sheet, 1999-2001, +1 (555) 0100")),
            (QStringList{"page", "of", "the", "sheet"}));
}

TEST(CheckableWords, AddressesAreSkippedWhole) {
  EXPECT_EQ(words(QStringLiteral("see https://exmple.org/pth?q=teh or www.exmple.com, mail jdoe@exmple.org now")),
            (QStringList{"see", "or", "mail", "now"}));
  EXPECT_EQ(words(QStringLiteral("visit exmple.com.")), (QStringList{"visit"}));
  EXPECT_EQ(words(QStringLiteral("end. Next")), (QStringList{"end", "Next"}));
}

TEST(CheckableWords, LettersBeyondAsciiAndObjectsInTheText) {
  EXPECT_EQ(words(QStringLiteral("Caf\u00e9 na\u00efve\uFFFCstra\u00dfe")),
            (QStringList{"Caf\u00e9", "na\u00efve", "stra\u00dfe"}));
  EXPECT_TRUE(words(QString()).isEmpty());
  EXPECT_TRUE(words(QStringLiteral(" \t,.;!? -- '' ")).isEmpty());
}

}  // namespace
}  // namespace telvane
