#include <gtest/gtest.h>

#include <sys/stat.h>

#include "settings/ini_file.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(IniDocument, NamesMatchWithoutCaseAndFirstOneWins) {
  const auto doc = IniDocument::Parse(
      "[Modem]\nComPort=2\ncomport=5\n[MODEM]\nFaxClass=3\n[Other]\n  Key  =  spaced value  \n");
  EXPECT_EQ(doc.Get("modem", "COMPORT"), "2");
  EXPECT_FALSE(doc.Get("Modem", "FaxClass"));  // only the first [Modem] is read
  EXPECT_EQ(doc.Get("Other", "key"), "spaced value");
  EXPECT_FALSE(doc.Get("Missing", "Key"));
}

TEST(IniDocument, QuotesAroundAValueAreRemoved) {
  const auto doc = IniDocument::Parse("[A]\nq=\"AT&F\"\nh='x'\nodd=\"x\n");
  EXPECT_EQ(doc.Get("A", "q"), "AT&F");
  EXPECT_EQ(doc.Get("A", "h"), "x");
  EXPECT_EQ(doc.Get("A", "odd"), "\"x");
}

TEST(IniDocument, MalformedLinesAreIgnoredNotFatal) {
  const auto doc = IniDocument::Parse(
      "garbage line\n[Broken\nKey=1\n=novalue\n[Good]\nno equals here\nKey=2\n;Key=3\n");
  EXPECT_FALSE(doc.HasSection("Broken"));
  EXPECT_EQ(doc.Get("Good", "Key"), "2");
  EXPECT_EQ(doc.SectionNames(), std::vector<std::string>{"Good"});
}

TEST(IniDocument, SetKeepsEverythingElseAndTheUsersSpelling) {
  const std::string text = "; my notes\r\n[Modem]\r\ncomport=2\r\nVendor=Acme\r\n\r\n[Mine]\r\nx=1\r\n";
  auto doc = IniDocument::Parse(text);
  doc.Set("Modem", "ComPort", "4");
  doc.Set("Modem", "FaxClass", "1");
  doc.Set("New", "Key", "v");
  EXPECT_EQ(doc.Serialize(),
            "; my notes\r\n[Modem]\r\ncomport=4\r\nVendor=Acme\r\nFaxClass=1\r\n\r\n[Mine]\r\nx=1\r\n"
            "\r\n[New]\r\nKey=v\r\n");
}

TEST(IniDocument, EmptyTextGainsSectionsInWriteOrder) {
  auto doc = IniDocument::Parse("");
  doc.Set("Receive", "Wav", "");
  doc.Set("User", "Name", "Ann");
  doc.Set("Receive", "AtStartup", "0");
  EXPECT_EQ(doc.Serialize(), "[Receive]\nWav=\nAtStartup=0\n\n[User]\nName=Ann\n");
}

TEST(IniDocument, ByteOrderMarkIsSkippedOnReadAndKeptOnWrite) {
  // Editors that save "UTF-8 with BOM" put three bytes before the first header.
  auto doc = IniDocument::Parse("\xEF\xBB\xBF[Modem]\r\nComPort=2\r\n");
  EXPECT_EQ(doc.Get("Modem", "ComPort"), "2");
  doc.Set("Modem", "ComPort", "3");
  EXPECT_EQ(doc.Serialize(), "\xEF\xBB\xBF[Modem]\r\nComPort=3\r\n");
  EXPECT_EQ(doc.SectionNames(), std::vector<std::string>{"Modem"});
}

TEST(IniDocument, LineBreaksInAWrittenValueCannotAddKeysOrSections) {
  auto doc = IniDocument::Parse("[User]\nName=Ann\n[Modem]\nComPort=1\n");
  doc.Set("User", "Name", "Bob\r\n[Modem]\nComPort=5");
  doc.Set("Dialing", "DialPrefix", "9,\n");
  const auto again = IniDocument::Parse(doc.Serialize());
  EXPECT_EQ(again.Get("User", "Name"), "Bob  [Modem] ComPort=5");
  EXPECT_EQ(again.Get("Modem", "ComPort"), "1");
  EXPECT_EQ(again.Get("Dialing", "DialPrefix"), "9,");
  EXPECT_EQ(again.SectionNames(), (std::vector<std::string>{"User", "Modem", "Dialing"}));
}

TEST(IniInteger, ParsesDecimalAndHexOrFallsBack) {
  EXPECT_EQ(ParseIniInteger("9600", 1), 9600);
  EXPECT_EQ(ParseIniInteger(" -1 ", 1), -1);
  EXPECT_EQ(ParseIniInteger("0x2580", 1), 9600);
  EXPECT_EQ(ParseIniInteger("0X2580", 1), 9600);
  EXPECT_EQ(ParseIniInteger("0xFFFFFFFF", 1), -1);
  EXPECT_EQ(ParseIniInteger("0x", 7), 7);  // too short for hexadecimal, and no decimal number
  EXPECT_EQ(ParseIniInteger("abc", 3), 3);
  EXPECT_EQ(ParseIniInteger("12abc", 3), 3);
  EXPECT_EQ(ParseIniInteger("", 3), 3);
  EXPECT_EQ(ParseIniInteger("99999999999", 3), 3);
  EXPECT_EQ(ParseIniInteger("0x1FFFFFFFF", 3), 3);
  EXPECT_EQ(ParseIniInteger("-2147483648", 3), -2147483647 - 1);
  EXPECT_EQ(ParseIniInteger("2147483648", 3), 3);
}

TEST(IniFile, ReadsAreCappedAt1023Characters) {
  test::TempDir dir;
  dir.write("t.ini", "[S]\nlong=" + std::string(5000, 'x') + "\nnum=" + std::string(2000, '1') + "\n");
  IniFile ini(dir.file("t.ini"));
  EXPECT_EQ(ini.ReadString("S", "long", "").size(), 1023u);
  EXPECT_EQ(ini.ReadInteger("S", "num", 42), 42);
}

TEST(IniFile, BooleansAreAnyNonZeroInteger) {
  test::TempDir dir;
  dir.write("t.ini", "[S]\na=1\nb=0\nc=-5\nd=yes\n");
  IniFile ini(dir.file("t.ini"));
  EXPECT_TRUE(ini.ReadBool("S", "a", false));
  EXPECT_FALSE(ini.ReadBool("S", "b", true));
  EXPECT_TRUE(ini.ReadBool("S", "c", false));
  EXPECT_TRUE(ini.ReadBool("S", "d", true));
  EXPECT_FALSE(ini.ReadBool("S", "d", false));
  EXPECT_TRUE(ini.ReadBool("S", "missing", true));
}

TEST(IniFile, WritesReachTheDiskAtOnce) {
  test::TempDir dir;
  IniFile ini(dir.file("t.ini"));
  ASSERT_TRUE(ini.WriteInteger("S", "n", 5));
  EXPECT_EQ(dir.read("t.ini"), "[S]\nn=5\n");
  EXPECT_EQ(IniFile(dir.file("t.ini")).ReadInteger("S", "n", 0), 5);
}

TEST(IniFile, ReadOnlyFileRefusesWritesAndIsLeftAlone) {
  test::TempDir dir;
  dir.write("t.ini", "[S]\nn=1\n");
  ::chmod(dir.file("t.ini").c_str(), 0444);
  IniFile ini(dir.file("t.ini"));
  EXPECT_FALSE(ini.WriteInteger("S", "n", 2));
  EXPECT_EQ(dir.read("t.ini"), "[S]\nn=1\n");
}

TEST(IniFile, UnwritableDirectoryRefusesWrites) {
  test::TempDir dir;
  IniFile ini(dir.file("no/such/dir/t.ini"));
  EXPECT_FALSE(ini.WriteInteger("S", "n", 2));
  EXPECT_EQ(ini.ReadInteger("S", "n", 0), 2);  // the value stays in memory
}

}  // namespace
}  // namespace telvane
