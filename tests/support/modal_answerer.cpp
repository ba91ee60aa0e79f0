#include "tests/support/modal_answerer.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace telvane::test {

constexpr int PollMs = 20;

ModalAnswerer::ModalAnswerer(std::function<void(QDialog&)> action, int timeoutMs)
    : action_(std::move(action)), remainingPolls_(timeoutMs / PollMs) {
  connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
  timer_.start(PollMs);
}

ModalAnswerer::~ModalAnswerer() {
  timer_.stop();
  EXPECT_TRUE(answered_) << "no modal dialog appeared";
}

void ModalAnswerer::poll() {
  if (answered_) return;
  auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (dialog && dialog->isVisible()) {
    answered_ = true;
    timer_.stop();
    dialogClass_ = QString::fromLatin1(dialog->metaObject()->className());
    action_(*dialog);
    return;
  }
  if (--remainingPolls_ <= 0) timer_.stop();
}

}  // namespace telvane::test
