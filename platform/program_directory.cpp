#include "platform/program_directory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace telvane {
namespace {

std::mutex g_mutex;
std::optional<std::string> g_directory;  // guarded by g_mutex

std::string executableDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec).string();
  return exe.parent_path().string();
}

bool isWritableDirectory(const std::string& dir) { return !dir.empty() && ::access(dir.c_str(), W_OK | X_OK) == 0; }

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string WithTrailingSeparator(std::string_view directory) {
  std::string out(directory);
  if (out.empty()) return out;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  if (out != "/") out += '/';
  return out;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string out = WithTrailingSeparator(directory);
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  return out + std::string(name);
}

std::string ChooseProgramDirectory(std::string_view telvaneHome, std::string_view executableDirectory,
                                   bool executableDirectoryWritable, std::string_view xdgDataHome,
                                   std::string_view home) {
  if (!telvaneHome.empty()) return WithTrailingSeparator(telvaneHome);
  if (executableDirectoryWritable) return WithTrailingSeparator(executableDirectory);
  if (!xdgDataHome.empty()) return JoinPath(xdgDataHome, "telvane/");
  return JoinPath(home.empty() ? std::string_view("/tmp") : home, ".local/share/telvane/");
}

std::string ProgramDirectory() {
  std::lock_guard lock(g_mutex);
  if (!g_directory) {
    const std::string exeDir = executableDirectory();
    std::string dir = ChooseProgramDirectory(env("TELVANE_HOME"), exeDir, isWritableDirectory(exeDir),
                                             env("XDG_DATA_HOME"), env("HOME"));
    std::error_code ec;
    fs::create_directories(dir, ec);  // a failure shows later, where a file cannot be written
    g_directory = std::move(dir);
  }
  return *g_directory;
}

void SetProgramDirectory(std::string_view directory) {
  std::lock_guard lock(g_mutex);
  g_directory = WithTrailingSeparator(directory);
}

void ResetProgramDirectory() {
  std::lock_guard lock(g_mutex);
  g_directory.reset();
}

std::optional<std::string> FindFileNoCase(std::string_view directory, std::string_view name) {
  std::error_code ec;
  const fs::path exact = fs::path(std::string(directory)) / std::string(name);
  if (fs::exists(exact, ec)) return exact.string();
  std::optional<std::string> found;
  for (fs::directory_iterator it(std::string(directory), ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualsNoCase(it->path().filename().string(), name)) {
      found = it->path().string();
      break;
    }
  }
  return found;
}

}  // namespace telvane
