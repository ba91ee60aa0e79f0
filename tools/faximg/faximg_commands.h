#pragma once
// The commands of telvane-faximg, as functions of their arguments so tests
// can run them without a process. Each returns the process exit code and
// writes its report to `out` and errors to `err`.

#include <ostream>
#include <string>
#include <vector>

namespace telvane::faximg {

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace telvane::faximg
