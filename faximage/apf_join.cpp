#include "faximage/apf_join.h"

#include <unistd.h>

#include <cstdio>

#include "faximage/apf_format.h"
#include "faximage/image_status.h"
#include "platform/io_errors.h"
#include "platform/posix_file.h"

namespace telvane {
namespace {

int ReadHeader(PosixFile& f, ApfFileHeader& h) {
  uint8_t raw[apf::kFileHeaderSize];
  if (int rc = f.readExact(raw, sizeof raw); rc < 0) return rc;
  h = UnpackFileHeader(raw);
  return 0;
}

// Only PageCount changes: every other byte of the header stays as it was.
int WritePageCount(PosixFile& f, uint16_t count) {
  uint8_t raw[2];
  Put16(raw, count);
  if (int rc = f.seek(apf::kPageCountOffset); rc < 0) return rc;
  return f.write(raw, sizeof raw);
}

// Copies `from` (from its current position to its end) to `to`'s position.
int CopyRest(PosixFile& from, PosixFile& to) {
  uint8_t block[apf::kIoBlock];
  for (;;) {
    const long n = from.read(block, sizeof block);
    if (n < 0) return static_cast<int>(n);
    if (n == 0) return 0;
    if (int rc = to.write(block, static_cast<size_t>(n)); rc < 0) return rc;
  }
}

bool Exists(const std::string& name) { return !name.empty() && ::access(name.c_str(), F_OK) == 0; }

}  // namespace

int AppendFaxImage(const std::string& destination, const std::string& source, bool /*join*/) {
  if (!Exists(destination) || !Exists(source)) return -io_error::FileNotFound;
  PosixFile dst;
  if (int rc = dst.open(destination, PosixFile::Mode::ReadWrite); rc < 0) return rc;
  ApfFileHeader dh;
  if (int rc = ReadHeader(dst, dh); rc < 0) return rc;
  if (!dh.signatureOk()) return -image_status::NotApfFile;
  const int64_t dstSize = dst.size();
  if (dstSize < 0) return static_cast<int>(dstSize);
  // Walk the destination's pages to the end of its last page.
  uint64_t end = dh.firstPageOffset;
  for (int i = 0; i < dh.pageCount; ++i) {
    uint8_t raw[apf::kPageHeaderSize];
    if (end + apf::kPageHeaderSize > static_cast<uint64_t>(dstSize)) return -image_status::NotApfFile;
    if (int rc = dst.seek(end); rc < 0) return rc;
    if (int rc = dst.readExact(raw, sizeof raw); rc < 0) return rc;
    end += apf::kPageHeaderSize + UnpackPageHeader(raw).imageLength;
  }
  if (end > static_cast<uint64_t>(dstSize)) return -image_status::NotApfFile;

  PosixFile src;
  if (int rc = src.open(source, PosixFile::Mode::Read); rc < 0) return rc;
  ApfFileHeader sh;
  if (int rc = ReadHeader(src, sh); rc < 0) return rc;
  const int64_t srcSize = src.size();
  if (srcSize < 0) return static_cast<int>(srcSize);
  if (sh.firstPageOffset > static_cast<uint64_t>(srcSize)) return -image_status::NotApfFile;
  if (static_cast<uint32_t>(dh.pageCount) + sh.pageCount > 0xFFFF) return -image_status::BadArgument;

  if (int rc = src.seek(sh.firstPageOffset); rc < 0) return rc;
  if (int rc = dst.seek(end); rc < 0) return rc;
  if (int rc = CopyRest(src, dst); rc < 0) return rc;
  if (int rc = WritePageCount(dst, static_cast<uint16_t>(dh.pageCount + sh.pageCount)); rc < 0) return rc;
  return dst.close();
}

int JoinPageFiles(const std::vector<std::string>& files) {
  for (size_t i = 1; i < files.size(); ++i)
    if (int rc = AppendFaxImage(files[0], files[i], true); rc < 0) return rc;
  for (size_t i = 1; i < files.size(); ++i) ::unlink(files[i].c_str());
  return 0;
}

int JoinFaxImageFiles(const std::vector<std::string>& files, const std::string& joined) {
  if (files.empty()) return -image_status::BadArgument;
  PosixFile out;
  if (int rc = out.open(joined, PosixFile::Mode::Create); rc < 0) return rc;
  auto fail = [&](int rc) {
    out.close();
    ::unlink(joined.c_str());
    return rc;
  };
  uint32_t pages = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    PosixFile in;
    if (int rc = in.open(files[i], PosixFile::Mode::Read); rc < 0) return fail(rc);
    ApfFileHeader h;
    if (int rc = ReadHeader(in, h); rc < 0) return fail(rc == -io_error::ReadBeyondEnd ? -image_status::NotApfFile : rc);
    if (!h.signatureOk()) return fail(-image_status::NotApfFile);
    if (i == 0)
      if (int rc = in.seek(0); rc < 0) return fail(rc);
    pages += h.pageCount;
    if (pages > 0xFFFF) return fail(-image_status::BadArgument);
    if (int rc = CopyRest(in, out); rc < 0) return fail(rc);
  }
  if (int rc = WritePageCount(out, static_cast<uint16_t>(pages)); rc < 0) return fail(rc);
  if (int rc = out.close(); rc < 0) return fail(rc);
  return 0;
}

}  // namespace telvane
