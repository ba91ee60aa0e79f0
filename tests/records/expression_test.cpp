// xBase expressions evaluated on rows of the outgoing log's layout.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/engine/dbf_file.h"
#include "records/engine/expression.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {
namespace {

std::vector<FieldDef> Fields() {
  std::vector<FieldDef> f = {{"SUBJECT", 'C', 0, 10, 0}, {"SENT", 'L', 0, 1, 0}, {"DATESENT", 'D', 0, 8, 0},
                             {"TIMESENT", 'C', 0, 5, 0}, {"RECIPIENT", 'C', 0, 12, 0}, {"PAGES", 'N', 0, 2, 0}};
  std::string error;
  BuildDbfHeader(f, 0, error);
  return f;
}

std::string Record(bool deleted, const std::string& subject, bool sent, const std::string& date,
                   const std::string& time, const std::string& recipient, const std::string& pages) {
  auto pad = [](std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
  };
  return std::string(deleted ? "*" : " ") + pad(subject, 10) + (sent ? "T" : "F") + pad(date, 8) + pad(time, 5) +
         pad(recipient, 12) + pad(pages, 2);
}

struct Case {
  const char* expression;
  bool expected;
};

TEST(Expression, ConditionsOfTheLogsEvaluateAsXbaseDoes) {
  const auto fields = Fields();
  const std::string row = Record(false, "Invoice", true, "20261207", "09:15", "  Acme Corp ", " 3");
  const std::string unsent = Record(false, "Draft", false, "", "", "acme", "");
  const Case cases[] = {
      {"DTOS(DATESENT)<\"20261208\"", true},
      {"(DTOS(DATESENT)<\"20261207\")", false},
      {"ALLTRIM(UPPER(RECIPIENT))==\"ACME CORP\"", true},
      {"ALLTRIM(UPPER(RECIPIENT))==\"ACME\"", false},
      {"\"AC\"$ALLTRIM(UPPER(RECIPIENT))", true},
      {"\"XY\"$ALLTRIM(UPPER(RECIPIENT))", false},
      {".not. EMPTY(DATESENT)", true},
      {"EMPTY(DATESENT)", false},
      {".not. deleted()", true},
      {".T.", true},
      {".true. .and. .f.", false},
      {"SENT .or. PAGES > 5", true},
      {"!SENT", false},
      {"PAGES = 3 .and. PAGES + 1 = 4", true},
      {"SUBJECT = \"Inv\"", true},     // = is a prefix match with EXACT off
      {"SUBJECT == \"Inv\"", false},
      {"SUBJ = \"Invoice\"", false},   // unknown field reported below
      {"UPPE(SUBJECT) = \"INVOICE\"", true},  // four-letter abbreviation
      {"SUBSTR(TIMESENT,1,2) == \"09\"", true},
      {"IIF(SENT, \"Y\", \"N\") == \"Y\"", true},
      {"DATESENT + 1 > DATESENT", true},
      {"LEN(TRIM(SUBJECT)) = 7", true},
  };
  for (const Case& c : cases) {
    Expression e;
    std::string error;
    const int rc = Expression::Compile(c.expression, fields, e, error);
    if (std::string(c.expression).rfind("SUBJ =", 0) == 0) {
      EXPECT_EQ(rc, -xbase_status::UnknownName) << c.expression;
      EXPECT_NE(error.find("SUBJ"), std::string::npos) << error;
      continue;
    }
    ASSERT_EQ(rc, 0) << c.expression << ": " << error;
    EvalRow r;
    r.record = row.data();
    r.recno = 1;
    EXPECT_EQ(e.EvaluateLogical(r), c.expected) << c.expression;
  }
  // The date test of a bulk deletion: an empty date is below every date.
  Expression before;
  std::string error;
  ASSERT_EQ(Expression::Compile("DTOS(DATESENT)<\"20261208\"", fields, before, error), 0);
  EvalRow r;
  r.record = unsent.data();
  EXPECT_TRUE(before.EvaluateLogical(r));
}

TEST(Expression, ValuesOfStringNumberAndDateOperations) {
  const auto fields = Fields();
  const std::string row = Record(false, "ab  ", true, "20261231", "23:59", "x", "12");
  struct ValueCase {
    const char* text;
    const char* expected;  // character results
  } cases[] = {
      {"SUBJECT - \"cd\"", "abcd        "},  // blanks of the left move to the end
      {"TRIM(SUBJECT) + \"!\"", "ab!"},
      {"LTRIM(\"  x \")", "x "},
      {"STR(PAGES, 5, 1)", " 12.0"},
      {"STR(PAGES)", "        12"},
      {"DTOS(DATESENT + 1)", "20270101"},
      {"DTOS(DATESENT - 365)", "20251231"},
      {"LEFT(TIMESENT, 2) + RIGHT(TIMESENT, 2)", "2359"},
      {"SUBSTR(\"abc\", 5)", ""},
      {"LOWER(\"ABC\") + SPACE(2)", "abc  "},
      {"IIF(PAGES > 100, \"big\", \"small\")", "small"},
      {"DTOS(DATESENT+0)", "20261231"},
  };
  for (const auto& c : cases) {
    Expression e;
    std::string error;
    ASSERT_EQ(Expression::Compile(c.text, fields, e, error), 0) << c.text << ": " << error;
    EvalRow r;
    r.record = row.data();
    Value v;
    e.Evaluate(r, v);
    EXPECT_EQ(v.type, ValueType::Character) << c.text;
    EXPECT_EQ(v.text, c.expected) << c.text;
  }
  Expression e;
  std::string error;
  ASSERT_EQ(Expression::Compile("(PAGES * 2 - 4) / 5 + VAL(\"1.5\") + RECNO() + LEN(SUBJECT) % 3", fields, e, error), 0);
  EvalRow r;
  r.record = row.data();
  r.recno = 7;
  Value v;
  e.Evaluate(r, v);
  EXPECT_DOUBLE_EQ(v.number, 4 + 1.5 + 7 + 1);
  ASSERT_EQ(Expression::Compile("PAGES / 0 = 0", fields, e, error), 0);  // no trap on division by zero
  EXPECT_TRUE(e.EvaluateLogical(r));
  ASSERT_EQ(Expression::Compile("DATESENT - DATESENT = 0 .and. -PAGES < 0", fields, e, error), 0);
  EXPECT_TRUE(e.EvaluateLogical(r));
}

TEST(Expression, KeyExpressionsHaveTheirTypeAndWidth) {
  const auto fields = Fields();
  struct KeyCase {
    const char* text;
    ValueType type;
    int width;
  } cases[] = {{"DTOS(DATESENT)+TIMESENT", ValueType::Character, 13},
               {"datesent", ValueType::Date, 8},
               {"UPPER(SUBJECT)", ValueType::Character, 10},
               {"PAGES", ValueType::Numeric, 2},
               {".not. deleted()", ValueType::Logical, 1}};
  for (const auto& c : cases) {
    Expression e;
    std::string error;
    ASSERT_EQ(Expression::Compile(c.text, fields, e, error), 0) << error;
    EXPECT_EQ(e.type(), c.type) << c.text;
    EXPECT_EQ(e.width(), c.width) << c.text;
  }
  Expression e;
  std::string error;
  ASSERT_EQ(Expression::Compile(".NOT. DELETED()", fields, e, error), 0);
  EXPECT_TRUE(e.IsNotDeleted());
  ASSERT_EQ(Expression::Compile(".not. deleted() .and. SENT", fields, e, error), 0);
  EXPECT_FALSE(e.IsNotDeleted());
}

TEST(Expression, BadExpressionsGiveACodeAndAText) {
  const auto fields = Fields();
  struct BadCase {
    const char* text;
    int code;
    const char* mentions;
  } cases[] = {
      {"DTOS(", xbase_status::ExpressionSyntax, "end of expression"},
      {"FOO(SUBJECT)", xbase_status::UnknownName, "FOO"},
      {"NOSUCH = 1", xbase_status::UnknownName, "NOSUCH"},
      {"SUBJECT + 1", xbase_status::TypeMismatch, "character and numeric"},
      {"\"abc", xbase_status::ExpressionSyntax, "unterminated"},
      {".not. SUBJECT", xbase_status::TypeMismatch, ".NOT."},
      {"DTOS(SUBJECT)", xbase_status::TypeMismatch, "DTOS"},
      {"1 2", xbase_status::ExpressionSyntax, "position 3"},
      {"   ", xbase_status::ExpressionSyntax, "empty"},
      {"SUBJECT @ 1", xbase_status::ExpressionSyntax, "'@'"},
      {"UPPER(SUBJECT, 1)", xbase_status::ExpressionSyntax, "UPPER"},
  };
  for (const auto& c : cases) {
    Expression e;
    std::string error;
    EXPECT_EQ(Expression::Compile(c.text, fields, e, error), -c.code) << c.text << ": " << error;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << c.text << ": " << error;
    EXPECT_FALSE(e.valid());
  }
  // Nesting beyond the bound is refused, not a stack overflow.
  std::string deep(5000, '(');
  Expression e;
  std::string error;
  EXPECT_LT(Expression::Compile(deep + "1" + std::string(5000, ')'), fields, e, error), 0);
}

TEST(XbaseStatus, EveryCodeHasAUniqueText) {
  std::vector<std::string> seen;
  for (int code = xbase_status::First; code <= xbase_status::Last; ++code) {
    const std::string text(XbaseStatusText(-code));
    EXPECT_FALSE(text.empty()) << code;
    for (const auto& s : seen) EXPECT_NE(s, text) << code;
    seen.push_back(text);
  }
  EXPECT_TRUE(XbaseStatusText(7015).empty());
}

}  // namespace
}  // namespace telvane::xbase
