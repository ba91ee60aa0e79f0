#pragma once
// Shared body of the image reader fuzz targets: the hostile bytes become a
// file, the converter reads it with the given reader into a fax image file,
// and whatever comes out must be a readable fax image file (or nothing).

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "faximage/apf_reader.h"
#include "faximage/converter_core.h"
#include "faximage/image_readers.h"

namespace telvane::fuzz {

inline std::string TempName(const char* ext) {
  return "/tmp/telvane-fuzz-" + std::to_string(getpid()) + "." + ext;
}

inline void ConvertHostileFile(std::unique_ptr<FaxInputReader> reader, const char* ext, const uint8_t* data,
                               size_t size, bool fine, unsigned options) {
  const std::string in = TempName(ext), out = TempName("apf");
  if (FILE* f = std::fopen(in.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  auto core = NewConverterCore(std::move(reader));
  core->inFileName = in;
  core->outFileName = out;
  core->fine = fine;
  core->options = options;
  core->yield = [] { return 0; };
  // A hostile file may ask for endless pages: bounded by the status callback.
  core->status = [&core](int, uint64_t, uint64_t) { return core->page > 64; };
  const int rc = ConvertDocumentCore(*core);
  if (rc == 0) {
    ApfFileHeader h;
    if (ReadApfHeader(out, h) != 0 || h.pageCount == 0) __builtin_trap();
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
}

}  // namespace telvane::fuzz
