#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "platform/scripted_prompts.h"
#include "serial/com_port_names.h"
#include "settings/app_settings.h"
#include "settings/check_fax_class_form.h"
#include "settings/find_modem_form.h"
#include "settings/ini_file.h"
#include "settings/preferences.h"
#include "settings/radio_group.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

template <class T>
T* Find(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget& window, const char* button) { Find<QPushButton>(window, button)->click(); }

// Only COM1-COM6 as TVN.INI maps them: the machine's own devices stay out.
class ComPortsOnly {
public:
  ComPortsOnly() {
    SetSearchTargetsProvider([] {
      std::vector<std::string> com;
      for (int n = 1; n <= SetupComPorts; ++n) com.push_back(ComDevicePath(n));
      return ModemSearchTargets(com, extra);
    });
  }
  ~ComPortsOnly() {
    SetSearchTargetsProvider(nullptr);
    extra.clear();
  }
  static inline std::vector<std::string> extra;
};

// Every COMn leads nowhere but `modemCom`, which leads to `modem`.
std::string PortsIni(const test::TempDir& dir, int modemCom = 0, const std::string& modem = {}) {
  std::string ini = "[Ports]\n";
  for (int n = 1; n <= SetupComPorts; ++n)
    ini += "COM" + std::to_string(n) + "=" + (n == modemCom ? modem : dir.file("none" + std::to_string(n))) + "\n";
  return ini;
}

TEST(Preferences, FinishWaitsForTheLastPageOnAFirstRun) {
  TPreferences first(true);
  first.show();
  EXPECT_TRUE(Find<QLabel>(first, "FirstTimeLabel")->isVisible());
  auto* finish = Find<QPushButton>(first, "FinishButton");
  auto* back = Find<QPushButton>(first, "BackButton");
  for (int page = 0; page < TPreferences::PageCount - 1; ++page) {
    EXPECT_FALSE(finish->isEnabled()) << page;
    EXPECT_EQ(back->isEnabled(), page > 0);
    Click(first, "NextButton");
  }
  EXPECT_TRUE(finish->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(first, "NextButton")->isEnabled());
  EXPECT_EQ(Find<QLabel>(first, "PageLabel")->text(), "Advanced");
  EXPECT_EQ(Find<QComboBox>(first, "PageCombo")->currentIndex(), 8);

  TPreferences later(false);
  later.show();
  EXPECT_FALSE(Find<QLabel>(later, "FirstTimeLabel")->isVisible());
  EXPECT_TRUE(Find<QPushButton>(later, "FinishButton")->isEnabled());
  Find<QComboBox>(later, "PageCombo")->activated(5);
  EXPECT_EQ(later.currentPage(), 5);
  EXPECT_EQ(Find<QLabel>(later, "PageLabel")->text(), "Receiving Faxes - Part 1");
}

TEST(Preferences, ControlsRoundTripTheSettings) {
  AppSettingsRecord in;
  in.AnswerOnRing = 3;
  in.MaximumBPS = 19200;  // not offered: shows and stores as 9600
  in.MaximumBPSReceive = 14400;
  in.PrintOnReceiptPrinter = "A printer that was removed";
  in.FaxClass = 3;
  in.FaxClassReceive = 2;
  in.UserName = "Ada";
  in.DialAttempts = 5;
  in.ECMReceive = true;
  in.GlobalLargerSendBuffer = true;
  TPreferences window(false);
  window.LoadFrom(in);
  EXPECT_EQ(Find<RadioGroup>(window, "AnswerOnRing")->itemIndex(), 2);
  EXPECT_EQ(Find<QComboBox>(window, "TransferRate")->currentText(), "9600");
  EXPECT_EQ(Find<QComboBox>(window, "PrintFaxOnReceiptPrinter")->currentText(), DefaultPrinterName);

  AppSettingsRecord out;
  window.StoreTo(out);
  AppSettingsRecord expected = in;
  expected.MaximumBPS = 9600;
  expected.PrintOnReceiptPrinter = DefaultPrinterName;
  EXPECT_EQ(out, expected);
}

TEST(Preferences, SameAsSendCopiesTheListPosition) {
  AppSettingsRecord in;
  in.MaximumBPS = 14400;
  in.FaxClass = 3;
  in.InitString = "AT&F";
  TPreferences window(false);
  window.LoadFrom(in);
  Click(window, "SameRateButton");
  Click(window, "SameClassButton");
  Click(window, "SameInitButton");
  AppSettingsRecord out;
  window.StoreTo(out);
  EXPECT_EQ(out.MaximumBPSReceive, 14400);
  EXPECT_EQ(out.FaxClassReceive, 3);
  EXPECT_EQ(out.InitStringReceive, "AT&F");
}

TEST(Preferences, ANumberThatIsNoneKeepsTheWindowOpenAndChangesNothing) {
  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  AppSettings = AppSettingsRecord{};
  const AppSettingsRecord before = AppSettings;
  test::ModalAnswerer answerer([](QDialog& dialog) {
    Find<QLineEdit>(dialog, "Name")->setText(QStringLiteral("Changed"));
    Find<QLineEdit>(dialog, "DialAttempts")->setText(QStringLiteral("abc"));
    Click(dialog, "FinishButton");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(static_cast<TPreferences&>(dialog).currentPage(), 4);
    Click(dialog, "CancelButton");
  });
  EXPECT_FALSE(RunPreferences(nullptr));
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "'abc' is not a valid integer value");
  EXPECT_EQ(AppSettings, before);
  EXPECT_FALSE(home.dir().exists("TVN.INI"));
}

TEST(Preferences, FinishConfirmedSavesAndClearsTheFirstRun) {
  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  prompts.answer(true);  // Save changes?
  AppSettings = AppSettingsRecord{};
  FirstRun = true;
  test::ModalAnswerer answerer([](QDialog& dialog) {
    EXPECT_TRUE(Find<QLabel>(dialog, "FirstTimeLabel")->isVisible());
    Find<RadioGroup>(dialog, "AnswerOnRing")->setItemIndex(3);
    static_cast<TPreferences&>(dialog).showPage(TPreferences::PageCount - 1);
    Click(dialog, "FinishButton");
  });
  EXPECT_TRUE(RunPreferences(nullptr));
  EXPECT_FALSE(FirstRun);
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].caption, "Save Preferences");
  EXPECT_EQ(AppSettings.AnswerOnRing, 4);
  EXPECT_EQ(IniFile(home.dir().file("TVN.INI")).ReadInteger("Receive", "AnswerOnRing", 0), 4);
}

TEST(Preferences, CancelLeavesSettingsAndFileAlone) {
  test::ProgramDirectoryScope home;
  AppSettings = AppSettingsRecord{};
  const AppSettingsRecord before = AppSettings;
  test::ModalAnswerer answerer([](QDialog& dialog) {
    Click(dialog, "NextButton");
    Find<QLineEdit>(dialog, "ResetString")->setText(QStringLiteral("ATZ"));
    Click(dialog, "CancelButton");
  });
  EXPECT_FALSE(RunPreferences(nullptr));
  EXPECT_EQ(AppSettings, before);
  EXPECT_FALSE(home.dir().exists("TVN.INI"));
}

TEST(Preferences, FindModemPortSelectsTheModemsPort) {
  test::ProgramDirectoryScope home;
  test::TempDir dir;
  test::VirtualModemRun modem(dir.path(), {});
  ASSERT_TRUE(modem.started());
  home.dir().write("TVN.INI", PortsIni(dir, 3, modem.port()));
  ComPortsOnly ports;
  ScriptedPrompts prompts;
  prompts.answer(true);
  TPreferences window(false);
  window.LoadFrom(AppSettingsRecord{});
  QString message, com3;
  test::ModalAnswerer answerer([&](QDialog& dialog) {
    auto& form = static_cast<TFindModemForm&>(dialog);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.searchFinished(); }, 15000));
    message = form.messageText();
    com3 = form.portText(2);
    Click(dialog, "OkButton");
  });
  Click(window, "FindModemButton");
  EXPECT_EQ(answerer.dialogClass(), "telvane::TFindModemForm");
  EXPECT_EQ(com3, "Com 3: MODEM");
  EXPECT_EQ(message, "A modem was found on Com Port 3. We suggest setting the Port as Com 3.");
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "Set Com Port to Com 3");
  EXPECT_EQ(prompts.prompts()[0].caption, "Com Port");
  EXPECT_EQ(Find<RadioGroup>(window, "ComPort")->itemIndex(), 2);
  EXPECT_EQ(window.portMapping().comNumber, 0);

  // Found again on the port now selected: nothing to ask.
  test::ModalAnswerer again([](QDialog& dialog) {
    auto& form = static_cast<TFindModemForm&>(dialog);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.searchFinished(); }, 15000));
    Click(dialog, "OkButton");
  });
  Click(window, "FindModemButton");
  EXPECT_EQ(prompts.prompts().size(), 1u);
}

TEST(Preferences, AModemOnAnotherDeviceGetsAComNumberMapped) {
  test::ProgramDirectoryScope home;
  test::TempDir dir;
  test::VirtualModemRun modem(dir.path(), {});
  ASSERT_TRUE(modem.started());
  home.dir().write("TVN.INI", PortsIni(dir));
  ComPortsOnly ports;
  ComPortsOnly::extra = {modem.port()};
  ScriptedPrompts prompts;
  prompts.answer({true, true});  // the port, then "Save changes?"
  AppSettings = AppSettingsRecord{};
  AppSettings.ComPort = 0;
  test::ModalAnswerer answerer([](QDialog& preferences) {
    test::ModalAnswerer search([](QDialog& dialog) {
      auto& form = static_cast<TFindModemForm&>(dialog);
      EXPECT_TRUE(QTest::qWaitFor([&] { return form.searchFinished(); }, 15000));
      Click(dialog, "OkButton");
    });
    Click(preferences, "FindModemButton");
    Click(preferences, "FinishButton");
  });
  EXPECT_TRUE(RunPreferences(nullptr));
  ASSERT_GE(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "Set Com Port to Com 1\r(Com 1 will use " + modem.port() + ")");
  EXPECT_EQ(AppSettings.ComPort, 0);
  EXPECT_EQ(ComDevicePath(1), modem.port());
}

TEST(Preferences, CheckFaxClassOffersTheRecommendedClass) {
  test::ProgramDirectoryScope home;
  test::TempDir dir;
  test::VirtualModemRun modem(dir.path(), {"--classes", "2,2.0"});
  ASSERT_TRUE(modem.started());
  home.dir().write("TVN.INI", PortsIni(dir, 2, modem.port()));
  ScriptedPrompts prompts;
  prompts.answer(true);
  AppSettingsRecord settings;
  settings.ComPort = 1;
  TPreferences window(false);
  window.LoadFrom(settings);
  QString class1, class2, status;
  test::ModalAnswerer answerer([&](QDialog& dialog) {
    auto& form = static_cast<TCheckFaxClassForm&>(dialog);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.checkFinished(); }, 20000));
    class1 = form.classText(0);
    class2 = form.classText(1);
    status = form.statusText();
    Click(dialog, "OkButton");
  });
  Click(window, "CheckFaxClassButton");
  EXPECT_EQ(class1, "Class 1   : Not Supported");
  EXPECT_EQ(class2, "Class 2   : Supported (recommended)");
  EXPECT_TRUE(status.startsWith("Try using the recommended Fax Class (Class 2)")) << status.toStdString();
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "Set fax class as Class 2 ?");
  EXPECT_EQ(Find<RadioGroup>(window, "FaxClass")->itemIndex(), 2);
  EXPECT_EQ(Find<RadioGroup>(window, "FaxClassReceive")->itemIndex(), 1);  // untouched
}

TEST(Preferences, SoundFileButtons) {
  TPreferences window(false);
  auto* wave = Find<QLineEdit>(window, "WaveFileEdit");
  wave->setText(QStringLiteral("/no/such/ring.wav"));
  Click(window, "PlayNowButton");  // a missing file is not played, and not reported
  EXPECT_EQ(wave->text(), "/no/such/ring.wav");
  Click(window, "NoneButton");
  EXPECT_TRUE(wave->text().isEmpty());
  auto* printers = Find<QComboBox>(window, "PrintFaxOnReceiptPrinter");
  EXPECT_EQ(printers->itemText(0), DefaultPrinterName);
}

TEST(Preferences, HelpTopicsByPage) {
  EXPECT_EQ(PreferencesHelpContext(0), 1022);
  EXPECT_EQ(PreferencesHelpContext(1), 3501);
  EXPECT_EQ(PreferencesHelpContext(4), 3502);
  EXPECT_EQ(PreferencesHelpContext(7), 3503);
  EXPECT_EQ(PreferencesHelpContext(8), 0);
}

}  // namespace
}  // namespace telvane
