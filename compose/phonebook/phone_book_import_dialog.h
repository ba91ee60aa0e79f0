#pragma once
// What a CSV import would add to the phone book, and which rows of the file
// it cannot take and why, before anything is stored.

#include <QDialog>

#include "compose/phonebook/phone_book_csv.h"

class QPushButton;
class QTableWidget;

namespace telvane {

class TPhoneBookImportDialog : public QDialog {
  Q_OBJECT
public:
  TPhoneBookImportDialog(const PhoneBookImportPlan& plan, QWidget* parent = nullptr);
  void reject() override { done(2); }

  QTableWidget* AddedList;
  QTableWidget* RefusedList;
  QPushButton* OKButton;
  QPushButton* CancelButton;
};

// "3 entries will be added. 1 row cannot be taken."
QString ImportSummary(const PhoneBookImportPlan& plan);

}  // namespace telvane
