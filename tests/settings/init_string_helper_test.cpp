#include <gtest/gtest.h>

#include "settings/init_string_helper.h"

namespace telvane {
namespace {

TEST(InitStringHelper, ChoiceReadFromTheCommand) {
  const InitStringChoice usr = ChoiceFromCommand("AT&H3&I2&R2S7=95S36=8");
  EXPECT_EQ(usr.modemType, 3);
  EXPECT_TRUE(usr.longWait);  // 95 is above the 90 of a US Robotics modem
  const InitStringChoice plain = ChoiceFromCommand("ATS7=60");
  EXPECT_EQ(plain.modemType, 0);
  EXPECT_FALSE(plain.longWait);
  EXPECT_TRUE(ChoiceFromCommand("ats7=66").longWait);              // letters in either case
  EXPECT_TRUE(ChoiceFromCommand("AT&h3S7=80").longWait);  // "&H3" counts only as written: 80 > 65
  EXPECT_FALSE(ChoiceFromCommand("ATS7=").longWait);                // unreadable
  EXPECT_FALSE(ChoiceFromCommand("").longWait);
  EXPECT_TRUE(ChoiceFromCommand("ATS7=1200").longWait);             // six characters: S7=120
}

TEST(InitStringHelper, ModemTypeFirstMatchWins) {
  EXPECT_EQ(ChoiceFromCommand("AT&R2S36=0S33=34").modemType, 2);
  EXPECT_EQ(ChoiceFromCommand("AT&R2S36=8S33=34").modemType, 4);
  EXPECT_EQ(ChoiceFromCommand("AT&F\\Q3").modemType, 5);
  EXPECT_EQ(ChoiceFromCommand("at&r2").modemType, 1);
}

TEST(InitStringHelper, CommandBuiltForEachType) {
  EXPECT_EQ(InitStringForChoice({0, false}, true), "AT&F&C1&D2&K3S7=65");
  EXPECT_EQ(InitStringForChoice({1, false}, true), "AT&H3&I2&R2S7=90");
  EXPECT_EQ(InitStringForChoice({2, false}, true), "AT&H3&I2&R2S7=90S36=0");
  EXPECT_EQ(InitStringForChoice({3, true}, true), "AT&H3&I2&R2S7=120S36=8");
  EXPECT_EQ(InitStringForChoice({4, false}, true), "AT&H3&I2&R2S7=90S36=8S33=34");
  EXPECT_EQ(InitStringForChoice({5, false}, true), "AT&F&C1&D2\\Q3S7=90");
  // Receiving always waits 65 s: the wait is for dialling.
  EXPECT_EQ(InitStringForChoice({3, true}, false), "AT&H3&I2&R2S7=65S36=8");
  EXPECT_EQ(InitStringForChoice({0, true}, true), "AT&F&C1&D2&K3S7=120");
}

}  // namespace
}  // namespace telvane
