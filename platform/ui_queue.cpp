#include "platform/ui_queue.h"

#include <cstdio>
#include <exception>

namespace telvane {

struct UiMessageQueue::Entry {
  enum class State { Queued, Running, Done, Cancelled };
  Message message;
  bool waited = false;  // a send: someone waits on done_
  State state = State::Queued;
};

UiMessageQueue::UiMessageQueue() : uiThread_(std::this_thread::get_id()) {}

UiMessageQueue::~UiMessageQueue() { shutdown(); }

std::shared_ptr<UiMessageQueue::Entry> UiMessageQueue::enqueue(Message message, bool waited) {
  auto entry = std::make_shared<Entry>();
  entry->message = std::move(message);
  entry->waited = waited;
  std::function<void()> wakeup;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return nullptr;
    entries_.push_back(entry);
    wakeup = wakeup_;
  }
  if (wakeup) wakeup();
  return entry;
}

void UiMessageQueue::post(Message message) { enqueue(std::move(message), false); }

SendResult UiMessageQueue::send(Message message, std::chrono::milliseconds timeout) {
  if (onUiThread()) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return SendResult::Closed;
    }
    message();
    return SendResult::Delivered;
  }
  auto entry = enqueue(std::move(message), true);
  if (!entry) return SendResult::Closed;
  std::unique_lock lock(mutex_);
  const bool finished = done_.wait_for(lock, timeout, [&] {
    return entry->state == Entry::State::Done || entry->state == Entry::State::Cancelled;
  });
  if (finished) return entry->state == Entry::State::Done ? SendResult::Delivered : SendResult::Closed;
  if (entry->state == Entry::State::Queued) entry->state = Entry::State::Cancelled;
  return SendResult::TimedOut;
}

size_t UiMessageQueue::drain() {
  std::unique_lock lock(mutex_);
  uiThread_ = std::this_thread::get_id();
  size_t budget = entries_.size();  // messages queued while draining wait for the next drain
  size_t ran = 0;
  while (budget-- > 0 && !entries_.empty()) {
    auto entry = entries_.front();
    entries_.pop_front();
    if (entry->state != Entry::State::Queued) continue;
    entry->state = Entry::State::Running;
    lock.unlock();
    try {
      entry->message();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "telvane: a window message failed: %s\n", e.what());
    } catch (...) {
      std::fprintf(stderr, "telvane: a window message failed\n");
    }
    entry->message = nullptr;  // release what it owns outside the lock
    lock.lock();
    entry->state = Entry::State::Done;
    if (entry->waited) done_.notify_all();
    ++ran;
  }
  return ran;
}

void UiMessageQueue::setWakeup(std::function<void()> wakeup) {
  std::lock_guard lock(mutex_);
  wakeup_ = std::move(wakeup);
}

void UiMessageQueue::setUiThread(std::thread::id id) {
  std::lock_guard lock(mutex_);
  uiThread_ = id;
}

bool UiMessageQueue::onUiThread() const {
  std::lock_guard lock(mutex_);
  return uiThread_ == std::this_thread::get_id();
}

void UiMessageQueue::shutdown() {
  std::deque<std::shared_ptr<Entry>> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto& entry : entries_)
      if (entry->state == Entry::State::Queued) entry->state = Entry::State::Cancelled;
    dropped.swap(entries_);
    done_.notify_all();
  }
}

void UiMessageQueue::reopen() {
  std::lock_guard lock(mutex_);
  closed_ = false;
}

size_t UiMessageQueue::pending() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

UiMessageQueue& UiQueue() {
  static UiMessageQueue queue;
  return queue;
}

MessageTarget::MessageTarget(UiMessageQueue& queue)
    : queue_(queue), lock_(std::make_shared<std::recursive_mutex>()), open_(std::make_shared<bool>(true)) {}

MessageTarget::~MessageTarget() { close(); }

UiMessageQueue::Message MessageTarget::guarded(UiMessageQueue::Message message) const {
  return [lock = lock_, open = open_, message = std::move(message)] {
    std::lock_guard guard(*lock);
    if (*open) message();
  };
}

void MessageTarget::post(UiMessageQueue::Message message) { queue_.post(guarded(std::move(message))); }

SendResult MessageTarget::send(UiMessageQueue::Message message, std::chrono::milliseconds timeout) {
  if (!isOpen()) return SendResult::Closed;
  return queue_.send(guarded(std::move(message)), timeout);
}

void MessageTarget::close() {
  std::lock_guard guard(*lock_);
  *open_ = false;
}

bool MessageTarget::isOpen() const {
  std::lock_guard guard(*lock_);
  return *open_;
}

}  // namespace telvane
