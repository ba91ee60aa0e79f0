// Receiving with telvane-fax from the virtual modem's sending far end: the
// pages land in FAX0001.APF, FAX0002.APF, ... of the receive directory and
// decode to the rows that were sent.

#include <gtest/gtest.h>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

class ReceiveFromFarEnd : public FaxE2eTest {
protected:
  // A far end that calls and sends `tiffs` (one document each), and the
  // tool answering it into `into`.
  CallFields receive(const std::vector<std::string>& tiffs, const std::string& into,
                     std::vector<std::string> toolOptions = {}) {
    std::vector<std::string> options = {"--far-end", "sender", "--remote-id", "FAR SENDER", "--ring-interval", "2"};
    for (const std::string& tiff : tiffs) options.insert(options.end(), {"--send-file", tiff});
    VirtualModemRun modem(dir(), options);
    EXPECT_TRUE(modem.started());
    tool_ = startReceive(modem.port(), into, toolOptions);
    exitCode_ = finish(*tool_);
    return oneCall(modem);
  }

  // The fax file at `path` holds test pages `numbers`, row for row.
  void expectFax(const std::string& path, const std::vector<int>& numbers, bool fine, int rows) {
    const FaxFilePages fax = readFaxFile(path);
    ASSERT_EQ(fax.status, 0) << path;
    EXPECT_EQ(fax.stationId, "FAR SENDER");
    ASSERT_EQ(fax.pages.size(), numbers.size()) << path;
    EXPECT_EQ(fax.headerPageCount, static_cast<int>(numbers.size()));
    for (size_t i = 0; i < numbers.size(); ++i) {
      EXPECT_EQ(fax.fine[i], fine) << "page " << i + 1;
      EXPECT_EQ(checkPage(fax.pages[i], numbers[i], rows), "") << path << " page " << i + 1;
    }
  }

  std::unique_ptr<FaxTool> tool_;
  int exitCode_ = -1;
};

struct ReceiveCase {
  const char* name;
  int pages;
  bool fine;
  int rows;
};

void PrintTo(const ReceiveCase& c, std::ostream* out) { *out << c.name; }

class ReceivePages : public ReceiveFromFarEnd, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceivePages, ArriveInFax0001RowForRow) {
  const ReceiveCase c = GetParam();
  ASSERT_TRUE(writeTestFax(file("send.tif"), c.pages, c.fine, c.rows));
  const std::string into = receiveDir();
  const CallFields call = receive({file("send.tif")}, into, {"--station-id", "TELVANE RX"});
  EXPECT_EQ(exitCode_, 0) << tool_->tail();
  EXPECT_EQ(call.at("result"), "OK") << tool_->tail();
  EXPECT_EQ(call.at("pages"), std::to_string(c.pages));
  EXPECT_EQ(trimmedId(call), "TELVANE RX");
  EXPECT_TRUE(contains(tool_->err(), "Remote ID: FAR SENDER")) << tool_->tail();
  EXPECT_TRUE(contains(tool_->err(), "Received " + into + "FAX0001.APF")) << tool_->tail();
  EXPECT_TRUE(contains(tool_->err(), "Call 1: " + std::to_string(c.pages) + " page(s)\n")) << tool_->tail();
  EXPECT_EQ(listFiles(into), std::vector<std::string>{"FAX0001.APF"});
  std::vector<int> numbers;
  for (int n = 1; n <= c.pages; ++n) numbers.push_back(n);
  expectFax(into + "FAX0001.APF", numbers, c.fine, c.rows);
}

INSTANTIATE_TEST_SUITE_P(BothResolutions, ReceivePages,
                         ::testing::Values(ReceiveCase{"OneStandard", 1, false, 1100},
                                           ReceiveCase{"OneFine", 1, true, 2200},
                                           ReceiveCase{"ThreeStandard", 3, false, 1100},
                                           ReceiveCase{"ThreeFine", 3, true, 800}),
                         [](const auto& param) { return std::string(param.param.name); });

// A fax already in the directory is never overwritten: the next one gets
// the next free name.
TEST_F(ReceiveFromFarEnd, ExistingFaxIsKeptAndTheNewOneTakesTheNextName) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 1, false, 600));
  const std::string into = receiveDir();
  dir_.write("received/FAX0001.APF", "an earlier fax");
  receive({file("send.tif")}, into);
  EXPECT_EQ(exitCode_, 0) << tool_->tail();
  EXPECT_EQ(dir_.read("received/FAX0001.APF"), "an earlier fax");
  EXPECT_EQ(listFiles(into), (std::vector<std::string>{"FAX0001.APF", "FAX0002.APF"}));
  expectFax(into + "FAX0002.APF", {1}, false, 600);
}

// Two documents in one call (EOM between them): each is a fax file of its
// own, with its own resolution.
TEST_F(ReceiveFromFarEnd, TwoDocumentsWithEomBecomeTwoFiles) {
  ASSERT_TRUE(writeTestFax(file("a.tif"), 2, false, 800, 1));
  ASSERT_TRUE(writeTestFax(file("b.tif"), 2, true, 800, 3));
  const std::string into = receiveDir();
  const CallFields call = receive({file("a.tif"), file("b.tif")}, into);
  EXPECT_EQ(exitCode_, 0) << tool_->tail();
  EXPECT_EQ(call.at("result"), "OK") << tool_->tail();
  EXPECT_EQ(call.at("pages"), "4");
  EXPECT_TRUE(contains(tool_->err(), "Received " + into + "FAX0001.APF")) << tool_->tail();
  EXPECT_TRUE(contains(tool_->err(), "Received " + into + "FAX0002.APF")) << tool_->tail();
  EXPECT_EQ(listFiles(into), (std::vector<std::string>{"FAX0001.APF", "FAX0002.APF"}));
  expectFax(into + "FAX0001.APF", {1, 2}, false, 800);
  expectFax(into + "FAX0002.APF", {3, 4}, true, 800);
  // The call's summary counts the pages of both documents.
  EXPECT_TRUE(contains(tool_->err(), "Call 1: 4 page(s)\n")) << tool_->tail(6);
}

}  // namespace
}  // namespace telvane::test
