#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fax/t30/modem_response.h"

namespace telvane::t30 {
namespace {

using R = ModemResponse;

struct Row {
  std::string_view line;
  ModemResponse kind;
  std::string_view argument = {};
  std::string_view name = {};
};

// One row per line a modem (or line noise) can produce.
constexpr Row kRows[] = {
    // Blank lines.
    {"", R::Empty},
    {"   ", R::Empty},
    {" \t ", R::Empty},
    // Verbose result words (V1).
    {"OK", R::Ok},
    {"  OK  ", R::Ok},
    {"CONNECT", R::Connect},
    {"CONNECT 9600", R::Connect, "9600"},
    {"CONNECT  14400/ARQ ", R::Connect, "14400/ARQ"},
    {"RING", R::Ring},
    {"RING 2", R::Ring, "2"},
    {"NO CARRIER", R::NoCarrier},
    {"ERROR", R::Error},
    {"NO DIALTONE", R::NoDialTone},
    {"NO DIAL TONE", R::NoDialTone},
    {"BUSY", R::Busy},
    {"NO ANSWER", R::NoAnswer},
    {"VOICE", R::Voice},
    {"VCON", R::Voice},
    {"+FCERROR", R::FcError},
    {"FAX", R::Fax},
    {"DATA", R::Data},
    // Numeric results (V0).
    {"0", R::Ok},
    {"1", R::Connect},
    {"2", R::Ring},
    {"3", R::NoCarrier},
    {"4", R::Error},
    {"6", R::NoDialTone},
    {"7", R::Busy},
    {"8", R::NoAnswer},
    {"5", R::Other},
    {"10", R::Other},
    {"00", R::Other},
    // Class 2/2.0 reports and T.31 indications: never the word inside them.
    {"+FCSI:\"BROOKLYN OK\"", R::Report, "\"BROOKLYN OK\"", "FCSI"},
    {"+FCSI: \"X OK\"", R::Report, "\"X OK\"", "FCSI"},
    {"+FTSI:ERROR", R::Report, "ERROR", "FTSI"},
    {"+FDCS:0,5,0,2,0,0,0,0", R::Report, "0,5,0,2,0,0,0,0", "FDCS"},
    {"+FRH:3", R::Report, "3", "FRH"},
    {"+FCON", R::Report, "", "FCON"},
    {"+FPTS:", R::Report, "", "FPTS"},
    {"+FHNG: 52", R::Hangup, "52", "FHNG"},
    {"+FHNG:0", R::Hangup, "0", "FHNG"},
    {"+FHS:A0", R::Hangup, "A0", "FHS"},
    {"+F:1", R::Other},
    {"+Fhng:0", R::Other},
    {"+VCID:1", R::Other},
    // Caller ID between the rings.
    {"DATE = 0321", R::CallerId, "0321", "DATE"},
    {"TIME = 1405", R::CallerId, "1405", "TIME"},
    {"NMBR = 5551234", R::CallerId, "5551234", "NMBR"},
    {"NAME = JOHN DOE", R::CallerId, "JOHN DOE", "NAME"},
    {"NMBR=5551234", R::CallerId, "5551234", "NMBR"},
    {"MESG = 060342", R::CallerId, "060342", "MESG"},
    {"DDN_NMBR = 200", R::CallerId, "200", "DDN_NMBR"},
    {"NMBR = ", R::CallerId, "", "NMBR"},
    {"NMBRX = 1", R::Other},
    {"NAME JOHN", R::Other},
    // Echoes, junk, lower case, keywords glued to other text.
    {"ATS0=0", R::Other},
    {"AT+FRH=3", R::Other},
    {"ok", R::Other},
    {"Ok", R::Other},
    {"OKAY", R::Other},
    {"BROOKLYN OK", R::Other},
    {"OK BROOKLYN", R::Other},
    {"CONNECT9600", R::Other},
    {"CONNECTED", R::Other},
    {"RINGING", R::Other},
    {"NO CARRIER 2", R::Other},
    {"CARRIER", R::Other},
    {"ERRORS", R::Other},
    {"+FCERROR:", R::Report, "", "FCERROR"},
    {"+FCSI :X", R::Other},
    {"\x11OK", R::Other},
    {"\xff\xfe", R::Other},
    {"#", R::Other},
};

TEST(ClassifyResponse, EveryRow) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(testing::Message() << "line \"" << row.line << "\"");
    const ClassifiedLine c = ClassifyResponse(row.line);
    EXPECT_EQ(ResponseName(c.kind), ResponseName(row.kind));
    EXPECT_EQ(c.argument, row.argument);
    EXPECT_EQ(c.name, row.name);
  }
}

TEST(ClassifyResponse, OverlongLinesAreJunkOrKeepTheirArgument) {
  EXPECT_EQ(ClassifyResponse(std::string(300, 'O')).kind, R::Other);
  const std::string report = "+FCSI:" + std::string(250, 'K');
  const ClassifiedLine c = ClassifyResponse(report);
  EXPECT_EQ(c.kind, R::Report);
  EXPECT_EQ(c.argument.size(), 250u);
}

TEST(ClassifyResponse, ArgumentsPointIntoTheLine) {
  const std::string line = "CONNECT 9600";
  const ClassifiedLine c = ClassifyResponse(line);
  EXPECT_EQ(c.argument.data(), line.data() + 8);
}

TEST(ResponseName, EveryKindHasADistinctNonEmptyName) {
  std::set<std::string_view> names;
  for (int i = 0; i <= static_cast<int>(R::Other); ++i) {
    const std::string_view name = ResponseName(static_cast<R>(i));
    EXPECT_FALSE(name.empty()) << i;
    EXPECT_TRUE(names.insert(name).second) << name;
  }
}

}  // namespace
}  // namespace telvane::t30
