#pragma once
// One phone book entry: a name and a fax number.

#include <QDialog>

class QLineEdit;

namespace telvane {

namespace help_topic {
inline constexpr int PhoneBookBrowser = 1019;
inline constexpr int PhoneBookEditor = 1020;
}  // namespace help_topic

class TPhoneBookEditor : public QDialog {
  Q_OBJECT
public:
  explicit TPhoneBookEditor(QWidget* parent = nullptr);
  void reject() override { done(2); }  // Escape acts as Cancel, result 2

  QLineEdit* Name;
  QLineEdit* Number;
};

}  // namespace telvane
