// Two telvane-fax programs faxing each other through two virtual modems on
// one line: Telvane's sender against Telvane's receiver, with no spandsp
// terminal in between.

#include <gtest/gtest.h>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

class TwoTelvanes : public FaxE2eTest {
protected:
  // The receiver on the second port (set up first), then the sender on
  // the first; both tools are left in receiver_ and sender_.
  void call(VirtualModemRun& modem, const std::string& doc, std::vector<std::string> receiveOptions,
            std::vector<std::string> sendOptions) {
    into_ = receiveDir();
    receiveOptions.insert(receiveOptions.end(), {"--station-id", "TELVANE B"});
    receiver_ = startReceive(modem.secondPort(), into_, receiveOptions);
    ASSERT_TRUE(receiver_->waitForError("Waiting for incoming call", 20s)) << receiver_->tail();
    sendOptions.insert(sendOptions.end(), {"--station-id", "TELVANE A"});
    sender_ = startSend(modem.port(), sendOptions, {doc});
    senderExit_ = finish(*sender_);
    receiverExit_ = finish(*receiver_, 20s);
  }

  std::string into_;
  std::unique_ptr<FaxTool> receiver_;
  std::unique_ptr<FaxTool> sender_;
  int senderExit_ = -1;
  int receiverExit_ = -1;
};

TEST_F(TwoTelvanes, ThreeFinePagesArriveRowForRow) {
  const std::string doc = faxFile("doc.apf", {1, 2, 3}, true, 800);
  VirtualModemRun modem(dir(), {"--far-end", "modem", "--second-port", file("modem-b")});
  ASSERT_TRUE(modem.started());
  ASSERT_NO_FATAL_FAILURE(call(modem, doc, {}, {}));
  EXPECT_EQ(senderExit_, 0) << sender_->tail();
  EXPECT_EQ(receiverExit_, 0) << receiver_->tail();
  EXPECT_TRUE(contains(sender_->err(), "Sent 3 page(s) to TELVANE B")) << sender_->tail();
  EXPECT_TRUE(contains(receiver_->err(), "Remote ID: TELVANE A")) << receiver_->tail();
  EXPECT_TRUE(contains(receiver_->err(), "Call 1: 3 page(s)\n")) << receiver_->tail();

  ASSERT_EQ(listFiles(into_), std::vector<std::string>{"FAX0001.APF"});
  const FaxFilePages fax = readFaxFile(into_ + "FAX0001.APF");
  ASSERT_EQ(fax.status, 0);
  EXPECT_EQ(fax.stationId, "TELVANE A");
  ASSERT_EQ(fax.pages.size(), 3u);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_TRUE(fax.fine[static_cast<size_t>(n - 1)]);
    EXPECT_EQ(checkSentPage(fax.pages[static_cast<size_t>(n - 1)], n, 800), "");
  }
}

// The receiver offers no more than 9600 (its --rate limits its DIS): the
// sender, free to go to 14400, settles on 9600.
TEST_F(TwoTelvanes, ReceiversRateLimitIsHonoured) {
  const std::string doc = faxFile("doc.apf", {2}, false, 800);
  VirtualModemRun modem(dir(), {"--far-end", "modem", "--second-port", file("modem-b")});
  ASSERT_TRUE(modem.started());
  ASSERT_NO_FATAL_FAILURE(call(modem, doc, {"--rate", "9600"}, {}));
  EXPECT_EQ(senderExit_, 0) << sender_->tail();
  EXPECT_EQ(receiverExit_, 0) << receiver_->tail();
  EXPECT_TRUE(contains(sender_->err(), "Connect BPS: 9600")) << sender_->tail();
  EXPECT_FALSE(contains(sender_->err(), "Connect BPS: 14400")) << sender_->tail();
  EXPECT_TRUE(contains(receiver_->err(), "Connect BPS: 9600")) << receiver_->tail();
  const FaxFilePages fax = readFaxFile(into_ + "FAX0001.APF");
  ASSERT_EQ(fax.pages.size(), 1u);
  EXPECT_EQ(checkSentPage(fax.pages[0], 2, 800), "");
}

}  // namespace
}  // namespace telvane::test
