// Parsing the --fault options and the other command-line options, and the
// choice of frames the bad-fcs fault spoils.

#include "tools/virtual-modem/fault_plan.h"

#include <gtest/gtest.h>

#include <ctime>

#include "tools/virtual-modem/caller_id.h"
#include "tools/virtual-modem/modem_options.h"

namespace telvane::vmodem {
namespace {

TEST(FaultPlan, ParsesEveryFault) {
  FaultPlan plan;
  std::string error;
  for (const char* fault : {"busy", "silent", "error-on=+FTH=3", "carrier-lost=2", "noise=1e-4", "max-rate=9600",
                           "hangup-after-dis", "rtn=3", "seed=9", "silent-after=+FTM=", "bad-fcs=2,dis",
                           "bad-fcs=MCF"}) {
    EXPECT_EQ(addFault(fault, plan, error), 0) << fault << ": " << error;
  }
  EXPECT_EQ(plan.dial, DialOutcome::Busy);
  EXPECT_TRUE(plan.silent);
  EXPECT_EQ(plan.errorOn, std::vector<std::string>{"+FTH=3"});
  EXPECT_EQ(plan.carrierLostPage, 2);
  EXPECT_DOUBLE_EQ(plan.noiseBitErrorRate, 1e-4);
  EXPECT_EQ(plan.maxTrainingRate, 9600);
  EXPECT_TRUE(plan.hangupAfterDis);
  EXPECT_EQ(plan.rtnPage, 3);
  EXPECT_EQ(plan.seed, 9u);
  EXPECT_EQ(plan.silentAfter, std::vector<std::string>{"+FTM="});
  ASSERT_EQ(plan.badFcs.size(), 3u);  // repeated bad-fcs faults add up
  EXPECT_EQ(plan.badFcs[0].position, 2);
  EXPECT_EQ(plan.badFcs[1].position, 0);
  EXPECT_STREQ(plan.badFcs[1].kind.name, "DIS");
  EXPECT_STREQ(plan.badFcs[2].kind.name, "MCF");
  EXPECT_EQ(addFault("no-answer", plan, error), 0);
  EXPECT_EQ(plan.dial, DialOutcome::NoAnswer);
  EXPECT_EQ(addFault("no-dial-tone", plan, error), 0);
  EXPECT_EQ(plan.dial, DialOutcome::NoDialTone);
}

TEST(FaultPlan, RejectsMalformedFaultsWithAMessage) {
  FaultPlan plan;
  for (const char* fault : {"", "fire", "busy=1", "rtn", "rtn=0", "rtn=x", "noise=0", "noise=2", "noise=abc",
                           "error-on=", "carrier-lost=-1", "max-rate=12k", "silent-after", "silent-after=", "bad-fcs",
                           "bad-fcs=", "bad-fcs=0", "bad-fcs=-1", "bad-fcs=2x", "bad-fcs=2,", "bad-fcs=,2",
                           "bad-fcs=2,,3", "bad-fcs=XYZ", "bad-fcs=DIS DCS"}) {
    std::string error;
    EXPECT_EQ(addFault(fault, plan, error), -1) << fault;
    EXPECT_FALSE(error.empty()) << fault;
  }
}

TEST(ModemOptions, NeedThePortAndWhatTheFarEndNeeds) {
  ModemOptions options;
  std::string message;
  const char* none[] = {"vm"};
  EXPECT_EQ(parseModemOptions(1, none, options, message), -1);
  const char* sender[] = {"vm", "--port", "/tmp/x", "--far-end", "sender"};
  EXPECT_EQ(parseModemOptions(5, sender, options, message), -1);
  EXPECT_NE(message.find("--send-file"), std::string::npos);
  const char* full[] = {"vm", "--port", "/tmp/x", "--speed", "8", "--fault", "rtn=2", "--classes", "0,1,2"};
  ModemOptions parsed;
  EXPECT_EQ(parseModemOptions(9, full, parsed, message), 0) << message;
  EXPECT_DOUBLE_EQ(parsed.speed, 8);
  EXPECT_EQ(parsed.faults.rtnPage, 2);
  EXPECT_EQ(parsed.identity.classes, "0,1,2");
  const char* badSpeed[] = {"vm", "--port", "/tmp/x", "--speed", "0"};
  EXPECT_EQ(parseModemOptions(5, badSpeed, parsed, message), -1);
}

// Frames as they reach the DTE: address, control, FCF, and nothing more
// needed here.
std::vector<uint8_t> frame(uint8_t fcf) { return {0xFF, 0x13, fcf}; }

TEST(FcsSpoiler, SpoilsFramesByPositionAndTheFirstOfEachKind) {
  FaultPlan plan;
  std::string error;
  ASSERT_EQ(addFault("bad-fcs=DIS,5", plan, error), 0);
  ASSERT_EQ(addFault("bad-fcs=MCF", plan, error), 0);
  FcsSpoiler spoiler(plan.badFcs);
  spoiler.newCall();
  struct Row {
    uint8_t fcf;
    bool spoiled;
    const char* why;
  } const call[] = {
      {0x40, false, "CSI"},
      {0x81, false, "DTC differs from DIS in the bit that is the X bit elsewhere"},
      {0x80, true, "the first DIS"},
      {0x40, false, "CSI"},
      {0x80, true, "frame 5"},
      {0x80, false, "a second DIS"},
      {0x8D, true, "the first MCF, X bit set"},
      {0x8C, false, "a second MCF"},
  };
  for (const Row& row : call) EXPECT_EQ(spoiler.spoils(frame(row.fcf)), row.spoiled) << row.why;
  // Each call counts afresh, and each kind has its first frame again.
  spoiler.newCall();
  EXPECT_FALSE(spoiler.spoils(frame(0x40)));
  EXPECT_TRUE(spoiler.spoils(frame(0x80)));
  const uint8_t runt[] = {0xFF};
  EXPECT_FALSE(spoiler.spoils(runt)) << "too short to have a kind, but counted";
  EXPECT_EQ(spoiler.framesSeen(), 3);
}

TEST(FcsSpoiler, KnowsTheFramesOfT30ByName) {
  EXPECT_EQ(frameKindNamed("dcs")->fcf, 0x82);
  EXPECT_TRUE(frameKindNamed("DCS")->matches(0x83));
  EXPECT_TRUE(frameKindNamed("PRI-EOP")->matches(0x3F));
  EXPECT_FALSE(frameKindNamed("DIS")->matches(0x81));
  EXPECT_FALSE(frameKindNamed("CSI")->matches(0x41)) << "CIG";
  EXPECT_FALSE(frameKindNamed("TCF").has_value()) << "TCF is no frame";
  EXPECT_FALSE(frameKindNamed("").has_value());
}

TEST(ModemOptions, TakeSeveralDocumentsAnNsfAndCallerId) {
  const char* argv[] = {"vm", "--port", "/tmp/x", "--far-end", "sender", "--send-file", "a.tif", "--send-file", "b.tif",
                        "--remote-nsf", "B5 00:04ff", "--caller-id", "5551234,ACME, LTD"};
  ModemOptions options;
  std::string message;
  ASSERT_EQ(parseModemOptions(static_cast<int>(std::size(argv)), argv, options, message), 0) << message;
  EXPECT_EQ(options.sendFiles, (std::vector<std::string>{"a.tif", "b.tif"}));
  EXPECT_EQ(options.remoteNsf, (std::vector<uint8_t>{0xB5, 0x00, 0x04, 0xFF}));
  ASSERT_TRUE(options.callerId.has_value());
  EXPECT_EQ(options.callerId->number, "5551234");
  EXPECT_EQ(options.callerId->name, "ACME, LTD");

  ModemOptions defaults;
  const char* plain[] = {"vm", "--port", "/tmp/x"};
  ASSERT_EQ(parseModemOptions(3, plain, defaults, message), 0);
  EXPECT_TRUE(defaults.remoteNsf.empty());
  EXPECT_FALSE(defaults.callerId.has_value());
}

TEST(ModemOptions, RejectBadNsfAndCallerIdWithAMessage) {
  const std::string longest(2 * kMaxNsfBytes, 'A');
  const std::string tooLong(2 * kMaxNsfBytes + 2, 'A');
  const std::string controlInName = std::string("5551234,AC") + '\n' + "ME";
  const std::string longNumber(CallerId::kMaxNumber + 1, '5');
  struct Row {
    const char* option;
    std::string value;
    bool ok;
  } const rows[] = {
      {"--remote-nsf", "B50004", true},  {"--remote-nsf", longest, true},  {"--remote-nsf", tooLong, false},
      {"--remote-nsf", "", false},       {"--remote-nsf", "B50", false},   {"--remote-nsf", "B 500", false},
      {"--remote-nsf", "XY", false},     {"--remote-nsf", " : ", false},   {"--caller-id", "P", true},
      {"--caller-id", "5551234,", true}, {"--caller-id", "", false},       {"--caller-id", ",ACME", false},
      {"--caller-id", controlInName, false}, {"--caller-id", longNumber, false},
  };
  for (const Row& row : rows) {
    const char* argv[] = {"vm", "--port", "/tmp/x", row.option, row.value.c_str()};
    ModemOptions options;
    std::string message;
    EXPECT_EQ(parseModemOptions(5, argv, options, message), row.ok ? 0 : -1) << row.option << " " << row.value;
    EXPECT_EQ(message.empty(), row.ok) << row.option << " " << row.value;
  }
}

TEST(CallerIdReport, HasTheFieldsRealModemsSend) {
  std::tm when{};
  when.tm_mon = 11;  // December
  when.tm_mday = 9;
  when.tm_hour = 5;
  when.tm_min = 30;
  EXPECT_EQ(callerIdReport({"5551234", "ACME LTD"}, when),
            "DATE = 1209\r\nTIME = 0530\r\nNMBR = 5551234\r\nNAME = ACME LTD");
  when.tm_mon = 0;
  when.tm_mday = 31;
  when.tm_hour = 23;
  when.tm_min = 5;
  EXPECT_EQ(callerIdReport({"P", ""}, when), "DATE = 0131\r\nTIME = 2305\r\nNMBR = P") << "no name, no NAME line";
}

}  // namespace
}  // namespace telvane::vmodem
