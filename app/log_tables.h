#pragma once
// The main window's hold on the outgoing and received logs: opening them,
// the orders the grids show, the rows' fields, deleting and rebuilding.
// Thin over records/; the grids' models and the commands use only this.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

class FaxRecords;

enum class LogKind { Outgoing, Received };

// One row's fields by name, calculated fields included (SentYesNo).
struct LogRow {
  std::map<std::string, std::string> fields;
  std::string value(const std::string& name) const {
    const auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
  }
};

class LogTables {
public:
  LogTables();
  ~LogTables();
  LogTables(const LogTables&) = delete;
  LogTables& operator=(const LogTables&) = delete;

  bool OpenFaxDBF();
  bool OpenRecFaxDBF();
  void CloseFax();
  void CloseRec();
  void CloseAll();
  bool FaxTableCloseAndOpen();
  bool RecTableCloseAndOpen();

  // The order rule of the command update: a log without a current row
  // falls back to record order, a log with rows shows newest first. True
  // when the log has a current row.
  bool PrepareFaxOrder();
  bool PrepareRecOrder();

  bool FaxHasRows() const;
  bool RecHasRows() const;
  // Both logs carry the tags of a complete rebuild ("DATEND").
  bool HasCompleteIndexes() const;

  std::string CurrentFaxField(const std::string& name) const;
  std::string CurrentRecField(const std::string& name) const;

  // Marks the current row deleted; a received fax's image file goes too.
  bool DeleteCurrentOutgoing();
  bool DeleteCurrentReceived();

  // The record numbers of the rows a grid shows, in the log's current order.
  std::vector<uint32_t> VisibleRecords(LogKind kind) const;
  // The rows of `rows` that hold `text` in a searched field (log_search.h).
  std::vector<uint32_t> SearchRecords(LogKind kind, const std::vector<uint32_t>& rows, std::string_view text) const;
  uint32_t CurrentRecord(LogKind kind) const;
  void GoTo(LogKind kind, uint32_t record);
  LogRow ReadRow(LogKind kind, uint32_t record) const;

  // The tables themselves, for the log maintenance and the commands that
  // edit a row.
  FaxRecords& Records();

  // Packs both logs and rebuilds every index tag, reporting each step.
  bool RebuildIndexes(const std::function<void(const std::string&)>& progress);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace telvane
