#pragma once
// The small always-on-top window that tells the user receive mode is
// starting, then that it runs: it hides itself after fifteen seconds or at a
// click, and can be told never to show again.

#include <QDialog>

class QCheckBox;
class QFrame;
class QPushButton;
class QTimer;

namespace telvane {

class TStartingFaxForm : public QDialog {
  Q_OBJECT
public:
  explicit TStartingFaxForm(QWidget* parent = nullptr);

  // "Please wait ..." alone, as when a start begins.
  void ShowStarting();
  // The ready texts with "Ok" and "Do not show this again".
  void ShowReady();

  QFrame* StartingPanel;
  QFrame* ReadyPanel;
  QPushButton* okbutton;
  QCheckBox* DoNotShow;
  QTimer* HideTimer;

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace telvane
