#pragma once
// The page every call of the benchmark sends: a fine A4 page of text-like
// rows (the codec benchmark's generator), stored twice, as a fax image file
// for telvane-fax and as a TIFF-F (T.4 1-D) file for spandsp, with the T.4
// code length of every row for measuring the fill on the wire.

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::bench {

struct BenchPage {
  static constexpr int kWidth = 1728;
  int rows = 0;
  std::vector<uint8_t> raster;      // rows x 216 bytes, set bit black
  std::vector<uint32_t> codeBits;   // each row's T.4 1-D codes, without EOL and fill
  uint32_t blankCodeBits = 0;       // an all-white row's
  uint64_t storedBytes = 0;         // the line records as the fax image file keeps them
};

BenchPage MakeBenchPage(int rows);

// Both return 0, or -1 with `error` set.
int WriteFaxImageFile(const BenchPage& page, const std::string& path, std::string& error);
int WriteTiffFile(const BenchPage& page, const std::string& path, std::string& error);

}  // namespace telvane::bench
