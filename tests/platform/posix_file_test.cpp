// The file handle and the whole-file helpers, on real files. The buffered
// writer's flushing rule is covered with the fax image writer.

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/file_helpers.h"
#include "platform/io_errors.h"
#include "platform/posix_file.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

std::string ReadAtString(const PosixFile& f, uint64_t offset, size_t size) {
  std::string s(size, '\0');
  const int64_t n = f.readAt(offset, s.data(), s.size());
  s.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return s;
}

TEST(PosixFile, PositionalAndStreamIoShareOneHandle) {
  test::TempDir dir;
  PosixFile f;
  ASSERT_EQ(f.open(dir.file("a.bin"), PosixFile::Mode::Create), 0);
  ASSERT_EQ(f.write("hello world", 11), 0);
  EXPECT_EQ(f.position(), 11);
  ASSERT_EQ(f.writeAt(0, "J", 1), 0);
  EXPECT_EQ(f.position(), 11);  // positional writes leave the stream where it was
  EXPECT_EQ(ReadAtString(f, 0, 5), "Jello");
  EXPECT_EQ(ReadAtString(f, 6, 100), "world");  // short at the end
  EXPECT_EQ(ReadAtString(f, 50, 4), "");
  ASSERT_EQ(f.seek(6), 0);
  char buf[8] = {};
  ASSERT_EQ(f.read(buf, 5), 5);
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(f.read(buf, 5), 0);
  ASSERT_EQ(f.seek(8), 0);
  EXPECT_EQ(f.readExact(buf, 4), -io_error::ReadBeyondEnd);
  ASSERT_EQ(f.write("!", 1), 0);  // the stream goes on from where the short read stopped
  EXPECT_EQ(ReadAtString(f, 0, 20), "Jello world!");
  EXPECT_EQ(f.size(), 12);
  ASSERT_EQ(f.truncate(5), 0);
  EXPECT_EQ(f.size(), 5);
  EXPECT_EQ(f.sync(), 0);
  EXPECT_EQ(f.close(), 0);
  EXPECT_EQ(dir.read("a.bin"), "Jello");

  // Moving hands the descriptor over; the source is left closed.
  PosixFile g;
  ASSERT_EQ(g.open(dir.file("a.bin"), PosixFile::Mode::ReadWrite), 0);
  PosixFile h(std::move(g));
  EXPECT_FALSE(g.isOpen());
  EXPECT_EQ(ReadAtString(h, 1, 4), "ello");
}

TEST(PosixFile, EveryOperationOnAClosedHandleIsFileNotOpen) {
  PosixFile f;
  char c = 0;
  EXPECT_EQ(f.readAt(0, &c, 1), -io_error::FileNotOpen);
  EXPECT_EQ(f.writeAt(0, &c, 1), -io_error::FileNotOpen);
  EXPECT_EQ(f.read(&c, 1), -io_error::FileNotOpen);
  EXPECT_EQ(f.write(&c, 1), -io_error::FileNotOpen);
  EXPECT_EQ(f.seek(0), -io_error::FileNotOpen);
  EXPECT_EQ(f.position(), -io_error::FileNotOpen);
  EXPECT_EQ(f.size(), -io_error::FileNotOpen);
  EXPECT_EQ(f.truncate(0), -io_error::FileNotOpen);
  EXPECT_EQ(f.sync(), -io_error::FileNotOpen);
  EXPECT_FALSE(f.lock(true));
  EXPECT_EQ(f.close(), 0);
}

// Files a user names may be devices; only directories and no name at all are refused.
TEST(PosixFile, ModeOpenRefusesAnEmptyNameAndDirectoriesOnly) {
  test::TempDir dir;
  PosixFile f;
  EXPECT_EQ(f.open("", PosixFile::Mode::Read), -io_error::FileNotFound);
  EXPECT_EQ(f.open(dir.path(), PosixFile::Mode::Read), -io_error::AccessDenied);
  EXPECT_EQ(f.open(dir.path(), PosixFile::Mode::ReadWrite), -io_error::AccessDenied);
  EXPECT_EQ(f.open(dir.file("none"), PosixFile::Mode::Read), -io_error::FileNotFound);
  EXPECT_EQ(f.open(dir.file("no/such"), PosixFile::Mode::Create), -io_error::FileNotFound);
  EXPECT_FALSE(f.isOpen());
  EXPECT_EQ(f.open("/dev/null", PosixFile::Mode::ReadWrite), 0);
  EXPECT_EQ(f.write("x", 1), 0);
}

// Table files must be regular files: a device, a directory or a pipe is
// refused, and a pipe with no writer must not hold the open.
TEST(PosixFile, FlagsOpenTakesRegularFilesOnly) {
  test::TempDir dir;
  dir.write("t.dbf", "records");
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  PosixFile f;
  EXPECT_EQ(f.open(dir.path(), O_RDONLY), -io_error::AccessDenied);
  EXPECT_EQ(f.open("/dev/null", O_RDWR), -io_error::AccessDenied);
  EXPECT_EQ(f.open(dir.file("pipe"), O_RDONLY), -io_error::AccessDenied);
  EXPECT_EQ(f.open(dir.file("pipe"), O_RDWR), -io_error::AccessDenied);
  EXPECT_EQ(f.open(dir.file("none"), O_RDWR), -io_error::FileNotFound);
  EXPECT_EQ(f.open("", O_RDONLY), -io_error::FileNotFound);
  EXPECT_FALSE(f.isOpen());
  ASSERT_EQ(f.open(dir.file("t.dbf"), O_RDWR), 0);
  EXPECT_EQ(ReadAtString(f, 0, 7), "records");

  // Locks never wait: a second exclusive or shared holder is refused at once.
  PosixFile other;
  ASSERT_EQ(other.open(dir.file("t.dbf"), O_RDONLY), 0);
  EXPECT_TRUE(f.lock(true));
  EXPECT_FALSE(other.lock(false));
  f.close();
  EXPECT_TRUE(other.lock(false));
  ASSERT_EQ(f.open(dir.file("t.dbf"), O_RDONLY), 0);
  EXPECT_TRUE(f.lock(false));
}

TEST(FileHelpers, AtomicWriteReplacesTheFileAndLeavesNoTemporaryOnFailure) {
  test::TempDir dir;
  dir.write("t.cdx", "old contents");
  ASSERT_EQ(WriteFileAtomically(dir.file("t.cdx"), "new", 3), 0);
  EXPECT_EQ(dir.read("t.cdx"), "new");
  EXPECT_FALSE(dir.exists("t.cdx.tmp"));

  // A file cannot be renamed over a directory: the temporary goes.
  ASSERT_EQ(::mkdir(dir.file("busy").c_str(), 0700), 0);
  dir.write("busy/x", "x");
  EXPECT_EQ(WriteFileAtomically(dir.file("busy"), "new", 3), -io_error::AccessDenied);
  EXPECT_FALSE(dir.exists("busy.tmp"));
  EXPECT_TRUE(dir.exists("busy/x"));
  EXPECT_EQ(WriteFileAtomically(dir.file("no/t.cdx"), "new", 3), -io_error::FileNotFound);

  EXPECT_TRUE(FileExists(dir.file("t.cdx")));
  EXPECT_FALSE(FileExists(dir.file("busy")));
  EXPECT_FALSE(FileExists(dir.file("none")));
}

TEST(FileHelpers, MapsEmptyAndNonEmptyFiles) {
  test::TempDir dir;
  dir.write("empty", "");
  dir.write("full", std::string(10000, 'x') + "end");
  MappedFile m;
  ASSERT_EQ(m.map(dir.file("full")), 0);
  EXPECT_EQ(m.bytes().size(), 10003u);
  EXPECT_EQ(m.bytes().substr(10000), "end");
  ASSERT_EQ(m.map(dir.file("empty")), 0);  // remapping drops the old mapping
  EXPECT_TRUE(m.empty());
  EXPECT_TRUE(m.bytes().empty());
  EXPECT_EQ(m.map(dir.file("none")), -io_error::FileNotFound);
  EXPECT_EQ(m.map(dir.path()), -io_error::AccessDenied);
  EXPECT_TRUE(m.empty());
  ASSERT_EQ(m.map(dir.file("full")), 0);
  m.unmap();
  EXPECT_TRUE(m.empty());
}

TEST(FileHelpers, ReadWholeFileRefusesFilesOverTheLimit) {
  test::TempDir dir;
  dir.write("f", "0123456789");
  std::string out;
  ASSERT_EQ(ReadWholeFile(dir.file("f"), out, 10), 0);
  EXPECT_EQ(out, "0123456789");
  EXPECT_EQ(ReadWholeFile(dir.file("f"), out, 9), -io_error::NotEnoughMemory);
  EXPECT_EQ(ReadWholeFile(dir.file("none"), out, 10), -io_error::FileNotFound);
  EXPECT_EQ(ReadWholeFile(dir.path(), out, 10), -io_error::AccessDenied);
}

}  // namespace
}  // namespace telvane
