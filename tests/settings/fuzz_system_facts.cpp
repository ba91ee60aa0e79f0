// Hostile system files: os-release, cpuinfo, meminfo and a session log with
// any content must give a report, never a crash.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/configuration_report.h"
#include "settings/system_info.h"

namespace {

// A directory of fixture files, removed when the run ends.
struct FixtureRoot {
  FixtureRoot()
      : path(std::filesystem::temp_directory_path().string() + "/telvane-fuzz-facts-" + std::to_string(::getpid())) {
    std::filesystem::create_directories(path + "/etc");
    std::filesystem::create_directories(path + "/proc");
    // One file under every name: one write a run.
    for (const char* name : {"proc/cpuinfo", "proc/meminfo", "Lastsend.log"})
      std::filesystem::create_symlink(path + "/etc/os-release", path + "/" + name);
  }
  ~FixtureRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  const std::string path;
};

const std::string& Root() {
  static const FixtureRoot root;
  return root.path;
}

void Write(const std::string& text) {
  std::ofstream(Root() + "/etc/os-release", std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Write(text);
  telvane::ReportFacts facts;
  facts.operatingSystem = telvane::ReadOperatingSystem(Root());
  facts.processor = telvane::ReadProcessor(Root());
  facts.memory = telvane::ReadMemory(Root());
  facts.lastSendLog = telvane::ReadTextLines(Root() + "/Lastsend.log");
  (void)telvane::BuildConfigurationReport(facts, telvane::AppSettingsRecord{});
  return 0;
}
