#include "bench/fax/reference_call.h"

#include <array>
#include <chrono>
#include <thread>

#include "tools/virtual-modem/far_end_terminal.h"
#include "tools/virtual-modem/line_pacer.h"
#include "tools/virtual-modem/telephone_line.h"

extern "C" {
#include <spandsp.h>
}

namespace telvane::bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSampleRate = 8000;
constexpr int kBlockSamples = 160;  // the fixture's 20 ms block

class QuietObserver final : public vmodem::FarEndTerminal::Observer {
public:
  void farEndFrame(bool, uint8_t) override {}
};

// spandsp's fax terminal with what Telvane's engine offers.
class HostTerminal {
public:
  explicit HostTerminal(const ReferenceSetup& setup) {
    fax_ = fax_init(nullptr, setup.hostSends ? 1 : 0);
    fax_set_transmit_on_idle(fax_, 1);
    t30_state_t* t30 = fax_get_t30_state(fax_);
    t30_set_tx_ident(t30, "+1 555 0123");
    int modems = T30_SUPPORT_V27TER;
    if (setup.rate >= 7200) modems |= T30_SUPPORT_V29;
    if (setup.rate >= 12000) modems |= T30_SUPPORT_V17;
    t30_set_supported_modems(t30, modems);
    t30_set_ecm_capability(t30, 0);
    t30_set_supported_compressions(t30, T30_SUPPORT_T4_1D_COMPRESSION);
    if (setup.hostSends) t30_set_tx_file(t30, setup.pageTiff.c_str(), -1, -1);
    else t30_set_rx_file(t30, (setup.workDir + "/reference-host-received.tif").c_str(), -1);
  }
  ~HostTerminal() { fax_free(fax_); }
  HostTerminal(const HostTerminal&) = delete;
  HostTerminal& operator=(const HostTerminal&) = delete;

  void transmit(std::span<int16_t> samples) {
    int done = 0;
    const int wanted = static_cast<int>(samples.size());
    while (done < wanted) {
      const int n = fax_tx(fax_, samples.data() + done, wanted - done);
      if (n <= 0) break;
      done += n;
    }
    for (int i = done; i < wanted; ++i) samples[static_cast<size_t>(i)] = 0;
  }
  void receive(std::span<int16_t> samples) { fax_rx(fax_, samples.data(), static_cast<int>(samples.size())); }

private:
  fax_state_t* fax_ = nullptr;
};

}  // namespace

ReferenceResult RunReferenceCall(const ReferenceSetup& setup) {
  vmodem::FarEndConfig config;
  config.calling = !setup.hostSends;
  if (!setup.hostSends) config.sendFiles = {setup.pageTiff};
  config.receiveFile = setup.workDir + "/reference-far-received.tif";
  config.ident = "+1 555 0100";
  config.maxRate = setup.rate;
  QuietObserver observer;
  vmodem::FarEndTerminal farEnd(config, observer);
  HostTerminal host(setup);
  vmodem::TelephoneLine line(setup.lineDelayMs * kSampleRate / 1000, 1);
  vmodem::LinePacer pacer(std::chrono::microseconds(1000000 * kBlockSamples / kSampleRate), setup.speed);

  ReferenceResult result;
  const auto start = Clock::now();
  const auto limit = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(setup.limitSeconds / setup.speed));
  while (!farEnd.outcome().finished && Clock::now() < limit) {
    const int wait = pacer.millisecondsToNextBlock();
    if (wait > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(wait));
      continue;
    }
    // As the fixture's exchange does it: the program's side first.
    std::array<int16_t, kBlockSamples> a{};
    std::array<int16_t, kBlockSamples> b{};
    host.transmit(a);
    farEnd.transmit(b);
    line.carry(a, b);
    host.receive(b);
    farEnd.receive(a);
    pacer.blockDone();
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count() * setup.speed;
  const vmodem::FarEndOutcome& o = farEnd.outcome();
  result.ok = o.finished && o.code == T30_ERR_OK && o.pages == 1;
  result.message = o.finished ? o.message : "did not finish";
  result.pages = o.pages;
  result.rate = o.bitRate;
  return result;
}

}  // namespace telvane::bench
