#pragma once
// The phone book browser: lists the entries of TVNPB.DBF sorted by name
// without regard to case, adds, edits and deletes them, imports and exports
// CSV, and (when opened for picking) hands back one entry's name and fax
// number.

#include <QDialog>
#include <functional>
#include <optional>

#include "compose/phonebook/phone_book_csv.h"
#include "records/fax_records.h"

class QPushButton;
class QTableView;

namespace telvane {

class PhoneBookModel;

enum class PhoneBookMode {
  Manage,  // "C&lose" shown; the main menu's phone book
  Pick,    // "Cance&l" and "&Accept" shown; the fax editor's recipient
};

class TPhoneBook : public QDialog {
  Q_OBJECT
public:
  TPhoneBook(FaxRecords& records, PhoneBookMode mode, QWidget* parent = nullptr);
  ~TPhoneBook() override;

  // Opens PhoneTable through the records' OpenPhoneDBF (creating the table
  // and its index when missing). The browser must not be shown when false.
  bool OpenPhoneDBF();

  // The entry handed back by "&Accept".
  const PhoneBookEntry& AcceptedEntry() const { return accepted_; }

  void reject() override { done(2); }  // Escape acts as Close/Cancel, result 2

  RecordTable PhoneTable;
  QTableView* PhoneGrid;
  QPushButton* Addbutton;
  QPushButton* Modifybutton;
  QPushButton* Deletebutton;
  QPushButton* ImportButton;
  QPushButton* ExportButton;
  QPushButton* Closebutton;
  QPushButton* Cancelbutton;
  QPushButton* OKButton;
  QPushButton* HelpButton;

  // Where the CSV files come from and go; file dialogs unless replaced.
  std::function<QString()> chooseImportFile;
  std::function<QString()> chooseExportFile;

  void AddbuttonClick();
  void ModifybuttonClick();
  void DeletebuttonClick();
  void OKButtonClick();
  void ImportButtonClick();
  void ExportButtonClick();
  // Edit, Delete and Accept need a live entry.
  void UpdateButtons();

protected:
  void showEvent(QShowEvent* event) override;

private:
  void createGrid();
  void createButtons(PhoneBookMode mode);
  void reloadGrid();
  void importFile(const QString& path);

  FaxRecords& records_;
  PhoneBookModel* model_;
  PhoneBookEntry accepted_;
};

// The main menu's phone book: false when the table cannot be opened.
bool ManagePhoneBook(FaxRecords& records, QWidget* parent);
// The fax editor's pick: the accepted entry, or nothing (cancelled, or the
// table cannot be opened).
std::optional<PhoneBookEntry> PickFromPhoneBook(FaxRecords& records, QWidget* parent);

}  // namespace telvane
