#pragma once
// Running telvane-fax as a user does, against the virtual modem: the tool
// as a child process whose output and exit code are kept, and the fax image
// files it sends and receives made from and read back into the rows of the
// test pages (tests/modem/fax_pages.h).

#include <chrono>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/modem/child_process.h"
#include "tests/modem/fax_pages.h"

namespace telvane::test {

// Blank rows the engine puts above every page it sends, before the header
// line (drawn in them and below them unless the header is empty).
inline constexpr size_t kHeadBlankRows = 8;
// The header line's rows at most, at fine resolution.
inline constexpr size_t kMaxHeaderRows = 64;

// A telvane-fax run: started at once with "--clock-speed" at the line's
// speed-up, its standard output and error in files, killed with everything
// it started when the object goes.
class FaxTool {
public:
  FaxTool(const std::string& dir, std::vector<std::string> arguments, double clockSpeed);
  FaxTool(const FaxTool&) = delete;
  FaxTool& operator=(const FaxTool&) = delete;

  // The exit code once the tool has ended within `timeout` (128 + the
  // signal when one ended it), else nothing.
  std::optional<int> waitFor(std::chrono::milliseconds timeout) { return process_->waitFor(timeout); }
  // SIGINT, as Ctrl-C in a terminal.
  void interrupt() { process_->interrupt(); }
  // Waits until standard error holds `text`; false at the time-out or when
  // the tool ended first.
  bool waitForError(const std::string& text, std::chrono::milliseconds timeout);

  std::string out() const;
  std::string err() const;
  // The end of standard error (with --verbose: the modem dialogue and the
  // state changes that led there), for failure messages.
  std::string tail(size_t lines = 50) const;
  const std::string& commandLine() const { return commandLine_; }

private:
  std::string outPath_;
  std::string errPath_;
  std::string commandLine_;
  std::unique_ptr<ChildProcess> process_;
};

// The text the tool prints for an error code ("telvane-fax: error -8064: ...").
std::string toolErrorLine(int code, const std::string& text);

// Writes page `number` of the test pattern as an uncompressed TIFF (what
// the converter reads).
bool writePlainTiffPage(const std::string& path, int number, bool fine, int rows);

// A fax image file of the test pattern's pages `numbers`, each `rows` rows,
// converted page by page and joined. Empty on success, else what failed.
std::string makeFaxFile(const std::string& dir, const std::string& apf, const std::vector<int>& numbers, bool fine,
                        int rows);

struct FaxFilePages {
  int status = 0;          // 0 or the first error reading the file
  std::string stationId;   // of the file header
  int headerPageCount = 0; // the header's PageCount
  std::vector<PageRows> pages;
  std::vector<bool> fine;
  uint64_t badCodes = 0;   // code words the decoder could not read, all pages
};

// Every page of a fax image file, decoded row by row (216 bytes a row).
FaxFilePages readFaxFile(const std::string& apf);

// Checks a page the engine sent: kHeadBlankRows blank rows, the header
// line, then the image of test page `number` (`rows` rows) row for row.
// Empty when it matches, else what differs. `headRows` gets the rows above
// the image.
std::string checkSentPage(const PageRows& received, int number, int rows, size_t* headRows = nullptr);

// Checks a page that arrived unchanged: exactly the image of test page
// `number`. Empty when it matches, else what differs.
std::string checkPage(const PageRows& received, int number, int rows);

// How many rows of `expected` appear in `received` in the same order, each
// within `window` rows of where the previous match leaves off: a page that
// lost or merged a few rows to line errors still counts its intact rows.
int rowsInOrder(const PageRows& received, const PageRows& expected, size_t window = 24);

// Files in `dir` (names only, sorted).
std::vector<std::string> listFiles(const std::string& dir);

}  // namespace telvane::test
