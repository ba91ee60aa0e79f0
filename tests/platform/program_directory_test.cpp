#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/io_errors.h"
#include "platform/program_directory.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(ProgramDirectory, ChoosesTelvaneHomeThenExecutableThenXdg) {
  EXPECT_EQ(ChooseProgramDirectory("/data/tv", "/opt/telvane", true, "/x", "/home/u"), "/data/tv/");
  EXPECT_EQ(ChooseProgramDirectory("", "/opt/telvane", true, "/x", "/home/u"), "/opt/telvane/");
  EXPECT_EQ(ChooseProgramDirectory("", "/usr/bin", false, "/x", "/home/u"), "/x/telvane/");
  EXPECT_EQ(ChooseProgramDirectory("", "/usr/bin", false, "", "/home/u"), "/home/u/.local/share/telvane/");
}

TEST(ProgramDirectory, HasExactlyOneTrailingSeparator) {
  EXPECT_EQ(WithTrailingSeparator("/a/b"), "/a/b/");
  EXPECT_EQ(WithTrailingSeparator("/a/b///"), "/a/b/");
  EXPECT_EQ(WithTrailingSeparator("/"), "/");
  EXPECT_EQ(JoinPath("/a/", "/TVN.INI"), "/a/TVN.INI");
}

TEST(ProgramDirectory, TelvaneHomeIsUsedAndCreated) {
  test::TempDir dir;
  const std::string home = dir.file("nested/home");
  ::setenv("TELVANE_HOME", home.c_str(), 1);
  ResetProgramDirectory();
  EXPECT_EQ(ProgramDirectory(), home + "/");
  EXPECT_TRUE(dir.exists("nested/home"));
  ::unsetenv("TELVANE_HOME");
  ResetProgramDirectory();
}

TEST(ProgramDirectory, FindsFileNamesWithoutRegardToCase) {
  test::TempDir dir;
  dir.write("FAX0001.APF", "x");
  EXPECT_EQ(FindFileNoCase(dir.path(), "fax0001.apf"), dir.file("FAX0001.APF"));
  EXPECT_EQ(FindFileNoCase(dir.path(), "FAX0001.APF"), dir.file("FAX0001.APF"));
  EXPECT_FALSE(FindFileNoCase(dir.path(), "fax0002.apf"));
  EXPECT_FALSE(FindFileNoCase(dir.file("missing"), "x"));
}

TEST(Text, TrimSpacesRemovesSpacesOnly) {
  EXPECT_EQ(TrimSpaces("  AT&F  "), "AT&F");
  EXPECT_EQ(TrimSpaces("\tAT "), "\tAT");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_TRUE(EqualsNoCase("TMainScreen", "TMAINSCREEN"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
}

TEST(IoErrors, EveryProducedCodeHasAText) {
  for (int e : {ENOENT, ENOTDIR, EMFILE, EACCES, EROFS, EBADF, ENOMEM, EBUSY, EEXIST, ENOSPC, EIO}) {
    for (bool writing : {false, true}) {
      const int code = IoErrorFromErrno(e, writing);
      EXPECT_GT(code, 0);
      EXPECT_LE(code, io_error::Last);
      EXPECT_FALSE(IoErrorText(code).empty()) << code;
    }
  }
  EXPECT_EQ(IoErrorText(io_error::FileNotFound), "File not found");
  EXPECT_EQ(IoErrorText(io_error::ReadBeyondEnd), "Attempt to read beyond end of file");
  EXPECT_EQ(IoErrorText(io_error::DiskFull), "Disk is full");
}

}  // namespace
}  // namespace telvane
