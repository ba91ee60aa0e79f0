#pragma once
// "Delete Faxes Where....": which field to match (sender, recipient or fax
// number), the text, and whether it must match exactly. "Ok" refuses a
// blank text and asks once more before accepting.

#include <QDialog>

#include "app/log_cleanup.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace telvane {

class TDeleteForConditions : public QDialog {
  Q_OBJECT
public:
  explicit TDeleteForConditions(QWidget* parent = nullptr);

  // Sets the dialog up for a page of the log window from its current row:
  // the outgoing page matches recipient or fax number, the incoming page
  // the sender.
  void Prepare(LogKind kind, const QString& from, const QString& recipient, const QString& phone);

  MatchField field() const;
  QString value() const;  // the checked field's box
  bool exactMatch() const;

  QRadioButton* rFrom = nullptr;
  QRadioButton* rRecipient = nullptr;
  QRadioButton* rPhone = nullptr;
  QLineEdit* FaxFROM = nullptr;
  QLineEdit* FaxRECIPIENT = nullptr;
  QLineEdit* FaxPHONE = nullptr;
  QCheckBox* ExactMatch = nullptr;

private:
  void OkClick();
};

}  // namespace telvane
