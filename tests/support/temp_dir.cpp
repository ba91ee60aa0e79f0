#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/program_directory.h"

namespace fs = std::filesystem;

namespace telvane::test {

bool KeepTestDirs() {
  const char* keep = std::getenv("TELVANE_KEEP_TEST_DIRS");
  return keep && *keep && *keep != '0';
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "telvane-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  if (KeepTestDirs()) return;
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void TempDir::write(std::string_view name, std::string_view content) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + file(name));
}

std::string TempDir::read(std::string_view name) const {
  std::ifstream in(file(name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool TempDir::exists(std::string_view name) const { return fs::exists(file(name)); }

ProgramDirectoryScope::ProgramDirectoryScope() { SetProgramDirectory(dir_.path()); }

ProgramDirectoryScope::~ProgramDirectoryScope() { ResetProgramDirectory(); }

}  // namespace telvane::test
