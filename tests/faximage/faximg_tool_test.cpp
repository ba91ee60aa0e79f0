// telvane-faximg's commands, run in-process on real files.

#include <gtest/gtest.h>

#include <sstream>

#include "faximage/apf_reader.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/faximage/libtiff_g3.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/faximg/faximg_commands.h"

namespace telvane {
namespace {

struct ToolFixture : ::testing::Test {
  test::TempDir dir;
  std::string out, err;
  int run(std::vector<std::string> args) {
    std::ostringstream o, e;
    const int rc = faximg::Run(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

TEST_F(ToolFixture, ConvertInfoAndExportAText) {
  dir.write("letter.txt", "Dear reader,\r\nthis is a fax.\r\n\fPage two.\r\n");
  ASSERT_EQ(run({"convert", dir.file("letter.txt"), dir.file("letter.apf"), "--fine", "--station", "TELVANE 1"}), 0)
      << err;
  EXPECT_NE(out.find("2 page(s)"), std::string::npos);
  ASSERT_EQ(run({"info", dir.file("letter.apf")}), 0) << err;
  EXPECT_NE(out.find("Station ID:  \"TELVANE 1\""), std::string::npos) << out;
  EXPECT_NE(out.find("Pages:       2"), std::string::npos) << out;
  EXPECT_NE(out.find("Page 2: offset"), std::string::npos) << out;
  EXPECT_NE(out.find("fine, 1728 pixels, line records"), std::string::npos) << out;
  ASSERT_EQ(run({"export", dir.file("letter.apf"), "--page", "2", dir.file("p2.pcx")}), 0) << err;
  ASSERT_EQ(run({"export", dir.file("letter.apf"), "--page", "1", dir.file("p1.bmp")}), 0) << err;
  ASSERT_EQ(run({"export", dir.file("letter.apf"), "--page", "1", dir.file("p1.dcx")}), 0) << err;
  ASSERT_EQ(run({"export", dir.file("letter.apf"), dir.file("all.tif")}), 0) << err;
  ASSERT_EQ(run({"export", dir.file("letter.apf"), dir.file("all.pdf")}), 0) << err;
  std::vector<test::Bytes> rows;
  EXPECT_TRUE(test::LibtiffDecode(test::ReadBytes(dir.file("all.tif")), rows));
  EXPECT_EQ(rows.size(), 3u * 32);  // page 1: two lines and the empty one in front of the form feed
  // The exported PCX converts back.
  ASSERT_EQ(run({"convert", dir.file("p2.pcx"), dir.file("back.apf"), "--options", "none"}), 0) << err;
}

TEST_F(ToolFixture, ConvertReportsTheFileItWroteWhenOutHasNoExtension) {
  dir.write("memo", "One line.\r\n\fTwo.\r\n");  // and the input has none either
  ASSERT_EQ(run({"convert", dir.file("memo"), dir.file("out"), "--type", "text"}), 0) << err;
  EXPECT_EQ(out, dir.file("out.APF") + ": 2 page(s)\n");
  EXPECT_TRUE(dir.exists("out.APF"));
}

TEST_F(ToolFixture, PrintWritesTheChosenPagesToAPdfFile) {
  dir.write("memo.txt", "One.\r\n\fTwo.\r\n\fThree.\r\n");
  ASSERT_EQ(run({"convert", dir.file("memo.txt"), dir.file("memo.apf")}), 0) << err;
  ASSERT_EQ(run({"print", dir.file("memo.apf"), dir.file("memo.pdf"), "--pages", "2-3", "--footer"}), 0) << err;
  EXPECT_EQ(out, "printed pages 2-3 to " + dir.file("memo.pdf") + "\n");
  const test::CommandResult info = test::RunCommand("pdfinfo '" + dir.file("memo.pdf") + "'");
  EXPECT_NE(info.output.find("Pages:           2"), std::string::npos) << info.output;
  EXPECT_EQ(run({"print", dir.file("memo.apf"), dir.file("memo.pdf"), "--pages", "2-9"}), 2);
  EXPECT_EQ(run({"print", dir.file("memo.apf"), dir.file("nodir/memo.pdf")}), 1);
  EXPECT_NE(err.find("could not start"), std::string::npos) << err;
}

TEST_F(ToolFixture, ConvertTurnsEachPdfPageIntoAFaxPage) {
  dir.write("memo.txt", "One.\r\n\fTwo.\r\n\fThree.\r\n");
  ASSERT_EQ(run({"convert", dir.file("memo.txt"), dir.file("memo.apf")}), 0) << err;
  ASSERT_EQ(run({"print", dir.file("memo.apf"), dir.file("memo.pdf")}), 0) << err;
  ASSERT_EQ(run({"convert", dir.file("memo.pdf"), dir.file("back"), "--fine"}), 0) << err;
  EXPECT_EQ(out, dir.file("back.APF") + ": 3 page(s)\n");
  dir.write("broken.pdf", "%PDF-1.4 and then nothing a reader could use");
  EXPECT_EQ(run({"convert", dir.file("broken.pdf"), dir.file("x.apf")}), 1);
  EXPECT_NE(err.find("not a readable PDF"), std::string::npos) << err;
  EXPECT_EQ(run({"convert", dir.file("missing.pdf"), dir.file("y.apf")}), 1) << "named a PDF: said so, not guessed";
}

TEST_F(ToolFixture, WrongUseAndBadFilesAreReportedWithTheirMessages) {
  EXPECT_EQ(run({}), 2);
  EXPECT_NE(err.find("usage"), std::string::npos);
  EXPECT_EQ(run({"convert", dir.file("x.xyz"), dir.file("o.apf")}), 2);
  EXPECT_NE(err.find("--type"), std::string::npos);
  EXPECT_EQ(run({"convert", dir.file("a.txt"), dir.file("o.apf"), "--options", "sideways"}), 2);
  EXPECT_EQ(run({"info", dir.file("none.apf")}), 1);
  EXPECT_NE(err.find("File not found (-2)"), std::string::npos) << err;
  dir.write("bad.tif", "II*\0garbage");
  EXPECT_EQ(run({"convert", dir.file("bad.tif"), dir.file("o.apf")}), 1);
  EXPECT_NE(err.find("(-"), std::string::npos) << err;
  EXPECT_FALSE(dir.exists("o.apf"));
  dir.write("text.apf", std::string(100, 'x'));
  EXPECT_EQ(run({"export", dir.file("text.apf"), "--page", "1", dir.file("x.bmp")}), 1);
  EXPECT_NE(err.find("File is not an APF file (-8001)"), std::string::npos) << err;
  EXPECT_EQ(run({"export", dir.file("text.apf"), dir.file("x.png")}), 2);
  test::WriteApf(dir.file("empty.apf"), {});
  EXPECT_EQ(run({"export", dir.file("empty.apf"), dir.file("x.pdf")}), 1);
  EXPECT_NE(err.find("no pages"), std::string::npos) << err;
  EXPECT_FALSE(dir.exists("x.pdf"));
}

}  // namespace
}  // namespace telvane
