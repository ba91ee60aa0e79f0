#pragma once
// Receive mode: the main window's port and fax receiver, started and
// stopped by the Receive button. It answers calls, stores each fax in the
// "receive" folder, and has the main window add a row for it, play the
// sound and print it. Its steps go to Lastrec.log.

#include <QDate>
#include <QString>
#include <memory>
#include <string>

#include "sessions/session_report.h"

namespace telvane {

class TKovaComPort;
class TKovaReceiveFax;
class TStartingFaxForm;

// A received fax as the received log stores it.
struct ReceivedFaxRow {
  QDate date;
  QString time;          // "hh:mm"
  std::string from;      // the sender's station identifier
  int pages = 0;
  std::string faxFile;   // name and extension, in the "receive" folder
  std::string notes;
};

// What receive mode needs of the main window.
class ReceiveModeHost {
public:
  virtual ~ReceiveModeHost() = default;
  virtual void SetStatusText(const QString& text) = 0;
  virtual void ShowReceivedPage() = 0;
  // Receive mode went on or off: the Receive button's caption and hint,
  // and the commands that it disables.
  virtual void ReceiveModeChanged(bool on) = 0;
  // Appends, posts and shows the row; false (with a message shown) when the
  // log could not take it.
  virtual bool AddReceivedRow(const ReceivedFaxRow& row) = 0;
  virtual void PlayReceivedSound() = 0;
  // Prints `path` on the printer the settings name for printing on receipt.
  virtual void PrintReceivedFax(const std::string& path) = 0;
};

class TReceiveMode {
public:
  TReceiveMode(ReceiveModeHost& host, TStartingFaxForm* notification);
  ~TReceiveMode();

  // Starts receive mode when it is off, stops it when it is on.
  void ReceiveButtonClick();

  bool InReceiveMode = false;
  bool FaxInProgress = false;
  int ReceivedPageCount = 0;
  int LastReceiveError = 0;
  std::string ReceivedFaxFile;
  const SessionReport& ReceiveLog() const { return receiveLog_; }

  TKovaComPort& KovaComPort() { return *port_; }
  TKovaReceiveFax& KovaReceiveFax1() { return *receiver_; }

  void AddtoLastRecLog(const std::string& line) { receiveLog_.Add(line); }
  void SaveLocalRecLog();
  // The status text of the call in progress.
  void UpdateValues();

private:
  void StartReceiveMode();
  void StopReceiveMode();
  // A start that cannot go on: back to off, the report written.
  void AbandonStart();
  void ApplySettings();
  void HideNotification();
  void OnFaxLog(int code);
  void FaxReceived();
  void FaxFailed();
  // The receiver ended by itself (the modem vanished, a fatal error).
  void ReceiverFinished(int code);

  ReceiveModeHost& host_;
  TStartingFaxForm* notification_;
  std::unique_ptr<TKovaComPort> port_;
  std::unique_ptr<TKovaReceiveFax> receiver_;
  SessionReport receiveLog_;
  bool stopping_ = false;
};

// The error window's text and the row's notes for a call that broke off
// after `pages` confirmed pages (0: nothing was kept).
QString FailedReceptionText(int pages, const std::string& error);
std::string BrokenCallNotes(int pages, const std::string& error);

}  // namespace telvane
