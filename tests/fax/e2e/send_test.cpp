// Sending with telvane-fax to the virtual modem's receiving far end: one
// and several pages, both resolutions, every rate; the far end's TIFF is
// compared with the pages row for row below the head the engine adds.

#include <gtest/gtest.h>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

constexpr int kA4StandardRows = 1100;
constexpr int kA4FineRows = 2200;

class SendToFarEnd : public FaxE2eTest {
protected:
  // Starts the far end (receiving into rx.tif) with `options`, sends
  // `files` with `toolOptions`, and checks the call ended well on both
  // sides.
  CallFields sendAndCheck(const std::vector<std::string>& options, const std::vector<std::string>& toolOptions,
                          const std::vector<std::string>& files, int pages) {
    std::vector<std::string> all = {"--receive-file", file("rx.tif"), "--remote-id", "FAR END 1"};
    all.insert(all.end(), options.begin(), options.end());
    VirtualModemRun modem(dir(), all);
    EXPECT_TRUE(modem.started());
    auto tool = startSend(modem.port(), toolOptions, files);
    EXPECT_EQ(finish(*tool), 0) << tool->tail();
    EXPECT_TRUE(contains(tool->err(), "Sent " + std::to_string(pages) + " page(s) to FAR END 1")) << tool->tail();
    const CallFields call = oneCall(modem);
    EXPECT_EQ(call.count("result") ? call.at("result") : "", "OK") << tool->tail();
    EXPECT_EQ(call.count("pages") ? call.at("pages") : "", std::to_string(pages));
    return call;
  }

  // The pages that reached the far end are test pages `numbers` in order.
  void expectReceived(const std::vector<int>& numbers, bool fine, int rows) {
    bool fineReceived = !fine;
    const auto pages = readFaxPages(file("rx.tif"), &fineReceived);
    ASSERT_EQ(pages.size(), numbers.size());
    EXPECT_EQ(fineReceived, fine);
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_EQ(checkSentPage(pages[i], numbers[i], rows), "") << "received page " << i + 1;
    }
  }
};

TEST_F(SendToFarEnd, OneStandardPageArrivesWithTheHeaderAbove) {
  const std::string doc = faxFile("doc.apf", {1}, false, kA4StandardRows);
  const CallFields call = sendAndCheck({}, {"--station-id", "TELVANE E2E"}, {doc}, 1);
  EXPECT_EQ(call.at("resolution"), "standard");
  EXPECT_EQ(call.at("rate"), "14400");
  EXPECT_EQ(trimmedId(call), "TELVANE E2E");
  expectReceived({1}, false, kA4StandardRows);

  // The header line is drawn in the head: some of its rows are black.
  const auto pages = readFaxPages(file("rx.tif"));
  ASSERT_EQ(pages.size(), 1u);
  size_t head = 0;
  ASSERT_EQ(checkSentPage(pages[0], 1, kA4StandardRows, &head), "");
  int inked = 0;
  for (size_t y = kHeadBlankRows; y < head; ++y) {
    for (uint8_t b : pages[0][y]) inked += b != 0;
  }
  EXPECT_GT(inked, 0) << "no header line in the " << head << " rows above the page";
}

TEST_F(SendToFarEnd, OneFinePageArrivesRowForRow) {
  const std::string doc = faxFile("doc.apf", {1}, true, kA4FineRows);
  const CallFields call = sendAndCheck({}, {}, {doc}, 1);
  EXPECT_EQ(call.at("resolution"), "fine");
  expectReceived({1}, true, kA4FineRows);
}

TEST_F(SendToFarEnd, EmptyHeaderSendsOnlyTheBlankRows) {
  const std::string doc = faxFile("doc.apf", {2}, true, 600);
  sendAndCheck({}, {"--header", ""}, {doc}, 1);
  const auto pages = readFaxPages(file("rx.tif"));
  ASSERT_EQ(pages.size(), 1u);
  size_t head = 0;
  EXPECT_EQ(checkSentPage(pages[0], 2, 600, &head), "");
  EXPECT_EQ(head, kHeadBlankRows);
}

TEST_F(SendToFarEnd, ThreeStandardPagesArriveInOrderAt9600) {
  const std::string doc = faxFile("doc.apf", {1, 2, 3}, false, kA4StandardRows);
  const CallFields call = sendAndCheck({"--remote-max-rate", "9600"}, {}, {doc}, 3);
  EXPECT_EQ(call.at("rate"), "9600");
  EXPECT_EQ(call.at("resolution"), "standard");
  expectReceived({1, 2, 3}, false, kA4StandardRows);
}

TEST_F(SendToFarEnd, ThreeFinePagesArriveInOrderAt4800) {
  const std::string doc = faxFile("doc.apf", {1, 2, 3}, true, 600);
  const CallFields call = sendAndCheck({"--remote-max-rate", "4800"}, {}, {doc}, 3);
  EXPECT_EQ(call.at("rate"), "4800");
  EXPECT_EQ(call.at("resolution"), "fine");
  expectReceived({1, 2, 3}, true, 600);
}

// Several files on the command line are one fax: their pages in order.
TEST_F(SendToFarEnd, TwoFilesGoAsOneFaxOfTheirPages) {
  const std::string first = faxFile("first.apf", {1}, false, 600);
  const std::string second = faxFile("second.apf", {2, 3}, false, 600);
  sendAndCheck({}, {}, {first, second}, 3);
  expectReceived({1, 2, 3}, false, 600);
}

// One short page at each rate, chosen with --rate: the far end offers all
// of them, so the DCS carries the tool's choice.
class SendAtRate : public SendToFarEnd, public ::testing::WithParamInterface<int> {};

TEST_P(SendAtRate, PageArrivesAtTheChosenRate) {
  const int rate = GetParam();
  const std::string doc = faxFile("doc.apf", {1}, false, 400);
  const CallFields call = sendAndCheck({}, {"--rate", std::to_string(rate)}, {doc}, 1);
  EXPECT_EQ(call.at("rate"), std::to_string(rate));
  expectReceived({1}, false, 400);
}

INSTANTIATE_TEST_SUITE_P(AllRates, SendAtRate, ::testing::Values(2400, 4800, 7200, 9600, 12000, 14400),
                         [](const auto& param) { return std::to_string(param.param); });

}  // namespace
}  // namespace telvane::test
