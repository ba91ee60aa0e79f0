// Parsing the --fault options.

#include "tools/virtual-modem/fault_plan.h"

#include <gtest/gtest.h>

#include "tools/virtual-modem/modem_options.h"

namespace telvane::vmodem {
namespace {

TEST(FaultPlan, ParsesEveryFault) {
  FaultPlan plan;
  std::string error;
  for (const char* fault : {"busy", "silent", "error-on=+FTH=3", "carrier-lost=2", "noise=1e-4", "max-rate=9600",
                           "hangup-after-dis", "rtn=3", "seed=9"}) {
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
  EXPECT_EQ(addFault("no-answer", plan, error), 0);
  EXPECT_EQ(plan.dial, DialOutcome::NoAnswer);
  EXPECT_EQ(addFault("no-dial-tone", plan, error), 0);
  EXPECT_EQ(plan.dial, DialOutcome::NoDialTone);
}

TEST(FaultPlan, RejectsMalformedFaultsWithAMessage) {
  FaultPlan plan;
  for (const char* fault : {"", "fire", "busy=1", "rtn", "rtn=0", "rtn=x", "noise=0", "noise=2", "noise=abc",
                           "error-on=", "carrier-lost=-1", "max-rate=12k"}) {
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

}  // namespace
}  // namespace telvane::vmodem
