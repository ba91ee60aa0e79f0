#pragma once
// Devices that are not modems, on a pseudo-terminal: the far end of a pty
// run by a thread that answers as the device would. The path of the slave
// side is what the code under test opens.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace telvane::test {

class ScriptedPty {
public:
  enum class Behaviour {
    Silent,        // never reads, never answers
    AnswerError,   // "ERROR" to every line
    EchoGarbage,   // echoes every byte, followed by noise
    CloseOnInput,  // goes away as soon as something arrives
    AnswerOk,      // "OK" to every line (a minimal modem)
  };

  explicit ScriptedPty(Behaviour behaviour);
  ~ScriptedPty();
  ScriptedPty(const ScriptedPty&) = delete;
  ScriptedPty& operator=(const ScriptedPty&) = delete;

  const std::string& path() const { return path_; }
  // What the device has been sent so far.
  std::string received() const;

private:
  void serve();

  Behaviour behaviour_;
  int master_ = -1;
  int slaveKeeper_ = -1;  // keeps the slave side alive between openers
  std::string path_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::string received_;  // guarded by mutex_
  std::thread server_;
};

}  // namespace telvane::test
