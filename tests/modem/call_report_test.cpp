// The result line, written by the fixture and read back by the tests.

#include "tools/virtual-modem/call_report.h"

#include <gtest/gtest.h>

#include "tests/modem/virtual_modem_harness.h"

namespace telvane::vmodem {
namespace {

TEST(CallReport, RoundTripsThroughTheTestsParser) {
  CallReport report;
  report.result = "FAILED";
  report.code = 12;
  report.role = "receiver";
  report.pages = 2;
  report.rate = 9600;
  report.yResolution = 7700;
  report.width = 1728;
  report.ecm = true;
  report.remoteId = "+1 \"555\" \\ 0199";
  report.file = "/tmp/rx file.tif";
  report.message = "Far end is not compatible";
  const auto fields = telvane::test::parseCallLine(formatCallReport(report));
  EXPECT_EQ(fields.at("result"), "FAILED");
  EXPECT_EQ(fields.at("code"), "12");
  EXPECT_EQ(fields.at("pages"), "2");
  EXPECT_EQ(fields.at("rate"), "9600");
  EXPECT_EQ(fields.at("resolution"), "fine");
  EXPECT_EQ(fields.at("ecm"), "on");
  EXPECT_EQ(fields.at("remote_id"), report.remoteId);
  EXPECT_EQ(fields.at("file"), report.file);
  EXPECT_EQ(fields.at("message"), report.message);
}

TEST(CallReport, NamesTheT30Resolutions) {
  EXPECT_EQ(resolutionName(3850), "standard");
  EXPECT_EQ(resolutionName(7700), "fine");
  EXPECT_EQ(resolutionName(15400), "superfine");
  EXPECT_EQ(resolutionName(0), "unknown");
}

}  // namespace
}  // namespace telvane::vmodem
