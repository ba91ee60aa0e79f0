#include "tests/fax/engine/scripted_modem.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "fax/t30/hdlc_frame.h"
#include "fax/t30/session_params.h"

namespace telvane::test {
namespace {
constexpr uint8_t kDle = 0x10, kEtx = 0x03;
}

int ScriptedModem::readByte(std::chrono::steady_clock::time_point deadline) {
  if (!pending_.empty()) {
    const int b = static_cast<uint8_t>(pending_.front());
    pending_.erase(0, 1);
    return b;
  }
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return -1;
    pollfd p{pty_.master(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    uint8_t buffer[512];
    const ssize_t n = ::read(pty_.master(), buffer, sizeof buffer);
    if (n <= 0) continue;
    pending_.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    return readByte(deadline);
  }
}

std::string ScriptedModem::command(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string line;
  for (;;) {
    const int b = readByte(deadline);
    if (b < 0) return {};
    if (b == '\r') {
      if (!line.empty()) return line;
      continue;
    }
    if (b == ' ' && line.empty()) ++cancels_;
    else if (b >= 32) line.push_back(static_cast<char>(b));
  }
}

std::string ScriptedModem::expect(std::string_view prefix, std::chrono::milliseconds timeout) {
  const std::string got = command(timeout);
  EXPECT_TRUE(got.starts_with(prefix)) << "expected a command starting \"" << prefix << "\", got \"" << got << "\"";
  return got;
}

void ScriptedModem::reply(std::string_view text) const { pty_.write("\r\n" + std::string(text) + "\r\n"); }

std::vector<uint8_t> ScriptedModem::block(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::vector<uint8_t> out;
  bool afterDle = false;
  for (;;) {
    const int b = readByte(deadline);
    if (b < 0) return {};
    if (afterDle) {
      afterDle = false;
      if (b == kEtx) return out;
      if (b == kDle) out.push_back(kDle);
      continue;
    }
    if (b == kDle) afterDle = true;
    else out.push_back(static_cast<uint8_t>(b));
  }
}

void ScriptedModem::frame(uint8_t fcf, std::span<const uint8_t> info, bool final, bool goodFcs) const {
  std::vector<uint8_t> bytes = t30::BuildFrame(fcf, info, final);
  bytes.push_back(0x5A);  // FCS: the modem checked it; its value does not matter here
  bytes.push_back(0xA5);
  std::vector<uint8_t> shielded = t30::ShieldForModem(bytes);
  const std::string result = goodFcs ? "\r\nOK\r\n" : "\r\nERROR\r\n";
  shielded.insert(shielded.end(), result.begin(), result.end());
  pty_.write(shielded);
}

void ScriptedModem::answerInit(std::string_view modulations) {
  expect("ATE0Q0V1X");
  reply("OK");
  expect("AT+FCLASS=1");
  reply("OK");
  const std::string query = command();
  EXPECT_TRUE(query == "AT+FTM=?" || query == "AT+FRM=?") << query;
  reply(modulations);
  reply("OK");
}

std::vector<uint8_t> FullDis() {
  t30::DisOffer offer;
  offer.rates.fill(true);
  const auto dis = t30::EncodeDis(offer);
  return {dis.begin(), dis.end()};
}

}  // namespace telvane::test
