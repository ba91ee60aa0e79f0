#include "compose/cover_browse.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "compose/cover_editor.h"
#include "compose/cover_template_model.h"
#include "platform/help_requests.h"
#include "platform/prompts.h"
#include "records/fax_records.h"
#include "richtext/wp_rich_text.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

constexpr int kHelpCoverBrowser = 1017;
constexpr const char* kNewDescription = "{description}";
constexpr const char* kClonePrefix = "[clone]";

QString trimmedField(const RecordTable& table, const char* name) {
  return QString::fromStdString(table.Field(name)).trimmed();
}

// Stores the editor into the table's current row, which is in insert or edit state.
bool storeTemplate(FaxRecords& records, RecordTable& table, TCoverEditor& editor) {
  return table.SetField("DESCRIPT", editor.CoverDescription->text().toStdString()) &&
         records.SaveRichText(*editor.WPCover, "COVER", table) && table.Post();
}

int showEditor(TCoverEditor& editor) {
  CenterWindow(editor);
  return editor.exec();
}

}  // namespace

TCoverBrowse::TCoverBrowse(FaxRecords& records, CoverBrowseMode mode, QWidget* parent)
    : QDialog(parent), records_(records), table_(records.CoverTable()) {
  setObjectName(QStringLiteral("TCoverBrowse"));
  setWindowTitle(QStringLiteral("Cover Sheet Template Browser"));
  createGrid();
  createButtons(mode);
  resize(520, 360);
  refresh();
}

TCoverBrowse::~TCoverBrowse() = default;

void TCoverBrowse::createGrid() {
  model_ = new CoverTemplateModel(table_, this);
  CoverGrid = new QTableView(this);
  CoverGrid->setObjectName(QStringLiteral("CoverGrid"));
  CoverGrid->setModel(model_);
  CoverGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  CoverGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  CoverGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  CoverGrid->horizontalHeader()->setStretchLastSection(true);
  CoverGrid->verticalHeader()->hide();
  connect(CoverGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (const uint32_t record = model_->RecordAt(current.row())) table_.Go(record);
          });
}

void TCoverBrowse::createButtons(CoverBrowseMode mode) {
  const auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  NewButton = button("NewButton", "&New");
  ModifyButton = button("ModifyButton", "&Edit");
  CloneButton = button("CloneButton", "&Clone");
  DeleteButton = button("DeleteButton", "&Delete");
  CloseButton = button("CloseButton", "C&lose");
  Acceptbutton = button("Acceptbutton", "&Accept");
  Acceptbutton->setToolTip(QStringLiteral("Use this cover sheet template"));
  CancelButton = button("CancelButton", "Cance&l");
  CancelButton->setToolTip(QStringLiteral("Cancel - do not use any of these templates"));
  HelpButton = button("HelpButton", "&Help");
  connect(NewButton, &QPushButton::clicked, this, &TCoverBrowse::NewButtonClick);
  connect(ModifyButton, &QPushButton::clicked, this, &TCoverBrowse::ModifyButtonClick);
  connect(CloneButton, &QPushButton::clicked, this, &TCoverBrowse::CloneButtonClick);
  connect(DeleteButton, &QPushButton::clicked, this, &TCoverBrowse::DeleteButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, [this] { done(2); });
  connect(Acceptbutton, &QPushButton::clicked, this, [this] { done(1); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
  connect(HelpButton, &QPushButton::clicked, this, [] { RequestHelp(kHelpCoverBrowser); });
  connect(CoverGrid, &QTableView::doubleClicked, this, [this, mode] {
    if (mode == CoverBrowseMode::Pick) done(1);
  });

  const bool picking = mode == CoverBrowseMode::Pick;
  CloseButton->setVisible(!picking);
  Acceptbutton->setVisible(picking);
  CancelButton->setVisible(picking);
  (picking ? Acceptbutton : CloseButton)->setDefault(true);

  auto* side = new QVBoxLayout;
  for (QPushButton* b : {NewButton, ModifyButton, CloneButton, DeleteButton}) side->addWidget(b);
  side->addStretch(1);
  for (QPushButton* b : {Acceptbutton, CancelButton, CloseButton, HelpButton}) side->addWidget(b);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(CoverGrid, 1);
  layout->addLayout(side);
}

bool TCoverBrowse::hasRows() const { return table_.QueryRecCount() > 0; }

void TCoverBrowse::refresh() {
  table_.Refresh();
  model_->Reload();
  int row = model_->RowOfCurrent();
  if (row < 0 && model_->rowCount() > 0) {
    row = 0;
    table_.Go(model_->RecordAt(0));
  }
  if (row >= 0) CoverGrid->selectRow(row);
}

void TCoverBrowse::NewButtonClick() {
  TCoverEditor editor(this);
  if (CloneRequest) {
    editor.CoverDescription->setText(QString::fromLatin1(kClonePrefix) + trimmedField(table_, "DESCRIPT"));
    records_.LoadRichText(*editor.WPCover, "COVER", table_);
  } else {
    editor.CoverDescription->setText(QString::fromLatin1(kNewDescription));
    ApplyDefaultFont(*editor.WPCover);
  }
  CloneRequest = false;
  if (showEditor(editor) == 1 && table_.Append() && !storeTemplate(records_, table_, editor)) table_.Cancel();
  refresh();
}

void TCoverBrowse::ModifyButtonClick() {
  if (!hasRows()) {
    QApplication::beep();
    return;
  }
  TCoverEditor editor(this);
  editor.CoverDescription->setText(trimmedField(table_, "DESCRIPT"));
  records_.LoadRichText(*editor.WPCover, "COVER", table_);
  if (showEditor(editor) == 1 && table_.Edit() && !storeTemplate(records_, table_, editor)) table_.Cancel();
  refresh();
}

void TCoverBrowse::CloneButtonClick() {
  if (!hasRows()) {
    QApplication::beep();
    return;
  }
  CloneRequest = true;
  NewButtonClick();
}

void TCoverBrowse::DeleteButtonClick() {
  if (!hasRows()) {
    QApplication::beep();
    return;
  }
  const std::string question =
      "Delete the current cover template?:\r" + trimmedField(table_, "DESCRIPT").toStdString();
  if (AskYesNoDefaultNo(question, "Delete")) table_.DeleteRow();
  refresh();
}

bool ManageCoverTemplates(FaxRecords& records, QWidget* parent) {
  if (!records.OpenCoverDBF()) return false;
  {
    TCoverBrowse browser(records, CoverBrowseMode::Manage, parent);
    CenterWindow(browser);
    browser.exec();
  }
  records.CoverTable().Close();
  return true;
}

}  // namespace telvane
