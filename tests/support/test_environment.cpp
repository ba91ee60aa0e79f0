#include "tests/support/test_environment.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace telvane::test {

namespace {

// The private HOME of one test process, removed when the process ends.
class PrivateHome {
public:
  PrivateHome() {
    path_ = (std::filesystem::temp_directory_path() / "telvane-home-XXXXXX").string();
    if (!::mkdtemp(path_.data())) std::abort();
  }
  ~PrivateHome() {
    if (KeepTestDirs()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

}  // namespace

void PrepareTestEnvironment() {
  std::setlocale(LC_ALL, "C");
  static const PrivateHome privateHome;
  const std::string& home = privateHome.path();
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  ::unsetenv("TELVANE_HOME");
}

}  // namespace telvane::test
