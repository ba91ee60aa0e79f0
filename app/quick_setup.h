#pragma once
// The first-run setup: the modem's port, the sender's name and fax number.
// The full modem discovery window replaces it later.

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace telvane {

class TQuickSetup : public QDialog {
  Q_OBJECT
public:
  explicit TQuickSetup(QWidget* parent = nullptr);
  void accept() override;

private:
  QComboBox* port_;
  QLineEdit* name_;
  QLineEdit* fax_;
};

}  // namespace telvane
