#include "tests/faximage/fax_test_util.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "faximage/apf_format.h"
#include "faximage/apf_reader.h"
#include "faximage/apf_writer.h"
#include "faximage/t4_encoder.h"
#include "faximage/unpacker_core.h"

namespace telvane::test {

RasterPage PageFromBuffer(const Bytes& raster, int width, int rows, bool fine) {
  RasterPage p;
  p.width = width;
  p.fine = fine;
  const size_t rb = static_cast<size_t>(width / 8);
  for (int y = 0; y < rows; ++y)
    p.rows.emplace_back(raster.begin() + static_cast<long>(y * rb), raster.begin() + static_cast<long>((y + 1) * rb));
  return p;
}

void WriteApf(const std::string& path, const std::vector<RasterPage>& pages, const std::string& station) {
  ApfWriter w;
  ASSERT_EQ(w.CreateApfFile(path), 0);
  uint8_t coded[kCodedLineCapacity + 16];
  for (size_t p = 0; p < pages.size(); ++p) {
    w.SetPage(static_cast<int>(p + 1), pages[p].fine, pages[p].width == 2048);
    for (const auto& row : pages[p].rows) {
      const size_t n = EncodeLineRecord(row.data(), {pages[p].width, 0, false}, coded);
      ASSERT_EQ(w.PutLineRecord(coded, n), 0);
    }
    ASSERT_EQ(w.EndPage(), 0);
  }
  ASSERT_EQ(w.CloseApfFile(station), 0);
}

std::vector<Bytes> DecodeApfPage(const std::string& path, int page, int* status) {
  UnpackerCore core;
  std::vector<Bytes> rows;
  core.outputLine = [&](int flag, const uint8_t* line, int, int length) {
    if (flag == kUnpackLine) rows.emplace_back(line, line + length);
  };
  const int rc = UnpackPage(core, path, page);
  if (status) *status = rc;
  return rows;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void WriteBytes(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

Bytes BuildApf(uint16_t pageCount, const std::vector<std::pair<uint16_t, Bytes>>& pages,
               const std::vector<uint32_t>& lengths) {
  Bytes out(apf::kFileHeaderSize);
  ApfFileHeader h = NewApfFileHeader();
  h.pageCount = pageCount;
  PackFileHeader(h, std::span<uint8_t, apf::kFileHeaderSize>(out.data(), apf::kFileHeaderSize));
  for (size_t i = 0; i < pages.size(); ++i) {
    ApfPageHeader ph;
    ph.imageFlags = pages[i].first;
    ph.imageLength = i < lengths.size() ? lengths[i] : static_cast<uint32_t>(pages[i].second.size());
    uint8_t raw[apf::kPageHeaderSize];
    PackPageHeader(ph, raw);
    out.insert(out.end(), raw, raw + sizeof raw);
    out.insert(out.end(), pages[i].second.begin(), pages[i].second.end());
  }
  return out;
}

Bytes StripLengthWords(const Bytes& data) {
  Bytes out;
  size_t i = 0;
  while (i + 2 <= data.size()) {
    const size_t n = Get16(&data[i]);
    i += 2;
    out.insert(out.end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(std::min(i + n, data.size())));
    i += n;
  }
  return out;
}

Bytes PageData(const std::string& path, int page) {
  const Bytes file = ReadBytes(path);
  ApfPageReader r;
  EXPECT_EQ(r.open(path, page), 0);
  const size_t at = static_cast<size_t>(r.dataOffset());
  return Bytes(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + r.pageHeader().imageLength));
}

void SetPixel(Bytes& row, int x) { row[static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7)); }
bool Pixel(const Bytes& row, int x) { return (row[static_cast<size_t>(x >> 3)] >> (7 - (x & 7))) & 1; }

std::vector<std::pair<int, int>> RunsOf(const Bytes& row, int width) {
  std::vector<std::pair<int, int>> runs;
  int colour = 0, length = 0;
  for (int x = 0; x < width; ++x) {
    const int c = Pixel(row, x);
    if (c != colour) {
      runs.emplace_back(colour, length);
      colour = c;
      length = 0;
    }
    ++length;
  }
  runs.emplace_back(colour, length);
  return runs;
}

}  // namespace telvane::test
