#pragma once
// The report of one fax session ("Lastsend.log", "Lastrec.log"): the steps
// of the session, one line each, written over the file at the end.

#include <string>
#include <vector>

namespace telvane {

class SessionReport {
public:
  void Clear() { lines_.clear(); last_.clear(); }
  // Adds `line` unless it repeats the line added just before it.
  void Add(const std::string& line);
  const std::vector<std::string>& Lines() const { return lines_; }
  // Adds "Finish: " + stamp and writes every line to `path` with CR LF
  // ends, replacing the file. A report that cannot be written is dropped:
  // it must never stop a session.
  void Save(const std::string& path, const std::string& stamp);

private:
  std::vector<std::string> lines_;
  std::string last_;
};

}  // namespace telvane
