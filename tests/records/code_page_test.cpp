// Text between the program's UTF-8 and a table's one-byte code page.

#include <gtest/gtest.h>

#include "records/engine/code_page.h"

namespace telvane::xbase {
namespace {

TEST(CodePage, UnicodeTextCrossesBothWaysAndOddInputSurvives) {
  // Every byte of both code pages comes back as itself.
  for (CodePage page : {CodePage::Dos437, CodePage::Windows1252}) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(FromUtf8(ToUtf8(all, page), page), all);
  }
  EXPECT_EQ(FromUtf8("Müller €5", CodePage::Dos437), "M\x81ller ?5");
  EXPECT_EQ(FromUtf8("Müller €5", CodePage::Windows1252), "M\xFCller \x80" "5");
  EXPECT_EQ(ToUtf8("\x9B\xE1", CodePage::Dos437), "¢ß");
  // Characters outside the page, four-byte ones included, are one '?' each.
  EXPECT_EQ(FromUtf8("a😀b日", CodePage::Windows1252), "a?b?");
  // Not UTF-8 (already stored bytes, a cut sequence, an overlong form, a
  // surrogate): kept as given rather than guessed at.
  for (const char* raw : {"M\x81ller", "ab\xC3", "\xC0\xAF", "\xED\xA0\x80"})
    EXPECT_EQ(FromUtf8(raw, CodePage::Dos437), raw);
  EXPECT_EQ(CodePageFromMark(0x03), CodePage::Windows1252);
  EXPECT_EQ(CodePageFromMark(0x01), CodePage::Dos437);
  EXPECT_EQ(CodePageFromMark(0x00), CodePage::Dos437);
}

}  // namespace
}  // namespace telvane::xbase
