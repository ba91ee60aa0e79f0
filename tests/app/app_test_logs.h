#pragma once
// Log rows for the window tests, written as earlier sessions of the
// program would have left them (complete indexes).

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <string>
#include <vector>

#include "app/main_screen.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"

namespace telvane::test {

struct SentFax {
  std::string recipient;
  std::string subject;
  std::string dateSent;  // YYYYMMDD or ""
  std::string phone = "555 0100";
  std::string lastResult = "Sent";
};

struct ReceivedFax {
  std::string from;
  std::string date;
  std::string file;
  std::string notes = "";
};

inline void WriteLogs(const std::vector<SentFax>& sent, const std::vector<ReceivedFax>& received = {}) {
  FaxRecords records;
  ASSERT_TRUE(records.OpenFaxDBF());
  ASSERT_TRUE(records.OpenRecFaxDBF());
  for (const SentFax& f : sent) {
    RecordTable& t = records.FaxTable();
    ASSERT_TRUE(t.Append());
    t.SetField("RECIPIENT", f.recipient);
    t.SetField("SUBJECT", f.subject);
    t.SetField("DATESENT", f.dateSent);
    t.SetField("TIMESENT", f.dateSent.empty() ? "" : "10:00");
    t.SetField("SENT", f.dateSent.empty() ? "F" : "T");
    t.SetField("PHONE", f.phone);
    t.SetField("LASTRESULT", f.lastResult);
    ASSERT_TRUE(t.Post());
  }
  for (const ReceivedFax& f : received) {
    RecordTable& t = records.RecTable();
    ASSERT_TRUE(t.Append());
    t.SetField("FROM", f.from);
    t.SetField("DATEREC", f.date);
    t.SetField("TIMEREC", "09:30");
    t.SetField("FAXFILE", f.file);
    t.SetField("NOTES", f.notes);
    ASSERT_TRUE(t.Post());
  }
  ASSERT_TRUE(RebuildIndexes(records, [](std::string_view) {}));
}

// Shows the window and lets its first activation run to the end.
inline void Activate(TMainScreen& window) {
  window.show();
  QElapsedTimer timer;
  timer.start();
  while (window.FirstActivation && timer.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  QApplication::processEvents();
}

inline constexpr char SetUpIni[] = "[Modem]\nComPort=0\n";

}  // namespace telvane::test
