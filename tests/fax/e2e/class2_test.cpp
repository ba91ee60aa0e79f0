// Class 2 and Class 2.0 calls with telvane-fax: the virtual modem runs
// T.30 itself and the tool drives it with the class's commands, sending to
// and receiving from the far end, and finding the class on its own.

#include <gtest/gtest.h>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

constexpr int kRows = 1100;  // an A4 page at standard resolution

struct ClassCase {
  const char* option;   // --class
  const char* select;   // what the tool must send to select it
};

void PrintTo(const ClassCase& c, std::ostream* out) { *out << c.option; }

class Class2Calls : public FaxE2eTest, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(Class2Calls, SendTwoPagesThatArriveRowForRow) {
  const std::string doc = faxFile("doc.apf", {1, 2}, false, kRows);
  VirtualModemRun modem(dir(), {"--classes", "0,1,2,2.0", "--receive-file", file("rx.tif"), "--remote-id", "FAR 2"});
  ASSERT_TRUE(modem.started());
  auto tool = startSend(modem.port(), {"--class", GetParam().option, "--station-id", "TELVANE C2"}, {doc});
  EXPECT_EQ(finish(*tool), 0) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), std::string("-> ") + GetParam().select + "\n")) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "Sent 2 page(s) to FAR 2")) << tool->tail();
  const CallFields call = oneCall(modem);
  EXPECT_EQ(call.count("result") ? call.at("result") : "", "OK") << tool->tail();
  EXPECT_EQ(trimmedId(call), "TELVANE C2");
  const auto pages = readFaxPages(file("rx.tif"));
  ASSERT_EQ(pages.size(), 2u);
  for (size_t i = 0; i < pages.size(); ++i)
    EXPECT_EQ(checkSentPage(pages[i], static_cast<int>(i) + 1, kRows), "") << "page " << i + 1;
}

TEST_P(Class2Calls, ReceiveTwoPagesIntoAFileRowForRow) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 2, false, kRows));
  VirtualModemRun modem(dir(), {"--classes", "0,1,2,2.0", "--far-end", "sender", "--send-file", file("send.tif"),
                                "--remote-id", "FAR SENDER", "--ring-interval", "2"});
  ASSERT_TRUE(modem.started());
  const std::string into = receiveDir();
  auto tool = startReceive(modem.port(), into, {"--class", GetParam().option, "--station-id", "TELVANE C2"});
  EXPECT_EQ(finish(*tool), 0) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), std::string("-> ") + GetParam().select + "\n")) << tool->tail();
  const CallFields call = oneCall(modem);
  EXPECT_EQ(call.count("result") ? call.at("result") : "", "OK") << tool->tail();
  EXPECT_EQ(trimmedId(call), "TELVANE C2");
  const FaxFilePages fax = readFaxFile(into + "FAX0001.APF");
  ASSERT_EQ(fax.status, 0);
  EXPECT_EQ(fax.stationId, "FAR SENDER");
  ASSERT_EQ(fax.pages.size(), 2u);
  for (size_t i = 0; i < fax.pages.size(); ++i)
    EXPECT_EQ(checkPage(fax.pages[i], static_cast<int>(i) + 1, kRows), "") << "page " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(Classes, Class2Calls,
                         ::testing::Values(ClassCase{"2", "AT+FCLASS=2"}, ClassCase{"2.0", "AT+FCLASS=2.0"}),
                         [](const auto& param) { return std::string(param.param.option[1] ? "Class20" : "Class2"); });

TEST_F(FaxE2eTest, AutoTakesTheHighestClassTheModemOffers) {
  const std::string doc = faxFile("doc.apf", {1}, false, kRows);
  int run = 0;
  for (const auto& [classes, select] : std::vector<std::pair<std::string, std::string>>{
           {"0,1,2,2.0", "AT+FCLASS=2.0"}, {"0,1,2", "AT+FCLASS=2"}, {"0,1", "AT+FCLASS=1"}}) {
    // A modem of its own each time (a port of its own).
    const std::string modemDir = receiveDir("modem" + std::to_string(++run));
    VirtualModemRun modem(modemDir, {"--classes", classes, "--receive-file", file("rx.tif")});
    ASSERT_TRUE(modem.started());
    auto tool = startSend(modem.port(), {"--class", "auto"}, {doc});
    EXPECT_EQ(finish(*tool), 0) << classes << "\n" << tool->tail();
    EXPECT_TRUE(contains(tool->err(), "-> " + select + "\n")) << classes << "\n" << tool->tail();
    oneCall(modem);
  }
}

}  // namespace
}  // namespace telvane::test
