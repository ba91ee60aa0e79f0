#pragma once
// "Help with Init Strings": builds a modem init command from the kind of
// modem the user has.

#include <QDialog>
#include <string>

class QCheckBox;

namespace telvane {

class RadioGroup;

class TModemInitStringHelperForm : public QDialog {
  Q_OBJECT
public:
  static constexpr int LeaveItBlank = -99;

  TModemInitStringHelperForm(const std::string& command, bool sending, QWidget* parent = nullptr);
  // The command for the choice on the window.
  std::string builtCommand() const;

private:
  RadioGroup* ModemType;
  QCheckBox* CheckAT7;
  const bool sending_;
};

// The new command: `command` itself on Cancel, empty for "Leave it Blank".
std::string RunInitStringHelper(QWidget* parent, const std::string& command, bool sending);

}  // namespace telvane
