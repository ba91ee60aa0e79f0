#pragma once
// A real pseudo-terminal for serial tests: the dispatcher opens the slave
// side by its path; the test plays the far end (the modem) on the master.
// The fixture keeps its own slave descriptor open so the master never sees
// a hang-up between a close and a reopen of the port.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace telvane::test {

class PtyPair {
public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }

  // Writes all of `data` to the far end (blocking).
  void write(const std::string& data) const;
  void write(const std::vector<uint8_t>& data) const;
  // Reads what the port sent until `n` bytes came or `timeout` passed.
  std::string read(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
  // Closes the far end: the port sees its device vanish.
  void hangUp();
  // Makes this pty the device of COMn in the program directory's TVN.INI.
  void mapAsCom(int number) const;

private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Waits up to `timeout` for `done`, running the UI message queue meanwhile
// (the test thread is the UI thread).
template <class Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10));
bool WaitForImpl(const std::function<bool()>& done, std::chrono::milliseconds timeout);
template <class Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds timeout) {
  return WaitForImpl(std::function<bool()>(done), timeout);
}

}  // namespace telvane::test
