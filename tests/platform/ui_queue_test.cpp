#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ui_queue.h"

namespace telvane {
namespace {

using namespace std::chrono_literals;

TEST(UiQueue, PostedMessagesRunInOrderOnDrain) {
  UiMessageQueue queue;
  std::vector<int> seen;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) queue.post([&seen, i] { seen.push_back(i); });
  });
  worker.join();
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(queue.drain(), 5u);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(UiQueue, SendWaitsForTheUiThread) {
  UiMessageQueue queue;
  std::atomic<bool> ran{false};
  SendResult result = SendResult::Closed;
  std::thread worker([&] { result = queue.send([&] { ran = true; }, 5s); });
  while (!ran) {
    queue.drain();
    std::this_thread::sleep_for(1ms);
  }
  worker.join();
  EXPECT_EQ(result, SendResult::Delivered);
}

TEST(UiQueue, SendTimesOutAndTheMessageIsDropped) {
  UiMessageQueue queue;
  bool ran = false;
  SendResult result = SendResult::Delivered;
  std::thread worker([&] { result = queue.send([&] { ran = true; }, 20ms); });
  worker.join();  // nobody drains: the send must come back on its own
  EXPECT_EQ(result, SendResult::TimedOut);
  queue.drain();
  EXPECT_FALSE(ran);
}

TEST(UiQueue, SendOnTheUiThreadRunsAtOnce) {
  UiMessageQueue queue;
  queue.setUiThread(std::this_thread::get_id());
  bool ran = false;
  EXPECT_EQ(queue.send([&] { ran = true; }, 0ms), SendResult::Delivered);
  EXPECT_TRUE(ran);
}

TEST(UiQueue, ShutdownAnswersWaitingSendsAndDropsPosts) {
  UiMessageQueue queue;
  SendResult result = SendResult::Delivered;
  std::thread worker([&] { result = queue.send([] {}, 10s); });
  while (queue.pending() == 0) std::this_thread::sleep_for(1ms);
  queue.shutdown();
  worker.join();
  EXPECT_EQ(result, SendResult::Closed);
  bool ran = false;
  queue.post([&] { ran = true; });
  EXPECT_EQ(queue.drain(), 0u);
  EXPECT_FALSE(ran);
}

TEST(UiQueue, WakeupIsCalledForEachMessage) {
  UiMessageQueue queue;
  int wakeups = 0;
  queue.setWakeup([&] { ++wakeups; });
  queue.post([] {});
  queue.post([] {});
  EXPECT_EQ(wakeups, 2);
}

TEST(UiQueue, MessagesPostedWhileDrainingWaitForTheNextDrain) {
  UiMessageQueue queue;
  int count = 0;
  std::function<void()> again = [&] {
    ++count;
    queue.post(again);
  };
  queue.post(again);
  EXPECT_EQ(queue.drain(), 1u);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(queue.pending(), 1u);
}

TEST(UiQueue, AThrowingMessageDoesNotStopTheQueue) {
  UiMessageQueue queue;
  bool second = false;
  queue.post([] { throw std::runtime_error("boom"); });
  queue.post([&] { second = true; });
  EXPECT_EQ(queue.drain(), 2u);
  EXPECT_TRUE(second);
}

TEST(MessageTarget, ClosedTargetReceivesNothingMore) {
  UiMessageQueue queue;
  int delivered = 0;
  auto target = std::make_unique<MessageTarget>(queue);
  target->post([&] { ++delivered; });
  target->post([&] { ++delivered; });
  target.reset();  // the window is gone before the queue drains
  queue.drain();
  EXPECT_EQ(delivered, 0);
}

TEST(MessageTarget, AMessageMayCloseItsOwnTarget) {
  UiMessageQueue queue;
  MessageTarget target(queue);
  int delivered = 0;
  target.post([&] {
    ++delivered;
    target.close();
  });
  target.post([&] { ++delivered; });
  queue.drain();
  EXPECT_EQ(delivered, 1);
  EXPECT_FALSE(target.isOpen());
}

}  // namespace
}  // namespace telvane
