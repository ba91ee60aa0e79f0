// Which command lines the fixture answers itself, and how.

#include "tools/virtual-modem/command_overrides.h"

#include <gtest/gtest.h>

namespace telvane::vmodem {
namespace {

TEST(CommandOverrides, NormalisesCaseAndBlanksOutsideQuotes) {
  EXPECT_EQ(normalizeCommandLine("at +fclass = ?"), "AT+FCLASS=?");
  EXPECT_EQ(normalizeCommandLine("at+fli=\"Ab 12\""), "AT+FLI=\"Ab 12\"");
}

TEST(CommandOverrides, StripsLineOptionsSpandspDoesNotKnow) {
  EXPECT_EQ(withoutLineOptions("AT&F&C1&D2&K3"), "AT&F&C1&D2");
  EXPECT_EQ(withoutLineOptions("AT&F&C1&D2\\Q3"), "AT&F&C1&D2");
  EXPECT_EQ(withoutLineOptions("AT&H3&I2&R2"), "AT");
  EXPECT_EQ(withoutLineOptions("ATE0Q0V1X4S0=0S2=43"), "ATE0Q0V1X4S0=0S2=43");
}

TEST(CommandOverrides, FindsACommandOnlyWhereACommandStarts) {
  struct Row {
    const char* line;  // normalised
    const char* command;
    bool found;
  } const rows[] = {
      {"ATDT5551234", "D", true},
      {"AT&F&C1&D2", "D", false},            // the D of &D2
      {"ATX4S7=60D555", "D", true},
      {"ATS0?D", "D", true},
      {"ATE0+FTM=96", "+FTM=", true},
      {"AT+FCLASS=1;+FTM=96", "+FTM=", true},
      {"AT+FLI=\"A;+FTM=\"", "+FTM=", false},  // inside a quoted string
      {"AT+FTH=3", "+FTM=", false},
      {"AT+FTH=3", "+fth=", true},             // the fault's text is normalised too
      {"AT+FTH=3", "AT+FTH", true},
      {"ATA", "A", true},
      {"ATH", "A", false},
      {"ATZ", "", false},
      {"ATE0V1", "E0V1", true},               // several commands in one
  };
  for (const Row& row : rows) {
    EXPECT_EQ(lineHasCommand(row.line, row.command), row.found) << row.line << " / " << row.command;
  }
}

TEST(CommandOverrides, AnswersIdentificationQueriesFromTheIdentity) {
  ModemIdentity identity{"0,1,2", "Maker", "Model", "Rev"};
  struct Row {
    const char* line;
    const char* answer;
  } rows[] = {{"AT+FCLASS=?", "0,1,2"}, {"AT+FMFR?", "Maker"}, {"AT+FMDL?", "Model"}, {"AT+FREV?", "Rev"},
              {"AT+FMI?", "Maker"},     {"AT+FMM?", "Model"},  {"AT+FMR?", "Rev"},    {"ATI3", "Maker"}};
  for (const Row& row : rows) {
    const auto answer = answerCommand(row.line, identity, {});
    ASSERT_TRUE(answer) << row.line;
    EXPECT_FALSE(answer->error);
    EXPECT_EQ(answer->lines, std::vector<std::string>{row.answer}) << row.line;
  }
  EXPECT_FALSE(answerCommand("AT+FCLASS=1", identity, {}));
  EXPECT_FALSE(answerCommand("ATE0", identity, {}));
}

TEST(CommandOverrides, ErrorFaultMatchesTheCommandAnywhereInTheLine) {
  const std::vector<std::string> errorOn{"+fth=3"};
  EXPECT_TRUE(answerCommand("AT+FTH=3", {}, errorOn)->error);
  EXPECT_TRUE(answerCommand("ATE0+FTH=3", {}, errorOn)->error);
  EXPECT_FALSE(answerCommand("AT+FTH=96", {}, errorOn));
}

}  // namespace
}  // namespace telvane::vmodem
