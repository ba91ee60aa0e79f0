#include "settings/preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShowEvent>
#include <QSoundEffect>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/program_directory.h"
#include "platform/prompts.h"
#include "serial/com_port_names.h"
#include "settings/check_fax_class_form.h"
#include "settings/find_modem_form.h"
#include "platform/help_requests.h"
#include "settings/init_string_helper_form.h"
#include "settings/radio_group.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

constexpr int kTechnicalHelp = 10000;

const char* const kPageNames[TPreferences::PageCount] = {
    "Wizard Information",       "Modem and Communications Port", "Sending Faxes - Part 1",
    "Sending Faxes - Part 2",   "Sending Faxes - Part 3",        "Receiving Faxes - Part 1",
    "Receiving Faxes - Part 2", "Receiving Faxes - Part 3",      "Advanced"};

const QStringList kRates = {"2400", "4800", "7200", "9600", "12000", "14400"};
const QStringList kClasses = {"auto detect", "class 1", "class 2", "class 2.0"};

QString Q(const std::string& text) { return QString::fromStdString(text); }

QLabel* Text(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QLabel* Question(int number, const QString& text, QWidget* parent) {
  auto* label = Text(QStringLiteral("<b>%1.</b> %2").arg(number).arg(text), parent);
  label->setTextFormat(Qt::RichText);
  return label;
}

QLineEdit* Edit(const char* name, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  if (maxLength > 0) edit->setMaxLength(maxLength);
  return edit;
}

QCheckBox* Check(const char* name, const QString& text, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

RadioGroup* Radio(const char* name, const QString& title, const QStringList& items, int columns, QWidget* parent) {
  auto* group = new RadioGroup(title, items, columns, parent);
  group->setObjectName(QString::fromLatin1(name));
  return group;
}

QComboBox* RateList(const char* name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->addItems(kRates);
  return list;
}

// A row of a control and the buttons that act on it.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : widgets) row->addWidget(widget);
  row->addStretch();
  return row;
}

struct Page {
  QWidget* widget;
  QVBoxLayout* layout;
};

Page NewPage(QWidget* parent) {
  auto* widget = new QWidget(parent);
  auto* layout = new QVBoxLayout(widget);
  return {widget, layout};
}

QWidget* Finished(Page page) {
  page.layout->addStretch();
  return page.widget;
}

std::optional<int> ToInteger(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

int PreferencesHelpContext(int page) {
  if (page == 0) return 1022;
  if (page == 1) return 3501;
  if (page >= 2 && page <= 4) return 3502;
  if (page >= 5 && page <= 7) return 3503;
  return 0;
}

TPreferences::TPreferences(bool firstRun, QWidget* parent)
    : QDialog(parent), firstRun_(firstRun), PageCombo(new QComboBox(this)), PageLabel(new QLabel(this)),
      Notebook(new QStackedWidget(this)) {
  setObjectName(QStringLiteral("TPreferences"));
  setWindowTitle(QStringLiteral("Preferences Wizard"));
  PageCombo->setObjectName(QStringLiteral("PageCombo"));
  PageLabel->setObjectName(QStringLiteral("PageLabel"));
  QFont title = PageLabel->font();
  title.setBold(true);
  title.setPointSizeF(title.pointSizeF() * 1.3);
  PageLabel->setFont(title);
  for (int page = 0; page < PageCount; ++page) {
    PageCombo->addItem(QString::fromLatin1(kPageNames[page]));
    Notebook->addWidget(createPage(page));
  }
  connect(PageCombo, &QComboBox::activated, this, &TPreferences::showPage);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Go to:"), this));
  top->addWidget(PageCombo, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(PageLabel);
  layout->addWidget(Notebook, 1);
  createButtons();
  fillPrinterList();
  showPage(0);
  resize(640, 520);
}

TPreferences::~TPreferences() = default;

QWidget* TPreferences::createPage(int page) {
  switch (page) {
    case 0: return wizardInformationPage();
    case 1: return modemPage();
    case 2: return sendingPage1();
    case 3: return sendingPage2();
    case 4: return sendingPage3();
    case 5: return receivingPage1();
    case 6: return receivingPage2();
    case 7: return receivingPage3();
    default: return advancedPage();
  }
}

QWidget* TPreferences::wizardInformationPage() {
  Page p = NewPage(this);
  p.layout->addWidget(Text(QStringLiteral(
      "This wizard walks you through Telvane's settings, one page of numbered questions at a time. Use \"Next >\" "
      "and \"< Back\" to move between the pages, or choose a page from the list above. Your changes are kept only "
      "when you press \"Finish\" and confirm."), p.widget));
  FirstTimeLabel = Text(QStringLiteral("While the default settings will work for most people, be sure to verify that "
                                       "the COMMUNICATIONS PORT and FAX CLASS settings are correct before continuing "
                                       "to use the program."),
                        p.widget);
  FirstTimeLabel->setObjectName(QStringLiteral("FirstTimeLabel"));
  QFont bold = FirstTimeLabel->font();
  bold.setBold(true);
  FirstTimeLabel->setFont(bold);
  FirstTimeLabel->hide();
  p.layout->addWidget(FirstTimeLabel);
  return Finished(p);
}

QWidget* TPreferences::modemPage() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(1, QStringLiteral("Which communications port is your fax modem on? If you are not "
                                                 "sure, let Telvane look for it."), p.widget));
  ComPort = Radio("ComPort", QStringLiteral("Port"),
                  {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"}, 6, p.widget);
  auto* find = Button("FindModemButton", QStringLiteral("Find Modem Port"), p.widget);
  connect(find, &QPushButton::clicked, this, [this] { FindModemPort(this, *ComPort, portMapping_); });
  p.layout->addWidget(ComPort);
  p.layout->addLayout(Row({find}));
  p.layout->addWidget(Question(2, QStringLiteral("Does your telephone line use tone or pulse dialling?"), p.widget));
  ToneOrPulse = Radio("ToneOrPulse", QStringLiteral("Tone or Pulse"), {"Tone", "Pulse"}, 2, p.widget);
  p.layout->addWidget(ToneOrPulse);
  p.layout->addWidget(Question(3, QStringLiteral("Reset strings sent to the modem around each fax session."), p.widget));
  ResetString = Edit("ResetString", 0, p.widget);
  ResetAfterString = Edit("ResetAfterString", 0, p.widget);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Use this reset string BEFORE  fax sessions:"), ResetString);
  form->addRow(QString(), new QLabel(QStringLiteral("(Usually AT&F or blank)"), p.widget));
  form->addRow(QStringLiteral("Use this reset string AFTER fax sessions"), ResetAfterString);
  form->addRow(QString(), new QLabel(QStringLiteral("(Usually ATZ or blank)"), p.widget));
  p.layout->addLayout(form);
  return Finished(p);
}

QWidget* TPreferences::sendingPage1() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(4, QStringLiteral("Which fax class should be used to send faxes? Let Telvane ask "
                                                 "the modem which classes it supports."), p.widget));
  FaxClass = Radio("FaxClass", QStringLiteral("Fax &class for SENDING Faxes"), kClasses, 4, p.widget);
  auto* check = Button("CheckFaxClassButton", QStringLiteral("Check Fax Class"), p.widget);
  connect(check, &QPushButton::clicked, this, [this] { CheckFaxClassClick(*FaxClass); });
  p.layout->addWidget(FaxClass);
  p.layout->addLayout(Row({check}));
  p.layout->addWidget(Question(5, QStringLiteral("The highest transfer rate to offer when sending."), p.widget));
  TransferRate = RateList("TransferRate", p.widget);
  p.layout->addLayout(Row({new QLabel(QStringLiteral("Transfer Rate (BPS) for SENDING faxes"), p.widget), TransferRate}));
  p.layout->addWidget(Question(6, QStringLiteral("An extra modem initialisation command for sending (most modems "
                                                 "need none)."), p.widget));
  ModemInit = Edit("ModemInit", 0, p.widget);
  auto* help = Button("InitHelpButton", QStringLiteral("Help with Init Strings"), p.widget);
  connect(help, &QPushButton::clicked, this,
          [this] { ModemInit->setText(Q(RunInitStringHelper(this, ModemInit->text().toStdString(), true))); });
  p.layout->addWidget(ModemInit);
  p.layout->addLayout(Row({help}));
  return Finished(p);
}

QWidget* TPreferences::sendingPage2() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(7, QStringLiteral("Who is sending? Your name and fax number appear in the header line "
                                                 "of every page you send."), p.widget));
  Name = Edit("Name", 35, p.widget);
  FaxNumber = Edit("FaxNumber", 20, p.widget);
  auto* who = new QFormLayout;
  who->addRow(QStringLiteral("Your &name"), Name);
  who->addRow(QStringLiteral("Your &fax number (Station ID#)"), FaxNumber);
  p.layout->addLayout(who);
  p.layout->addWidget(Question(8, QStringLiteral("Error correction (ECM) resends damaged parts of a page."), p.widget));
  UseECM = Check("UseECM", QStringLiteral("Use Fax Error Control when SENDING"), p.widget);
  p.layout->addWidget(UseECM);
  p.layout->addWidget(Question(9, QStringLiteral("Digits dialled before and after every fax number (an outside "
                                                 "line, a calling card). A comma pauses two seconds."), p.widget));
  DialPrefix = Edit("DialPrefix", 0, p.widget);
  DialSuffix = Edit("DialSuffix", 0, p.widget);
  auto* dial = new QFormLayout;
  dial->addRow(QStringLiteral("&Dial prefix or Calling Card Number:"), DialPrefix);
  dial->addRow(QStringLiteral("&Dial suffix or access code:"), DialSuffix);
  p.layout->addLayout(dial);
  return Finished(p);
}

QWidget* TPreferences::sendingPage3() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(10, QStringLiteral("How many times should a fax be dialled before giving up?"), p.widget));
  DialAttempts = Edit("DialAttempts", 0, p.widget);
  p.layout->addLayout(Row({DialAttempts}));
  p.layout->addWidget(Question(11, QStringLiteral("How many seconds should Telvane wait between attempts?"), p.widget));
  RetryWait = Edit("RetryWait", 0, p.widget);
  p.layout->addLayout(Row({RetryWait, new QLabel(QStringLiteral("seconds"), p.widget)}));
  p.layout->addWidget(Question(12, QStringLiteral("Renegotiate the connection between pages (helps with some "
                                                  "noisy lines)."), p.widget));
  RenegotiateBetween = Check("RenegotiateBetween", QStringLiteral("Renegotiate Between Pages when SENDING"), p.widget);
  p.layout->addWidget(RenegotiateBetween);
  p.layout->addWidget(Question(13, QStringLiteral("Dial without waiting for a dial tone (for lines whose tone the "
                                                  "modem does not recognise)."), p.widget));
  CheckBlindDial = Check("CheckBlindDial", QStringLiteral("Blind Dial"), p.widget);
  p.layout->addWidget(CheckBlindDial);
  p.layout->addWidget(Question(14, QStringLiteral("Do not treat a busy signal as busy."), p.widget));
  CheckIgnoreBusy = Check("CheckIgnoreBusy", QStringLiteral("Ignore Busy Signal"), p.widget);
  p.layout->addWidget(CheckIgnoreBusy);
  return Finished(p);
}

QWidget* TPreferences::receivingPage1() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(15, QStringLiteral("Which fax class should be used to receive faxes?"), p.widget));
  FaxClassReceive = Radio("FaxClassReceive", QStringLiteral("Fax &class for RECEIVING Faxes"), kClasses, 4, p.widget);
  auto* check = Button("CheckFaxClassReceiveButton", QStringLiteral("Check Fax Class"), p.widget);
  connect(check, &QPushButton::clicked, this, [this] { CheckFaxClassClick(*FaxClassReceive); });
  auto* sameClass = Button("SameClassButton", QStringLiteral("Same as SEND"), p.widget);
  connect(sameClass, &QPushButton::clicked, this, [this] { FaxClassReceive->setItemIndex(FaxClass->itemIndex()); });
  p.layout->addWidget(FaxClassReceive);
  p.layout->addLayout(Row({check, sameClass}));
  p.layout->addWidget(Question(16, QStringLiteral("The highest transfer rate when receiving."), p.widget));
  TransferRateReceive = RateList("TransferRateReceive", p.widget);
  auto* sameRate = Button("SameRateButton", QStringLiteral("Same as SEND"), p.widget);
  connect(sameRate, &QPushButton::clicked, this,
          [this] { TransferRateReceive->setCurrentIndex(TransferRate->currentIndex()); });
  p.layout->addLayout(Row({new QLabel(QStringLiteral("Transfer Rate (BPS) for RECEIVING faxes"), p.widget),
                           TransferRateReceive, sameRate}));
  p.layout->addWidget(Question(17, QStringLiteral("An extra modem initialisation command for receiving."), p.widget));
  ModemInitReceive = Edit("ModemInitReceive", 0, p.widget);
  auto* help = Button("InitHelpReceiveButton", QStringLiteral("Help With Init Strings"), p.widget);
  connect(help, &QPushButton::clicked, this, [this] {
    ModemInitReceive->setText(Q(RunInitStringHelper(this, ModemInitReceive->text().toStdString(), false)));
  });
  auto* sameInit = Button("SameInitButton", QStringLiteral("Same as SEND"), p.widget);
  connect(sameInit, &QPushButton::clicked, this, [this] { ModemInitReceive->setText(ModemInit->text()); });
  p.layout->addWidget(ModemInitReceive);
  p.layout->addLayout(Row({help, sameInit}));
  return Finished(p);
}

QWidget* TPreferences::receivingPage2() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(18, QStringLiteral("On which ring should Telvane answer an incoming call?"), p.widget));
  AnswerOnRing = Radio("AnswerOnRing", QStringLiteral("Answer on ring"), {"1", "2", "3", "4", "5", "6", "7", "8"}, 8,
                       p.widget);
  p.layout->addWidget(AnswerOnRing);
  p.layout->addWidget(Question(19, QStringLiteral("Start waiting for faxes as soon as Telvane starts."), p.widget));
  ReceiveAtStartup = Check("ReceiveAtStartup", QStringLiteral("Start Receiving at program startup"), p.widget);
  p.layout->addWidget(ReceiveAtStartup);
  p.layout->addWidget(Question(20, QStringLiteral("Error correction (ECM) when receiving."), p.widget));
  UseECMReceive = Check("UseECMReceive", QStringLiteral("Use Fax Error Control when RECEIVING"), p.widget);
  p.layout->addWidget(UseECMReceive);
  return Finished(p);
}

QWidget* TPreferences::receivingPage3() {
  Page p = NewPage(this);
  p.layout->addWidget(Question(21, QStringLiteral("A sound to play when a fax has been received."), p.widget));
  WaveFileEdit = Edit("WaveFileEdit", 0, p.widget);
  auto* choose = Button("ChooseButton", QStringLiteral("&Choose"), p.widget);
  auto* play = Button("PlayNowButton", QStringLiteral("Play &Now"), p.widget);
  auto* none = Button("NoneButton", QStringLiteral("None"), p.widget);
  connect(choose, &QPushButton::clicked, this, &TPreferences::ChooseWavClick);
  connect(play, &QPushButton::clicked, this, &TPreferences::PlayNowClick);
  connect(none, &QPushButton::clicked, WaveFileEdit, &QLineEdit::clear);
  p.layout->addWidget(WaveFileEdit);
  p.layout->addLayout(Row({choose, play, none}));
  p.layout->addWidget(Question(22, QStringLiteral("Print each fax as soon as it has been received."), p.widget));
  PrintFaxOnReceipt = Check("PrintFaxOnReceipt",
                            QStringLiteral("Print each fax as it is received, on the following printer:"), p.widget);
  PrintFaxOnReceiptPrinter = new QComboBox(p.widget);
  PrintFaxOnReceiptPrinter->setObjectName(QStringLiteral("PrintFaxOnReceiptPrinter"));
  p.layout->addWidget(PrintFaxOnReceipt);
  p.layout->addWidget(PrintFaxOnReceiptPrinter);
  p.layout->addWidget(Question(23, QStringLiteral("The small window shown when Telvane starts waiting for faxes."),
                               p.widget));
  DisableReceivingFaxesNotification = Check("DisableReceivingFaxesNotification",
                                            QStringLiteral("Disable Receiving Faxes Notification Box"), p.widget);
  p.layout->addWidget(DisableReceivingFaxesNotification);
  return Finished(p);
}

QWidget* TPreferences::advancedPage() {
  Page p = NewPage(this);
  auto* warning = Text(QStringLiteral("These settings cure specific hardware or software problems. Change them only "
                                      "on the advice of technical support."), p.widget);
  QFont bold = warning->font();
  bold.setBold(true);
  warning->setFont(bold);
  p.layout->addWidget(warning);
  UseAltHeaderFont = Check("UseAltHeaderFont",
                           QStringLiteral("Use alternate fax header font (cures the \"enhanced font is too large\" "
                                          "error)"), p.widget);
  UseAlternateNameReceive = Check("UseAlternateNameReceive",
                                  QStringLiteral("Use alternate naming method for incoming faxes"), p.widget);
  UseLargerReceiveBuffer = Check("UseLargerReceiveBuffer", QStringLiteral("Use larger receive buffer"), p.widget);
  UseLargerSendBuffer = Check("UseLargerSendBuffer", QStringLiteral("Use larger send buffer"), p.widget);
  for (QCheckBox* box : {UseAltHeaderFont, UseAlternateNameReceive, UseLargerReceiveBuffer, UseLargerSendBuffer})
    p.layout->addWidget(box);
  return Finished(p);
}

void TPreferences::createButtons() {
  BackButton = Button("BackButton", QStringLiteral("< Back"), this);
  NextButton = Button("NextButton", QStringLiteral("Next >"), this);
  FinishButton = Button("FinishButton", QStringLiteral("&Finish"), this);
  auto* cancel = Button("CancelButton", QStringLiteral("Cance&l"), this);
  auto* help = Button("HelpButton", QStringLiteral("&Help"), this);
  auto* technical = Button("TechnicalHelpButton", QStringLiteral("Technical Help"), this);
  NextButton->setDefault(true);
  connect(BackButton, &QPushButton::clicked, this, [this] { showPage(currentPage() - 1); });
  connect(NextButton, &QPushButton::clicked, this, [this] { showPage(currentPage() + 1); });
  connect(FinishButton, &QPushButton::clicked, this, &TPreferences::FinishButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, &TPreferences::HelpButtonClick);
  connect(technical, &QPushButton::clicked, this, [] { RequestHelp(kTechnicalHelp); });
  auto* row = new QHBoxLayout;
  row->addWidget(help);
  row->addWidget(technical);
  row->addStretch();
  for (QPushButton* button : {BackButton, NextButton, FinishButton, cancel}) row->addWidget(button);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void TPreferences::fillPrinterList() {
  PrintFaxOnReceiptPrinter->addItem(QString::fromLatin1(DefaultPrinterName));
  PrintFaxOnReceiptPrinter->addItems(QPrinterInfo::availablePrinterNames());
}

void TPreferences::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) {
    FirstTimeLabel->setVisible(firstRun_);
    SetButtons();
  }
}

int TPreferences::currentPage() const { return Notebook->currentIndex(); }

void TPreferences::showPage(int page) {
  if (page < 0 || page >= PageCount) return;
  Notebook->setCurrentIndex(page);
  SetButtons();
}

void TPreferences::SetButtons() {
  const int page = currentPage();
  BackButton->setEnabled(page > 0);
  NextButton->setEnabled(page < PageCount - 1);
  // On a first run the user goes through every page before finishing.
  FinishButton->setEnabled(page == PageCount - 1 || !firstRun_);
  PageCombo->setCurrentIndex(page);
  PageLabel->setText(QString::fromLatin1(kPageNames[page]));
}

void TPreferences::LoadFrom(const AppSettingsRecord& s) {
  ComPort->setItemIndex(s.ComPort);
  ToneOrPulse->setItemIndex(s.ToneOrPulse);
  ResetString->setText(Q(s.ResetString));
  ResetAfterString->setText(Q(s.ResetAfterString));
  FaxClass->setItemIndex(s.FaxClass);
  TransferRate->setCurrentIndex(BpsToIndex(s.MaximumBPS));
  ModemInit->setText(Q(s.InitString));
  Name->setText(Q(s.UserName));
  FaxNumber->setText(Q(s.UserFax));
  UseECM->setChecked(s.ECM);
  DialPrefix->setText(Q(s.DialPrefix));
  DialSuffix->setText(Q(s.DialSuffix));
  DialAttempts->setText(QString::number(s.DialAttempts));
  RetryWait->setText(QString::number(s.RetryWait));
  RenegotiateBetween->setChecked(s.RenegotiateBetween);
  CheckBlindDial->setChecked(s.BlindDial);
  CheckIgnoreBusy->setChecked(s.IgnoreBusy);
  FaxClassReceive->setItemIndex(s.FaxClassReceive);
  TransferRateReceive->setCurrentIndex(BpsToIndex(s.MaximumBPSReceive));
  ModemInitReceive->setText(Q(s.InitStringReceive));
  AnswerOnRing->setItemIndex(s.AnswerOnRing - 1);
  ReceiveAtStartup->setChecked(s.AtStartup);
  UseECMReceive->setChecked(s.ECMReceive);
  WaveFileEdit->setText(Q(s.ReceiveWav));
  PrintFaxOnReceipt->setChecked(s.PrintOnReceipt);
  const int printer = PrintFaxOnReceiptPrinter->findText(Q(s.PrintOnReceiptPrinter));
  PrintFaxOnReceiptPrinter->setCurrentIndex(printer >= 0 ? printer : 0);
  DisableReceivingFaxesNotification->setChecked(s.DisableReceivingFaxesNotification);
  UseAltHeaderFont->setChecked(s.UseAlternateHeaderFont);
  UseAlternateNameReceive->setChecked(s.GlobalUseAlternateNamingRec);
  UseLargerReceiveBuffer->setChecked(s.GlobalLargerReceiveBuffer);
  UseLargerSendBuffer->setChecked(s.GlobalLargerSendBuffer);
}

std::optional<QString> TPreferences::invalidNumber() const {
  for (const QLineEdit* edit : {DialAttempts, RetryWait})
    if (!ToInteger(edit->text())) return edit->text();
  return std::nullopt;
}

void TPreferences::StoreTo(AppSettingsRecord& s) const {
  s.ComPort = ComPort->itemIndex();
  s.ToneOrPulse = ToneOrPulse->itemIndex();
  s.ResetString = ResetString->text().toStdString();
  s.ResetAfterString = ResetAfterString->text().toStdString();
  s.FaxClass = FaxClass->itemIndex();
  s.MaximumBPS = IndexToBps(TransferRate->currentIndex());
  s.InitString = ModemInit->text().toStdString();
  s.UserName = Name->text().toStdString();
  s.UserFax = FaxNumber->text().toStdString();
  s.ECM = UseECM->isChecked();
  s.DialPrefix = DialPrefix->text().toStdString();
  s.DialSuffix = DialSuffix->text().toStdString();
  s.DialAttempts = ToInteger(DialAttempts->text()).value_or(s.DialAttempts);
  s.RetryWait = ToInteger(RetryWait->text()).value_or(s.RetryWait);
  s.RenegotiateBetween = RenegotiateBetween->isChecked();
  s.BlindDial = CheckBlindDial->isChecked();
  s.IgnoreBusy = CheckIgnoreBusy->isChecked();
  s.FaxClassReceive = FaxClassReceive->itemIndex();
  s.MaximumBPSReceive = IndexToBps(TransferRateReceive->currentIndex());
  s.InitStringReceive = ModemInitReceive->text().toStdString();
  s.AnswerOnRing = AnswerOnRing->itemIndex() + 1;
  s.AtStartup = ReceiveAtStartup->isChecked();
  s.ECMReceive = UseECMReceive->isChecked();
  s.ReceiveWav = WaveFileEdit->text().toStdString();
  s.PrintOnReceipt = PrintFaxOnReceipt->isChecked();
  s.PrintOnReceiptPrinter = PrintFaxOnReceiptPrinter->currentText().toStdString();
  s.DisableReceivingFaxesNotification = DisableReceivingFaxesNotification->isChecked();
  s.UseAlternateHeaderFont = UseAltHeaderFont->isChecked();
  s.GlobalUseAlternateNamingRec = UseAlternateNameReceive->isChecked();
  s.GlobalLargerReceiveBuffer = UseLargerReceiveBuffer->isChecked();
  s.GlobalLargerSendBuffer = UseLargerSendBuffer->isChecked();
}

void TPreferences::FinishButtonClick() {
  // Checked before anything is copied: a half-copied record must not wait in
  // memory for the next save.
  if (const std::optional<QString> bad = invalidNumber()) {
    ShowError("'" + bad->toStdString() + "' is not a valid integer value");
    showPage(4);
    (ToInteger(DialAttempts->text()) ? RetryWait : DialAttempts)->setFocus();
    return;
  }
  if (AskYesNo("Save changes?", "Save Preferences")) accept();
}

void TPreferences::HelpButtonClick() {
  if (const int context = PreferencesHelpContext(currentPage())) RequestHelp(context);
}

void TPreferences::CheckFaxClassClick(RadioGroup& target) {
  const int n = ComPort->itemIndex() + 1;
  TCheckFaxClassForm form(SetupDevicePath(n, portMapping_), n, ResetString->text().toStdString(), this);
  CenterWindow(form);
  form.exec();
  const ClassRecommendation recommended = form.recommendation();
  if (recommended.index < 0 || target.itemIndex() == recommended.index + 1) return;
  if (AskYesNo("Set fax class as " + recommended.name + " ?", "Fax Class")) target.setItemIndex(recommended.index + 1);
}

void TPreferences::ChooseWavClick() {
  const QString current = WaveFileEdit->text();
  const QString start = QFileInfo::exists(current) ? current : Q(ProgramDirectory());
  const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Choose"), start,
                                                      QStringLiteral("WAVE files (*.wav *.WAV)"));
  if (chosen.toUpper().contains(QStringLiteral(".WAV"))) WaveFileEdit->setText(chosen);
}

void TPreferences::PlayNowClick() {
  const QString path = WaveFileEdit->text();
  if (!QFileInfo(path).isFile()) return;
  if (!sound_) sound_ = new QSoundEffect(this);
  sound_->setSource(QUrl::fromLocalFile(path));
  sound_->play();
}

bool RunPreferences(QWidget* parent) {
  const bool firstRun = FirstRun;
  FirstRun = false;
  TPreferences window(firstRun, parent);
  window.LoadFrom(AppSettings);
  CenterWindow(window);
  if (window.exec() != QDialog::Accepted) return false;
  window.StoreTo(AppSettings);
  try {
    SavePortMapping(window.portMapping());
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
  return true;
}

}  // namespace telvane
