// Hostile fax image files through the reader and the unpacker (bitmaps with
// every adaptation, whitespace compression and scaling), the whole-fax
// export and the append: error codes or results, never a crash, hang or
// over-read.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "faximage/apf_join.h"
#include "faximage/apf_reader.h"
#include "faximage/fax_export.h"
#include "faximage/unpacker_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  const std::string base = "/tmp/telvane-fuzz-apf-" + std::to_string(getpid());
  const std::string in = base + ".apf", out = base + ".out", dest = base + ".dst";
  if (FILE* f = std::fopen(in.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  ApfFileHeader header;
  std::vector<ApfPageInfo> pages;
  ListApfPages(in, header, pages);
  const unsigned mode = size > 40 ? data[40] : 0;
  for (int page = 1; page <= std::min<int>(header.pageCount, 3); ++page) {
    UnpackerCore core;
    SetUnpackFlags(core, mode & 1 ? unpack_flag::HalfWidth : unpack_flag::DoubleHeight);
    if (mode & 2) SetWhitespace(core, 20, 5);
    if (mode & 4) SetScaling(core, 1 + (mode >> 4), 3, 2, 1 + (mode >> 6));
    MonoBitmap bitmap;
    if (UnpackPageToBitmap(core, in, page, bitmap) == 0 && bitmap.bits.size() != static_cast<size_t>(bitmap.pitch) * static_cast<size_t>(bitmap.height))
      __builtin_trap();
  }
  if (mode & 8) {
    ExportFaxAsTiff(in, out);
  }
  // Appending it to a valid empty fax must not corrupt the destination's header.
  if (FILE* f = std::fopen(dest.c_str(), "wb")) {
    static const uint8_t empty[64] = {'A', 'P', 'F', '1', '0', 0x1A, 0, 0, 0, 0, 0, ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                      ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', 0, 0, 0, 64};
    std::fwrite(empty, 1, sizeof empty, f);
    std::fclose(f);
  }
  AppendFaxImage(dest, in, true);
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(dest.c_str());
  return 0;
}
