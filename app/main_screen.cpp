#include "app/main_screen.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <algorithm>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
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
#include "app/help_window.h"
#include "app/hints.h"
#include "app/log_table_model.h"
#include "app/log_tables.h"
#include "app/quick_setup.h"
#include "app/rebuild_indexes.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"
#include "platform/prompts.h"
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

// Widens columns whose first rows hold longer texts than the design width
// allows, up to a limit, so the first screen shows whole values.
void fitColumns(QTableView& grid) {
  constexpr int sampledRows = 40;
  const int limit = grid.fontMetrics().averageCharWidth() * 40;
  grid.horizontalHeader()->setResizeContentsPrecision(sampledRows);
  for (int c = 0; c + 1 < grid.model()->columnCount(); ++c) {  // the last column stretches
    const int designed = grid.columnWidth(c);
    grid.resizeColumnToContents(c);
    grid.setColumnWidth(c, std::max(designed, std::min(grid.columnWidth(c), limit)));
  }
}

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
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->verticalHeader()->setFixedWidth(14);  // the row indicator column
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < model->columnCount(); ++c) grid->setColumnWidth(c, columnWidth(*grid, *model, c));
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

  auto* layout = new QVBoxLayout(BrowsePanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ButtonBar);
  layout->addWidget(NoteBook, 1);
  layout->addWidget(TabSet1);
  setCentralWidget(BrowsePanel);
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
  if (!tables_->OpenFaxDBF()) {
    ShowInformation("Unable to open/create the FAX datafile - closing program");
    PostCloseProgram();
  }
  if (!tables_->OpenRecFaxDBF()) {
    ShowInformation("Unable to open/create the FAX RECEIVE datafile - closing program");
    PostCloseProgram();
  }
  // The grids open in the order they will keep (newest first), so the
  // first paint reads only the rows it shows.
  tables_->PrepareFaxOrder();
  tables_->PrepareRecOrder();
  faxModel_->reload();
  recModel_->reload();
  fitColumns(*FaxGrid);
  fitColumns(*RecFaxGrid);
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
  if (FirstRun) {
    TQuickSetup setup(this);
    CenterWindow(setup);
    setup.exec();
  }
  if (NeedsReindex() && AskYesNo("The log files need to be reindexed.\rDo this now?", "REINDEX"))
    mnuRebuildIndexesClick();
  if (AppSettings.AtStartup) ReceiveButtonClick();
}

bool TMainScreen::NeedsReindex() const { return !tables_->HasCompleteIndexes(); }

bool TMainScreen::FormCloseQuery() {
  if (FaxInProgress && !AskYesNo("You are receiving a fax. Exit the program?", "Exit")) return false;
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
  if (InReceiveMode) ReceiveButtonClick();  // stops receive mode
  SetButtons();
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
  const bool outHas = tables_->PrepareFaxOrder();
  const bool recHas = tables_->PrepareRecOrder();
  faxModel_->reload();
  recModel_->reload();
  const CommandStates s = ComputeCommandStates(CurrentPage(), outHas, recHas, InReceiveMode);
  FaxGrid->setEnabled(s.faxGrid);
  RecFaxGrid->setEnabled(s.recFaxGrid);
  Newbutton->setEnabled(s.newFax);
  mnuNewFax->setEnabled(s.newFax);
  mnuCloneFax->setEnabled(s.cloneFax);
  SendButton->setEnabled(s.send);
  mnuSendFax->setEnabled(s.send);
  mnuReceiveFaxes->setEnabled(s.receive);
  for (QPushButton* b : {EditButton, DeleteButton, ViewFaxButton, Printbutton}) b->setEnabled(s.edit);
  for (QAction* a : {mnuEditFax, mnuDeleteFax, mnuViewPrint}) a->setEnabled(s.edit);
}

void TMainScreen::applyHints() { SetHintsEnabled(AppSettings.HintsOn); }

bool TMainScreen::refusedInReceiveMode() {
  if (!InReceiveMode) return false;
  ShowInformation(ReceiveModeRefusal);
  return true;
}

void TMainScreen::notAvailableYet(const QString& command) {
  ShowInformation((command + QStringLiteral(" is not available yet in this version of Telvane.")).toStdString());
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

void TMainScreen::ExitbuttonClick() { close(); }

void TMainScreen::NewbuttonClick() {
  if (refusedInReceiveMode()) {
    CloneNext = false;
    return;
  }
  notAvailableYet(CloneNext ? QStringLiteral("Cloning a fax") : QStringLiteral("Composing a fax"));
  CloneNext = false;
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
    editReceivedFaxNotes();
    return;
  }
  if (!tables_->FaxHasRows()) {
    beep();
    return;
  }
  notAvailableYet(QStringLiteral("Editing a fax"));
}

void TMainScreen::DeleteButtonClick() {
  if (CurrentPage() == LogPage::Incoming) {
    if (refusedInReceiveMode()) return;
    if (!tables_->RecHasRows()) {
      beep();
      return;
    }
    const std::string from = tables_->CurrentRecField("FROM");
    if (AskYesNoDefaultNo("Delete the current fax?\r\n(from: \"" + from + "\")", "Delete")) {
      tables_->DeleteCurrentReceived();
      recModel_->reload();
    }
  } else {
    if (!tables_->FaxHasRows()) {
      beep();
      return;
    }
    const std::string subject = tables_->CurrentFaxField("SUBJECT");
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
  notAvailableYet(QStringLiteral("Sending"));
}

void TMainScreen::ReceiveButtonClick() { notAvailableYet(QStringLiteral("Receiving")); }

void TMainScreen::ViewFaxButtonClick() { viewOrPrint(false); }

void TMainScreen::PrintbuttonClick() { viewOrPrint(true); }

void TMainScreen::FaxGridDblClick() { viewOrPrint(false); }

void TMainScreen::viewOrPrint(bool print) {
  notAvailableYet(print ? QStringLiteral("Printing") : QStringLiteral("The fax viewer"));
}

void TMainScreen::editReceivedFaxNotes() {
  if (!tables_->RecHasRows()) {
    beep();
    return;
  }
  notAvailableYet(QStringLiteral("Editing notes"));
}

void TMainScreen::mnuCleanupClick() {
  if (refusedInReceiveMode()) return;
  notAvailableYet(QStringLiteral("Fax Log Cleanup"));
}

void TMainScreen::mnuCoverSheetsClick() {
  if (refusedInReceiveMode()) return;
  notAvailableYet(QStringLiteral("Cover Sheets"));
}

void TMainScreen::mnuPhoneBookClick() {
  if (refusedInReceiveMode()) return;
  notAvailableYet(QStringLiteral("The Phone Book"));
}

void TMainScreen::mnuRebuildIndexesClick() {
  if (refusedInReceiveMode()) return;
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
  notAvailableYet(QStringLiteral("Preferences"));
}

void TMainScreen::mnuWebsiteClick() {
  if (refusedInReceiveMode()) return;
  QDesktopServices::openUrl(QUrl(QString::fromLatin1(WebsiteUrl)));
}

void TMainScreen::mnuAboutClick() { ShowAboutBox(this); }

void TMainScreen::mnuConfigurationClick() { notAvailableYet(QStringLiteral("The configuration report")); }

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
