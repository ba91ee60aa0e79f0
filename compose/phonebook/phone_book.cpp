#include "compose/phonebook/phone_book.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "compose/phonebook/phone_book_editor.h"
#include "compose/phonebook/phone_book_import_dialog.h"
#include "compose/phonebook/phone_book_model.h"
#include "compose/phonebook/phone_book_rows.h"
#include "platform/file_helpers.h"
#include "platform/help_requests.h"
#include "platform/io_errors.h"
#include "platform/pending_messages.h"
#include "platform/prompts.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

// Anything bigger is no address book export; the cap keeps a wrong choice
// from filling the memory.
constexpr uint64_t kMaxImportFileSize = 32u << 20;

QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* hint = nullptr) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  if (hint) b->setToolTip(QString::fromLatin1(hint));
  b->setAutoDefault(false);
  return b;
}

QString csvFilter() { return QStringLiteral("CSV files (*.csv *.txt);;All files (*)"); }

}  // namespace

TPhoneBook::TPhoneBook(FaxRecords& records, PhoneBookMode mode, QWidget* parent)
    : QDialog(parent), PhoneTable(records.engine()), records_(records) {
  setObjectName(QStringLiteral("TPhoneBook"));
  setWindowTitle(QStringLiteral("Phone Book Browser"));
  createGrid();
  createButtons(mode);
  chooseImportFile = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Import Phone Book"), QString(), csvFilter());
  };
  chooseExportFile = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Export Phone Book"), QStringLiteral("phonebook.csv"),
                                        csvFilter());
  };
  resize(640, 400);
}

TPhoneBook::~TPhoneBook() { PhoneTable.Close(); }

void TPhoneBook::createGrid() {
  model_ = new PhoneBookModel(PhoneTable, this);
  PhoneGrid = new QTableView(this);
  PhoneGrid->setObjectName(QStringLiteral("PhoneGrid"));
  PhoneGrid->setModel(model_);
  PhoneGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PhoneGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  PhoneGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  PhoneGrid->verticalHeader()->hide();
  PhoneGrid->verticalHeader()->setDefaultSectionSize(PhoneGrid->fontMetrics().height() + 6);
  PhoneGrid->horizontalHeader()->setHighlightSections(false);
  PhoneGrid->horizontalHeader()->setStretchLastSection(true);
  PhoneGrid->setColumnWidth(0, PhoneBookModel::displayWidth(0) * PhoneGrid->fontMetrics().averageCharWidth());
  connect(PhoneGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (const uint32_t record = model_->recordAt(current.row())) PhoneTable.Go(record);
          });
}

void TPhoneBook::createButtons(PhoneBookMode mode) {
  Addbutton = button(this, "Addbutton", "&New");
  Modifybutton = button(this, "Modifybutton", "&Edit");
  Deletebutton = button(this, "Deletebutton", "&Delete");
  ImportButton = button(this, "ImportButton", "&Import...", "Add entries from a CSV file of an address book");
  ExportButton = button(this, "ExportButton", "E&xport...", "Write the phone book to a CSV file");
  Closebutton = button(this, "Closebutton", "C&lose");
  Cancelbutton = button(this, "Cancelbutton", "Cance&l", "Cancel - do not use any of these phone book entries");
  OKButton = button(this, "OKButton", "&Accept", "Use this phone book entry");
  HelpButton = button(this, "HelpButton", "&Help");

  const bool picking = mode == PhoneBookMode::Pick;
  Closebutton->setVisible(!picking);
  Cancelbutton->setVisible(picking);
  OKButton->setVisible(picking);
  (picking ? OKButton : Closebutton)->setDefault(true);

  connect(Addbutton, &QPushButton::clicked, this, &TPhoneBook::AddbuttonClick);
  connect(Modifybutton, &QPushButton::clicked, this, &TPhoneBook::ModifybuttonClick);
  connect(Deletebutton, &QPushButton::clicked, this, &TPhoneBook::DeletebuttonClick);
  connect(ImportButton, &QPushButton::clicked, this, &TPhoneBook::ImportButtonClick);
  connect(ExportButton, &QPushButton::clicked, this, &TPhoneBook::ExportButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &TPhoneBook::OKButtonClick);
  connect(Closebutton, &QPushButton::clicked, this, [this] { done(2); });
  connect(Cancelbutton, &QPushButton::clicked, this, [this] { done(2); });
  connect(HelpButton, &QPushButton::clicked, this, [] { RequestHelp(help_topic::PhoneBookBrowser); });

  auto* side = new QVBoxLayout;
  for (QPushButton* b : {Addbutton, Modifybutton, Deletebutton}) side->addWidget(b);
  side->addSpacing(12);
  side->addWidget(ImportButton);
  side->addWidget(ExportButton);
  side->addStretch();
  for (QPushButton* b : {OKButton, Cancelbutton, Closebutton, HelpButton}) side->addWidget(b);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(PhoneGrid, 1);
  layout->addLayout(side);
}

bool TPhoneBook::OpenPhoneDBF() {
  if (!records_.OpenPhoneDBF(PhoneTable)) return false;
  xbase::Table* t = PhoneTable.table();
  if (t) t->GoTop();
  reloadGrid();
  return true;
}

void TPhoneBook::reloadGrid() {
  model_->reload();
  xbase::Table* t = PhoneTable.table();
  const int row = t ? model_->rowOf(t->RecNo()) : -1;
  if (row >= 0) PhoneGrid->setCurrentIndex(model_->index(row, 0));
  else if (model_->rowCount() > 0) PhoneGrid->setCurrentIndex(model_->index(0, 0));
}

void TPhoneBook::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  UpdateButtons();
}

void TPhoneBook::UpdateButtons() {
  ProcessPendingMessages();
  const bool hasEntries = PhoneTable.QueryRecCount() > 0;
  Modifybutton->setEnabled(hasEntries);
  Deletebutton->setEnabled(hasEntries);
  ExportButton->setEnabled(hasEntries);
  if (OKButton->isVisibleTo(this)) OKButton->setEnabled(hasEntries);
}

void TPhoneBook::AddbuttonClick() {
  TPhoneBookEditor editor(this);
  CenterWindow(editor);
  if (editor.exec() == QDialog::Accepted) {
    if (!AppendPhoneBookEntry(PhoneTable, {editor.Name->text().toStdString(), editor.Number->text().toStdString()}))
      ShowError("The entry could not be stored:\r" + PhoneTable.lastError());
    reloadGrid();
  }
  UpdateButtons();
}

void TPhoneBook::ModifybuttonClick() {
  if (PhoneTable.QueryRecCount() <= 0) {
    QApplication::beep();
    return;
  }
  const PhoneBookEntry current = CurrentPhoneBookEntry(PhoneTable);
  TPhoneBookEditor editor(this);
  editor.Name->setText(QString::fromStdString(current.name));
  editor.Number->setText(QString::fromStdString(current.number));
  CenterWindow(editor);
  if (editor.exec() != QDialog::Accepted) return;
  if (!StorePhoneBookEntry(PhoneTable, {editor.Name->text().toStdString(), editor.Number->text().toStdString()}))
    ShowError("The entry could not be stored:\r" + PhoneTable.lastError());
  reloadGrid();
}

void TPhoneBook::DeletebuttonClick() {
  if (PhoneTable.QueryRecCount() <= 0) {
    QApplication::beep();
    return;
  }
  if (AskYesNoDefaultNo("Delete the current phone book entry?:\r" + CurrentPhoneBookEntry(PhoneTable).name,
                        "Delete")) {
    if (PhoneTable.DeleteRow()) {
      // The grid then shows the next entry, or the last one when the
      // deleted entry was the last.
      xbase::Table* t = PhoneTable.table();
      t->Skip(1);
      if (t->Eof()) t->GoBottom();
    } else {
      ShowError("The entry could not be deleted:\r" + PhoneTable.lastError());
    }
  }
  reloadGrid();
  ProcessPendingMessages();
  UpdateButtons();
}

void TPhoneBook::OKButtonClick() {
  if (PhoneTable.QueryRecCount() <= 0) {
    QApplication::beep();
    return;
  }
  accepted_ = CurrentPhoneBookEntry(PhoneTable);
  done(QDialog::Accepted);
}

void TPhoneBook::ImportButtonClick() {
  const QString path = chooseImportFile ? chooseImportFile() : QString();
  if (!path.isEmpty()) importFile(path);
}

void TPhoneBook::importFile(const QString& path) {
  std::string bytes;
  if (const int rc = ReadWholeFile(path.toStdString(), bytes, kMaxImportFileSize); rc != 0) {
    const std::string why = rc == -io_error::NotEnoughMemory ? "The file is too large to be an address book."
                                                             : std::string(IoErrorText(-rc));
    ShowInformation("The file cannot be read:\r" + path.toStdString() + "\r" + why);
    return;
  }
  PhoneBookImportPlan plan = PlanPhoneBookImport(bytes, ReadPhoneBook(PhoneTable));
  if (!plan.error.empty()) {
    ShowInformation(path.toStdString() + "\r" + plan.error);
    return;
  }
  NoteUnstorableCharacters(plan, PhoneTable);
  TPhoneBookImportDialog preview(plan, this);
  CenterWindow(preview);
  if (preview.exec() != QDialog::Accepted) return;
  for (const ImportedEntry& imported : plan.entries) {
    if (!AppendPhoneBookEntry(PhoneTable, imported.entry)) {
      ShowError("The import stopped: an entry could not be stored:\r" + PhoneTable.lastError());
      break;
    }
  }
  reloadGrid();
  UpdateButtons();
}

void TPhoneBook::ExportButtonClick() {
  const QString path = chooseExportFile ? chooseExportFile() : QString();
  if (path.isEmpty()) return;
  const std::vector<PhoneBookEntry> entries = ReadPhoneBook(PhoneTable);
  const std::string csv = PhoneBookCsv(entries);
  if (const int rc = WriteFileAtomically(path.toStdString(), csv.data(), csv.size()); rc != 0) {
    ShowInformation("The phone book could not be written to\r" + path.toStdString() + "\r" +
                    std::string(IoErrorText(-rc)));
    return;
  }
  ShowInformation(std::to_string(entries.size()) + " phone book entries were written to\r" + path.toStdString());
}

bool ManagePhoneBook(FaxRecords& records, QWidget* parent) {
  TPhoneBook book(records, PhoneBookMode::Manage, parent);
  if (!book.OpenPhoneDBF()) return false;
  CenterWindow(book);
  book.exec();
  return true;
}

std::optional<PhoneBookEntry> PickFromPhoneBook(FaxRecords& records, QWidget* parent) {
  TPhoneBook book(records, PhoneBookMode::Pick, parent);
  if (!book.OpenPhoneDBF()) return std::nullopt;
  CenterWindow(book);
  if (book.exec() != QDialog::Accepted) return std::nullopt;
  return book.AcceptedEntry();
}

}  // namespace telvane
