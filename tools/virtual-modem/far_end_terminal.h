#pragma once
// The fax machine at the other end of the line: spandsp's T.30 terminal with
// its own modems (fax_state_t), calling in to send one or more TIFF
// documents (EOM between them, T.30 5.3.2), or answering to receive. It
// tells an observer every T.30 frame it sends or receives, which is how the
// fixture knows the page a fault belongs to.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct fax_state_s;
struct t30_state_s;

namespace telvane::vmodem {

struct FarEndConfig {
  bool calling = false;       // calls in and sends `sendFiles`
  std::vector<std::string> sendFiles;  // one document each
  std::string receiveFile;
  std::string ident;
  std::vector<uint8_t> nsf;   // information field of an NSF sent with DIS; empty: none
  bool ecm = false;
  int maxRate = 14400;
  bool verbose = false;
};

struct FarEndOutcome {
  bool finished = false;
  int code = 0;               // T.30 completion code (T30_ERR_...)
  std::string message;
  int pages = 0;              // all documents'
  int bitRate = 0;
  int yResolution = 0;        // pixels per metre
  int width = 0;
  bool ecm = false;
  std::string remoteId;
};

class FarEndTerminal {
public:
  class Observer {
  public:
    virtual ~Observer() = default;
    // `received` is true for frames the far end heard, false for its own.
    virtual void farEndFrame(bool received, uint8_t fcf) = 0;
  };

  FarEndTerminal(const FarEndConfig& config, Observer& observer);
  ~FarEndTerminal();
  FarEndTerminal(const FarEndTerminal&) = delete;
  FarEndTerminal& operator=(const FarEndTerminal&) = delete;

  void transmit(std::span<int16_t> samples);
  void receive(std::span<int16_t> samples);
  // The far end hangs up now (its call ends with the current status).
  void hangUp();

  const FarEndOutcome& outcome() const { return outcome_; }
  bool calling() const { return config_.calling; }

private:
  static void phaseE(t30_state_s* t30, void* user, int code);
  static void frame(t30_state_s* t30, void* user, int direction, const uint8_t* msg, int len);
  static int documentEnds(t30_state_s* t30, void* user, int status);
  void collectOutcome(int code);

  FarEndConfig config_;
  Observer& observer_;
  fax_state_s* fax_ = nullptr;
  FarEndOutcome outcome_;
  size_t document_ = 0;       // index in sendFiles of the one being sent
};

}  // namespace telvane::vmodem
