#pragma once
// The port dispatcher. It owns one open serial port, moves bytes between
// the port and two rings on three threads of its own (event, dispatch,
// output), and turns what arrives into triggers: numbered notifications
// delivered to registered handlers. The com port component and the fax
// engine are written as handlers of these triggers.
//
// TKovaBaseDispatcher holds the logic; the device-level operations are
// virtual, and TKovaTermiosDispatcher (serial/termios_dispatcher.h)
// implements them on a POSIX terminal device.
//
// Locks: dataLock_ (trigger and handler lists, line settings, status words,
// trace and log), inputLock_ (input ring), outputLock_ (output ring). When
// nested, data before input, output and flowCharLock_; readLock_ before
// input; output before flowCharLock_. Handlers run with no lock held.
//
// A dispatch round is one pass of the dispatch thread: wait for the device
// (at most 50 ms, less when a timer expires sooner), read, fire what holds.
// A status trigger fires at most once a round, however often a handler
// re-arms it, so a trigger that re-arms itself cannot starve the rest.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/ticks.h"
#include "serial/data_trigger_matcher.h"
#include "serial/input_ring.h"
#include "serial/sync_event.h"
#include "serial/termios_device.h"
#include "serial/trace_log.h"

namespace telvane {

class MessageTarget;

// Trigger messages. The first parameter is the trigger handle (the count
// for TriggerAvail); the packed parameter is (dispatcher handle << 16) +
// data word.
inline constexpr unsigned TriggerAvail = 0x7E01;
inline constexpr unsigned TriggerData = 0x7E02;
inline constexpr unsigned TriggerTimer = 0x7E03;
inline constexpr unsigned TriggerStatus = 0x7E04;
inline constexpr int AvailTriggerHandle = 1;

// Status trigger kinds.
inline constexpr int stModem = 1, stLine = 2, stOutBuffFree = 3, stOutBuffUsed = 4, stOutSent = 5;

// ReadLineError results.
inline constexpr int leNoError = 0, leBuffer = 1, leOverrun = 2, leParity = 3, leFraming = 4, leBreak = 9;

// OpenPort line options: DTR and RTS states, then the hardware-flow bits
// shifted left by four.
inline constexpr uint32_t loDtrOn = 0x01, loRtsOn = 0x02;
inline constexpr uint32_t loFlowDtr = 0x10, loFlowRts = 0x20, loRequireDsr = 0x40, loRequireCts = 0x80;

// SetHardwareFlow options.
inline constexpr uint32_t hfUseDTR = 1, hfUseRTS = 2, hfRequireDSR = 4, hfRequireCTS = 8;
// SetSoftwareFlow options.
inline constexpr uint32_t sfTransmitFlow = 1, sfReceiveFlow = 2;

// Device escape functions.
inline constexpr int deSetXOff = 1, deSetXOn = 2, deSetRts = 3, deClrRts = 4, deSetDtr = 5, deClrDtr = 6,
                     deSetBreak = 8, deClrBreak = 9;

using TriggerProcedure = void (*)(unsigned message, unsigned param, int32_t packed);
using TriggerMethod = std::function<void(unsigned message, unsigned param, int32_t packed)>;
using WindowProcedure = std::function<void(unsigned message, unsigned wParam, int32_t lParam)>;

struct TimerTrigger {
  int handle = 0;
  TickTimer timer;
  int32_t ticks = 0;
  bool active = false;
};

struct StatusTrigger {
  int handle = 0;
  int kind = 0;
  uint16_t value = 0;  // kind 1: mask << 8 | baseline; kind 2: error mask; 3, 4: count
  bool active = false;
  bool fired = false;
};

struct DataTrigger {
  int handle = 0;
  DataTriggerMatcher matcher;
  bool matched = false;
};

// Every trigger and the avail threshold, kept across a close and reopen.
struct TriggerSaveRecord {
  std::vector<TimerTrigger> timers;
  std::vector<StatusTrigger> statuses;
  std::vector<DataTrigger> datas;
  int availThreshold = 0;
  int handleCounter = 1;
};

// What DeviceErrors reports besides the error bits.
struct DeviceStatus {
  int inputCount = 0;
  int outputCount = 0;
};

class TKovaBaseDispatcher {
public:
  static constexpr size_t InputRingSize = InputRing::Size;
  static constexpr int MaxTriggerCounter = 4096;
  static constexpr auto WindowSendTimeout = std::chrono::milliseconds(3000);

  explicit TKovaBaseDispatcher(void* owner = nullptr);
  virtual ~TKovaBaseDispatcher();
  TKovaBaseDispatcher(const TKovaBaseDispatcher&) = delete;
  TKovaBaseDispatcher& operator=(const TKovaBaseDispatcher&) = delete;

  void* Owner() const { return owner_; }
  int Handle() const { return handle_; }
  void SetDeviceName(std::string name);  // "COM3", for the log header
  std::string DeviceName() const;

  // ---- opening and line settings
  int OpenPort(const std::string& device, int32_t baud, uint32_t lineOptions, int inSize, int outSize,
               int dataBits, int stopBits, int parity);
  int ClosePort();
  bool IsOpen() const { return open_.load(); }
  int SetLineParams(int32_t baud, int parity, int dataBits, int stopBits);
  int GetLineParams(int32_t& baud, int& parity, int& dataBits, int& stopBits);
  int SetDtrLine(bool on);
  int SetRtsLine(bool on);
  bool DtrState() const;
  bool RtsState() const;
  int SetHardwareFlow(int bufferFull, int bufferResume, uint32_t options);
  int SetSoftwareFlow(int bufferFull, int bufferResume, uint32_t options);
  int SetXonXoffChars(uint8_t xon, uint8_t xoff);
  int SetBreak(bool on);
  // True while the far side is held back by our flow control.
  bool PeerStopped() const { return peerStopped_.load(); }

  // ---- data
  int SendByte(uint8_t byte);
  int SendText(std::string_view text);
  int SendBlock(std::span<const uint8_t> data);
  // Inside an avail or data delivery the handlers only peek: each reads
  // from where the delivery began, and the delivery consumes the most any
  // of them read once all have run. Any other thread (a poller while a
  // delivery runs) takes bytes as always.
  int TakeByte(uint8_t& byte);
  int PeekByte(uint8_t& byte, size_t n);
  // Takes exactly out.size() bytes, or none (-3007) when fewer are there.
  int GetBlock(std::span<uint8_t> out);
  bool ByteAvailable();
  int InputCount();
  int OutputCount();
  int OutputFree();
  // The purges are atomic with respect to the worker threads: no byte read
  // from the device before the purge reaches the ring after it, and a
  // block sent meanwhile goes out whole and once, or not at all.
  int ClearInput();
  int ClearOutput();

  // ---- status
  uint8_t ReadModemStatus(uint8_t clearMask = 0xF0);
  int ReadLineError();
  // 0 while the device works; minus the error once it vanished or failed.
  int DeviceLostCode() const { return deviceLost_.load(); }

  // ---- triggers
  int NewTimerTrigger();
  int NewStatusTrigger(int kind);
  int NewDataTrigger(std::string_view text, bool ignoreCase);
  int ArmTimerTrigger(int handle, int32_t ticks, bool activate);
  // A status trigger that already fired this round fires again at the
  // earliest in the next one, even when re-armed in its own handler.
  int ArmStatusTrigger(int handle, uint16_t value, bool activate);
  int SetAvailThreshold(int count);
  int AvailThreshold() const;
  int FreeTrigger(int handle);
  void SaveTriggerSet(TriggerSaveRecord& save) const;
  void RestoreTriggerSet(const TriggerSaveRecord& save);

  // ---- handlers
  int AddWindowHandler(MessageTarget* window, WindowProcedure procedure);
  int AddProcedureHandler(TriggerProcedure procedure);
  // `object` identifies the method for removal; with `synchronize` it runs
  // on the UI thread (sent through the UI message queue).
  int AddMethodHandler(const void* object, TriggerMethod method, bool synchronize = false);
  int RemoveWindowHandler(MessageTarget* window);
  int RemoveProcedureHandler(TriggerProcedure procedure);
  int RemoveMethodHandler(const void* object);
  // Deliveries even when only the owner's own window listens.
  void SetForceDeliveries(bool on);
  bool ForceDeliveries() const;
  bool Delivering() const { return delivering_.load(); }
  // True when the caller runs inside a delivery: on the dispatch thread, or
  // on the UI thread while the dispatch thread waits for it to handle a
  // trigger message. A close from there can only be completed afterwards.
  bool InsideDelivery() const;
  // Exceptions thrown by handlers (caught on the worker thread).
  int HandlerExceptionCount() const { return handlerExceptions_.load(); }

  // ---- trace and dispatch log
  int TraceOn(uint32_t size);
  int TraceOff();
  int TraceClear();
  int TracePause(bool paused);
  int TraceDump(const std::string& file, bool append, bool hex, bool allHex);
  bool Tracing() const;
  std::string TraceText(bool hex, bool allHex) const;
  int EventLogOn(uint32_t size);
  int EventLogOff();
  int EventLogClear();
  int EventLogPause(bool paused);
  int EventLogDump(const std::string& file, bool append, bool hex, bool allHex);
  bool Logging() const;
  std::string EventLogText(bool hex, bool allHex) const;
  // A Fax/Status entry and the like from the layers above.
  void AddLogEntry(LogType type, LogSubtype subtype, uint32_t data, std::string_view note = {});

  // ---- threads and closing
  int RunningThreads() const { return runningThreads_.load(); }
  bool ThreadsStarted() const { return threadsStarted_; }
  // Set by ClosePort during a delivery: the delivery's end completes the
  // close; the owner then calls FinishClose once RunningThreads() is 0.
  bool DestroyPending() const { return destroyPending_.load(); }
  void FinishClose();

  // ---- device layer (slot order of the design)
  virtual int DeviceEscape(int function) = 0;
  // Purges the device's own queue, transmit (which = 0) or receive; the
  // rings are the caller's, who holds their lock meanwhile.
  virtual int DevicePurge(int which) = 0;
  virtual uint32_t DeviceErrors(DeviceStatus& status) = 0;
  virtual int DeviceEventMask() { return 0; }
  virtual int DeviceGetControl(DeviceControlBlock& dcb) = 0;
  virtual int DeviceRead(uint8_t* buffer, size_t n) = 0;
  virtual int DeviceSetControl(const DeviceControlBlock& dcb) = 0;
  virtual int DeviceWrite(std::span<const uint8_t> data);
  virtual uint32_t DeviceWaitEvent(bool watchInput, int timeoutMs) = 0;
  virtual int DeviceQueueSizes(int inSize, int outSize) = 0;
  virtual void ReleaseBuffers(bool freeBuffers);
  virtual void StartThreads();
  virtual void StopThreads();
  virtual int DeviceOpen(const std::string& name, int inSize, int outSize) = 0;
  virtual void DeviceClose() = 0;
  virtual int YieldSlice();
  // POSIX additions: the raw write of the output thread, the wait for a
  // writable device, the cancel of an event wait, the modem lines, and the
  // bytes waiting in the driver.
  virtual int DeviceWriteNow(const uint8_t* data, size_t n) = 0;
  // Reads into `first`, then `second` (the input ring's free space on both
  // sides of its end). The default reads `second` only after `first` was
  // filled; a device that can read both at once overrides it.
  virtual int DeviceReadRuns(std::span<uint8_t> first, std::span<uint8_t> second);
  virtual bool DeviceWaitWritable(int timeoutMs) = 0;
  virtual void DeviceCancelWait() = 0;
  // The dispatch thread waits for input itself (one wake-up per burst, not
  // two): the com event is a wake-up of this wait.
  virtual uint32_t DeviceWaitInput(bool watchInput, int timeoutMs) = 0;
  virtual void DeviceWakeInputWait() = 0;
  virtual uint8_t DeviceModemLines() = 0;
  virtual bool DeviceHasModemLines() = 0;
  virtual int DeviceInputQueued() = 0;
  virtual int DeviceOutputQueued() = 0;
  // The error bits the driver reports since the last poll (event thread).
  virtual uint32_t DevicePollErrors() = 0;

  // Copy of the trigger lists, for tests.
  TriggerSaveRecord TriggerSnapshot() const { TriggerSaveRecord r; SaveTriggerSet(r); return r; }

protected:
  // Thread bodies and their steps.
  void eventThreadBody();
  void dispatchThreadBody();
  void outputThreadBody();
  // One read of what the device holds into the ring's free space; the
  // count read, 0 when nothing came or the ring is full.
  int readIntoRing();
  void writeOutRing();
  // Writes one run of the output ring; false when it was abandoned (a
  // purge, a flush, closing).
  bool writeRun(std::span<const uint8_t> run, uint64_t generation);
  // How long the dispatch thread may wait: 50 ms, or less when an active
  // timer trigger expires sooner (in wall milliseconds of the clock).
  int dispatchWaitMilliseconds() const;
  bool checkStatusTriggers();
  bool checkTimerTriggers();
  bool checkDataAndAvailTriggers();
  void sampleModemStatus();
  void sampleLineErrors();
  void updateInputFlow();
  void sendFlowChar(uint8_t c);
  bool flushPendingFlowChar();
  // With flowCharLock_ held, after the device's transmit queue was purged:
  // the last flow character may have been in it. True when the output
  // thread must be woken to send it.
  bool resendFlowCharAfterPurge();
  // Returns the bytes the delivery consumed (peek deliveries).
  size_t deliver(unsigned message, int handleOrCount, uint16_t dataWord, bool peek);
  // With inputLock_ held: whether the calling thread runs the handler of
  // the current peek delivery, and where it reads next.
  bool peekingHere() const;
  uint64_t readPosition() const;
  void clearAllTriggers();
  int allocateTriggerHandle();
  bool handleInUse(int handle) const;
  void recomputeWantsDeliveries();
  void recomputeWatchOutput();
  void updateOutputHold();  // with dataLock_ held, after the lines or their requirements change
  void sweepDeletedHandlers();
  void logEntry(LogType type, LogSubtype subtype, uint32_t data, std::string_view note = {},
                const uint8_t* bytes = nullptr, size_t n = 0);
  int drainAndDelay();
  void reportThreadException(const char* what);
  void waitForThread(std::atomic<bool>& ended);

  // Events. The com event is a wake-up of the dispatch thread's device
  // wait (DeviceWakeInputWait) with the event bits in pendingEvents_. The
  // output thread waits on (output, flush); a pending write on (sent,
  // flush): they share one set.
  enum { evReady = 0 };
  enum { evGeneral = 0 };
  enum { evOutput = 0, evSent = 1, evOutputFlush = 2 };
  EventSet readyEvent_;
  EventSet generalEvent_;
  EventSet outputEvents_{1u << evSent};

  void* const owner_;
  int handle_ = -1;

  mutable std::mutex dataLock_;
  mutable std::mutex inputLock_;
  mutable std::mutex outputLock_;

  // Guarded by dataLock_.
  std::string deviceName_;
  DeviceControlBlock dcb_;
  bool dtrState_ = false;
  bool rtsState_ = false;
  bool dtrFlow_ = false;       // DTR under hardware flow control
  bool rtsFlow_ = false;       // RTS under hardware flow control
  bool requireDsr_ = false;
  bool requireCts_ = false;
  bool swReceiveFlow_ = false;
  int bufferFull_ = 0;
  int bufferResume_ = 0;
  int inSize_ = 0;
  int32_t drainBaud_ = 115200;
  uint8_t modemStatus_ = 0;
  uint32_t lineErrors_ = 0;
  bool ringSeen_ = false;
  std::vector<TimerTrigger> timers_;
  std::vector<StatusTrigger> statuses_;
  std::vector<DataTrigger> datas_;
  int availThreshold_ = 0;
  int handleCounter_ = 1;
  uint64_t availFiredAt_ = UINT64_MAX;  // input position at which avail last fired
  uint64_t scanned_ = 0;               // input position data triggers examined up to
  // Handlers are shared so a delivery copies a pointer, not the callable.
  struct WindowHandler {
    MessageTarget* window;
    std::shared_ptr<const WindowProcedure> procedure;
    bool deleted;
  };
  struct ProcedureHandler {
    TriggerProcedure procedure;
    bool deleted;
  };
  struct MethodHandler {
    const void* object;
    std::shared_ptr<const TriggerMethod> method;
    bool synchronize;
    bool deleted;
  };
  std::vector<WindowHandler> windowHandlers_;
  std::vector<ProcedureHandler> procedureHandlers_;
  std::vector<MethodHandler> methodHandlers_;
  bool forceDeliveries_ = false;
  TraceBuffer trace_;
  DispatchLog log_;

  // Held by the dispatch thread across a device read and the commit of
  // its bytes, and by ClearInput across the purge of the ring and of the
  // device: a read falls wholly before a purge or wholly after it.
  std::mutex readLock_;

  // Guarded by inputLock_. Peek mode: while a handler of an avail or data
  // delivery runs, the handler call holding peekTicket_ reads from
  // peekBase_ (the read position when the delivery began) + peekCount_.
  InputRing input_;
  uint64_t peekTicket_ = 0;  // 0: no handler peeks
  uint64_t peekBase_ = 0;
  uint64_t peekCount_ = 0;
  int deviceBacklog_ = 0;  // bytes left in the driver when the ring filled
  uint64_t lastPeekTicket_ = 0;  // touched only by the dispatch thread

  // Which peek ticket the calling thread's handler holds: set around every
  // handler call on the dispatch thread, and around a handler sent to the
  // UI thread (which runs it while the delivery waits). The dispatcher is
  // only compared, never used: a handler whose send timed out may run
  // after the dispatcher is gone.
  struct PeekMark {
    const TKovaBaseDispatcher* dispatcher;
    uint64_t ticket;
  };
  static inline thread_local PeekMark peekMark_{nullptr, 0};
  class PeekMarkScope {
  public:
    PeekMarkScope(const TKovaBaseDispatcher* dispatcher, uint64_t ticket) : saved_(peekMark_) {
      peekMark_ = PeekMark{dispatcher, ticket};
    }
    ~PeekMarkScope() { peekMark_ = saved_; }
    PeekMarkScope(const PeekMarkScope&) = delete;
    PeekMarkScope& operator=(const PeekMarkScope&) = delete;

  private:
    PeekMark saved_;
  };

  // Guarded by outputLock_.
  OutputRing output_;
  uint64_t outputGeneration_ = 0;  // bumped by every purge of the output ring
  bool outputIdle_ = true;         // the output thread waits for evOutput
  bool outputWriting_ = false;     // the output thread writes a run from the ring, unlocked
  bool outputPurging_ = false;     // a purge waits for that run: take no new one
  std::condition_variable outputLetGo_;  // outputWriting_ went false
  std::mutex outputPurgeLock_;           // one output purge at a time

  // Shared flags.
  std::atomic<bool> open_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> destroyPending_{false};
  std::atomic<bool> delivering_{false};
  std::atomic<bool> uiSendInProgress_{false};  // a delivery waits for the UI thread
  std::atomic<bool> wantsDeliveries_{false};
  std::atomic<bool> tracing_{false};      // mirrors trace_.recording()
  std::atomic<bool> logging_{false};      // mirrors log_.recording()
  std::atomic<bool> peerStopped_{false};
  std::atomic<bool> flowActive_{false};   // some input flow control is on
  std::atomic<bool> inputBlocked_{false};  // ring full: the dispatch thread stops watching input
  std::atomic<int> deviceLost_{0};
  // Armed output-buffer status triggers: the output thread wakes the
  // dispatch thread as soon as one of them holds, so it fires at once
  // instead of at the next 50 ms round. INT_MAX / -1 when none is armed.
  std::atomic<int> wakeWhenFreeAtLeast_{INT32_MAX};
  std::atomic<int> wakeWhenUsedAtMost_{-1};
  std::atomic<bool> outputHeld_{false};         // CTS or DSR is required and low
  std::atomic<bool> outputWritten_{false};      // since the output-sent trigger last looked
  std::atomic<bool> outputWakePending_{false};  // an output trigger may hold: not yet looked at
  std::atomic<bool> dispatchWaiting_{false};    // the dispatch thread is in (or entering) its wait
  // A flow character the device had no room for; the output thread sends
  // it ahead of the ring's data as soon as the device takes a byte.
  // One lock orders every flow character, so a late XOff can never
  // overtake the XOn that followed it.
  std::mutex flowCharLock_;
  uint8_t pendingFlowChar_ = 0;  // guarded by flowCharLock_
  uint8_t lastFlowChar_ = 0;     // guarded by flowCharLock_: the latest one sent or pending
  std::atomic<uint32_t> pendingEvents_{0};  // device events from the event thread
  std::atomic<int> runningThreads_{0};
  std::atomic<int> handlerExceptions_{0};
  std::atomic<bool> eventEnded_{true}, dispatchEnded_{true}, outputEnded_{true};
  std::mutex threadEndLock_;
  std::condition_variable threadEnded_;

  // Touched only by the thread that opens and closes the port.
  bool threadsStarted_ = false;
  std::thread eventThread_, dispatchThread_, outputThread_;
};

}  // namespace telvane
