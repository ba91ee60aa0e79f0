#pragma once
// The fixture of the end-to-end tests: a temporary directory, fax image
// files of the test pages, and telvane-fax sending or receiving through a
// virtual modem whose line runs at the same speed-up as the tool's clock.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/fax/e2e/fax_tool_harness.h"
#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

// A whole call takes a few seconds at the test speed; a tool still running
// after this has hung.
inline constexpr std::chrono::seconds kCallTimeout{60};
// Result lines come when the far end has hung up, a moment after the tool.
inline constexpr std::chrono::seconds kResultTimeout{10};

inline constexpr const char* kNumber = "5551234";

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FaxE2eTest : public ::testing::Test {
protected:
  std::string file(std::string_view name) const { return dir_.file(name); }
  const std::string& dir() const { return dir_.path(); }

  // A fax image file in the test directory holding test pages `numbers`.
  std::string faxFile(const std::string& name, const std::vector<int>& numbers, bool fine, int rows) {
    const std::string path = file(name);
    const std::string error = makeFaxFile(dir(), path, numbers, fine, rows);
    EXPECT_EQ(error, "");
    return path;
  }

  // telvane-fax send on `port` to kNumber, with --verbose so a failure shows
  // the modem dialogue.
  std::unique_ptr<FaxTool> startSend(const std::string& port, std::vector<std::string> options,
                                     const std::vector<std::string>& files, double speed = testSpeed()) {
    std::vector<std::string> arguments = {"send", "--device", port, "--verbose"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(kNumber);
    arguments.insert(arguments.end(), files.begin(), files.end());
    return std::make_unique<FaxTool>(dir(), arguments, speed);
  }

  // telvane-fax receive on `port` into `into`, one call.
  std::unique_ptr<FaxTool> startReceive(const std::string& port, const std::string& into,
                                        std::vector<std::string> options = {}, double speed = testSpeed()) {
    std::vector<std::string> arguments = {"receive", "--device", port, "--dir", into, "--calls", "1", "--verbose"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return std::make_unique<FaxTool>(dir(), arguments, speed);
  }

  // The tool's exit code, or -1 when it was still running after `timeout`.
  // Every state change the engine made is one its state table lists
  // (--verbose shows the others with a note).
  static int finish(FaxTool& tool, std::chrono::seconds timeout = kCallTimeout) {
    const auto code = tool.waitFor(timeout);
    EXPECT_FALSE(contains(tool.err(), "(not in the state table)")) << tool.tail();
    return code ? *code : -1;
  }

  // A fresh directory for received faxes.
  std::string receiveDir(const std::string& name = "received") {
    const std::string path = file(name);
    std::filesystem::create_directories(path);
    return path + "/";
  }

  TempDir dir_;
};

// The result lines of a fixture whose far end should have ended exactly
// one call.
inline CallFields oneCall(const VirtualModemRun& modem) {
  const auto results = modem.waitForResults(1, kResultTimeout);
  EXPECT_EQ(results.size(), 1u) << modem.log();
  return results.empty() ? CallFields{} : results.front();
}

// A T.30 identity as the far end reports it, without the spaces that pad
// it to 20 characters on the line (T.30 5.3.6.2.4).
inline std::string trimmedId(const CallFields& call) {
  std::string id = call.count("remote_id") ? call.at("remote_id") : "";
  while (!id.empty() && id.back() == ' ') id.pop_back();
  return id;
}


}  // namespace telvane::test
