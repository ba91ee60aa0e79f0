#pragma once
// The main window: the outgoing and received fax logs, the commands that
// act on them, and the owner of everything that lives as long as the
// program.

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "app/command_states.h"
#include "sessions/receive_mode.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTableView;
class QSoundEffect;

namespace telvane {

class LogTables;
class LogTableModel;
class TKovaFaxPrinter;
class TKovaFaxPrinterStatus;
class TStartingFaxForm;
class TWPRichText;

class TMainScreen : public QMainWindow, private ReceiveModeHost {
  Q_OBJECT
public:
  explicit TMainScreen(QWidget* parent = nullptr);
  ~TMainScreen() override;

  // The one main window, for the windows that need its tables.
  static TMainScreen* Instance();

  LogTables& Tables() { return *tables_; }
  // The current outgoing fax as a fax image file in the program
  // directory (the caller deletes it), or "" after telling the user.
  std::string CreateFaxFile();
  // What Print and print on receipt print with.
  TKovaFaxPrinter& FaxPrinter() { return *faxPrinter_; }

  // Re-evaluates which commands are available.
  void SetButtons();
  // Reopens a log after a change so the grid shows it, keeping the row.
  bool FaxTableCloseAndOpen();
  bool RecTableCloseAndOpen();

  LogPage CurrentPage() const;
  void ShowPage(LogPage page);
  void SetStatusText(const QString& text) override;
  QString StatusText() const;

  // Posts the user message that closes the program from inside a handler.
  void PostCloseProgram();
  // Plays the received-fax sound when the settings name one that exists.
  void PostPlayReceivedSound();

  // Main window state.
  bool FirstActivation = false;
  // A log could not be opened: the program closes without saving anything.
  bool StartFailed = false;
  bool InReceiveMode = false;
  bool FaxInProgress = false;
  bool CloneNext = false;
  int LastFaxPageCount = 0;
  uint16_t ReceivedPageCount = 0;
  int LastReceiveError = 0;
  QString ReceivedFaxFile;
  QStringList ReceiveLog;
  QString LastReceiveLogLine;

  // The commands, by the names of their handlers.
  void NewbuttonClick();
  void EditButtonClick();
  void CloneFaxClick();
  void DeleteButtonClick();
  void SendButtonClick();
  void ReceiveButtonClick();
  void ViewFaxButtonClick();
  void PrintbuttonClick();
  void mnuCleanupClick();
  void mnuCoverSheetsClick();
  void mnuPhoneBookClick();
  void mnuRebuildIndexesClick();
  void mnuPreferencesClick();
  void mnuWebsiteClick();
  void mnuAboutClick();
  void mnuConfigurationClick();
  void mnuShowHintsClick();
  void FaxGridDblClick();
  void ExitbuttonClick();
  void EditReceivedFax();
  // The search field's text changed: both grids show the rows holding it.
  void SearchChanged(const QString& text);

  // The program that opens the web page in a browser (tests replace it).
  QString UrlOpener = QStringLiteral("xdg-open");

  // Asked by the first activation; answering Yes rebuilds.
  bool NeedsReindex() const;

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FormCreate();
  void FormActivate();
  bool FormCloseQuery();
  void FormClose();

  void createButtonBar();
  void createBrowsePanel();
  void createMenus();
  void createStatusPanel();
  void createSearchField();
  void applyCommandStates();
  void enableCommand(QPushButton* button, QAction* action, bool enabled, bool available);
  void rebuildIndexes();
  void applyHints();

  // Receive mode tells the window what it needs shown and stored.
  void ShowReceivedPage() override;
  void ReceiveModeChanged(bool on) override;
  bool AddReceivedRow(const ReceivedFaxRow& row) override;
  void PlayReceivedSound() override;
  void PrintReceivedFax(const std::string& path) override;

  // How much of a fax that broke off to send again: the pages after the
  // confirmed ones, or 0 for the whole fax.
  int AskResumeAfter(int pageCount);

  // A command refused while receive mode is on; true when refused.
  bool refusedInReceiveMode();
  void viewOrPrint(bool print);

  std::unique_ptr<LogTables> tables_;
  LogTableModel* faxModel_ = nullptr;
  LogTableModel* recModel_ = nullptr;
  QSoundEffect* sound_ = nullptr;
  // Hidden controls that turn the stored rich texts into fax pages.
  std::unique_ptr<TWPRichText> WPCover;
  std::unique_ptr<TWPRichText> WPDoc;
  std::unique_ptr<TKovaFaxPrinterStatus> printerStatus_;
  std::unique_ptr<TKovaFaxPrinter> faxPrinter_;
  std::unique_ptr<TStartingFaxForm> startingFaxForm_;
  std::unique_ptr<TReceiveMode> receiveMode_;
  bool closing_ = false;  // the close went ahead: no start-up step may follow it

public:
  // Controls, by their design names (tests reach them through these).
  QWidget* ButtonBar = nullptr;
  QPushButton* Newbutton = nullptr;
  QPushButton* EditButton = nullptr;
  QPushButton* DeleteButton = nullptr;
  QPushButton* SendButton = nullptr;
  QPushButton* ReceiveButton = nullptr;
  QPushButton* ViewFaxButton = nullptr;
  QPushButton* Printbutton = nullptr;
  QPushButton* Exitbutton = nullptr;
  QWidget* BrowsePanel = nullptr;
  QStackedWidget* NoteBook = nullptr;
  QTableView* FaxGrid = nullptr;
  QTableView* RecFaxGrid = nullptr;
  QTabBar* TabSet1 = nullptr;
  QLineEdit* SearchEdit = nullptr;
  QLabel* status = nullptr;

  QAction* mnuNewFax = nullptr;
  QAction* mnuEditFax = nullptr;
  QAction* mnuCloneFax = nullptr;
  QAction* mnuDeleteFax = nullptr;
  QAction* mnuCleanup = nullptr;
  QAction* mnuSendFax = nullptr;
  QAction* mnuReceiveFaxes = nullptr;
  QAction* mnuViewPrint = nullptr;
  QAction* mnuCoverSheets = nullptr;
  QAction* mnuPhoneBook = nullptr;
  QAction* mnuRebuildIndexes = nullptr;
  QAction* mnuPreferences = nullptr;
  QAction* mnuExit = nullptr;
  QAction* mnuContents = nullptr;
  QAction* mnuFAQ = nullptr;
  QAction* mnuTechHelp = nullptr;
  QAction* mnuTechSupport = nullptr;
  QAction* mnuAbout = nullptr;
  QAction* mnuConfiguration = nullptr;
  QAction* mnuWebsite = nullptr;
  QAction* mnuShowHints = nullptr;
};

}  // namespace telvane
