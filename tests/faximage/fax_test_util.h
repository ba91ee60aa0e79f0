#pragma once
// Helpers of the fax image tests: writing fax image files from raster
// pages, decoding them back, files as byte strings.

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

using Bytes = std::vector<uint8_t>;

struct RasterPage {
  int width = 1728;
  bool fine = true;
  std::vector<Bytes> rows;  // width/8 bytes each
};

RasterPage PageFromBuffer(const Bytes& raster, int width, int rows, bool fine = true);

// Writes pages as line records (margin 0) with the writer; asserts success.
void WriteApf(const std::string& path, const std::vector<RasterPage>& pages, const std::string& station = "");

// Decodes page `page` without any adaptation; rows as decoded.
std::vector<Bytes> DecodeApfPage(const std::string& path, int page, int* status = nullptr);

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& data);
void WriteBytes(const std::string& path, const std::string& data);

// A raw APF file from parts: header with `pageCount`, then pages of
// (flags, data) with ImageLength = data size (or `lengths` when given).
Bytes BuildApf(uint16_t pageCount, const std::vector<std::pair<uint16_t, Bytes>>& pages,
               const std::vector<uint32_t>& lengths = {});

// The line records of page data with flag bit 2 (length words) stripped.
Bytes StripLengthWords(const Bytes& pageData);

// The bytes of page `page` (from 1) of an APF file, without its header.
Bytes PageData(const std::string& path, int page);

// Bit helpers for raster rows.
void SetPixel(Bytes& row, int x);
bool Pixel(const Bytes& row, int x);

// Runs of a row as (colour, length) from pixel 0, for readable expectations.
std::vector<std::pair<int, int>> RunsOf(const Bytes& row, int width);

}  // namespace telvane::test
