#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

#include "fax/fax_codes.h"
#include "settings/fax_class_check.h"
#include "settings/modem_search.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/settings/scripted_pty.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::ScriptedPty;
using Behaviour = ScriptedPty::Behaviour;
using namespace std::chrono_literals;

// Short waits: every device here answers at once or never.
constexpr ProbeTimes kQuick{50, 600};

std::vector<PortProbeResult> Search(const std::vector<std::string>& comPaths, const std::vector<std::string>& extra,
                                    std::vector<size_t>* order = nullptr) {
  ModemSearch search(ModemSearchTargets(comPaths, extra), "", kQuick);
  std::mutex lock;
  search.start(
      [&](size_t index, const PortProbeResult&) {
        std::lock_guard guard(lock);
        if (order) order->push_back(index);
      },
      nullptr);
  EXPECT_TRUE(search.waitFinished(20s));
  return search.results();
}

TEST(ModemSearch, FindsTheModemAmongDevicesThatAreNot) {
  test::TempDir dir;
  test::VirtualModemRun modem(dir.path(), {});
  ASSERT_TRUE(modem.started());
  ScriptedPty silent(Behaviour::Silent), error(Behaviour::AnswerError), garbage(Behaviour::EchoGarbage),
      vanishing(Behaviour::CloseOnInput);
  const std::vector<std::string> com = {silent.path(), error.path(), dir.file("no-such-device"), modem.port(),
                                        garbage.path(), vanishing.path()};
  std::vector<size_t> order;
  const auto started = std::chrono::steady_clock::now();
  const std::vector<PortProbeResult> results = Search(com, {}, &order);
  const auto elapsed = std::chrono::steady_clock::now() - started;

  ASSERT_EQ(results.size(), 6u);
  EXPECT_EQ(PortResultText(results[0]), "Unknown");
  EXPECT_EQ(PortResultText(results[1]), "Unknown (answers ERROR: not a modem)");
  EXPECT_EQ(PortResultText(results[2]), "Port does not exist");
  EXPECT_EQ(PortResultText(results[3]), "MODEM");
  EXPECT_EQ(PortResultText(results[4]), "Unknown (answers garbage: not a modem)");
  EXPECT_EQ(PortResultText(results[5]), "Unknown (the device went away during the test)");
  EXPECT_EQ(order.size(), 6u);  // each reported once
  // Probed side by side: the search costs one silent port's wait, not six.
  EXPECT_LT(elapsed, 3s);

  const auto suggestion = SuggestComPort(ModemSearchTargets(com, {}), results);
  ASSERT_TRUE(suggestion);
  EXPECT_EQ(suggestion->comNumber, 4);
  EXPECT_TRUE(suggestion->mapDevicePath.empty());
}

TEST(ModemSearch, AModemBeyondComSixIsMappedToAFreeComNumber) {
  test::TempDir dir;
  ScriptedPty modem(Behaviour::AnswerOk), silent(Behaviour::Silent);
  const std::vector<std::string> com = {silent.path(), dir.file("ttyS1"), dir.file("ttyS2"),
                                        dir.file("ttyS3"), dir.file("ttyS4"), dir.file("ttyS5")};
  const std::vector<ProbeTarget> targets = ModemSearchTargets(com, {modem.path()});
  ASSERT_EQ(targets.size(), 7u);
  EXPECT_EQ(targets[6].label, modem.path());
  const std::vector<PortProbeResult> results = Search(com, {modem.path()});
  EXPECT_EQ(results[6].outcome, PortOutcome::Modem);
  const auto suggestion = SuggestComPort(targets, results);
  ASSERT_TRUE(suggestion);
  EXPECT_EQ(suggestion->comNumber, 2);  // the first COM with no device; COM1 is a real port
  EXPECT_EQ(suggestion->mapDevicePath, modem.path());
}

TEST(ModemSearch, NoSuggestionWithoutAModem) {
  ScriptedPty silent(Behaviour::Silent);
  const std::vector<std::string> com = {silent.path()};
  const std::vector<PortProbeResult> results = Search(com, {});
  EXPECT_FALSE(SuggestComPort(ModemSearchTargets(com, {}), results));
}

TEST(ModemSearch, SilentPortIsBoundedAndTheResetStringIsTried) {
  ScriptedPty silent(Behaviour::Silent);
  const auto started = std::chrono::steady_clock::now();
  const PortProbeResult result = ProbePort(silent.path(), "ATZ", kQuick);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(result.answer, ModemAnswer::Silent);
  EXPECT_LT(elapsed, 2s);  // settle + two waits of 0.6 s
}

TEST(ModemSearch, CancelEndsTheSearchAtOnce) {
  ScriptedPty a(Behaviour::Silent), b(Behaviour::Silent);
  ModemSearch search(ModemSearchTargets({a.path(), b.path()}, {}), "", ProbeTimes{50, 60000});
  search.start(nullptr, nullptr);
  search.cancel();
  EXPECT_TRUE(search.waitFinished(5s));
}

class FaxClassCheckOnVirtualModem : public testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(FaxClassCheckOnVirtualModem, ReportsTheClassesTheModemOffers) {
  test::TempDir dir;
  test::VirtualModemRun modem(dir.path(), {"--classes", GetParam().first});
  ASSERT_TRUE(modem.started());
  FaxClassCheck check(modem.port(), 3, "");
  std::string error;
  ASSERT_TRUE(check.open(error)) << error;
  EXPECT_TRUE(check.modemAnswers());
  EXPECT_TRUE(check.factoryReset());
  EXPECT_EQ(check.queryClasses(), GetParam().second);
  check.close();
}

INSTANTIATE_TEST_SUITE_P(Answers, FaxClassCheckOnVirtualModem,
                         testing::Values(std::pair{"1", kFaxClassBit1},
                                         std::pair{"1,2", kFaxClassBit1 | kFaxClassBit2},
                                         std::pair{"2,2.0", kFaxClassBit2 | kFaxClassBit2_0},
                                         std::pair{"0,1,2,2.0", kFaxClassBit1 | kFaxClassBit2 | kFaxClassBit2_0}));

TEST(FaxClassCheck, DevicesThatAreNotModems) {
  ScriptedPty error(Behaviour::AnswerError);
  FaxClassCheck check(error.path(), 2, "");
  std::string text;
  ASSERT_TRUE(check.open(text));
  EXPECT_FALSE(check.modemAnswers());
  EXPECT_FALSE(check.factoryReset());

  test::TempDir dir;
  FaxClassCheck missing(dir.file("ttyS9"), 7, "");
  EXPECT_FALSE(missing.open(text));
  EXPECT_NE(text.find("( Com 7 )"), std::string::npos) << text;
}

}  // namespace
}  // namespace telvane
