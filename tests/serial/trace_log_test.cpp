#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "serial/trace_log.h"

namespace telvane {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.push_back(line);
      line.clear();
      ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

TEST(TraceDump, BlocksByDirectionWithNonPrintablesInHex) {
  TraceBuffer trace;
  trace.start(100);
  trace.add('T', reinterpret_cast<const uint8_t*>("AT Z\r"), 5);
  trace.add('R', reinterpret_cast<const uint8_t*>("\r\nOK\r\n"), 6);
  trace.add('X', 0x41);
  const auto lines = Lines(trace.dumpText(true, false));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Transmit: ");
  EXPECT_EQ(lines[1], "AT[20]Z[0D]");  // with hex on, the blank is bracketed too
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "Receive: ");
  EXPECT_EQ(lines[4], "[0D][0A]OK[0D][0A]");
  EXPECT_EQ(lines[6], "Special-X: ");
  EXPECT_EQ(lines[7], "A");
}

TEST(TraceDump, DecimalAndAllHexModes) {
  TraceBuffer trace;
  trace.start(10);
  trace.add('R', reinterpret_cast<const uint8_t*>("A \x7f"), 3);
  EXPECT_EQ(Lines(trace.dumpText(false, false))[1], "A [127]");
  EXPECT_EQ(Lines(trace.dumpText(true, true))[1], "[41][20][7F]");
}

TEST(TraceDump, WrappedRingStartsAtTheOldestEntry) {
  TraceBuffer trace;
  trace.start(4);
  trace.add('R', reinterpret_cast<const uint8_t*>("abcdef"), 6);
  EXPECT_EQ(Lines(trace.dumpText(true, false))[1], "cdef");
}

TEST(TraceDump, LinesBreakBeforePassingColumn78) {
  TraceBuffer trace;
  trace.start(1000);
  std::vector<uint8_t> bytes(100, 0x01);  // 4 columns each
  trace.add('R', bytes.data(), bytes.size());
  const auto lines = Lines(trace.dumpText(true, false));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1].size(), 76u);  // 19 items; a 20th would reach 80
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_LE(lines[i].size(), 78u);
}

TEST(TraceBuffer, PausedAndStoppedTracesRecordNothing) {
  TraceBuffer trace;
  trace.add('R', 1);
  EXPECT_EQ(trace.size(), 0u);
  trace.start(10);
  trace.setPaused(true);
  trace.add('R', 1);
  EXPECT_EQ(trace.size(), 0u);
  trace.setPaused(false);
  trace.add('R', 1);
  EXPECT_EQ(trace.size(), 1u);
}

TEST(DispatchLogDump, HeaderColumnsAndEntryLayout) {
  DispatchLog log;
  log.start(10000, 1000);
  log.add(1000 + 12345, LogType::Dispatch, LogSubtype::ReadCom, 2, {}, reinterpret_cast<const uint8_t*>("O\r"), 2);
  log.add(1000 + 12400, LogType::Trigger, LogSubtype::Status, 0x21, StatusTriggerNote(1));
  const auto lines = Lines(log.dumpText("COM3", true, false));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "KOVA v3.06");
  EXPECT_EQ(lines[1].rfind("Compiler : ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("Operating System : ", 0), 0u);
  EXPECT_EQ(lines[3], "Device: COM3");
  EXPECT_EQ(lines[4], "Time      Type      SubType       Data      OtherData");
  EXPECT_EQ(lines[5], "--------  --------  ------------  --------  ---------");
  EXPECT_EQ(lines[6], "0012.345  Dispatch  ReadCom       00000002  O[0D]");
  EXPECT_EQ(lines[7], "0012.400  Trigger   Status        00000021  (Modem status)");
}

TEST(DispatchLogDump, LongDataWrapsUnderTheDataColumn) {
  DispatchLog log;
  log.start(10000, 0);
  std::vector<uint8_t> bytes(60, 'x');
  log.add(0, LogType::Dispatch, LogSubtype::WriteCom, 60, {}, bytes.data(), bytes.size());
  const auto lines = Lines(log.dumpText("COM1", true, false));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6].size(), 79u);
  EXPECT_EQ(lines[7], std::string(45, ' ') + std::string(60 - 35, 'x'));
}

TEST(DispatchLog, OldestEntriesMakeRoomWhenFull) {
  DispatchLog log;
  log.start(200, 0);
  for (uint32_t i = 0; i < 50; ++i) log.add(i, LogType::Trigger, LogSubtype::Timer, i);
  ASSERT_FALSE(log.entries().empty());
  EXPECT_LT(log.entries().size(), 50u);
  EXPECT_EQ(log.entries().back().data, 49u);
}

}  // namespace
}  // namespace telvane
