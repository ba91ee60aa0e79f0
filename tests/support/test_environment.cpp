#include "tests/support/test_environment.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace telvane::test {

void PrepareTestEnvironment() {
  std::setlocale(LC_ALL, "C");
  static std::string home = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "telvane-home-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  ::unsetenv("TELVANE_HOME");
}

}  // namespace telvane::test
