// Choosing and speaking to a dictionary, and the personal word list.

#include <gtest/gtest.h>

#include <algorithm>

#include "spell/personal_word_list.h"
#include "spell/spell_dictionary.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(ChooseDictionary, LocaleThenLanguageThenEnglishThenFirst) {
  const std::vector<std::string> installed = {"de_AT", "de_DE", "en_GB", "en_US", "fr_FR"};
  EXPECT_EQ(ChooseDictionary(installed, "de_DE.UTF-8"), "de_DE");
  EXPECT_EQ(ChooseDictionary(installed, "de_CH.UTF-8@euro"), "de_AT");
  EXPECT_EQ(ChooseDictionary(installed, "en_GB"), "en_GB");
  EXPECT_EQ(ChooseDictionary(installed, "fr"), "fr_FR");
  EXPECT_EQ(ChooseDictionary(installed, "C.UTF-8"), "en_US");
  EXPECT_EQ(ChooseDictionary(installed, ""), "en_US");
  EXPECT_EQ(ChooseDictionary({"nl_NL", "sv_SE"}, "POSIX"), "nl_NL");
  EXPECT_EQ(ChooseDictionary({}, "en_US"), "");
}

TEST(SpellDictionary, TheSystemEnglishDictionaryIsFoundAndWorks) {
  const auto installed = InstalledDictionaries(DictionaryDirectories());
  ASSERT_NE(std::find(installed.begin(), installed.end(), "en_US"), installed.end());
  SpellDictionary dictionary;
  ASSERT_TRUE(dictionary.Open(DictionaryDirectories(), "en_US"));
  EXPECT_TRUE(dictionary.Check("receive"));
  EXPECT_FALSE(dictionary.Check("recieve"));
  const auto suggestions = dictionary.Suggest("recieve");
  EXPECT_NE(std::find(suggestions.begin(), suggestions.end(), "receive"), suggestions.end());
  dictionary.Add("Telvane");
  EXPECT_TRUE(dictionary.Check("Telvane"));
}

TEST(SpellDictionary, ADictionaryInLatin1IsSpokenToInUtf8) {
  test::TempDir dir;
  dir.write("xx_XX.aff", "SET ISO8859-1\nTRY ea\n");
  dir.write("xx_XX.dic", "2\ncaf\xE9\nhello\n");
  SpellDictionary dictionary;
  ASSERT_TRUE(dictionary.Open({dir.path().substr(0, dir.path().size() - 1)}, "xx_XX"));
  EXPECT_TRUE(dictionary.Check("caf\xC3\xA9"));
  EXPECT_FALSE(dictionary.Check("cafa"));
  EXPECT_EQ(dictionary.Suggest("cafe"), (std::vector<std::string>{"caf\xC3\xA9"}));
  // A word the dictionary's encoding cannot hold is not flagged.
  EXPECT_TRUE(dictionary.Check("\xD0\xBC\xD0\xB8\xD1\x80"));
}

TEST(SpellDictionary, AMissingDictionaryDoesNotOpen) {
  SpellDictionary dictionary;
  EXPECT_FALSE(dictionary.Open(DictionaryDirectories(), "zz_ZZ"));
  EXPECT_FALSE(dictionary.IsOpen());
  EXPECT_TRUE(dictionary.Check("anything"));  // nothing to check against
}

TEST(PersonalWordList, AddedWordsAreKeptInTheProgramDirectory) {
  test::ProgramDirectoryScope home;
  {
    PersonalWordList list;
    list.Load();
    EXPECT_TRUE(list.words().empty());
    EXPECT_TRUE(list.Add("Telvane"));
    EXPECT_TRUE(list.Add(" Brannigan "));
    EXPECT_TRUE(list.Add("Telvane"));  // once only
    EXPECT_FALSE(list.Add(""));
  }
  EXPECT_EQ(home.dir().read("TVNWORDS.DIC"), "Telvane\nBrannigan\n");
  PersonalWordList again;
  again.Load();
  EXPECT_TRUE(again.Contains("Telvane"));
  EXPECT_TRUE(again.Contains("Brannigan"));
}

TEST(PersonalWordList, AnUnwritableFileReportsFalseButKeepsTheWord) {
  test::TempDir dir;
  PersonalWordList list(dir.file("no-such-dir/words.dic"));
  EXPECT_FALSE(list.Add("Telvane"));
  EXPECT_TRUE(list.Contains("Telvane"));
}

}  // namespace
}  // namespace telvane
