// Hostile fax image files through the viewer's page path: the page cache
// (page walk, cut pages, half-width crop, background decode) and the
// quarter turns. Error codes or pages, never a crash, hang or over-read.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "faximage/page_cache.h"
#include "faximage/page_rotation.h"
#include "faximage/unpacker_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  const std::string in = "/tmp/telvane-fuzz-view-" + std::to_string(getpid()) + ".apf";
  if (FILE* f = std::fopen(in.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const unsigned mode = size > 40 ? data[40] : 0;
  FaxPageCache cache;
  cache.setOptions({mode & 1 ? unpack_flag::HalfWidth : unpack_flag::DoubleHeight, mode & 2 ? 20 : 0, mode & 2 ? 5 : 0});
  if (cache.open(in) == 0) {
    cache.prefetch({2, 3});
    for (int page = 1; page <= std::min(cache.pageCount(), 3); ++page) {
      std::shared_ptr<const DecodedPage> decoded;
      cache.page(page, decoded);
      if (!decoded) continue;
      const MonoBitmap& b = decoded->bitmap;
      if (b.bits.size() != static_cast<size_t>(b.pitch) * static_cast<size_t>(b.height)) __builtin_trap();
      MonoBitmap turned;
      if (b.height <= 4096 && RotateBitmap(b, static_cast<int>(mode >> 2), turned) == 0 &&
          turned.width * turned.height != b.width * b.height)
        __builtin_trap();
    }
  }
  cache.close();
  std::remove(in.c_str());
  return 0;
}
