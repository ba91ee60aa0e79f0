#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "serial/kova_exceptions.h"
#include "serial/message_table.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

TEST(MessageTable, EveryStatusCodeHasOneUniqueNonEmptyText) {
  std::map<std::string, int> seenTexts;
  std::set<int> seenCodes;
  for (const MessageRange& range : MessageRanges()) {
    int previous = -1;
    for (const MessageRow& row : range.rows) {
      EXPECT_FALSE(row.text.empty()) << row.code;
      EXPECT_GT(row.code, previous) << range.name << " is not sorted at " << row.code;
      previous = row.code;
      EXPECT_TRUE(seenCodes.insert(row.code).second) << "code " << row.code << " twice";
      if (range.kind != MessageRangeKind::Status) continue;
      auto [it, added] = seenTexts.emplace(std::string(row.text), row.code);
      EXPECT_TRUE(added) << row.code << " repeats the text of " << it->second << ": " << row.text;
    }
  }
}

TEST(MessageTable, LooksUpEitherSignAndEveryRange) {
  EXPECT_EQ(MessageText(ecBadId), "ie_BadId - Specified comport doesn't exist");
  EXPECT_EQ(MessageText(2001), MessageText(-2001));
  EXPECT_EQ(MessageText(-2), "File not found");
  EXPECT_EQ(MessageText(ecBufferIsEmpty), "Buffer is empty");
  EXPECT_EQ(MessageText(ecBadTriggerHandle), "Bad trigger handle");
  EXPECT_EQ(MessageText(4843), "Finished");
  EXPECT_EQ(MessageText(15002), "Dispatch");
  EXPECT_EQ(MessageText(15119), "Method");
  EXPECT_EQ(MessageText(4809), "");
  EXPECT_FALSE(MessageText(-7007).empty());  // database
  EXPECT_FALSE(MessageText(-8001).empty());  // fax images
}

TEST(MessageTable, FaxStatusTextOnlyForTheStatusRange) {
  EXPECT_EQ(FaxStatusText(4802), "Dialing");
  EXPECT_EQ(FaxStatusText(5001), "");
  EXPECT_EQ(FaxStatusText(2001), "");
}

TEST(MessageTable, SilentTableFallsBackToTheSystemMessageWithoutControlCharacters) {
  const std::string text = ErrorText(-111);  // no row; the system knows the number
  EXPECT_FALSE(text.empty());
  for (char c : text) EXPECT_GE(static_cast<unsigned char>(c), 32u);
  EXPECT_EQ(text.find("  "), std::string::npos);
}

template <class E>
void ExpectRaises(int code, const std::string& message) {
  try {
    RaiseForCode(code);
    FAIL() << "no exception for " << code;
  } catch (const E& e) {
    EXPECT_EQ(e.ErrorCode, code);
    EXPECT_EQ(std::string(e.what()), message);
  }
}

TEST(Exceptions, EachCodeRaisesItsClassWithItsText) {
  ExpectRaises<EBadId>(ecBadId, "ie_BadId - Specified comport doesn't exist");
  ExpectRaises<EAlreadyOpen>(ecAlreadyOpen, "ie_Open - device already open");
  ExpectRaises<ENoPortSelected>(ecNoPortSelected, "The ComNumber property of the TKovaComPort has not been set");
  ExpectRaises<EOutputBufferTooSmall>(ecOutputBufferTooSmall, "Output buffer too small for block");
  ExpectRaises<EBadTriggerHandle>(ecBadTriggerHandle, "Bad trigger handle");
  ExpectRaises<ENullApi>(ecNullApi, "No device layer specified");
  ExpectRaises<EKovaException>(ecCommNotOpen, "ie_NOpen - device not open");  // derived classes too
  ExpectRaises<EInOutError>(-2, "File not found");
  EXPECT_THROW(RaiseForCode(-8), EOutOfMemory);
}

TEST(Exceptions, CodeWithoutClassRaisesTheBaseClassNamingTheError) {
  ExpectRaises<EKovaException>(ecNoMoreTriggers, "Kova exception: No more trigger slots");
  ExpectRaises<EKovaException>(-99999, "Kova exception");
}

TEST(Exceptions, LayersAboveRegisterTheirOwnClasses) {
  struct EFaxBusyForTest : EKovaException {
    using EKovaException::EKovaException;
  };
  RegisterExceptionClass(-8064, [](int code, const std::string& m) { throw EFaxBusyForTest(code, m); });
  EXPECT_THROW(RaiseForCode(-8064), EFaxBusyForTest);
}

TEST(Exceptions, CheckCodePassesNonNegativeResults) {
  EXPECT_EQ(CheckCode(0), 0);
  EXPECT_EQ(CheckCode(17), 17);
  EXPECT_THROW(CheckCode(ecBadArgument), EBadArgument);
}

}  // namespace
}  // namespace telvane
