#pragma once
// The first-run setup: the modem's port (found for the user when asked),
// the sender's name and fax number.

#include <QDialog>

#include "settings/port_mapping.h"

class QLineEdit;

namespace telvane {

class RadioGroup;

class TQuickSetupForm : public QDialog {
  Q_OBJECT
public:
  // Loads the settings and shows them; on a first run Com1 is selected.
  explicit TQuickSetupForm(QWidget* parent = nullptr);
  // "Ok": stores the port, name and fax number, clears the first-run flag
  // and saves.
  void accept() override;

private:
  RadioGroup* ComPort;
  QLineEdit* Name;
  QLineEdit* FaxNumber;
  PortMapping portMapping_;
};

// The main window still names the window by its former name.
using TQuickSetup = TQuickSetupForm;

// Shows the quick setup; true when the user confirmed with "Ok".
bool RunQuickSetup(QWidget* parent);

}  // namespace telvane
