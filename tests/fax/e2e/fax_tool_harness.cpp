#include "tests/fax/e2e/fax_tool_harness.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "faximage/apf_format.h"
#include "faximage/apf_join.h"
#include "faximage/apf_reader.h"
#include "faximage/fax_converter.h"
#include "faximage/unpacker_core.h"
#include "tests/modem/virtual_modem_harness.h"

namespace telvane::test {
namespace {

constexpr size_t kRowBytes = kPageWidth / 8;

bool blankRow(const std::vector<uint8_t>& row) {
  return std::all_of(row.begin(), row.end(), [](uint8_t b) { return b == 0; });
}

std::string quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \"'") == std::string::npos) return argument;
  return "\"" + argument + "\"";
}

}  // namespace

// ---- the tool

FaxTool::FaxTool(const std::string& dir, std::vector<std::string> arguments, double clockSpeed) {
  static int runs = 0;
  const std::string name = dir + "telvane-fax" + std::to_string(++runs);
  outPath_ = name + ".out";
  errPath_ = name + ".err";
  std::vector<std::string> argv = {TELVANE_FAX_TOOL};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::ostringstream speed;
  speed << clockSpeed;
  argv.insert(argv.end(), {"--clock-speed", speed.str()});
  for (const std::string& a : argv) commandLine_ += (commandLine_.empty() ? "" : " ") + quoted(a);

  process_ = std::make_unique<ChildProcess>(std::move(argv), outPath_, errPath_);
}

bool FaxTool::waitForError(const std::string& text, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (err().find(text) != std::string::npos) return true;
    if (waitFor(std::chrono::milliseconds(0)) || std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string FaxTool::out() const { return readTextFile(outPath_); }
std::string FaxTool::err() const { return readTextFile(errPath_); }

std::string FaxTool::tail(size_t lines) const {
  const std::string log = err();
  size_t cut = log.size();
  for (size_t seen = 0; seen <= lines; ++seen) {
    cut = cut == 0 ? std::string::npos : log.rfind('\n', cut - 1);
    if (cut == std::string::npos) return "$ " + commandLine_ + "\n" + log;
  }
  return "$ " + commandLine_ + "\n[...]\n" + log.substr(cut + 1);
}

std::string toolErrorLine(int code, const std::string& text) {
  return "telvane-fax: error " + std::to_string(code) + ": " + text;
}

// ---- fax image files

bool writePlainTiffPage(const std::string& path, int number, bool fine, int rows) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(kPageWidth));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows));
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, fine ? 196.0f : 98.0f);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  PageRows image = testPageImage(number, rows);
  bool ok = true;
  for (int y = 0; y < rows && ok; ++y) ok = TIFFWriteScanline(tif, image[static_cast<size_t>(y)].data(), static_cast<uint32_t>(y), 0) == 1;
  TIFFClose(tif);
  return ok;
}

std::string makeFaxFile(const std::string& dir, const std::string& apf, const std::vector<int>& numbers, bool fine,
                        int rows) {
  std::vector<std::string> pageFiles;
  for (int number : numbers) {
    const std::string base = dir + "page-" + std::to_string(number) + (fine ? "-fine-" : "-std-") + std::to_string(rows);
    if (!writePlainTiffPage(base + ".tif", number, fine, rows)) return "cannot write " + base + ".tif";
    TKovaFaxConverter converter;
    converter.InputDocumentType = TFaxInputDocumentType::idTiff;
    converter.Resolution = fine ? TFaxResolution::frHigh : TFaxResolution::frNormal;
    converter.LeftMargin = 0;  // the pattern is a full-width page: no shift
    converter.SetDocumentFile(base + ".tif");
    converter.OutFileName = base + ".apf";
    if (int rc = converter.ConvertDocumentStatus(); rc < 0) return "converting " + base + ".tif: " + std::to_string(rc);
    pageFiles.push_back(base + ".apf");
  }
  if (pageFiles.size() == 1) {
    std::error_code ec;
    std::filesystem::copy_file(pageFiles[0], apf, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? "copying to " + apf + ": " + ec.message() : std::string();
  }
  if (int rc = JoinFaxImageFiles(pageFiles, apf); rc < 0) return "joining into " + apf + ": " + std::to_string(rc);
  return {};
}

FaxFilePages readFaxFile(const std::string& apf) {
  FaxFilePages result;
  ApfFileHeader header;
  if (int rc = ReadApfHeader(apf, header); rc < 0) {
    result.status = rc;
    return result;
  }
  result.stationId = header.stationId;
  result.headerPageCount = header.pageCount;
  for (int page = 1; page <= header.pageCount; ++page) {
    UnpackerCore core;
    PageRows rows;
    core.outputLine = [&rows](int flag, const uint8_t* line, int, int length) {
      if (flag != kUnpackLine) return;
      std::vector<uint8_t> row(kRowBytes, 0);
      if (line) std::memcpy(row.data(), line, std::min<size_t>(kRowBytes, static_cast<size_t>(std::max(length, 0))));
      rows.push_back(std::move(row));
    };
    if (int rc = UnpackPage(core, apf, page); rc < 0) {
      result.status = rc;
      return result;
    }
    result.pages.push_back(std::move(rows));
    result.fine.push_back(core.pageHeader.fine());
    result.badCodes += core.badCodes;
  }
  return result;
}

// ---- comparing pages

std::string checkSentPage(const PageRows& received, int number, int rows, size_t* headRows) {
  const PageRows expected = testPageImage(number, rows);
  if (received.size() < expected.size() + kHeadBlankRows) {
    return "page " + std::to_string(number) + " has " + std::to_string(received.size()) + " rows, fewer than its " +
           std::to_string(rows) + " and the head";
  }
  const size_t head = received.size() - expected.size();
  if (headRows) *headRows = head;
  if (head > kHeadBlankRows + kMaxHeaderRows) {
    return "page " + std::to_string(number) + " has " + std::to_string(head) + " rows more than its image";
  }
  for (size_t y = 0; y < kHeadBlankRows; ++y) {
    if (!blankRow(received[y])) return "page " + std::to_string(number) + ": head row " + std::to_string(y) + " is not blank";
  }
  if (const int differing = differingRows(received, expected, head); differing != 0) {
    return "page " + std::to_string(number) + ": " + std::to_string(differing) + " of " + std::to_string(rows) +
           " rows differ below a head of " + std::to_string(head) + " rows";
  }
  return {};
}

std::string checkPage(const PageRows& received, int number, int rows) {
  if (received.size() != static_cast<size_t>(rows)) {
    return "page " + std::to_string(number) + " has " + std::to_string(received.size()) + " rows, sent " +
           std::to_string(rows);
  }
  if (const int differing = differingRows(received, testPageImage(number, rows), 0); differing != 0) {
    return "page " + std::to_string(number) + ": " + std::to_string(differing) + " of " + std::to_string(rows) +
           " rows differ";
  }
  return {};
}

int rowsInOrder(const PageRows& received, const PageRows& expected, size_t window) {
  int matched = 0;
  size_t next = 0;
  for (const auto& row : received) {
    for (size_t y = next; y < expected.size() && y < next + window; ++y) {
      if (expected[y] == row) {
        ++matched;
        next = y + 1;
        break;
      }
    }
  }
  return matched;
}

std::vector<std::string> listFiles(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace telvane::test
