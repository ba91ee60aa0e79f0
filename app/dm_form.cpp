#include "app/dm_form.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/date_selector.h"
#include "app/delete_for_conditions.h"
#include "app/help_window.h"
#include "app/log_cleanup.h"
#include "app/log_table_model.h"
#include "platform/prompts.h"
#include "records/fax_records.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

RecordTable& logOf(LogTables& tables, LogKind kind) {
  return kind == LogKind::Outgoing ? tables.Records().FaxTable() : tables.Records().RecTable();
}

// A busy cursor for the life of a bulk deletion.
class BusyCursor {
public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

TDMForm::TDMForm(LogTables& tables, QWidget* parent) : QDialog(parent), tables_(tables) {
  setObjectName(QStringLiteral("DMForm"));
  setWindowTitle(QStringLiteral("Fax Log Cleanup Utility"));
  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  SendGrid = createGrid("SendGrid", sendModel_, LogKind::Outgoing);
  RecGrid = createGrid("RecGrid", recModel_, LogKind::Received);
  PageControl->addTab(SendGrid, QStringLiteral("Outgoing Faxes"));
  PageControl->addTab(RecGrid, QStringLiteral("Incoming Faxes"));
  connect(PageControl, &QTabWidget::currentChanged, this, &TDMForm::UpdateActions);
  createActions();

  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("CloseButton"));
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  help->setObjectName(QStringLiteral("HelpButton"));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(help, &QPushButton::clicked, this, [this] { ShowHelp(help_context::LogCleanup, this); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  buttons->addWidget(help);

  auto* menuBar = new QMenuBar(this);
  menuBar->addMenu(mnuActions);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(PageControl);
  layout->addLayout(buttons);
  resize(640, 400);
}

QTableView* TDMForm::createGrid(const char* name, LogTableModel*& model, LogKind kind) {
  auto* grid = new QTableView(this);
  grid->setObjectName(QString::fromLatin1(name));
  model = new LogTableModel(tables_, kind, grid, LogColumns::Cleanup);
  grid->setModel(model);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setTabKeyNavigation(false);
  grid->setWordWrap(false);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->horizontalHeader()->setStretchLastSection(true);
  QPalette palette = grid->palette();
  palette.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
  palette.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
  grid->setPalette(palette);
  connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
          [model](const QModelIndex& current) { model->setCurrentRow(current.row()); });
  connect(model, &LogTableModel::currentRowReloaded, grid, [grid](int row) {
    if (row >= 0) grid->selectRow(row);
  });
  connect(grid, &QTableView::doubleClicked, this, &TDMForm::GridDblClick);
  connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
    if (GridPopup) GridPopup->popup(grid->viewport()->mapToGlobal(at));
  });
  return grid;
}

void TDMForm::createActions() {
  mnuActions = new QMenu(QStringLiteral("&Actions"), this);
  mnuActions->setObjectName(QStringLiteral("mnuActions"));
  const auto item = [this](QAction*& field, const char* name, const char* text, void (TDMForm::*handler)()) {
    field = mnuActions->addAction(QString::fromLatin1(text));
    field->setObjectName(QString::fromLatin1(name));
    connect(field, &QAction::triggered, this, handler);
  };
  item(mnuDeleteCurrent, "mnuDeleteCurrent", "Delete Current Fax", &TDMForm::DeleteCurrentClick);
  mnuDeleteCurrent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  addAction(mnuDeleteCurrent);  // the shortcut works while the menu is closed
  mnuActions->addSeparator();
  item(mnuDeleteBefore, "mnuDeleteBefore", "Delete All Before A Particular Date", &TDMForm::DeleteSome);
  item(mnuDeleteSent, "mnuDeleteSent", "Delete All that Have Been Sent", &TDMForm::DeleteSentClick);
  item(mnuDeleteUnsent, "mnuDeleteUnsent", "Delete All That Have NOT Been Sent", &TDMForm::DeleteUnsentClick);
  item(mnuDeleteConditions, "mnuDeleteConditions", "Delete All Faxes Meeting Certain Conditions...",
       &TDMForm::DeleteForConditionsClick);
  mnuActions->addSeparator();
  item(mnuDeleteAll, "mnuDeleteAll", "Delete All Faxes", &TDMForm::DeleteAllClick);

  GridPopup = new QMenu(this);
  GridPopup->setObjectName(QStringLiteral("GridPopup"));
  QAction* popupDelete = GridPopup->addAction(QStringLiteral("Delete"));
  connect(popupDelete, &QAction::triggered, this, &TDMForm::DeleteCurrentClick);
}

// --- lifecycle -------------------------------------------------------------

void TDMForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (firstActivation_) FormActivate();
}

void TDMForm::FormActivate() {
  firstActivation_ = false;
  // Every row is listed here, whatever the main window filters; the
  // filters come back when the window closes.
  RecordTable& fax = tables_.Records().FaxTable();
  RecordTable& rec = tables_.Records().RecTable();
  savedFaxFilter_ = fax.DBFilter();
  savedRecFilter_ = rec.DBFilter();
  fax.Query("");
  rec.Query("");
  filtersLifted_ = true;
  reloadGrid(LogKind::Outgoing);
  reloadGrid(LogKind::Received);
  ShowPage(LogKind::Outgoing);
  LoadGrids();
  UpdateActions();
}

void TDMForm::LoadGrids() {
  for (QTableView* grid : {SendGrid, RecGrid}) {
    const auto* model = static_cast<const LogTableModel*>(grid->model());
    const int charWidth = grid->fontMetrics().averageCharWidth();
    for (int c = 0; c < model->columnCount(); ++c) {
      const int title = grid->horizontalHeader()->fontMetrics().horizontalAdvance(
          model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
      int width = std::max(model->displayWidth(c) * charWidth, title);
      if (model->fieldName(c).startsWith(QLatin1String("DATE")))  // a date whole, in the user's format
        width = std::max(width, grid->fontMetrics().horizontalAdvance(
                                    QLocale().toString(QDate(2026, 12, 28), QLocale::ShortFormat)));
      grid->setColumnWidth(c, width + 14);
    }
  }
}

void TDMForm::done(int result) {
  if (filtersLifted_) {
    filtersLifted_ = false;
    RecordTable& fax = tables_.Records().FaxTable();
    RecordTable& rec = tables_.Records().RecTable();
    const bool restored = fax.Query(savedFaxFilter_) & rec.Query(savedRecFilter_);
    if (!restored)
      ShowInformation("The log's filter could not be put back: " + (fax.lastError().empty() ? rec.lastError()
                                                                                             : fax.lastError()));
  }
  QDialog::done(result);
}

// --- pages and actions -----------------------------------------------------

LogKind TDMForm::CurrentKind() const {
  return PageControl->currentIndex() == 1 ? LogKind::Received : LogKind::Outgoing;
}

void TDMForm::ShowPage(LogKind kind) { PageControl->setCurrentIndex(kind == LogKind::Received ? 1 : 0); }

QTableView* TDMForm::gridOf(LogKind kind) const { return kind == LogKind::Outgoing ? SendGrid : RecGrid; }

LogTableModel* TDMForm::modelOf(LogKind kind) const { return kind == LogKind::Outgoing ? sendModel_ : recModel_; }

void TDMForm::reloadGrid(LogKind kind) { modelOf(kind)->reload(); }

void TDMForm::UpdateActions() {
  const bool outgoing = CurrentKind() == LogKind::Outgoing;
  mnuDeleteSent->setVisible(outgoing);
  mnuDeleteUnsent->setVisible(outgoing);
  for (LogKind kind : {LogKind::Outgoing, LogKind::Received}) {
    QTableView* grid = gridOf(kind);
    const bool hasRows = modelOf(kind)->rowCount() > 0;
    grid->setEnabled(hasRows);
    grid->setContextMenuPolicy(hasRows ? Qt::CustomContextMenu : Qt::NoContextMenu);
    if (!hasRows)
      PageControl->setTabText(PageControl->indexOf(grid), kind == LogKind::Outgoing
                                                              ? QStringLiteral("OutGoing Faxes (none)")
                                                              : QStringLiteral("Incoming Faxes (none)"));
  }
  const bool enabled = gridOf(CurrentKind())->isEnabled();
  mnuActions->menuAction()->setEnabled(enabled);
  for (QAction* a : mnuActions->actions()) a->setEnabled(enabled);
}

// --- commands --------------------------------------------------------------

void TDMForm::DeleteCurrentClick() {
  const LogKind kind = CurrentKind();
  if (modelOf(kind)->rowCount() == 0) return;
  if (!AskYesNo("Delete this fax? (action is permanent)", "DELETE")) return;
  DeleteCurrentFax(tables_.Records(), kind);
  Changed = true;
  reloadGrid(kind);
  UpdateActions();
}

void TDMForm::GridDblClick(const QModelIndex& index) {
  const auto* model = static_cast<const LogTableModel*>(index.model());
  if (index.isValid() && model->fieldName(index.column()) == QLatin1String("ISDELETED")) DeleteCurrentClick();
}

void TDMForm::DeleteSome() {
  TDateSelector selector(this);
  selector.setWindowTitle(QStringLiteral("Delete all before..."));
  selector.setDate(QDate::currentDate());
  CenterWindow(selector);
  if (selector.exec() != QDialog::Accepted) return;
  const QDate date = selector.date();
  const LogKind kind = CurrentKind();
  const auto condition = DateCondition(kind, date.year(), date.month(), date.day());
  if (!condition) {
    ShowInformation("Please choose a date that exists in the calendar.");
    return;
  }
  DateCheck = true;
  const std::string question = "Delete all " + std::string(KindText(kind)) + " faxes prior to " +
                               QLocale().toString(date, QLocale::LongFormat).toStdString() +
                               " (action is permanent)?";
  if (AskYesNo(question, "DELETE"))
    deleteMatchingAndReport(*condition);
  else
    DateCheck = false;
}

void TDMForm::DeleteSentClick() {
  askAndDeleteMatching(".not. EMPTY(DATESENT)",
                       "Delete all outgoing faxes which have been sent? (action is permanent)", "DELETE");
}

void TDMForm::DeleteUnsentClick() {
  askAndDeleteMatching("EMPTY(DATESENT)", "Delete all outgoing faxes which have NOT been sent? (action is permanent)",
                       "DELETE");
}

void TDMForm::DeleteAllClick() {
  askAndDeleteMatching(".true.", "Delete all " + std::string(KindText(CurrentKind())) +
                                     " faxes ? (action is permanent)",
                       "DELETE ALL");
}

void TDMForm::DeleteForConditionsClick() {
  const LogKind kind = CurrentKind();
  if (modelOf(kind)->rowCount() == 0) return;
  RecordTable& log = logOf(tables_, kind);
  TDeleteForConditions dialog(this);
  if (kind == LogKind::Outgoing)
    dialog.Prepare(kind, {}, QString::fromStdString(log.Field("RECIPIENT")), QString::fromStdString(log.Field("PHONE")));
  else
    dialog.Prepare(kind, QString::fromStdString(log.Field("FROM")), {}, {});
  if (dialog.exec() != QDialog::Accepted) return;
  const auto condition = MatchCondition(dialog.field(), dialog.value().toStdString(), dialog.exactMatch());
  if (!condition) {
    ShowInformation("The text cannot hold all three of \", ' and ] at once; please shorten it.");
    return;
  }
  deleteMatchingAndReport(*condition);
}

void TDMForm::askAndDeleteMatching(const std::string& condition, const std::string& question, const char* caption) {
  if (modelOf(CurrentKind())->rowCount() == 0) return;
  if (AskYesNo(question, caption)) deleteMatchingAndReport(condition);
}

void TDMForm::deleteMatchingAndReport(const std::string& condition) {
  const LogKind kind = CurrentKind();
  DeleteOutcome outcome;
  {
    BusyCursor busy;
    modelOf(kind)->suspend();
    outcome = DeleteMatching(tables_.Records(), kind, condition, DateCheck);
    reloadGrid(kind);
    gridOf(kind)->viewport()->update();
  }
  if (outcome.deleted > 0) Changed = true;
  if (!outcome.error.empty())
    ShowInformation("The faxes to delete could not be chosen (" + outcome.error + ").\r" +
                    std::to_string(outcome.deleted) + " deleted.");
  else
    ShowInformation(std::to_string(outcome.deleted) + " deleted.");
  UpdateActions();
  DateCheck = false;
}

}  // namespace telvane
