#include "sessions/session_report.h"

#include <fstream>

namespace telvane {

void SessionReport::Add(const std::string& line) {
  if (line == last_) return;
  lines_.push_back(line);
  last_ = line;
}

void SessionReport::Save(const std::string& path, const std::string& stamp) {
  Add("Finish: " + stamp);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines_) out << line << "\r\n";
}

}  // namespace telvane
