// Telvane and efax, an independent Class 1 program, faxing each other
// through two virtual modems: each side's pages must decode on the other
// as they were sent.

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

// efax divides by the whole seconds a page took to send and dies of SIGFPE
// when that is 0: its pages are full A4 pages, which take longer.
constexpr int kEfaxRows = 2200;
// efax puts its own header of this many rows above each page it sends; its
// lowest rows reach into the page's first rows. Below the page come some
// rows more than the page has (efax's own log counts them: "20+2225 lines").
constexpr size_t kEfaxHeaderRows = 20;
constexpr size_t kEfaxHeaderOverlap = 3;

class EfaxPeer : public FaxE2eTest {
protected:
  void SetUp() override {
    if (::access("/usr/bin/efax", X_OK) != 0) GTEST_SKIP() << "efax is not installed";
  }
};

TEST_F(EfaxPeer, TelvaneSendsTwoPagesToEfax) {
  const std::string doc = faxFile("doc.apf", {1, 2}, true, 1100);
  VirtualModemRun modem(dir(), {"--far-end", "modem", "--second-port", file("modem-b")});
  ASSERT_TRUE(modem.started());
  const std::vector<std::string> efaxArgs = {"/usr/bin/efax", "-d", modem.secondPort(), "-v", "ewinchr", "-o1",
                                             "-iS0=1", "-w", "-l", "+1 555 0222", "-r", file("recv")};
  ChildProcess efax(efaxArgs, file("efax.log"), file("efax.err"));
  std::this_thread::sleep_for(1s);  // efax sets its modem up first
  auto tool = startSend(modem.port(), {"--station-id", "TELVANE A"}, {doc});
  EXPECT_EQ(finish(*tool), 0) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "Sent 2 page(s) to +1 555 0222")) << tool->tail();
  const auto efaxExit = efax.waitFor(30s);
  const std::string efaxLog = readTextFile(file("efax.err"));
  ASSERT_TRUE(efaxExit.has_value()) << efaxLog;
  EXPECT_EQ(*efaxExit, 0) << efaxLog;
  EXPECT_TRUE(contains(efaxLog, "TELVANE A")) << "efax should see the TSI\n" << efaxLog;

  for (int n = 1; n <= 2; ++n) {
    const std::string name = "recv.00" + std::to_string(n);
    bool fine = false;
    const auto pages = readFaxPages(file(name), &fine);
    ASSERT_EQ(pages.size(), 1u) << name << "\n" << efaxLog;
    EXPECT_TRUE(fine) << name;
    EXPECT_EQ(checkSentPage(pages[0], n, 1100), "") << name;
  }
}

TEST_F(EfaxPeer, TelvaneReceivesTwoPagesFromEfax) {
  ASSERT_TRUE(writeTestFax(file("page1.tif"), 1, true, kEfaxRows, 1));
  ASSERT_TRUE(writeTestFax(file("page2.tif"), 1, true, kEfaxRows, 2));
  VirtualModemRun modem(dir(), {"--far-end", "modem", "--second-port", file("modem-b")});
  ASSERT_TRUE(modem.started());
  const std::string into = receiveDir();
  auto tool = startReceive(modem.secondPort(), into, {"--station-id", "TELVANE B"});
  ASSERT_TRUE(tool->waitForError("Waiting for incoming call", 20s)) << tool->tail();
  const EfaxResult efax = sendWithEfax(dir(), modem, "-o1", {file("page1.tif"), file("page2.tif")});
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  EXPECT_TRUE(contains(efax.log, "TELVANE B")) << "efax should see the CSI\n" << efax.tail();
  EXPECT_EQ(finish(*tool, 20s), 0) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "Remote ID: +1 555 0199")) << tool->tail();

  ASSERT_EQ(listFiles(into), std::vector<std::string>{"FAX0001.APF"});
  const FaxFilePages fax = readFaxFile(into + "FAX0001.APF");
  ASSERT_EQ(fax.status, 0);
  EXPECT_EQ(fax.stationId, "+1 555 0199");
  ASSERT_EQ(fax.pages.size(), 2u);
  for (int n = 1; n <= 2; ++n) {
    const PageRows& page = fax.pages[static_cast<size_t>(n - 1)];
    EXPECT_TRUE(fax.fine[static_cast<size_t>(n - 1)]);
    EXPECT_GE(page.size(), kEfaxRows + kEfaxHeaderRows) << "page " << n;
    EXPECT_EQ(differingRows(page, testPageImage(n, kEfaxRows), kEfaxHeaderRows, kEfaxHeaderOverlap), 0) << "page " << n;
  }
}

}  // namespace
}  // namespace telvane::test
