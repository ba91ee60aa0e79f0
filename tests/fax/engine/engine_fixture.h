#pragma once
// A fax component on a pseudo-terminal whose far end is a scripted modem
// running on a thread of its own, while the test thread is the UI thread
// that delivers the component's events.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fax/abstract_fax.h"
#include "fax/t30/hdlc_frame.h"
#include "platform/clock.h"
#include "serial/com_port.h"
#include "tests/fax/engine/scripted_modem.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

// What a component told its owner, in order.
struct FaxEvents {
  std::vector<int> errors;
  std::vector<int> logs;
  std::vector<int> statuses;
  bool finished = false;
  int finishCode = 1;
};

class EngineFixture : public ::testing::Test {
protected:
  EngineFixture();
  ~EngineFixture() override;

  // Wires `fax` to the pty and records its events.
  void attach(TKovaCustomAbstractFax& fax);
  // Runs `script` as the modem while `begin` starts the session on this
  // thread; waits until the session finished (or `timeout`).
  void run(const std::function<void()>& begin, const std::function<void(ScriptedModem&)>& script,
           std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // A clock `factor` times faster than the wall clock, for the engine's
  // long waits.
  void speedUp(double factor);

  // A fax image file of `pages` pages of a few coded lines each.
  std::string writeFax(const std::string& name, int pages, bool fine);
  // One page for each entry of `fine`, at that resolution.
  std::string writeFax(const std::string& name, const std::vector<bool>& fine);
  // The pages of a received fax image file in the test directory, as
  // stored; none when it cannot be read.
  std::vector<std::vector<uint8_t>> storedPages(const std::string& name) const;

  TempDir dir_;
  PtyPair pty_;
  TKovaComPort port_;
  FaxEvents events_;
  std::unique_ptr<ScaledClock> clock_;
  int unlistedBefore_ = 0;
};

// The identifier field of a CSI/TSI.
std::vector<uint8_t> Ident(std::string_view id);

}  // namespace telvane::test
