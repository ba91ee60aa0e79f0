#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/quick_setup.h"
#include "platform/scripted_prompts.h"
#include "settings/app_settings.h"
#include "settings/check_fax_class_form.h"
#include "settings/configuration_info.h"
#include "settings/ini_file.h"
#include "settings/init_string_helper_form.h"
#include "settings/radio_group.h"
#include "tests/settings/scripted_pty.h"
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

std::string RunHelper(const std::string& command, bool sending, const char* button, int* type = nullptr,
                      bool* longWait = nullptr, bool* boxShown = nullptr) {
  test::ModalAnswerer answerer([&](QDialog& dialog) {
    if (type) *type = Find<RadioGroup>(dialog, "ModemType")->itemIndex();
    if (longWait) *longWait = Find<QCheckBox>(dialog, "CheckAT7")->isChecked();
    if (boxShown) *boxShown = Find<QCheckBox>(dialog, "CheckAT7")->isVisible();
    Click(dialog, button);
  });
  return RunInitStringHelper(nullptr, command, sending);
}

TEST(InitStringHelperForm, OpensOnTheChoiceTheCommandReflects) {
  int type = -1;
  bool longWait = false, shown = false;
  EXPECT_EQ(RunHelper("AT&H3&I2&R2S7=95S36=8", true, "OkButton", &type, &longWait, &shown), "AT&H3&I2&R2S7=120S36=8");
  EXPECT_EQ(type, 3);
  EXPECT_TRUE(longWait);
  EXPECT_TRUE(shown);
  EXPECT_EQ(RunHelper("ATS7=60", true, "OkButton", &type, &longWait), "AT&F&C1&D2&K3S7=65");
  EXPECT_EQ(type, 0);
  EXPECT_FALSE(longWait);
  RunHelper("ATS7=60", false, "OkButton", nullptr, nullptr, &shown);
  EXPECT_FALSE(shown);  // the dial wait is for sending only
}

TEST(InitStringHelperForm, CancelKeepsAndBlankClears) {
  EXPECT_EQ(RunHelper("ATX3", true, "CancelButton"), "ATX3");
  EXPECT_EQ(RunHelper("ATX3", true, "BlankButton"), "");
}

TEST(QuickSetup, FirstRunShowsComOneAndCancelStoresNothing) {
  test::ProgramDirectoryScope home;
  AppSettings = AppSettingsRecord{};
  AppSettings.ComPort = 0;  // as the main window leaves it on a first run
  FirstRun = true;
  int selected = -1;
  test::ModalAnswerer answerer([&](QDialog& dialog) {
    selected = Find<RadioGroup>(dialog, "ComPort")->itemIndex();
    Click(dialog, "CancelButton");
  });
  EXPECT_FALSE(RunQuickSetup(nullptr));
  EXPECT_EQ(selected, 0);
  EXPECT_TRUE(FirstRun);
  EXPECT_EQ(AppSettings.ComPort, -1);
  EXPECT_FALSE(home.dir().exists("TVN.INI"));
}

TEST(QuickSetup, OkStoresPortNameAndNumber) {
  test::ProgramDirectoryScope home;
  home.dir().write("TVN.INI", "[User]\nName=Old\n");
  AppSettings = AppSettingsRecord{};
  FirstRun = true;
  test::ModalAnswerer answerer([](QDialog& dialog) {
    EXPECT_EQ(Find<QLineEdit>(dialog, "Name")->text(), "Old");
    Find<RadioGroup>(dialog, "ComPort")->setItemIndex(3);
    Find<QLineEdit>(dialog, "Name")->setText(QStringLiteral("Ada Lovelace"));
    Find<QLineEdit>(dialog, "FaxNumber")->setText(QStringLiteral("+44 20 7946 0000"));
    Click(dialog, "Finishbutton");
  });
  EXPECT_TRUE(RunQuickSetup(nullptr));
  EXPECT_FALSE(FirstRun);
  const IniFile file(home.dir().file("TVN.INI"));
  EXPECT_EQ(file.ReadInteger("Modem", "ComPort", -1), 3);
  EXPECT_EQ(file.ReadString("User", "Name", ""), "Ada Lovelace");
  EXPECT_EQ(file.ReadString("User", "Fax", ""), "+44 20 7946 0000");
}

TEST(CheckFaxClassForm, ADeviceThatDoesNotAnswerAsksBeforeGoingOn) {
  test::ScriptedPty error(test::ScriptedPty::Behaviour::AnswerError);
  ScriptedPrompts prompts;
  prompts.answer(false);
  TCheckFaxClassForm form(error.path(), 4, "");
  form.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.checkFinished(); }, 15000));
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].caption, "NO MODEM RESPONSE");
  EXPECT_EQ(prompts.prompts()[0].text,
            "The device on COM4 is not responding and may\rnot be a modem. Continue with Fax Class Analysis?");
  EXPECT_EQ(form.statusText(), "No response from device on COM4. May not be a modem.");
  EXPECT_EQ(form.classText(2), "Class 2.0 : unknown");
  EXPECT_EQ(form.recommendation().index, -1);
  EXPECT_EQ(form.windowTitle(), "Check Fax Class");
}

TEST(CheckFaxClassForm, GoingOnWithADeviceThatRefusesTheReset) {
  test::ScriptedPty error(test::ScriptedPty::Behaviour::AnswerError);
  ScriptedPrompts prompts;
  prompts.answer(true);
  TCheckFaxClassForm form(error.path(), 2, "");
  form.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.checkFinished(); }, 15000));
  ASSERT_EQ(prompts.prompts().size(), 2u);
  EXPECT_NE(prompts.prompts()[1].text.find("The modem did not respond to the reset string:   (AT&F)"), std::string::npos);
  EXPECT_EQ(form.statusText(), "No response from device on COM2. May not be a modem.");
}

TEST(CheckFaxClassForm, APortThatCannotBeOpened) {
  test::TempDir dir;
  TCheckFaxClassForm form(dir.file("ttyS0"), 1, "");
  form.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.checkFinished(); }, 5000));
  EXPECT_TRUE(form.statusText().startsWith("Unable to open the specified communications port ( Com 1 )"));
  EXPECT_EQ(form.classText(0), "Class 1   : unknown");
}

TEST(ConfigurationInfo, CopyAndSave) {
  test::TempDir dir;
  ScriptedPrompts prompts;
  TConfigurationInfo window({"first", "[Product]", "Program:     \tTelvane"});
  window.CopyButtonClick();
  EXPECT_EQ(QApplication::clipboard()->text(), "first\n[Product]\nProgram:     \tTelvane");
  const std::string path = dir.file("ConfigInfo.txt");
  window.chooseSaveFile = [&] { return QString::fromStdString(path); };
  window.SaveAsButtonClick();
  EXPECT_EQ(dir.read("ConfigInfo.txt"), "first\r\n[Product]\r\nProgram:     \tTelvane\r\n");
  ASSERT_EQ(prompts.prompts().size(), 2u);
  EXPECT_EQ(prompts.prompts()[0].text, "Information copied to Windows clipboard");
  EXPECT_EQ(prompts.prompts()[0].caption, "Configuration Information");
  EXPECT_EQ(prompts.prompts()[1].text, "Information was saved as: " + path);

  window.chooseSaveFile = [&] { return QString::fromStdString(dir.file("no/such/dir/x.txt")); };
  window.SaveAsButtonClick();
  ASSERT_EQ(prompts.prompts().size(), 3u);
  EXPECT_EQ(prompts.prompts()[2].kind, PromptKind::Error);
}

TEST(ConfigurationInfo, GatheredReportHasTheModemAndTheLastSession) {
  test::ProgramDirectoryScope home;
  home.dir().write("TVN.INI", "[Ports]\nCOM2=" + home.dir().file("ttyNone") + "\n");
  home.dir().write("Lastsend.log", "Opened com port OK\r\nExit\r\n");
  AppSettings = AppSettingsRecord{};
  AppSettings.ComPort = 1;
  const ReportFacts facts = GatherReportFacts();
  ASSERT_EQ(facts.modemAnswers.size(), 2u);
  EXPECT_EQ(facts.modemAnswers[1], "Result:               \tPort does not exist");
  ASSERT_TRUE(facts.lastSendLog);
  EXPECT_EQ(*facts.lastSendLog, (std::vector<std::string>{"Opened com port OK", "Exit"}));
  EXPECT_FALSE(facts.lastReceiveLog);
  EXPECT_EQ(facts.settingsFile, home.path() + "TVN.INI");
  const std::vector<std::string> report = BuildConfigurationReport(facts, AppSettings);
  EXPECT_EQ(report.back(), "");
  EXPECT_EQ(report[report.size() - 2], "Exit");
  EXPECT_NE(std::find(report.begin(), report.end(), "COM Port:             \t2"), report.end());
}

}  // namespace
}  // namespace telvane
