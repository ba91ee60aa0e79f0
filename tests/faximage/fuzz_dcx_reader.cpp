// Hostile DCX files through the converter's DCX reader: an error code or a
// valid fax image file, never a crash, hang or over-read.

#include "tests/faximage/fuzz_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  const unsigned options = size > 0 ? data[0] % 32 : 0;
  fuzz::ConvertHostileFile(NewDcxReader(), "dcx", data, size, size > 1 && (data[1] & 1), options);
  return 0;
}
