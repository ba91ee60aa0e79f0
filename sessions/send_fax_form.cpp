#include "sessions/send_fax_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "fax/modem_helpers.h"
#include "fax/qt/kova_fax_status.h"
#include "fax/send_fax.h"
#include "faximage/apf_reader.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"
#include "platform/prompts.h"
#include "platform/text.h"
#include "serial/com_port.h"
#include "serial/message_table.h"
#include "sessions/resume_send.h"
#include "sessions/send_setup.h"
#include "sessions/show_error_form.h"
#include "settings/app_settings.h"
#include "platform/help_requests.h"

namespace telvane {
namespace {

constexpr int kSendHelpTopic = 1016;
constexpr int kPortBuffer = 8192;
constexpr int kLargePortBuffer = 16384;
constexpr int kMaxTextProperty = 255;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

std::string Limited(std::string text) {
  if (text.size() > kMaxTextProperty) text.resize(kMaxTextProperty);
  return text;
}

std::string FindModemAdvice(int n) {
  return "Is the Communications Port (COM" + std::to_string(n) + ") correct? Please\r\n"
         "click on the Find Modem button on the Preferences screen to be sure.";
}

struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

std::function<bool(QWidget*)> TSendFaxForm::RunPreferences;

std::string SessionStamp() {
  const QLocale locale = QLocale::system();
  return S(locale.toString(QDate::currentDate(), QLocale::LongFormat) + " " +
           locale.toString(QTime::currentTime(), QLocale::LongFormat));
}

TSendFaxForm::TSendFaxForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      port_(std::make_unique<TKovaComPort>()),
      faxStatus_(std::make_unique<TKovaFaxStatus>()),
      sender_(std::make_unique<TKovaSendFax>()) {
  setObjectName("TSendFaxForm");
  setWindowTitle("Send Fax");

  ToLabel = new QLabel(this);
  ToLabel->setObjectName("ToLabel");
  Subjectlabel = new QLabel(this);
  Subjectlabel->setObjectName("Subjectlabel");
  sfPhoneNumber = new QLineEdit(this);
  sfPhoneNumber->setObjectName("sfPhoneNumber");
  sfPhoneNumber->setMaxLength(25);
  sfDialPrefix = new QLineEdit(Q(AppSettings.DialPrefix), this);
  sfDialPrefix->setObjectName("sfDialPrefix");
  DisablePrefix = new QCheckBox("Disable Prefix", this);
  DisablePrefix->setObjectName("DisablePrefix");
  DisablePrefix->setChecked(AppSettings.PrefixDisable);
  sfDialsuffix = new QLineEdit(Q(AppSettings.DialSuffix), this);
  sfDialsuffix->setObjectName("sfDialsuffix");
  DisableSuffix = new QCheckBox("Disable Suffix", this);
  DisableSuffix->setObjectName("DisableSuffix");
  DisableSuffix->setChecked(AppSettings.SuffixDisable);
  SetupDisplayMemo = new QPlainTextEdit(this);
  SetupDisplayMemo->setObjectName("SetupDisplayMemo");
  SetupDisplayMemo->setReadOnly(true);
  status = new QLabel(this);
  status->setObjectName("status");
  status->setFrameShape(QFrame::StyledPanel);

  SendFaxButton = new QPushButton("&Send Fax Now", this);
  SendFaxButton->setObjectName("SendFaxButton");
  SendFaxButton->setDefault(true);
  PreferencesButton = new QPushButton("Preferences", this);
  PreferencesButton->setObjectName("PreferencesButton");
  CloseButton = new QPushButton("C&lose", this);
  CloseButton->setObjectName("CloseButton");
  Helpbutton = new QPushButton("&Help", this);
  Helpbutton->setObjectName("Helpbutton");
  ProblemSolverButton = new QPushButton("Technical Help", this);
  ProblemSolverButton->setObjectName("ProblemSolverButton");
  connect(SendFaxButton, &QPushButton::clicked, this, &TSendFaxForm::SendFaxButtonClick);
  connect(PreferencesButton, &QPushButton::clicked, this, &TSendFaxForm::PreferencesButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &TSendFaxForm::CloseButtonClick);
  connect(Helpbutton, &QPushButton::clicked, this, [] { RequestHelp(kSendHelpTopic); });
  connect(ProblemSolverButton, &QPushButton::clicked, this, [] { RequestHelp(kProblemSolverHelpTopic); });

  auto* recipient = new QFormLayout;
  recipient->addRow("To:", ToLabel);
  recipient->addRow("Subject:", Subjectlabel);
  auto* dialling = new QFormLayout;
  dialling->addRow("&Fax Number to dial:", sfPhoneNumber);
  auto* prefixRow = new QHBoxLayout;
  prefixRow->addWidget(sfDialPrefix);
  prefixRow->addWidget(DisablePrefix);
  dialling->addRow("&Dial prefix (dial before the fax#):", prefixRow);
  auto* suffixRow = new QHBoxLayout;
  suffixRow->addWidget(sfDialsuffix);
  suffixRow->addWidget(DisableSuffix);
  dialling->addRow("&Dial suffix (dial after the fax#):", suffixRow);
  for (int row = 0; row < dialling->rowCount(); ++row)
    if (auto* label = qobject_cast<QLabel*>(dialling->itemAt(row, QFormLayout::LabelRole)->widget()))
      label->setBuddy(row == 0 ? sfPhoneNumber : row == 1 ? sfDialPrefix : sfDialsuffix);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {SendFaxButton, PreferencesButton, CloseButton, Helpbutton, ProblemSolverButton})
    buttons->addWidget(button);
  buttons->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(recipient);
  left->addLayout(dialling);
  left->addWidget(new QLabel("Configuration:", this));
  left->addWidget(SetupDisplayMemo);
  auto* body = new QHBoxLayout;
  body->addLayout(left, 1);
  body->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addWidget(status);
  resize(560, 440);

  port_->SetAutoOpen(false);
  port_->SetPromptForPort(false);
  port_->SetInSize(kPortBuffer);
  port_->SetOutSize(kPortBuffer);
  port_->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  port_->SetBufferFull(7372);
  port_->SetBufferResume(819);
  sender_->SetComPort(port_.get());
  sender_->SetFaxFileExt("APF");
  sender_->SetStatusDisplay(faxStatus_.get());
  sender_->OnFaxFinish = [this](TKovaCustomAbstractFax&, int code) { KovaSendFax1FaxFinish(code); };
}

TSendFaxForm::~TSendFaxForm() {
  if (SendInProgress) sender_->AbortFax();
  sender_->OnFaxFinish = nullptr;
  port_->SetOpen(false);
}

void TSendFaxForm::SetPortNumber(int comNumber) { port_->SetComNumber(static_cast<uint16_t>(comNumber)); }

void TSendFaxForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!activated_) {
    activated_ = true;
    FormActivate();
  }
}

void TSendFaxForm::FormActivate() {
  sfPhoneNumber->setText(initialPhoneNumber_);
  ShowSetup();
}

void TSendFaxForm::ShowSetup() {
  QStringList lines;
  for (const std::string& line : SetupLines(AppSettings)) lines << Q(line);
  SetupDisplayMemo->setPlainText(lines.join('\n'));
}

void TSendFaxForm::SetStatus(const QString& text) {
  status->setText(text);
  ProcessPendingMessages();
}

void TSendFaxForm::SaveLocalLog() { sessionLog_.Save(ProgramDirectory() + "Lastsend.log", SessionStamp()); }

void TSendFaxForm::BuildHeader() {
  const QLocale locale = QLocale::system();
  HeaderLineText = telvane::BuildHeader(AppSettings.UserName, AppSettings.UserFax,
                                        S(locale.toString(QDate::currentDate(), QLocale::ShortFormat)),
                                        S(locale.toString(QTime::currentTime(), QLocale::ShortFormat)));
}

void TSendFaxForm::EndWithoutSession() {
  port_->SetOpen(false);
  SendInProgress = false;
  status->clear();
}

void TSendFaxForm::SendFaxButtonClick() {
  if (TrimSpaces(S(sfPhoneNumber->text())).empty()) {
    ShowInformation("Phone number is blank");
    sfPhoneNumber->setFocus();
    return;
  }
  if (SendInProgress) {
    QApplication::beep();
    return;
  }
  SendInProgress = true;
  std::optional<BusyCursor> busy(std::in_place);
  sessionLog_.Clear();
  port_->SetOutSize(AppSettings.GlobalLargerSendBuffer ? kLargePortBuffer : kPortBuffer);
  SetStatus("Opening communications port...");
  const int n = AppSettings.ComPort + 1;
  port_->SetComNumber(static_cast<uint16_t>(n));
  AddtoLastSendLog("Start:" + SessionStamp());
  AddtoLastSendLog("Opening com port: COM" + std::to_string(n));

  std::string errorText;
  if (!OpenModemPort(*port_, errorText)) {
    AddtoLastSendLog("Error opening com port: COM" + std::to_string(n));
    AddtoLastSendLog("Message:" + errorText);
    busy.reset();
    EndWithoutSession();
    ShowFaxError("Error Opening Communications Port", Q(errorText + "\r\n\r\n" + FindModemAdvice(n)));
    SaveLocalLog();
    return;
  }
  AddtoLastSendLog("Opened com port OK");
  AddtoLastSendLog("Checking for modem");
  if (!ModemAnswersAT(*port_, AppSettings.ResetString)) {
    busy.reset();
    AddtoLastSendLog("Error checking for modem");
    const std::string ns = std::to_string(n);
    const bool goOn = AskContinueAfterError(
        "No Response From Modem",
        Q("We did not receive a modem response from COM" + ns + ".\r\n\r\n" +
          "To verify the communications port, please click on the Find Modem button on the Preferences screen.\r\n\r\n" +
          "If you are sure there is a modem on COM" + ns + ", press CONTINUE\r\n" +
          "to continue, otherwise press OK to stop the fax session."));
    if (!goOn) {
      EndWithoutSession();
      AddtoLastSendLog("Exit");
      SaveLocalLog();
      return;
    }
    busy.emplace();
  }
  if (!AppSettings.ResetString.empty()) {
    SetStatus("Sending reset string...");
    AddtoLastSendLog("Sending reset string: " + AppSettings.ResetString);
    if (!SendModemCommand(*port_, AppSettings.ResetString)) {
      AddtoLastSendLog("Failure sending reset string: " + AppSettings.ResetString);
      busy.reset();
      EndWithoutSession();
      ShowFaxError("Unable to Continue",
                   Q("We are unable to continue the fax session. \r\n\r\nThe modem did not respond to the reset string:   (" +
                     AppSettings.ResetString + ")\r\n\r\n" + FindModemAdvice(n)));
      AddtoLastSendLog("Exiting...");
      SaveLocalLog();
      return;
    }
  }

  const AppSettingsRecord& s = AppSettings;
  AddtoLastSendLog("Desired BPS: " + std::to_string(s.MaximumBPS));
  if (s.ECM) AddtoLastSendLog("Desired ECM: ON");
  if (s.BlindDial) AddtoLastSendLog("Blind Dial: ON");
  if (s.IgnoreBusy) AddtoLastSendLog("Ignore Busy: ON");
  AddtoLastSendLog(std::string("Negotiate between pages: ") + (s.RenegotiateBetween ? "ON" : "OFF"));
  AddtoLastSendLog("Fax#: " + S(sfPhoneNumber->text()));
  if (!DisablePrefix->isChecked()) AddtoLastSendLog("Dial Prefix: " + S(sfDialPrefix->text()));
  if (!DisableSuffix->isChecked()) AddtoLastSendLog("Dial Suffix: " + S(sfDialsuffix->text()));
  if (s.ToneOrPulse == 1) AddtoLastSendLog("Using Pulse Dialing ***");
  AddtoLastSendLog("Fax Class: " + FaxClassName(s.FaxClass));
  AddtoLastSendLog("StationID: " + s.UserFax);
  AddtoLastSendLog("User INIT String: " + s.InitString);

  try {
    ConfigureSender();
    status->clear();
    ProcessPendingMessages();
    busy.reset();
    sender_->BeginSend();
  } catch (const std::exception& e) {
    busy.reset();
    EndWithoutSession();
    RemoveResumeFile();
    AddtoLastSendLog("Error...");
    SaveLocalLog();
    // Saying nothing would leave the user waiting for a call that never
    // comes.
    ShowFaxError("Unable to Continue", Q(std::string("The fax session could not be started.\r\n\r\nError message: ") + e.what()));
  }
}

std::string TSendFaxForm::FileToSend() {
  ApfFileHeader header;
  totalPages_ = ReadApfHeader(faxFileName_, header) == 0 ? header.pageCount : 0;
  if (resumeAfter_ <= 0 || resumeAfter_ >= totalPages_) return faxFileName_;
  resumeFile_ = ProgramDirectory() + "TVNRESUME.APF";
  if (int rc = CopyFaxPagesFrom(faxFileName_, resumeAfter_ + 1, resumeFile_); rc < 0) {
    RemoveResumeFile();
    throw std::runtime_error("the pages after page " + std::to_string(resumeAfter_) +
                             " could not be copied: " + ErrorText(rc));
  }
  sender_->SetHeaderPageNumbering(resumeAfter_ + 1, totalPages_);
  return resumeFile_;
}

void TSendFaxForm::RemoveResumeFile() {
  if (resumeFile_.empty()) return;
  std::remove(resumeFile_.c_str());
  resumeFile_.clear();
}

void TSendFaxForm::ConfigureSender() {
  const AppSettingsRecord& s = AppSettings;
  TKovaSendFax& fax = *sender_;
  fax.SetDesiredBPS(static_cast<uint16_t>(s.MaximumBPS));
  fax.SetDesiredECM(s.ECM);
  fax.SetBlindDial(s.BlindDial);
  fax.SetDetectBusy(!s.IgnoreBusy);
  fax.SetHeaderPageNumbering(1, 0);
  fax.SetFaxFile(FileToSend());
  fax.SetCoverFile("");
  std::string number = S(sfPhoneNumber->text());
  if (!DisableSuffix->isChecked()) number += S(sfDialsuffix->text());
  fax.SetPhoneNumber(Limited(number));
  fax.SetPageBreakMPS(!s.RenegotiateBetween);
  fax.SetToneDial(s.ToneOrPulse == 0);
  fax.SetFaxClass(static_cast<TFaxClass>(s.FaxClass + 1));
  try {
    fax.SetDialAttempts(s.DialAttempts);
    fax.SetDialRetryWait(s.RetryWait);
    fax.SetDialWait(DialWaitFromInitString(s.InitString));
  } catch (const std::exception&) {
    status->clear();
  }
  fax.SetStationID(Limited(s.UserFax));
  fax.SetDialPrefix(DisablePrefix->isChecked() ? std::string() : Limited(S(sfDialPrefix->text())));
  if (!s.InitString.empty()) fax.SetModemInit(ModemInitCommand(s.InitString));
  BuildHeader();
  fax.SetHeaderLine(Limited(HeaderLineText));
  fax.SetEnhTextEnabled(!s.UseAlternateHeaderFont);
}

void TSendFaxForm::KovaSendFax1FaxFinish(int code) {
  const std::string message(MessageText(code));
  SendResult = Q(message);
  AddtoLastSendLog("Result: " + message);
  const bool sent = code == 0 || ToUpperAscii(message) == "OK";
  // Pages the receiver confirmed, this try and the ones before it.
  const int confirmed = (resumeFile_.empty() ? 0 : resumeAfter_) + sender_->StatusInfo().confirmedPages;
  if (sent)
    SendResult = "Sent";
  else if (confirmed > 0 && confirmed < totalPages_)
    SendResult = Q(PartialSendResult(confirmed, totalPages_, message));
  RemoveResumeFile();
  ProcessPendingMessages();
  if (!AppSettings.ResetAfterString.empty()) {
    SetStatus("Sending AFTER reset string...");
    SendModemCommand(*port_, AppSettings.ResetAfterString);
    status->clear();
  }
  port_->SetOpen(false);
  ProcessPendingMessages();
  SendInProgress = false;
  if (SendResult != "Sent") {
    std::string text = "We have received an error message while trying to send the fax\r\n\r\nError message: " + message + "\r\n\r\n";
    if (confirmed > 0 && confirmed < totalPages_)
      text += (confirmed == 1 ? std::string("Page 1") : "Pages 1-" + std::to_string(confirmed)) + " of " +
              std::to_string(totalPages_) + " reached the receiver: Send offers to send the rest.";
    ShowFaxError("Fax Failure", Q(text));
  }
  else
    ShowInformation("Fax sent successfully");
  SaveLocalLog();
}

void TSendFaxForm::PreferencesButtonClick() {
  if (RunPreferences && RunPreferences(this)) {
    sfDialPrefix->setText(Q(AppSettings.DialPrefix));
    DisablePrefix->setChecked(AppSettings.PrefixDisable);
    sfDialsuffix->setText(Q(AppSettings.DialSuffix));
    DisableSuffix->setChecked(AppSettings.SuffixDisable);
  }
  ShowSetup();
}

void TSendFaxForm::CloseButtonClick() {
  if (SendInProgress) {
    QApplication::beep();
    return;
  }
  {
    BusyCursor busy;
    port_->SetOpen(false);
  }
  done(2);
}

void TSendFaxForm::reject() { CloseButtonClick(); }

}  // namespace telvane
