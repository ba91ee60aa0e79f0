#include <gtest/gtest.h>

#include "fax/fax_codes.h"
#include "settings/fax_class_check.h"
#include "settings/modem_answer.h"

namespace telvane {
namespace {

struct AnswerRow {
  const char* received;
  bool lost;
  ModemAnswer expected;
};

TEST(ModemAnswer, EachKindOfDeviceIsToldApart) {
  const AnswerRow rows[] = {
      {"\r\nOK\r\n", false, ModemAnswer::Ok},
      {"AT\r\r\nOK\r\n", false, ModemAnswer::Ok},          // echo on
      {"ok\r", false, ModemAnswer::Ok},
      {"0\r", false, ModemAnswer::Ok},                     // numeric results
      {"\r\nERROR\r\n", false, ModemAnswer::Error},
      {"AT\r\r\nERROR\r\n", false, ModemAnswer::Error},
      {"4\r", false, ModemAnswer::Error},
      {"AT\r", false, ModemAnswer::Echo},                  // a terminal
      {"AT", false, ModemAnswer::Echo},                    // echo without a line end
      {"", false, ModemAnswer::Silent},
      {"\r\n\r\n", false, ModemAnswer::Silent},
      {"AT\r\x7f\x1b[?\xff", false, ModemAnswer::Garbage},
      {"hello world\r\n", false, ModemAnswer::Garbage},
      {"OKAY\r\n", false, ModemAnswer::Garbage},           // not a result word
      {"", true, ModemAnswer::Lost},
      {"AT\r", true, ModemAnswer::Lost},
      {"\r\nOK\r\n", true, ModemAnswer::Ok},               // answered, then went
  };
  for (const AnswerRow& row : rows)
    EXPECT_EQ(ClassifyModemAnswer("AT", row.received, row.lost), row.expected) << '"' << row.received << '"';
}

TEST(ModemAnswer, FinalResultNeedsAWholeLine) {
  EXPECT_FALSE(HasFinalResult("0,1,2"));      // the first byte of a class list
  EXPECT_FALSE(HasFinalResult("\r\nO"));
  EXPECT_TRUE(HasFinalResult("\r\n0,1,2\r\n\r\nOK\r\n"));
  EXPECT_TRUE(HasFinalResult("\r\nERROR\r"));
  EXPECT_FALSE(HasFinalResult("AT+FCLASS=?\r"));
}

TEST(ModemAnswer, InformationLinesDropEchoAndResult) {
  EXPECT_EQ(InformationLines("AT+FCLASS=?", "AT+FCLASS=?\r\r\n0,1,2,2.0\r\n\r\nOK\r\n"),
            std::vector<std::string>{"0,1,2,2.0"});
  EXPECT_TRUE(InformationLines("AT", "\r\nOK\r\n").empty());
}

struct ClassRow {
  const char* answer;
  int bits;
  int recommended;  // 0 Class 1, 1 Class 2, 2 Class 2.0, -1 none
};

TEST(ModemAnswer, FaxClassAnswersAndTheClassRecommended) {
  constexpr int c1 = kFaxClassBit1, c2 = kFaxClassBit2, c20 = kFaxClassBit2_0;
  const ClassRow rows[] = {
      {"1", c1, 0},
      {"1,2", c1 | c2, 0},
      {"2,2.0", c2 | c20, 1},
      {"0,1,2,2.0", c1 | c2 | c20, 0},
      {"(0,1,2,2.0)", c1 | c2 | c20, 0},
      {"1,2.0", c1 | c20, 0},       // Class 1 and 2.0, not Class 2
      {"0,2.0", c20, 2},
      {"0,1.0", 0, -1},             // 1.0 is not Class 1
      {"0", 0, -1},
      {"garbage", 0, -1},
      {"", 0, -1},
  };
  for (const ClassRow& row : rows) {
    const int bits = FaxClassesFromAnswer({row.answer});
    EXPECT_EQ(bits, row.bits) << row.answer;
    EXPECT_EQ(RecommendFaxClass(bits).index, row.recommended) << row.answer;
  }
}

TEST(ModemAnswer, ClassLabelsMarkTheRecommendation) {
  const ClassLabels both = FaxClassLabels(kFaxClassBit2 | kFaxClassBit2_0);
  EXPECT_EQ(both.class1, "Class 1   : Not Supported");
  EXPECT_EQ(both.class2, "Class 2   : Supported (recommended)");
  EXPECT_EQ(both.class20, "Class 2.0 : Supported");
  const ClassLabels none = FaxClassLabels(0);
  EXPECT_EQ(none.class1, "Class 1   : unknown");
  EXPECT_EQ(none.class20, "Class 2.0 : unknown");
  EXPECT_EQ(RecommendFaxClass(kFaxClassBit1).name, "Class 1");
}

}  // namespace
}  // namespace telvane
