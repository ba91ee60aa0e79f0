#include "sessions/receive_mode.h"

#include <QApplication>
#include <QTime>
#include <filesystem>

#include "fax/modem_helpers.h"
#include "fax/receive_fax.h"
#include "fax/status/fax_status_source.h"
#include "platform/clock.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"
#include "platform/text.h"
#include "serial/com_port.h"
#include "serial/message_table.h"
#include "sessions/send_fax_form.h"
#include "sessions/send_setup.h"
#include "sessions/show_error_form.h"
#include "sessions/starting_fax_form.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

constexpr int kPortBuffer = 8192;
constexpr int kLargePortBuffer = 16384;
constexpr size_t kNotesWidth = 60;
// How long a stop waits for the receiver to hang up before closing the port.
constexpr int kHangupWaitMs = 10000;

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string FindModemAdvice(int n) {
  return "Is the Communications Port (COM" + std::to_string(n) + ") correct? Please\r\n"
         "click on the Find Modem button in Preferences to be sure.";
}

std::string EngineErrorText(int code) {
  if (code == 0) return "Unknown error";
  const std::string_view text = MessageText(code);
  return text.empty() ? "Error " + std::to_string(code) : std::string(text);
}

std::string FileNamePart(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

QString FailedReceptionText(int pages, const std::string& error) {
  if (pages <= 0) return Q("Telvane failed to receive an incoming fax.\r\n\r\nThe error message was:   " + error);
  const std::string kept =
      pages == 1 ? "page received before it is" : std::to_string(pages) + " pages received before it are";
  return Q("The call broke off after page " + std::to_string(pages) + " of an incoming fax. The " + kept +
           " kept in the received log.\r\n\r\nThe error message was:   " + error);
}

std::string BrokenCallNotes(int pages, const std::string& error) {
  std::string notes = "Call broke off after page " + std::to_string(pages) + ": " + error;
  if (notes.size() > kNotesWidth) notes.resize(kNotesWidth);
  return notes;
}

TReceiveMode::TReceiveMode(ReceiveModeHost& host, TStartingFaxForm* notification)
    : host_(host),
      notification_(notification),
      port_(std::make_unique<TKovaComPort>()),
      receiver_(std::make_unique<TKovaReceiveFax>()) {
  port_->SetAutoOpen(false);
  port_->SetPromptForPort(false);
  port_->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  receiver_->SetComPort(port_.get());
  receiver_->SetFaxFileExt("APF");
  receiver_->SetConstantStatus(true);
  receiver_->OnFaxAccept = [this](TKovaCustomReceiveFax&, bool& accept) {
    FaxInProgress = true;
    LastReceiveError = 0;
    accept = true;
  };
  receiver_->OnFaxError = [this](TKovaCustomAbstractFax&, int code) { LastReceiveError = code; };
  receiver_->OnFaxStatus = [this](TKovaCustomAbstractFax&, bool first, bool last) {
    UpdateValues();
    if (first) ReceivedPageCount = 0;
    if (last) FaxInProgress = false;
  };
  receiver_->OnFaxLog = [this](TKovaCustomAbstractFax&, int code) { OnFaxLog(code); };
  receiver_->OnFaxFinish = [this](TKovaCustomAbstractFax&, int code) { ReceiverFinished(code); };
}

TReceiveMode::~TReceiveMode() {
  receiver_->OnFaxFinish = nullptr;
  receiver_->OnFaxLog = nullptr;
  receiver_->OnFaxStatus = nullptr;
  if (InReceiveMode) receiver_->AbortFax();
  port_->SetOpen(false);
}

void TReceiveMode::ReceiveButtonClick() {
  if (InReceiveMode)
    StopReceiveMode();
  else
    StartReceiveMode();
}

void TReceiveMode::SaveLocalRecLog() { receiveLog_.Save(ProgramDirectory() + "Lastrec.log", SessionStamp()); }

void TReceiveMode::HideNotification() {
  if (notification_) notification_->hide();
}

void TReceiveMode::ApplySettings() {
  const AppSettingsRecord& s = AppSettings;
  port_->SetComNumber(static_cast<uint16_t>(s.ComPort + 1));
  const int inSize = s.GlobalLargerReceiveBuffer ? kLargePortBuffer : kPortBuffer;
  port_->SetInSize(static_cast<uint16_t>(inSize));
  port_->SetBufferFull(static_cast<uint16_t>(inSize * 9 / 10));
  port_->SetBufferResume(static_cast<uint16_t>(inSize / 10));
  receiver_->SetFaxClass(static_cast<TFaxClass>(s.FaxClassReceive + 1));
  receiver_->SetStationID(s.UserFax);
  receiver_->SetAnswerOnRing(s.AnswerOnRing);
  receiver_->SetDesiredBPS(static_cast<uint16_t>(s.MaximumBPSReceive));
  receiver_->SetDesiredECM(s.ECMReceive);
  if (!s.InitStringReceive.empty()) receiver_->SetModemInit(ModemInitCommand(s.InitStringReceive));
}

void TReceiveMode::StartReceiveMode() {
  const std::string destination = ProgramDirectory() + "receive";
  std::error_code ignored;
  std::filesystem::create_directories(destination, ignored);
  receiver_->SetDestinationDir(destination);
  receiver_->SetFaxNameMode(AppSettings.GlobalUseAlternateNamingRec ? TKovaCustomReceiveFax::nmMonthDay
                                                                     : TKovaCustomReceiveFax::nmCounter);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  LastReceiveError = 0;
  stopping_ = false;
  receiveLog_.Clear();
  AddtoLastRecLog("Start:" + SessionStamp());
  host_.ShowReceivedPage();
  if (notification_) {
    CenterWindow(*notification_);
    notification_->ShowStarting();
  }
  ProcessPendingMessages();
  InReceiveMode = true;
  host_.ReceiveModeChanged(true);
  ProcessPendingMessages();
  host_.SetStatusText("Starting receive mode...");
  bool started = false;
  try {
    ApplySettings();
    const int n = AppSettings.ComPort + 1;
    const std::string ns = std::to_string(n);
    AddtoLastRecLog("Opening com port: COM" + ns);
    std::string errorText;
    if (!OpenModemPort(*port_, errorText)) {
      HideNotification();
      host_.SetStatusText("");
      AddtoLastRecLog("Error opening com port: COM" + ns);
      AddtoLastRecLog("Message:" + errorText);
      QApplication::restoreOverrideCursor();
      ShowFaxError("Error Opening Communications Port", Q(errorText + "\r\n\r\n" + FindModemAdvice(n)));
      QApplication::setOverrideCursor(Qt::WaitCursor);
      SaveLocalRecLog();
      AbandonStart();
      return;
    }
    AddtoLastRecLog("Opened com port OK");
    AddtoLastRecLog("Checking for modem");
    if (!ModemAnswersAT(*port_, AppSettings.ResetString)) {
      AddtoLastRecLog("Error checking for modem");
      HideNotification();
      QApplication::restoreOverrideCursor();
      const bool goOn = AskContinueAfterError(
          "No Response From Modem",
          Q("We did not receive a modem response from COM" + ns + ".\r\n\r\n" +
            "To verify the communications port, please click on the Find Modem button in Preferences to be sure.\r\n\r\n" +
            "If you are sure there is a modem on COM" + ns + ", press CONTINUE\r\n" +
            "to continue, otherwise press OK to stop the fax session."));
      QApplication::setOverrideCursor(Qt::WaitCursor);
      if (!goOn) {
        port_->SetOpen(false);
        host_.SetStatusText("");
        AddtoLastRecLog("Exit");
        SaveLocalRecLog();
        AbandonStart();
        return;
      }
    }
    if (!AppSettings.ResetString.empty()) {
      AddtoLastRecLog("Sending reset string: " + AppSettings.ResetString);
      host_.SetStatusText("Sending reset string...");
      ProcessPendingMessages();
      if (!SendModemCommand(*port_, AppSettings.ResetString)) {
        AddtoLastRecLog("Failure sending reset string: " + AppSettings.ResetString);
        HideNotification();
        host_.SetStatusText("");
        QApplication::restoreOverrideCursor();
        port_->SetOpen(false);
        ShowFaxError("Unable to Continue",
                     Q("We are unable to continue the fax session. \r\n\r\nThe modem did not respond to the reset "
                       "string:   (" + AppSettings.ResetString + ")\r\n\r\n" + FindModemAdvice(n)));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        host_.SetStatusText("");
        AddtoLastRecLog("Exiting...");
        SaveLocalRecLog();
        AbandonStart();
        return;
      }
    }
    const AppSettingsRecord& s = AppSettings;
    AddtoLastRecLog("Desired BPS: " + std::to_string(s.MaximumBPSReceive));
    if (s.ECMReceive) AddtoLastRecLog("Desired ECM: ON");
    if (s.ToneOrPulse == 1) AddtoLastRecLog("Using Pulse Dialing ***");
    AddtoLastRecLog("Fax Class: " + FaxClassName(s.FaxClassReceive));
    AddtoLastRecLog("User INIT String: " + s.InitStringReceive);
    if (notification_ && !s.DisableReceivingFaxesNotification) notification_->show();
    AddtoLastRecLog("StartReceive");
    receiver_->BeginReceive();
    started = true;
    host_.SetStatusText("");
    if (notification_) notification_->ShowReady();
  } catch (const std::exception&) {
    port_->SetOpen(false);
  }
  if (!started) AbandonStart();
  host_.ReceiveModeChanged(InReceiveMode);
  QApplication::restoreOverrideCursor();
}

void TReceiveMode::AbandonStart() {
  HideNotification();
  host_.SetStatusText("");
  InReceiveMode = false;
  AddtoLastRecLog("Error...");
  SaveLocalRecLog();
  host_.ReceiveModeChanged(false);
  QApplication::restoreOverrideCursor();
}

void TReceiveMode::StopReceiveMode() {
  HideNotification();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  stopping_ = true;
  try {
    if (receiver_->InProgress()) {
      receiver_->AbortFax();
      // The receiver hangs the modem up before it lets go of the port.
      const uint64_t deadline = CurrentClock().milliseconds() + kHangupWaitMs;
      while (receiver_->InProgress() && CurrentClock().milliseconds() < deadline) {
        ProcessPendingMessages();
        CurrentClock().sleepMilliseconds(10);
      }
    }
    ProcessPendingMessages();
    if (!AppSettings.ResetAfterString.empty() && port_->Open()) {
      host_.SetStatusText("Sending AFTER reset string...");
      ProcessPendingMessages();
      SendModemCommand(*port_, AppSettings.ResetAfterString);
    }
    port_->SetOpen(false);
    ProcessPendingMessages();
  } catch (const std::exception&) {
    // Stopping always ends receive mode; what the port says now changes nothing.
  }
  InReceiveMode = false;
  FaxInProgress = false;
  host_.SetStatusText("");
  AddtoLastRecLog("Stopped receive mode:" + SessionStamp());
  SaveLocalRecLog();
  host_.ReceiveModeChanged(false);
  QApplication::restoreOverrideCursor();
}

void TReceiveMode::UpdateValues() {
  const FaxStatusInfo info = receiver_->StatusInfo();
  ReceivedPageCount = info.currentPage;
  std::string s = TrimSpaces(FaxStatusText(info.status));
  if (ToUpperAscii(s) == "GOT CLASS 2 FHNG CODE") s = "Hangup successful";
  std::string pagePart, bytesPart;
  if (s == "Getting page data") {
    s = "Receiving fax";
    if (info.bytesTransferred > 0) bytesPart = " (" + std::to_string(info.bytesTransferred) + " bytes)";
    if (info.currentPage != 0) pagePart = ", page " + std::to_string(info.currentPage);
  }
  if (!info.remoteId.empty()) s += " from: " + TrimSpaces(info.remoteId) + pagePart + bytesPart;
  if (ToUpperAscii(s).find("ABORT") != std::string::npos) s.clear();
  host_.SetStatusText(Q(s));
  if (notification_ && notification_->isVisible() && ToUpperAscii(s).find("ANSWERING") != std::string::npos)
    notification_->hide();
}

void TReceiveMode::OnFaxLog(int code) {
  switch (code) {
    case lfaxReceiveStart:
      ReceivedFaxFile = receiver_->GetFaxFile();
      break;
    case lfaxReceiveOk:
      FaxReceived();
      break;
    case lfaxReceiveFail:
      FaxFailed();
      break;
    default:
      break;
  }
}

void TReceiveMode::FaxReceived() {
  FaxInProgress = false;
  const FaxStatusInfo info = receiver_->StatusInfo();
  ReceivedFaxRow row;
  row.date = QDate::currentDate();
  row.time = QTime::currentTime().toString("hh:mm");
  row.from = info.remoteId;
  row.pages = info.totalPages > 0 ? info.totalPages : ReceivedPageCount;
  row.faxFile = FileNamePart(ReceivedFaxFile);
  if (!host_.AddReceivedRow(row)) return;
  ProcessPendingMessages();
  host_.PlayReceivedSound();
  if (AppSettings.PrintOnReceipt) host_.PrintReceivedFax(ReceivedFaxFile);
}

void TReceiveMode::FaxFailed() {
  FaxInProgress = false;
  const std::string error = EngineErrorText(LastReceiveError);
  LastReceiveError = 0;
  // The receiver keeps the pages it confirmed to the sender: they are the
  // user's fax, with a note that the rest never came.
  const int keptPages = receiver_->StatusInfo().totalPages;
  std::error_code ignored;
  const bool kept = keptPages > 0 && !ReceivedFaxFile.empty() && std::filesystem::exists(ReceivedFaxFile, ignored);
  if (kept) {
    ReceivedFaxRow row;
    row.date = QDate::currentDate();
    row.time = QTime::currentTime().toString("hh:mm");
    row.from = receiver_->StatusInfo().remoteId;
    row.pages = keptPages;
    row.faxFile = FileNamePart(ReceivedFaxFile);
    row.notes = BrokenCallNotes(keptPages, error);
    host_.AddReceivedRow(row);
  } else if (!ReceivedFaxFile.empty()) {
    std::filesystem::remove(ReceivedFaxFile, ignored);
  }
  ShowFaxError("Failed To Receive Incoming Fax", FailedReceptionText(kept ? keptPages : 0, error));
}

void TReceiveMode::ReceiverFinished(int code) {
  if (!InReceiveMode || stopping_) return;
  // The receiver only ends by itself when it cannot go on: the modem has
  // gone (a USB modem pulled out) or stopped answering.
  port_->SetOpen(false);
  InReceiveMode = false;
  FaxInProgress = false;
  host_.SetStatusText("");
  AddtoLastRecLog("Receive mode ended: " + EngineErrorText(code));
  AddtoLastRecLog("Stopped receive mode:" + SessionStamp());
  SaveLocalRecLog();
  host_.ReceiveModeChanged(false);
  ShowFaxError("Receive Mode Ended",
               Q("Receive mode has ended because the modem could not be used any more.\r\n\r\nThe error message was:   " +
                 EngineErrorText(code) + "\r\n\r\nCheck the modem and its cable, then press Receive to start again."));
}

}  // namespace telvane
