#pragma once
// TCoverBrowse ("Cover Sheet Template Browser"): the cover templates of
// TVNCOV.DBF with New, Edit, Clone and Delete. Opened from the main menu to
// manage them, and from the fax editor to pick one (the table's current row
// when the browser returns 1).

#include <QDialog>

class QPushButton;
class QTableView;

namespace telvane {

class CoverTemplateModel;
class FaxRecords;
class RecordTable;

enum class CoverBrowseMode {
  Manage,  // "C&lose" shown
  Pick,    // "&Accept" and "Cance&l" shown
};

class TCoverBrowse : public QDialog {
  Q_OBJECT
public:
  // The records' cover table must be open.
  TCoverBrowse(FaxRecords& records, CoverBrowseMode mode, QWidget* parent = nullptr);
  ~TCoverBrowse() override;

  QTableView* CoverGrid;
  QPushButton* NewButton;
  QPushButton* ModifyButton;
  QPushButton* CloneButton;
  QPushButton* DeleteButton;
  QPushButton* CloseButton;
  QPushButton* Acceptbutton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  // Set by Clone, consumed by the next New.
  bool CloneRequest = false;

  void NewButtonClick();
  void ModifyButtonClick();
  void CloneButtonClick();
  void DeleteButtonClick();

  void reject() override { done(2); }

private:
  void createGrid();
  void createButtons(CoverBrowseMode mode);
  bool hasRows() const;
  // Reads the grid again and shows the table's current row in it.
  void refresh();

  FaxRecords& records_;
  RecordTable& table_;
  CoverTemplateModel* model_;
};

// The main menu's "C&over Sheets": opens the cover table (creating it when
// missing), shows the browser to manage the templates and closes the table.
// False when the table cannot be opened.
bool ManageCoverTemplates(FaxRecords& records, QWidget* parent);

}  // namespace telvane
