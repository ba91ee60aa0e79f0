#include "serial/trace_log.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "serial/message_table.h"

namespace telvane {
namespace {
constexpr std::string_view kNewLine = "\r\n";
constexpr int kTraceWrapColumn = 78;
constexpr int kLogWrapColumn = 79;
constexpr int kLogDataIndent = 45;
constexpr size_t kLogEntryOverhead = 24;  // storage charged per entry besides its bytes
}  // namespace

ByteTextWriter::ByteTextWriter(std::string& out, bool hex, bool allHex, int wrapColumn, int indent, int column)
    : out_(out), hex_(hex), allHex_(allHex), wrapColumn_(wrapColumn), indent_(indent), column_(column) {}

void ByteTextWriter::write(uint8_t byte) {
  char item[8];
  int width;
  // With non-printables in hex the blank is bracketed too, so every
  // unbracketed character in the dump is visible.
  const uint8_t lowest = hex_ ? '!' : ' ';
  if (!allHex_ && byte >= lowest && byte <= '~') {
    item[0] = static_cast<char>(byte);
    width = 1;
  } else if (allHex_ || hex_) {
    width = std::snprintf(item, sizeof item, "[%02X]", byte);
  } else {
    width = std::snprintf(item, sizeof item, "[%d]", byte);
  }
  if (column_ + width > wrapColumn_) {
    out_ += kNewLine;
    out_.append(static_cast<size_t>(indent_), ' ');
    column_ = indent_;
  }
  out_.append(item, static_cast<size_t>(width));
  column_ += width;
}

void TraceBuffer::start(uint32_t size) {
  entries_.assign(std::max<uint32_t>(size, 1), Entry{0, 0});
  position_ = 0;
  wrapped_ = false;
  paused_ = false;
}

void TraceBuffer::stop() {
  entries_.clear();
  entries_.shrink_to_fit();
  position_ = 0;
  wrapped_ = false;
  paused_ = false;
}

void TraceBuffer::clear() {
  position_ = 0;
  wrapped_ = false;
}

void TraceBuffer::add(char kind, uint8_t byte) {
  if (!recording()) return;
  entries_[position_] = Entry{kind, byte};
  if (++position_ == entries_.size()) {
    position_ = 0;
    wrapped_ = true;
  }
}

void TraceBuffer::add(char kind, const uint8_t* data, size_t n) {
  if (!recording()) return;
  for (size_t i = 0; i < n; ++i) add(kind, data[i]);
}

std::string TraceBuffer::dumpText(bool hex, bool allHex) const {
  std::string out;
  const size_t total = size();
  const size_t first = wrapped_ ? position_ : 0;
  char kind = 0;
  ByteTextWriter writer(out, hex, allHex, kTraceWrapColumn, 0, 0);
  for (size_t i = 0; i < total; ++i) {
    const Entry& e = entries_[(first + i) % entries_.size()];
    if (i == 0 || e.kind != kind) {
      if (i != 0) out += std::string(kNewLine) + std::string(kNewLine);
      kind = e.kind;
      if (kind == TraceBuffer::Transmitted)
        out += "Transmit: ";
      else if (kind == TraceBuffer::Received)
        out += "Receive: ";
      else
        out += std::string("Special-") + kind + ": ";
      out += kNewLine;
      writer.restart(0);
    }
    writer.write(e.byte);
  }
  if (total != 0) out += kNewLine;
  return out;
}

void DispatchLog::start(uint32_t size, uint64_t nowMs) {
  entries_.clear();
  used_ = 0;
  capacity_ = std::max<uint32_t>(size, 1);
  startMs_ = nowMs;
  paused_ = false;
}

void DispatchLog::stop() {
  entries_.clear();
  used_ = 0;
  capacity_ = 0;
  paused_ = false;
}

void DispatchLog::add(uint64_t nowMs, LogType type, LogSubtype subtype, uint32_t data, std::string_view note,
                      const uint8_t* bytes, size_t n) {
  if (!recording()) return;
  const size_t cost = kLogEntryOverhead + n + note.size();
  if (cost > capacity_) return;  // an entry larger than the whole log is not kept
  while (used_ + cost > capacity_ && !entries_.empty()) {
    const Entry& old = entries_.front();
    used_ -= kLogEntryOverhead + old.bytes.size() + old.note.size();
    entries_.pop_front();
  }
  Entry entry{nowMs - startMs_, type, subtype, data, std::string(note), {}};
  if (bytes && n) entry.bytes.assign(bytes, bytes + n);
  entries_.push_back(std::move(entry));
  used_ += cost;
}

std::string_view StatusTriggerNote(int kind) {
  switch (kind) {
    case 1: return "(Modem status)";
    case 2: return "(Line status)";
    case 3: return "(Output buffer free)";
    case 4: return "(Output buffer used)";
    case 5: return "(Output sent)";
    default: return "(Not active)";
  }
}

std::string DispatchLog::dumpText(std::string_view deviceName, bool hex, bool allHex) const {
  std::string out;
  auto line = [&out](std::string_view text) {
    out += text;
    out += kNewLine;
  };
  line("KOVA v3.06");
#if defined(__clang__)
  line(std::string("Compiler : clang ") + __clang_version__);
#elif defined(__GNUC__)
  line(std::string("Compiler : GCC ") + __VERSION__);
#else
  line("Compiler : unknown");
#endif
  struct utsname name {};
  if (::uname(&name) == 0)
    line(std::string("Operating System : ") + name.sysname + " " + name.release + " " + name.version);
  else
    line("Operating System : Unknown");
  line(std::string("Device: ") + std::string(deviceName));
  line("Time      Type      SubType       Data      OtherData");
  line("--------  --------  ------------  --------  ---------");
  for (const Entry& e : entries_) {
    // Seconds and milliseconds of the last 10,000 s: "0012.345".
    const unsigned long long ms = e.timeMs % 10000000ull;
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%04llu.%03llu", ms / 1000, ms % 1000);
    const std::string type(MessageText(15001 + static_cast<int>(e.type)));
    const std::string subtype(MessageText(15100 + static_cast<int>(e.subtype)));
    char head[96];
    std::snprintf(head, sizeof head, "%8s  %-8s  %-12s  %08x  ", stamp, type.c_str(), subtype.c_str(),
                  e.data);
    out += head;
    if (!e.note.empty()) {
      out += e.note;
    } else {
      ByteTextWriter writer(out, hex, allHex, kLogWrapColumn, kLogDataIndent, kLogDataIndent - 1);
      for (uint8_t b : e.bytes) writer.write(b);
    }
    out += kNewLine;
  }
  return out;
}

bool WriteDumpFile(const std::string& path, std::string_view text, bool append) {
  std::ofstream file(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!file) return false;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(file);
}

}  // namespace telvane
