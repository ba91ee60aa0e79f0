#include "faximage/page_rotation.h"

#include <new>

#include "platform/io_errors.h"

namespace telvane {

int RotateBitmap(const MonoBitmap& in, int quarterTurns, MonoBitmap& out) {
  const int turns = ((quarterTurns % 4) + 4) % 4;
  MonoBitmap turned;
  try {
    if (turns % 2 == 1)
      turned.resize(in.height, in.width);
    else
      turned.resize(in.width, in.height);
  } catch (const std::bad_alloc&) {
    return -io_error::NotEnoughMemory;
  }
  const int w = in.width, h = in.height;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = in.row(y);
    for (int xb = 0; xb < in.pitch; ++xb) {
      if (row[xb] == 0) continue;  // most of a fax is white
      for (int bit = 0; bit < 8; ++bit) {
        const int x = xb * 8 + bit;
        if (x >= w || !((row[xb] >> (7 - bit)) & 1)) continue;
        switch (turns) {
          case 0: turned.set(x, y, true); break;
          case 1: turned.set(h - 1 - y, x, true); break;
          case 2: turned.set(w - 1 - x, h - 1 - y, true); break;
          default: turned.set(y, w - 1 - x, true); break;
        }
      }
    }
  }
  out = std::move(turned);
  return 0;
}

}  // namespace telvane
