#pragma once
// The preferences window ("Preferences Wizard"): nine pages of numbered
// questions over almost all of AppSettings. Nothing reaches AppSettings or
// TVN.INI before the user finishes and confirms.

#include <QDialog>
#include <functional>
#include <vector>

#include "settings/app_settings.h"
#include "settings/port_mapping.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSoundEffect;
class QStackedWidget;

namespace telvane {

class RadioGroup;

// The help topic of each page (0: none).
int PreferencesHelpContext(int page);

class TPreferences : public QDialog {
  Q_OBJECT
public:
  static constexpr int PageCount = 9;

  TPreferences(bool firstRun, QWidget* parent = nullptr);
  ~TPreferences() override;

  // Every control from the record, and back. StoreTo needs valid numbers
  // (see invalidNumber).
  void LoadFrom(const AppSettingsRecord& settings);
  void StoreTo(AppSettingsRecord& settings) const;
  // The text of DialAttempts or RetryWait that is no integer, if any.
  std::optional<QString> invalidNumber() const;
  // A COM number the modem search pointed at another device.
  const PortMapping& portMapping() const { return portMapping_; }

  int currentPage() const;
  void showPage(int page);

protected:
  void showEvent(QShowEvent* event) override;

private:
  QWidget* createPage(int page);
  QWidget* wizardInformationPage();
  QWidget* modemPage();
  QWidget* sendingPage1();
  QWidget* sendingPage2();
  QWidget* sendingPage3();
  QWidget* receivingPage1();
  QWidget* receivingPage2();
  QWidget* receivingPage3();
  QWidget* advancedPage();
  void createButtons();
  void fillPrinterList();

  void SetButtons();
  void FinishButtonClick();
  void HelpButtonClick();
  void CheckFaxClassClick(RadioGroup& target);
  void ChooseWavClick();
  void PlayNowClick();

  const bool firstRun_;
  PortMapping portMapping_;
  QSoundEffect* sound_ = nullptr;

  QComboBox* PageCombo;
  QLabel* PageLabel;
  QStackedWidget* Notebook;
  QPushButton* BackButton;
  QPushButton* NextButton;
  QPushButton* FinishButton;
  QLabel* FirstTimeLabel = nullptr;
  // page 1
  RadioGroup* ComPort = nullptr;
  RadioGroup* ToneOrPulse = nullptr;
  QLineEdit* ResetString = nullptr;
  QLineEdit* ResetAfterString = nullptr;
  // page 2
  RadioGroup* FaxClass = nullptr;
  QComboBox* TransferRate = nullptr;
  QLineEdit* ModemInit = nullptr;
  // page 3
  QLineEdit* Name = nullptr;
  QLineEdit* FaxNumber = nullptr;
  QCheckBox* UseECM = nullptr;
  QLineEdit* DialPrefix = nullptr;
  QLineEdit* DialSuffix = nullptr;
  // page 4
  QLineEdit* DialAttempts = nullptr;
  QLineEdit* RetryWait = nullptr;
  QCheckBox* RenegotiateBetween = nullptr;
  QCheckBox* CheckBlindDial = nullptr;
  QCheckBox* CheckIgnoreBusy = nullptr;
  // page 5
  RadioGroup* FaxClassReceive = nullptr;
  QComboBox* TransferRateReceive = nullptr;
  QLineEdit* ModemInitReceive = nullptr;
  // page 6
  RadioGroup* AnswerOnRing = nullptr;
  QCheckBox* ReceiveAtStartup = nullptr;
  QCheckBox* UseECMReceive = nullptr;
  // page 7
  QLineEdit* WaveFileEdit = nullptr;
  QCheckBox* PrintFaxOnReceipt = nullptr;
  QComboBox* PrintFaxOnReceiptPrinter = nullptr;
  QCheckBox* DisableReceivingFaxesNotification = nullptr;
  // page 8
  QCheckBox* UseAltHeaderFont = nullptr;
  QCheckBox* UseAlternateNameReceive = nullptr;
  QCheckBox* UseLargerReceiveBuffer = nullptr;
  QCheckBox* UseLargerSendBuffer = nullptr;
};

// Shows the preferences window; on a confirmed Finish copies it into
// AppSettings, writes TVN.INI (and a port mapping the modem search made)
// and returns true. Takes and clears the first-run flag.
bool RunPreferences(QWidget* parent);

}  // namespace telvane
