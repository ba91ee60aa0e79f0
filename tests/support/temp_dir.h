#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes (kept when TELVANE_KEEP_TEST_DIRS is
// set, to look at after a run).

#include <string>
#include <string_view>

namespace telvane::test {

// Whether TELVANE_KEEP_TEST_DIRS asks to leave test files behind.
bool KeepTestDirs();

class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory with a trailing "/".
  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + std::string(name); }

  void write(std::string_view name, std::string_view content) const;
  std::string read(std::string_view name) const;
  bool exists(std::string_view name) const;

private:
  std::string path_;
};

// A TempDir that is also the program directory while it lives.
class ProgramDirectoryScope {
public:
  ProgramDirectoryScope();
  ~ProgramDirectoryScope();
  const TempDir& dir() const { return dir_; }
  const std::string& path() const { return dir_.path(); }

private:
  TempDir dir_;
};

}  // namespace telvane::test
