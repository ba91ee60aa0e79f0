#pragma once
// The user-interface thread's message queue. Worker threads (serial
// dispatch, fax engine) never touch windows: they post a message (queue and
// return) or send one (queue and wait, bounded by a time-out) and the UI
// thread runs it when it drains the queue. The program drains it from its
// event loop; tests drain it by hand.
//
// A message is a function that owns what it uses: a send that times out
// returns while the message may still run later, or is dropped if it has not
// started yet.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace telvane {

enum class SendResult { Delivered, TimedOut, Closed };

class UiMessageQueue {
public:
  using Message = std::function<void()>;

  UiMessageQueue();
  ~UiMessageQueue();
  UiMessageQueue(const UiMessageQueue&) = delete;
  UiMessageQueue& operator=(const UiMessageQueue&) = delete;

  void post(Message message);

  // Waits at most `timeout` for the UI thread to run the message. Called on
  // the UI thread itself it runs the message at once.
  SendResult send(Message message, std::chrono::milliseconds timeout);

  // Runs the messages queued at the time of the call; returns how many ran.
  // The thread that calls it becomes the UI thread.
  size_t drain();

  // Called on the posting thread whenever a message is queued, so the owner
  // can schedule a drain on its event loop.
  void setWakeup(std::function<void()> wakeup);

  void setUiThread(std::thread::id id);
  bool onUiThread() const;

  // Drops what is queued; later posts are ignored and sends answer Closed.
  void shutdown();
  // Opens the queue again after shutdown (tests).
  void reopen();

  size_t pending() const;

private:
  struct Entry;
  std::shared_ptr<Entry> enqueue(Message message, bool waited);

  mutable std::mutex mutex_;
  std::condition_variable done_;                 // a sent message finished
  std::deque<std::shared_ptr<Entry>> entries_;   // guarded by mutex_
  std::function<void()> wakeup_;                 // guarded by mutex_
  std::thread::id uiThread_;                     // guarded by mutex_
  bool closed_ = false;                          // guarded by mutex_
};

// The program's one queue.
UiMessageQueue& UiQueue();

// A hidden window: the address of messages for one receiver. Messages that
// are still queued when the target closes are dropped, so nothing reaches a
// receiver that is gone.
class MessageTarget {
public:
  explicit MessageTarget(UiMessageQueue& queue = UiQueue());
  ~MessageTarget();
  MessageTarget(const MessageTarget&) = delete;
  MessageTarget& operator=(const MessageTarget&) = delete;

  void post(UiMessageQueue::Message message);
  SendResult send(UiMessageQueue::Message message, std::chrono::milliseconds timeout);
  // Stops delivery; safe to call more than once and from any thread.
  void close();
  bool isOpen() const;

private:
  UiMessageQueue::Message guarded(UiMessageQueue::Message message) const;

  UiMessageQueue& queue_;
  std::shared_ptr<std::recursive_mutex> lock_;  // held while a message for this target runs
  std::shared_ptr<bool> open_;         // guarded by *lock_
};

}  // namespace telvane
