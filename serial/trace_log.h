#pragma once
// The trace buffer (every byte sent and received, with its direction) and
// the dispatch log (what the dispatcher did and when), with their text
// dumps. Not thread-safe: the dispatcher guards both with its data lock.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

// Writes bytes as dump text: printable bytes as themselves, others in
// square brackets as two hex digits or as a decimal number; lines break
// before an item that would pass `wrapColumn`, and continue after `indent`
// blanks.
class ByteTextWriter {
public:
  ByteTextWriter(std::string& out, bool hex, bool allHex, int wrapColumn, int indent, int column);
  void write(uint8_t byte);
  // Starts a new line of items (the caller wrote the line break).
  void restart(int column) { column_ = column; }

private:
  std::string& out_;
  bool hex_;
  bool allHex_;
  int wrapColumn_;
  int indent_;
  int column_;
};

inline constexpr uint32_t MaxTraceSize = 4000000;
inline constexpr uint32_t MaxLogSize = 16000000;

class TraceBuffer {
public:
  static constexpr char Received = 'R';
  static constexpr char Transmitted = 'T';

  // Starts recording into a ring of `size` entries (size > MaxTraceSize is
  // refused with -1002 by the caller).
  void start(uint32_t size);
  void stop();   // stops and discards
  void clear();  // empties, keeps recording
  void setPaused(bool paused) { paused_ = paused; }
  bool recording() const { return !entries_.empty() && !paused_; }
  bool active() const { return !entries_.empty(); }
  bool paused() const { return paused_; }

  void add(char kind, uint8_t byte);
  void add(char kind, const uint8_t* data, size_t n);

  // The dump text of the ring, oldest entry first.
  std::string dumpText(bool hex, bool allHex) const;
  size_t size() const { return wrapped_ ? entries_.size() : position_; }

private:
  struct Entry {
    char kind;
    uint8_t byte;
  };
  std::vector<Entry> entries_;
  size_t position_ = 0;
  bool wrapped_ = false;
  bool paused_ = false;
};

// Dispatch-log event types and subtypes; their names are the message-table
// texts 15001 + type and 15100 + subtype.
enum class LogType : uint8_t {
  NoEvent = 0, Dispatch, Trigger, Error, Thread, TrigAllc, TrigDisp, TrgHdAlc, TrgHdDsp, TrDatChg, Telnet, Fax
};
enum class LogSubtype : uint8_t {
  None = 0, ReadCom, WriteCom, LineStatus, ModemStatus, Avail, Timer, Data, Status, Start, Exit, Sleep, Wake,
  DataTrigger, TimerTrigger, StatusTrigger, AvailTrigger, Window, Procedure, Method
};

class DispatchLog {
public:
  struct Entry {
    uint64_t timeMs;
    LogType type;
    LogSubtype subtype;
    uint32_t data;
    std::string note;             // a status-trigger note, or empty
    std::vector<uint8_t> bytes;   // data bytes, or empty
  };

  // `size` bytes of storage; the oldest entries go first when it is full.
  void start(uint32_t size, uint64_t nowMs);
  void stop();
  void clear() { entries_.clear(); used_ = 0; }
  void setPaused(bool paused) { paused_ = paused; }
  bool recording() const { return capacity_ != 0 && !paused_; }
  bool active() const { return capacity_ != 0; }
  bool paused() const { return paused_; }

  void add(uint64_t nowMs, LogType type, LogSubtype subtype, uint32_t data, std::string_view note = {},
           const uint8_t* bytes = nullptr, size_t n = 0);
  const std::deque<Entry>& entries() const { return entries_; }

  // The dump text: header lines naming the device, then one line per entry.
  std::string dumpText(std::string_view deviceName, bool hex, bool allHex) const;

private:
  std::deque<Entry> entries_;
  size_t used_ = 0;
  size_t capacity_ = 0;
  uint64_t startMs_ = 0;
  bool paused_ = false;
};

// Status-trigger notes of the log ("(Modem status)" for kind 1, ...).
std::string_view StatusTriggerNote(int kind);

// Writes `text` to `path`, appended when asked and the file exists. False
// when the file cannot be written.
bool WriteDumpFile(const std::string& path, std::string_view text, bool append);

}  // namespace telvane
