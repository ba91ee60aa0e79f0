#include "tools/sample-logs/sample_rows.h"

#include <cstdio>

#include "records/fax_records.h"
#include "records/rebuild_indexes.h"

namespace telvane {
namespace {

constexpr const char* Recipients[] = {"Harbor Street Dental", "M. Okafor, Accounts", "Greenfield Builders",
                                      "City Permit Office",   "Lena Marsh",          "Northwind Freight",
                                      "Dr. A. Varga",         "Bluebell Insurance"};
constexpr const char* Subjects[] = {"Signed lease agreement", "Invoice 2291",      "Permit application, page 2",
                                    "Claim form",             "Delivery schedule", "Purchase order 7710",
                                    "Referral letter",        "Quote for roof repair"};
constexpr const char* Results[] = {"Sent", "Busy", "Sent", "No answer", "Sent", "Sent"};
constexpr const char* Senders[] = {"+1 555 0142", "NORTHWIND", "", "CITY HALL", "+44 20 7946 0958"};

std::string dateOf(int daysAgo) {
  // Days before 8 December 2026, good enough for sample data.
  int y = 2026, m = 12, d = 8 - daysAgo;
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  while (d < 1) {
    if (--m < 1) {
      m = 12;
      --y;
    }
    d += lengths[m - 1];
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
  return text;
}

std::string timeOf(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", 8 + (i * 7) % 10, (i * 13) % 60);
  return text;
}

}  // namespace


bool WriteSampleLogs(int outgoing, int received, std::string& error) {
  FaxRecords records;
  if (!records.OpenFaxDBF() || !records.OpenRecFaxDBF()) {
    error = "cannot open the logs: " + records.lastError();
    return false;
  }
  for (int i = 0; i < outgoing; ++i) {
    RecordTable& t = records.FaxTable();
    const bool sent = i % 6 != 1 && i % 6 != 3 && i != outgoing - 1;
    t.Append();
    t.SetField("SUBJECT", Subjects[i % 8]);
    t.SetField("RECIPIENT", Recipients[(i * 3) % 8]);
    t.SetField("PHONE", "555-01" + std::to_string(10 + (i * 7) % 90));
    t.SetField("PAGES", std::to_string(1 + i % 4));
    t.SetField("SENT", sent ? "T" : "F");
    if (sent) {
      t.SetField("DATESENT", dateOf((outgoing - i) / 2));
      t.SetField("TIMESENT", timeOf(i));
    }
    t.SetField("LASTRESULT", i == outgoing - 1 ? "" : Results[i % 6]);
    // Short covers and documents of one to several memo blocks.
    t.table()->PutMemo("RTFCOVER", std::string("{\\rtf1\\ansi Fax for ") + Recipients[(i * 3) % 8] + "\\par}");
    std::string doc = "{\\rtf1\\ansi ";
    for (int line = 0; line <= i % 5 * 8; ++line) doc += std::string(Subjects[i % 8]) + "\\par ";
    t.table()->PutMemo("RTFDOC", doc + "}");
    if (!t.Post()) {
      error = t.lastError();
      return false;
    }
  }
  for (int i = 0; i < received; ++i) {
    RecordTable& t = records.RecTable();
    char file[32];
    std::snprintf(file, sizeof file, "FAX%04d.APF", i + 1);
    t.Append();
    t.SetField("DATEREC", dateOf(received - i));
    t.SetField("TIMEREC", timeOf(i + 3));
    t.SetField("FROM", Senders[i % 5]);
    t.SetField("PAGES", std::to_string(1 + (i * 2) % 5));
    t.SetField("FAXFILE", file);
    t.SetField("NOTES", i % 3 == 0 ? "Forwarded to accounts" : "");
    if (!t.Post()) {
      error = t.lastError();
      return false;
    }
  }
  if (!RebuildIndexes(records, [](std::string_view) {})) {
    error = "the index rebuild failed: " + records.lastError();
    return false;
  }
  return true;
}

}  // namespace telvane
