#pragma once
// A table component with its engine wrapper: one log table in a work area
// of the engine, with the dataset states the windows rely on (browse,
// insert, edit, post), the wrapper's query that is applied again at every
// open, and hooks through which the views attached to it are suspended,
// resumed and refreshed. No call raises; failures return false and leave a
// text in lastError().

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "records/engine/xbase_engine.h"

namespace telvane {

class RecordTable {
public:
  enum class State { Inactive, Browse, Insert, Edit };

  explicit RecordTable(xbase::Engine& engine) : engine_(engine) {}
  ~RecordTable();
  RecordTable(const RecordTable&) = delete;
  RecordTable& operator=(const RecordTable&) = delete;

  // Points the component at a file (directory with trailing "/", name).
  void SetFile(const std::string& directory, std::string_view fileName);
  const std::string& filePath() const { return path_; }

  // Opens the file exclusively and applies the kept query.
  bool Open();
  void Close();
  bool IsOpen() const { return area_ != 0 && engine_.Area(area_) != nullptr; }
  // The open table (nullptr when closed), for field access and list views.
  xbase::Table* table() const { return IsOpen() ? engine_.Area(area_) : nullptr; }
  xbase::Engine& engine() const { return engine_; }
  int area() const { return area_; }
  State state() const { return state_; }

  // Dataset editing. Append adds a blank row at once and enters insert
  // state; Cancel of an insert marks that row deleted.
  bool Append();
  bool Edit();
  bool Post();
  void Cancel();
  bool DeleteRow();

  // The wrapper's calls.
  bool Query(std::string_view expression);
  int64_t QueryRecCount() const;
  const std::string& DBFilter() const { return query_; }
  uint32_t RecNo() const;
  bool Go(uint32_t recno);

  // Field helpers on the current row (fields as stored, trailing blanks kept).
  std::string Field(std::string_view name) const;
  bool SetField(std::string_view name, std::string_view text);

  // Views attached to this table (the grids).
  std::function<void(bool suspended)> onViewsSuspended;
  std::function<void()> onRefresh;
  void SuspendViews() { if (onViewsSuspended) onViewsSuspended(true); }
  void ResumeViews() { if (onViewsSuspended) onViewsSuspended(false); }
  void Refresh() { if (onRefresh) onRefresh(); }

  const std::string& lastError() const { return error_; }

private:
  bool Fail(std::string text);

  xbase::Engine& engine_;
  std::string path_;
  int area_ = 0;
  State state_ = State::Inactive;
  std::string query_;
  std::string error_;
};

}  // namespace telvane
