#pragma once
// Answers the next modal dialog a window opens, so tests can drive code that
// calls exec(). The test fails when no dialog appears in time.

#include <QDialog>
#include <QTimer>
#include <functional>

namespace telvane::test {

class ModalAnswerer : public QObject {
public:
  // `action` gets the modal dialog once it is shown (it must close it).
  explicit ModalAnswerer(std::function<void(QDialog&)> action, int timeoutMs = 5000);
  ~ModalAnswerer() override;

  bool answered() const { return answered_; }
  QString dialogClass() const { return dialogClass_; }

private:
  void poll();

  std::function<void(QDialog&)> action_;
  QTimer timer_;
  int remainingPolls_;
  bool answered_ = false;
  QString dialogClass_;
};

}  // namespace telvane::test
