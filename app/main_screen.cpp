#include "app/main_screen.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <algorithm>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSoundEffect>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/column_fit.h"
#include "app/command_availability.h"
#include "app/dm_form.h"
#include "app/fax_row_texts.h"
#include "app/help_window.h"
#include "app/hints.h"
#include "app/log_table_model.h"
#include "app/log_tables.h"
#include "app/quick_setup.h"
#include "app/rebuild_indexes.h"
#include "app/received_notes.h"
#include "app/web_page.h"
#include "compose/cover_browse.h"
#include "compose/create_fax_file.h"
#include "compose/fax_editor.h"
#include "compose/phonebook/phone_book.h"
#include "faximage/image_exceptions.h"
#include "faximage/viewer/fax_printer.h"
#include "faximage/viewer/fax_viewer_window.h"
#include "faximage/viewer/print_flow.h"
#include "faximage/viewer/print_status.h"
#include "richtext/wp_rich_text.h"
#include "sessions/resume_send.h"
#include "sessions/send_fax_form.h"
#include "sessions/starting_fax_form.h"
#include "settings/configuration_info.h"
#include "settings/preferences.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"
#include "platform/prompts.h"
#include "platform/text.h"
#include "records/fax_records.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"
#include "widgets/title_panel.h"

namespace telvane {
namespace {

// The two private window messages: the first user message number (1024)
// plus 42 and 43.
constexpr QEvent::Type MsgCloseProgram = static_cast<QEvent::Type>(1066);
constexpr QEvent::Type MsgPlayReceivedSound = static_cast<QEvent::Type>(1067);

constexpr char ReceiveModeRefusal[] =
    "You are in Fax Receive mode. This operation cannot be done\rwhile in Fax Receive mode. Click the Stop button "
    "to end\rFax Receive mode";
constexpr char WebsiteUrl[] = "https://telvane.example/";

TMainScreen* g_instance = nullptr;

void beep() { QApplication::beep(); }

// A column is as wide as its display width in characters, and never
// narrower than its title or than a date in the user's format.
int columnWidth(const QTableView& grid, const LogTableModel& model, int column) {
  const QFontMetrics metrics = grid.fontMetrics();
  constexpr int padding = 14;
  int width = model.displayWidth(column) * metrics.averageCharWidth();
  const QString title = model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  width = std::max(width, grid.horizontalHeader()->fontMetrics().horizontalAdvance(title) + 6);
  if (title.startsWith(QStringLiteral("Date")))
    width = std::max(width, metrics.horizontalAdvance(QLocale().toString(QDate(2026, 12, 28), QLocale::ShortFormat)));
  return width + padding;
}

// Sizes the columns to their contents within the grid's width, so the
// whole row is seen without scrolling; the last column takes what is left.
void fitColumns(QTableView& grid, const LogTableModel& model) {
  std::vector<ColumnWant> wants;
  for (int c = 0; c < model.columnCount(); ++c) {
    const int designed = columnWidth(grid, model, c);
    const QString title = model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    int minimum = grid.horizontalHeader()->fontMetrics().horizontalAdvance(title) + 14;
    if (title.startsWith(QStringLiteral("Date"))) minimum = std::max(minimum, designed);
    wants.push_back({std::max({designed, static_cast<const QAbstractItemView&>(grid).sizeHintForColumn(c), minimum}), minimum});
  }
  // A pixel to spare: the grid lines make a row one pixel wider than its
  // columns, which would bring up a scroll bar for it.
  const std::vector<int> widths = FitColumnWidths(wants, grid.viewport()->width() - 2);
  // The last column too: the header stretches it into what is left, but
  // never below the width it last had.
  for (int c = 0; c < model.columnCount(); ++c) grid.setColumnWidth(c, widths[static_cast<size_t>(c)]);
}

// Refits a grid's columns whenever its visible area changes size.
class ColumnFitter : public QObject {
public:
  ColumnFitter(QTableView& grid, const LogTableModel& model) : QObject(&grid), grid_(grid), model_(model) {
    grid.viewport()->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) fitColumns(grid_, model_);
    return false;
  }

private:
  QTableView& grid_;
  const LogTableModel& model_;
};

}  // namespace

TMainScreen* TMainScreen::Instance() { return g_instance; }

TMainScreen::TMainScreen(QWidget* parent) : QMainWindow(parent), tables_(std::make_unique<LogTables>()) {
  g_instance = this;
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Telvane "));
  setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  createMenus();
  createButtonBar();
  createBrowsePanel();
  createStatusPanel();
  resize(592, 383 + menuBar()->sizeHint().height());
  WPCover = std::make_unique<TWPRichText>();
  WPDoc = std::make_unique<TWPRichText>();
  printerStatus_ = std::make_unique<TKovaFaxPrinterStatus>();
  faxPrinter_ = std::make_unique<TKovaFaxPrinter>();
  faxPrinter_->StatusDisplay = printerStatus_.get();
  startingFaxForm_ = std::make_unique<TStartingFaxForm>(this);
  receiveMode_ = std::make_unique<TReceiveMode>(static_cast<ReceiveModeHost&>(*this), startingFaxForm_.get());
  TSendFaxForm::RunPreferences = [](QWidget* owner) { return RunPreferences(owner); };
  FormCreate();
}

TMainScreen::~TMainScreen() {
  tables_->CloseAll();
  if (g_instance == this) g_instance = nullptr;
}

// --- construction ----------------------------------------------------------

void TMainScreen::createButtonBar() {
  ButtonBar = new QWidget(this);
  ButtonBar->setObjectName(QStringLiteral("ButtonBar"));
  ButtonBar->setFixedHeight(47);
  auto* layout = new QHBoxLayout(ButtonBar);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(3);
  const auto button = [&](QPushButton*& field, const char* name, const char* text, QStyle::StandardPixmap glyph,
                          const char* hint, void (TMainScreen::*handler)()) {
    field = new QPushButton(style()->standardIcon(glyph), QString::fromLatin1(text), ButtonBar);
    field->setObjectName(QString::fromLatin1(name));
    field->setToolTip(QString::fromLatin1(hint));
    field->setStatusTip(QString::fromLatin1(hint));
    field->setFocusPolicy(Qt::TabFocus);
    field->setMinimumHeight(36);
    // The style asks 80 pixels of every text button, which makes the bar
    // wider than the window's designed 592 pixels and pushes Exit off a
    // 640-pixel screen. They may shrink to their glyph and caption.
    const QString caption = QString::fromLatin1(text).remove(QLatin1Char('&'));
    field->setMinimumWidth(field->iconSize().width() + field->fontMetrics().horizontalAdvance(caption) + 16);
    connect(field, &QPushButton::clicked, this, handler);
    layout->addWidget(field);
  };
  button(Newbutton, "Newbutton", "&New", QStyle::SP_FileIcon, "Create a new fax", &TMainScreen::NewbuttonClick);
  button(EditButton, "EditButton", "&Edit", QStyle::SP_FileDialogDetailedView, "Edit the currently selected fax",
         &TMainScreen::EditButtonClick);
  button(DeleteButton, "DeleteButton", "&Delete", QStyle::SP_TrashIcon, "Delete  the currently selected fax",
         &TMainScreen::DeleteButtonClick);
  button(SendButton, "SendButton", "&Send", QStyle::SP_ArrowRight, "Send the currently selected fax",
         &TMainScreen::SendButtonClick);
  button(ReceiveButton, "ReceiveButton", "&Receive", QStyle::SP_ArrowLeft, "Start receiving faxes",
         &TMainScreen::ReceiveButtonClick);
  button(ViewFaxButton, "ViewFaxButton", "&View", QStyle::SP_FileDialogContentsView, "View the current fax",
         &TMainScreen::ViewFaxButtonClick);
  button(Printbutton, "Printbutton", "&Print", QStyle::SP_DialogSaveButton, "Print the current fax",
         &TMainScreen::PrintbuttonClick);
  Printbutton->setProperty("tag", 99);  // the shared view/print handler prints for tag 99
  layout->addStretch();
  button(Exitbutton, "Exitbutton", "E&xit", QStyle::SP_DialogCloseButton, "Exit the program",
         &TMainScreen::ExitbuttonClick);
}

void TMainScreen::createBrowsePanel() {
  BrowsePanel = new QWidget(this);
  BrowsePanel->setObjectName(QStringLiteral("BrowsePanel"));
  NoteBook = new QStackedWidget(BrowsePanel);
  NoteBook->setObjectName(QStringLiteral("NoteBook"));

  const auto page = [&](const char* name, const char* title, const QColor& colour, QTableView*& grid,
                        const char* gridName, LogTableModel*& model, LogKind kind) {
    auto* widget = new QWidget(NoteBook);
    widget->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new TitlePanel(QString::fromLatin1(title), colour, Qt::white, widget));
    grid = new QTableView(widget);
    grid->setObjectName(QString::fromLatin1(gridName));
    model = new LogTableModel(*tables_, kind, grid);
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setShowGrid(true);
    grid->setAlternatingRowColors(false);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false);  // Tab moves on to the buttons, as in any list
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->verticalHeader()->setFixedWidth(14);  // the row indicator column
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(true);
    new ColumnFitter(*grid, *model);
    connect(grid, &QTableView::doubleClicked, this, &TMainScreen::FaxGridDblClick);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
            [model](const QModelIndex& current) { model->setCurrentRow(current.row()); });
    connect(model, &LogTableModel::currentRowReloaded, grid, [grid](int row) {
      if (row >= 0) grid->selectRow(row);
    });
    layout->addWidget(grid);
    NoteBook->addWidget(widget);
  };
  page("Sent", "Outgoing Faxes", QColor(0x1f, 0x3f, 0x9f), FaxGrid, "FaxGrid", faxModel_, LogKind::Outgoing);
  page("Received", "Incoming Faxes", QColor(0x1f, 0x80, 0x3f), RecFaxGrid, "RecFaxGrid", recModel_,
       LogKind::Received);

  TabSet1 = new QTabBar(BrowsePanel);
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->addTab(QStringLiteral("Outgoing"));
  TabSet1->addTab(QStringLiteral("Incoming"));
  TabSet1->setExpanding(false);
  connect(TabSet1, &QTabBar::currentChanged, this, [this](int index) {
    NoteBook->setCurrentIndex(index);
    SetButtons();
  });

  createSearchField();
  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(0, 0, 4, 0);
  bottom->addWidget(TabSet1);
  bottom->addStretch();
  bottom->addWidget(SearchEdit);

  auto* layout = new QVBoxLayout(BrowsePanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ButtonBar);
  layout->addWidget(NoteBook, 1);
  layout->addLayout(bottom);
  setCentralWidget(BrowsePanel);
}

void TMainScreen::createSearchField() {
  SearchEdit = new QLineEdit(BrowsePanel);
  SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
  SearchEdit->setPlaceholderText(QStringLiteral("Search (Ctrl+F)"));
  SearchEdit->setToolTip(QStringLiteral("Show the faxes whose recipient, sender, fax number, subject or notes hold "
                                        "this text; Escape shows all again"));
  SearchEdit->setClearButtonEnabled(true);
  SearchEdit->setMaximumWidth(SearchEdit->fontMetrics().averageCharWidth() * 28);
  connect(SearchEdit, &QLineEdit::textChanged, this, &TMainScreen::SearchChanged);
  SearchEdit->installEventFilter(this);
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, SearchEdit, [this] {
    SearchEdit->setFocus(Qt::ShortcutFocusReason);
    SearchEdit->selectAll();
  });
}

void TMainScreen::SearchChanged(const QString& text) {
  faxModel_->setSearchText(text);
  recModel_->setSearchText(text);
  applyCommandStates();
}

void TMainScreen::createStatusPanel() {
  status = new QLabel(this);
  status->setObjectName(QStringLiteral("status"));
  status->setMinimumHeight(24);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->addWidget(status, 1);
  statusBar()->setSizeGripEnabled(true);
}

void TMainScreen::createMenus() {
  const auto item = [this](QMenu* menu, QAction*& field, const char* name, const char* text, const char* hint,
                           void (TMainScreen::*handler)(), QKeySequence shortcut = {}) {
    field = menu->addAction(QString::fromLatin1(text));
    field->setObjectName(QString::fromLatin1(name));
    if (hint) field->setStatusTip(QString::fromLatin1(hint));
    if (!shortcut.isEmpty()) field->setShortcut(shortcut);
    connect(field, &QAction::triggered, this, handler);
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  item(file, mnuNewFax, "mnuNewFax", "&New Fax", "Create a new fax", &TMainScreen::NewbuttonClick);
  item(file, mnuEditFax, "mnuEditFax", "&Edit Fax", "Edit the currently selected fax", &TMainScreen::EditButtonClick);
  item(file, mnuCloneFax, "mnuCloneFax", "Clone Fax", "Clone the currently selected fax", &TMainScreen::CloneFaxClick);
  item(file, mnuDeleteFax, "mnuDeleteFax", "Delete Fax", "Delete the currently selected fax",
       &TMainScreen::DeleteButtonClick);
  item(file, mnuCleanup, "mnuCleanup", "Fax Log Cleanup", nullptr, &TMainScreen::mnuCleanupClick);
  file->addSeparator();
  item(file, mnuSendFax, "mnuSendFax", "Send Fax", "Send the currently selected fax", &TMainScreen::SendButtonClick,
       QKeySequence(Qt::CTRL | Qt::Key_S));
  item(file, mnuReceiveFaxes, "mnuReceiveFaxes", "Receive Faxes", nullptr, &TMainScreen::ReceiveButtonClick,
       QKeySequence(Qt::CTRL | Qt::Key_R));
  item(file, mnuViewPrint, "mnuViewPrint", "View/Print Fax", "See a preview of and optionally  print the fax",
       &TMainScreen::ViewFaxButtonClick, QKeySequence(Qt::CTRL | Qt::Key_V));
  file->addSeparator();
  item(file, mnuCoverSheets, "mnuCoverSheets", "C&over Sheets", "Create or modify cover page templates",
       &TMainScreen::mnuCoverSheetsClick);
  item(file, mnuPhoneBook, "mnuPhoneBook", "&Phone Book", "Create or modify phone book entries",
       &TMainScreen::mnuPhoneBookClick);
  item(file, mnuRebuildIndexes, "mnuRebuildIndexes", "Rebuild &Indexes", "Do this every 2 weeks ",
       &TMainScreen::mnuRebuildIndexesClick);
  item(file, mnuPreferences, "mnuPreferences", "P&references", "Set Telvane preferences",
       &TMainScreen::mnuPreferencesClick);
  file->addSeparator();
  item(file, mnuExit, "mnuExit", "E&xit", "Exit to Windows", &TMainScreen::ExitbuttonClick, QKeySequence(Qt::CTRL | Qt::Key_X));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  const auto helpItem = [this, help](QAction*& field, const char* name, const char* text, const char* hint,
                                     int context) {
    field = help->addAction(QString::fromLatin1(text));
    field->setObjectName(QString::fromLatin1(name));
    if (hint) field->setStatusTip(QString::fromLatin1(hint));
    connect(field, &QAction::triggered, this, [this, context] { ShowHelp(context, this); });
  };
  helpItem(mnuContents, "mnuContents", "Contents", "Open the Telvane help file", help_context::Contents);
  mnuContents->setShortcut(QKeySequence::HelpContents);
  helpItem(mnuFAQ, "mnuFAQ", "Frequently Asked Questions (FAQ)", nullptr, help_context::Faq);
  helpItem(mnuTechHelp, "mnuTechHelp", "Technical Help", nullptr, help_context::TechnicalHelp);
  helpItem(mnuTechSupport, "mnuTechSupport", "Technical Support", nullptr, help_context::TechnicalSupport);
  item(help, mnuAbout, "mnuAbout", "About", "Information about Telvane", &TMainScreen::mnuAboutClick);
  help->addSeparator();
  item(help, mnuConfiguration, "mnuConfiguration", "Configuration Information", nullptr,
       &TMainScreen::mnuConfigurationClick);
  item(help, mnuWebsite, "mnuWebsite", "Visit Our Internet Website", nullptr, &TMainScreen::mnuWebsiteClick);
  help->addSeparator();
  item(help, mnuShowHints, "mnuShowHints", "Show Hints", nullptr, &TMainScreen::mnuShowHintsClick);
  mnuShowHints->setCheckable(true);
  mnuShowHints->setChecked(true);
}

// --- lifecycle -------------------------------------------------------------

void TMainScreen::FormCreate() {
  FirstActivation = true;
  ShowPage(LogPage::Outgoing);
  // Each log that fails gets its message; the close comes after both, so
  // it never runs inside a message box while the window is half made.
  if (!tables_->OpenFaxDBF()) {
    ShowInformation("Unable to open/create the FAX datafile - closing program");
    StartFailed = true;
  }
  if (!tables_->OpenRecFaxDBF()) {
    ShowInformation("Unable to open/create the FAX RECEIVE datafile - closing program");
    StartFailed = true;
  }
  if (StartFailed) {
    closing_ = true;
    PostCloseProgram();
  }
  // The grids open in the order they will keep (newest first), so the
  // first paint reads only the rows it shows.
  tables_->PrepareFaxOrder();
  tables_->PrepareRecOrder();
  faxModel_->reload();
  recModel_->reload();
  fitColumns(*FaxGrid, *faxModel_);
  fitColumns(*RecFaxGrid, *recModel_);
  LoadSettings();
  if (AppSettings.ComPort == -1) {
    FirstRun = true;
    AppSettings.ComPort = 0;
  }
  FaxInProgress = false;
  InReceiveMode = false;
  QDir().mkpath(QString::fromStdString(ProgramDirectory() + "receive"));  // an error shows when a fax is written
  mnuShowHints->setChecked(AppSettings.HintsOn);
  applyHints();
  ReceiveLog.clear();
}

void TMainScreen::showEvent(QShowEvent* event) {
  if (FirstActivation) {
    // Placed before the window first appears, so it does not jump.
    RestoreWindowPlacement(*this, false);
    QTimer::singleShot(0, this, &TMainScreen::FormActivate);
  }
  QMainWindow::showEvent(event);
}

void TMainScreen::FormActivate() {
  if (!FirstActivation) return;
  FirstActivation = false;
  SetButtons();
  FaxGrid->setFocus();
  ProcessPendingMessages();
  // A log that could not be opened closes the program first: asking to set
  // up, reindex or receive after "closing program" would work on logs that
  // are not open.
  if (closing_) return;
  if (FirstRun) RunQuickSetup(this);
  if (NeedsReindex() && AskYesNo("The log files need to be reindexed.\rDo this now?", "REINDEX"))
    mnuRebuildIndexesClick();
  if (AppSettings.AtStartup) ReceiveButtonClick();
}

bool TMainScreen::NeedsReindex() const { return !tables_->HasCompleteIndexes(); }

bool TMainScreen::FormCloseQuery() {
  const bool receiving = FaxInProgress || receiveMode_->FaxInProgress;
  if (receiving && !AskYesNo("You are receiving a fax. Exit the program?", "Exit")) return false;
  // Receive mode ends while the logs are open, so the pages of a call it
  // hangs up on still get their row.
  if (InReceiveMode) ReceiveButtonClick();
  closing_ = true;  // before the pending messages run: they may hold the first activation
  ProcessPendingMessages();
  tables_->CloseFax();
  tables_->CloseRec();
  faxModel_->reload();
  recModel_->reload();
  ProcessPendingMessages();
  return true;
}

void TMainScreen::FormClose() {
  SetButtons();
  // A start that failed changed nothing worth keeping, and its one message
  // has been shown: a settings write error on top would be a second one.
  if (StartFailed) return;
  try {
    SaveWindowPlacement(*this);
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
}

void TMainScreen::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

bool TMainScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SearchEdit && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !SearchEdit->text().isEmpty()) {
    SearchEdit->clear();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TMainScreen::event(QEvent* event) {
  if (event->type() == MsgCloseProgram) {
    close();
    return true;
  }
  if (event->type() == MsgPlayReceivedSound) {
    const QString wav = QString::fromStdString(AppSettings.ReceiveWav);
    if (!wav.isEmpty() && QFileInfo::exists(wav)) {
      if (!sound_) sound_ = new QSoundEffect(this);
      sound_->setSource(QUrl::fromLocalFile(wav));
      sound_->play();
    }
    return true;
  }
  return QMainWindow::event(event);
}

void TMainScreen::PostCloseProgram() { QApplication::postEvent(this, new QEvent(MsgCloseProgram)); }

void TMainScreen::PostPlayReceivedSound() { QApplication::postEvent(this, new QEvent(MsgPlayReceivedSound)); }

// --- pages, status, commands' availability -----------------------------------

LogPage TMainScreen::CurrentPage() const {
  return NoteBook->currentIndex() == 1 ? LogPage::Incoming : LogPage::Outgoing;
}

void TMainScreen::ShowPage(LogPage page) {
  const int index = page == LogPage::Incoming ? 1 : 0;
  NoteBook->setCurrentIndex(index);
  TabSet1->setCurrentIndex(index);
}

void TMainScreen::SetStatusText(const QString& text) { status->setText(text); }

QString TMainScreen::StatusText() const { return status->text(); }

void TMainScreen::SetButtons() {
  tables_->PrepareFaxOrder();
  tables_->PrepareRecOrder();
  faxModel_->reload();
  recModel_->reload();
  applyCommandStates();
}

void TMainScreen::applyCommandStates() {
  // A log "has rows" when the grid shows one: a search may hide them all.
  const bool outHas = faxModel_->rowCount() > 0;
  const bool recHas = recModel_->rowCount() > 0;
  const LogPage page = CurrentPage();
  const CommandStates s = ComputeCommandStates(page, outHas, recHas, InReceiveMode);
  const bool editAvailable = page == LogPage::Incoming || CommandAvailable(Command::EditSentFax);
  FaxGrid->setEnabled(s.faxGrid);
  RecFaxGrid->setEnabled(s.recFaxGrid);
  enableCommand(Newbutton, mnuNewFax, s.newFax, CommandAvailable(Command::NewFax));
  enableCommand(nullptr, mnuCloneFax, s.cloneFax, CommandAvailable(Command::NewFax));
  enableCommand(SendButton, mnuSendFax, s.send, CommandAvailable(Command::SendFax));
  enableCommand(ReceiveButton, mnuReceiveFaxes, s.receive, CommandAvailable(Command::ReceiveFaxes));
  enableCommand(EditButton, mnuEditFax, s.edit, editAvailable);
  enableCommand(DeleteButton, mnuDeleteFax, s.del, true);
  enableCommand(ViewFaxButton, mnuViewPrint, s.view, CommandAvailable(Command::ViewFax));
  enableCommand(Printbutton, nullptr, s.print, CommandAvailable(Command::PrintFax));
  enableCommand(nullptr, mnuCoverSheets, true, CommandAvailable(Command::CoverSheets));
  enableCommand(nullptr, mnuPhoneBook, true, CommandAvailable(Command::PhoneBook));
  enableCommand(nullptr, mnuPreferences, true, CommandAvailable(Command::Preferences));
  enableCommand(nullptr, mnuConfiguration, true, CommandAvailable(Command::Configuration));
}

// A command whose window comes later is disabled and says so in its hint;
// the Part's own hint comes back once it is available.
void TMainScreen::enableCommand(QPushButton* button, QAction* action, bool enabled, bool available) {
  const auto hintOf = [available](const QVariant& designed) {
    const QString hint = designed.toString();
    if (available) return hint;
    return hint.isEmpty() ? QString::fromLatin1(LaterVersionHint) : hint + QStringLiteral(" (") +
                                                                       QString::fromLatin1(LaterVersionHint).toLower() +
                                                                       QStringLiteral(")");
  };
  if (button) {
    if (!button->property("designedHint").isValid()) button->setProperty("designedHint", button->toolTip());
    button->setEnabled(enabled && available);
    button->setToolTip(hintOf(button->property("designedHint")));
  }
  if (action) {
    if (!action->property("designedHint").isValid()) action->setProperty("designedHint", action->statusTip());
    action->setEnabled(enabled && available);
    action->setStatusTip(hintOf(action->property("designedHint")));
    action->setToolTip(available ? action->text().remove(QLatin1Char('&')) : hintOf(action->property("designedHint")));
  }
}

void TMainScreen::applyHints() { SetHintsEnabled(AppSettings.HintsOn); }

bool TMainScreen::refusedInReceiveMode() {
  if (!InReceiveMode) return false;
  ShowInformation(ReceiveModeRefusal);
  return true;
}

bool TMainScreen::FaxTableCloseAndOpen() {
  const bool ok = tables_->FaxTableCloseAndOpen();
  faxModel_->reload();
  return ok;
}

bool TMainScreen::RecTableCloseAndOpen() {
  const bool ok = tables_->RecTableCloseAndOpen();
  recModel_->reload();
  return ok;
}

// --- commands --------------------------------------------------------------
// A handler whose window comes later returns at once: its button and menu
// are disabled, and only a shortcut typed at the wrong moment reaches it.

void TMainScreen::ExitbuttonClick() { close(); }

void TMainScreen::NewbuttonClick() {
  if (refusedInReceiveMode() || !CommandAvailable(Command::NewFax)) {
    CloneNext = false;
    return;
  }
  const FaxEditKind kind = CloneNext ? FaxEditKind::Clone : FaxEditKind::New;
  CloneNext = false;  // one-shot, whatever the editor returns
  if (EditOutgoingFax(tables_->Records(), kind, this)) {
    ProcessPendingMessages();
    FaxTableCloseAndOpen();
  }
  SetButtons();
}

void TMainScreen::CloneFaxClick() {
  if (!tables_->FaxHasRows()) {
    beep();
    return;
  }
  CloneNext = true;
  NewbuttonClick();
}

void TMainScreen::EditButtonClick() {
  if (refusedInReceiveMode()) return;
  if (CurrentPage() == LogPage::Incoming) {
    EditReceivedFax();
    return;
  }
  if (!tables_->FaxHasRows()) {
    beep();
    return;
  }
  if (EditOutgoingFax(tables_->Records(), FaxEditKind::Edit, this)) faxModel_->reload();
  SetButtons();
}

void TMainScreen::EditReceivedFax() {
  if (!tables_->RecHasRows() || recModel_->rowCount() == 0) {
    beep();
    return;
  }
  RecordTable& log = tables_->Records().RecTable();
  const uint32_t record = log.RecNo();
  TEditReceiveNotes notes(this);
  notes.FromLabel->setText(QStringLiteral("From: ") + QString::fromStdString(log.Field("FROM")).trimmed());
  notes.Notes->setText(QString::fromStdString(log.Field("NOTES")).trimmed());
  CenterWindow(notes);
  if (notes.exec() != QDialog::Accepted) return;
  if (record > 0) log.Go(record);
  if (!log.Edit() || !log.SetField("NOTES", notes.Notes->text().toStdString()) || !log.Post()) {
    ShowInformation("The notes could not be saved: " + log.lastError());
    log.Cancel();
  }
  recModel_->reload();
  SetButtons();
}

void TMainScreen::DeleteButtonClick() {
  // The question shows the fields without the blanks that fill them out.
  if (CurrentPage() == LogPage::Incoming) {
    if (refusedInReceiveMode()) return;
    if (!tables_->RecHasRows() || recModel_->rowCount() == 0) {
      beep();
      return;
    }
    const std::string from = TrimSpaces(tables_->CurrentRecField("FROM"));
    if (AskYesNoDefaultNo("Delete the current fax?\r\n(from: \"" + from + "\")", "Delete")) {
      tables_->DeleteCurrentReceived();
      recModel_->reload();
    }
  } else {
    if (!tables_->FaxHasRows() || faxModel_->rowCount() == 0) {
      beep();
      return;
    }
    const std::string subject = TrimSpaces(tables_->CurrentFaxField("SUBJECT"));
    if (AskYesNoDefaultNo("Delete the current fax?\r\n(subject: \"" + subject + "\")", "Delete")) {
      tables_->DeleteCurrentOutgoing();
      faxModel_->reload();
    }
  }
  SetButtons();
}

void TMainScreen::SendButtonClick() {
  if (InReceiveMode) {
    ShowInformation(
        "You are in Fax Receive mode. You cannot send\rwhile in Fax Receive mode. Click the Stop button to "
        "end\rFax Receive mode");
    return;
  }
  if (CurrentPage() == LogPage::Incoming) {
    ShowInformation("Please switch to the Outgoing Faxes tab\rand highlight a fax to send");
    return;
  }
  if (!tables_->FaxHasRows()) {
    beep();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetStatusText(QStringLiteral("Preparing files for viewing..."));
  ProcessPendingMessages();
  const std::string file = CreateFaxFile();
  QApplication::restoreOverrideCursor();
  if (file.empty()) {
    ShowInformation("Error creating fax file");
    SetStatusText({});
    return;
  }
  const int resumeAfter = AskResumeAfter(LastFaxPageCount);
  RecordTable& log = tables_->Records().FaxTable();
  const uint32_t record = log.RecNo();
  QString result, phone;
  {
    TSendFaxForm form(this);
    CenterWindow(form);
    form.SetFaxFileName(file);
    form.ToLabel->setText(QString::fromStdString(TrimSpaces(log.Field("RECIPIENT"))));
    form.Subjectlabel->setText(QString::fromStdString(TrimSpaces(log.Field("SUBJECT"))));
    form.SetInitialPhoneNumber(QString::fromStdString(TrimSpaces(log.Field("PHONE"))));
    form.SetPortNumber(AppSettings.ComPort + 1);
    form.SetResumeAfter(resumeAfter);
    SetStatusText({});
    ProcessPendingMessages();
    form.exec();
    result = form.SendResult;
    phone = form.sfPhoneNumber->text();
    ButtonBar->setEnabled(true);
    AppSettings.DialPrefix = form.sfDialPrefix->text().toStdString();
    AppSettings.DialSuffix = form.sfDialsuffix->text().toStdString();
    AppSettings.PrefixDisable = form.DisablePrefix->isChecked();
    AppSettings.SuffixDisable = form.DisableSuffix->isChecked();
  }
  try {
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
  std::remove(file.c_str());
  log.Go(record);
  if (!RecordSendResult(log, result.toStdString(), phone.toStdString(), LastFaxPageCount,
                        QDateTime::currentDateTime()))
    ShowError("The result of the send could not be stored: " + log.lastError());
  faxModel_->reload();
  SetStatusText({});
  SetButtons();
}

int TMainScreen::AskResumeAfter(int pageCount) {
  const std::optional<PartialSend> partial = ParsePartialSendResult(TrimSpaces(tables_->CurrentFaxField("LASTRESULT")));
  // A fax changed since its last try has other pages: it goes whole.
  if (!partial || partial->totalPages != pageCount) return 0;
  const std::string sent = partial->confirmedPages == 1 ? "page 1" : "pages 1-" + std::to_string(partial->confirmedPages);
  const std::string rest = partial->confirmedPages + 1 == pageCount
                               ? "page " + std::to_string(pageCount)
                               : "pages " + std::to_string(partial->confirmedPages + 1) + "-" + std::to_string(pageCount);
  return AskYesNo("The last attempt sent " + sent + " of " + std::to_string(pageCount) +
                      " before the call broke off.\rSend only " + rest + " now?\r\r(No sends the whole fax again.)",
                  "Send the Rest")
             ? partial->confirmedPages
             : 0;
}

std::string TMainScreen::CreateFaxFile() {
  const FaxFileFeedback feedback{[this](const QString& text) { SetStatusText(text); },
                                 [this](bool enabled) { ButtonBar->setEnabled(enabled); }};
  try {
    return telvane::CreateFaxFile(tables_->Records(), *WPCover, *WPDoc, ScreenPixelsPerInch(*this), feedback,
                                  LastFaxPageCount);
  } catch (const std::exception& e) {
    ShowError(e.what());
    return {};
  }
}

void TMainScreen::ReceiveButtonClick() { receiveMode_->ReceiveButtonClick(); }

void TMainScreen::ShowReceivedPage() {
  ShowPage(LogPage::Incoming);
  SetButtons();
}

void TMainScreen::ReceiveModeChanged(bool on) {
  InReceiveMode = on;
  ReceiveButton->setText(on ? QStringLiteral("STOP") : QStringLiteral("&Receive"));
  ReceiveButton->setToolTip(on ? QStringLiteral("Stop receiving faxes") : QStringLiteral("Start receiving faxes"));
  SetButtons();
}

bool TMainScreen::AddReceivedRow(const ReceivedFaxRow& row) {
  RecordTable& log = tables_->Records().RecTable();
  const bool stored = log.Append() && log.SetField("DATEREC", row.date.toString(QStringLiteral("yyyyMMdd")).toStdString()) &&
                      log.SetField("TIMEREC", row.time.toStdString()) && log.SetField("FROM", row.from) &&
                      log.SetField("PAGES", std::to_string(row.pages)) && log.SetField("FAXFILE", row.faxFile) &&
                      log.SetField("NOTES", row.notes) && log.Post();
  if (!stored) {
    const std::string error = log.lastError();
    log.Cancel();
    ShowError("The received fax " + row.faxFile + " is in the receive folder, but the received log could not take it: " +
              error);
    return false;
  }
  ProcessPendingMessages();
  RecTableCloseAndOpen();
  ProcessPendingMessages();
  SetButtons();
  return true;
}

void TMainScreen::PlayReceivedSound() { PostPlayReceivedSound(); }

void TMainScreen::PrintReceivedFax(const std::string& path) {
  try {
    if (AppSettings.PrintOnReceiptPrinter != DefaultPrinterName)
      faxPrinter_->Printer().setPrinterName(QString::fromStdString(AppSettings.PrintOnReceiptPrinter));
    faxPrinter_->SetFileName(path);
    faxPrinter_->PrintPages();
  } catch (const std::exception& e) {
    ShowError("The received fax could not be printed: " + std::string(e.what()));
  }
}

void TMainScreen::ViewFaxButtonClick() { viewOrPrint(false); }

void TMainScreen::PrintbuttonClick() { viewOrPrint(true); }

void TMainScreen::FaxGridDblClick() { viewOrPrint(false); }

void TMainScreen::viewOrPrint(bool print) {
  if (!CommandAvailable(print ? Command::PrintFax : Command::ViewFax)) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetStatusText(QStringLiteral("Preparing files for viewing..."));
  ProcessPendingMessages();
  std::string file, header;
  bool temporary = false;
  if (CurrentPage() == LogPage::Incoming) {
    const LogRow row = tables_->ReadRow(LogKind::Received, tables_->CurrentRecord(LogKind::Received));
    const ReceivedFaxCheck check = CheckReceivedFax(row);
    if (!check.error.empty()) {
      QApplication::restoreOverrideCursor();
      SetStatusText({});
      ShowInformation(check.error);
      return;
    }
    file = check.file;
    header = ReceivedHeaderText(row).toStdString();
  } else {
    if (!tables_->FaxHasRows()) {
      QApplication::restoreOverrideCursor();
      SetStatusText({});
      beep();
      return;
    }
    const LogRow row = tables_->ReadRow(LogKind::Outgoing, tables_->CurrentRecord(LogKind::Outgoing));
    file = CreateFaxFile();
    temporary = true;
    header = OutgoingHeaderText(row).toStdString();
  }
  QApplication::restoreOverrideCursor();
  SetStatusText({});
  if (file.empty()) {
    ShowInformation("Error creating fax file");
    return;
  }
  if (print) {
    try {
      faxPrinter_->SetFileName(file);
      PrintFaxWithOptions(this, *faxPrinter_, {header, 0});
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  } else {
    TFaxViewer viewer(this);
    viewer.FaxFileName = file;
    viewer.HeaderText = header;
    viewer.OnHelp = [this](int context) { ShowHelp(context, this); };
    viewer.exec();
  }
  if (temporary) std::remove(file.c_str());
  SetButtons();
}

void TMainScreen::mnuCleanupClick() {
  if (refusedInReceiveMode()) return;
  bool changed = false;
  {
    TDMForm cleanup(*tables_, this);
    CenterWindow(cleanup);
    cleanup.exec();
    changed = cleanup.Changed;
  }
  if (changed)
    rebuildIndexes();  // packs away every row deleted there
  else
    SetButtons();
}

void TMainScreen::mnuCoverSheetsClick() {
  if (refusedInReceiveMode()) return;
  ManageCoverTemplates(tables_->Records(), this);
  SetButtons();
}

void TMainScreen::mnuPhoneBookClick() {
  if (refusedInReceiveMode()) return;
  ManagePhoneBook(tables_->Records(), this);
  SetButtons();
}

void TMainScreen::mnuRebuildIndexesClick() {
  if (refusedInReceiveMode()) return;
  rebuildIndexes();
}

void TMainScreen::rebuildIndexes() {
  faxModel_->suspend();
  recModel_->suspend();
  TRebuildInd rebuild(*tables_, this);
  rebuild.exec();
  faxModel_->reload();
  recModel_->reload();
  SetButtons();
}

void TMainScreen::mnuPreferencesClick() {
  if (refusedInReceiveMode()) return;
  RunPreferences(this);
  SetButtons();
}

void TMainScreen::mnuWebsiteClick() {
  if (refusedInReceiveMode()) return;
  const QUrl url(QString::fromLatin1(WebsiteUrl));
  OpenWebPage(url, this, [url] {
    ShowInformation("No web browser could be started to show " + url.toString().toStdString() +
                    ".\rPlease open that address in your browser.");
  }, UrlOpener);
}

void TMainScreen::mnuAboutClick() { ShowAboutBox(this); }

void TMainScreen::mnuConfigurationClick() { RunConfigurationInfo(this); }

void TMainScreen::mnuShowHintsClick() {
  AppSettings.HintsOn = mnuShowHints->isChecked();
  try {
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
  applyHints();
  SetStatusText({});
}

}  // namespace telvane
