// Two Telvanes on one line: the send window of one calls the other, which
// is in receive mode, through a pair of virtual modems.

#include <QTest>
#include <gtest/gtest.h>

#include "faximage/apf_reader.h"
#include "faximage/fax_converter.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "sessions/receive_mode.h"
#include "sessions/send_fax_form.h"
#include "sessions/show_error_form.h"
#include "settings/app_settings.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class RowsHost : public ReceiveModeHost {
public:
  void SetStatusText(const QString&) override {}
  void ShowReceivedPage() override {}
  void ReceiveModeChanged(bool) override {}
  bool AddReceivedRow(const ReceivedFaxRow& row) override {
    rows.push_back(row);
    return true;
  }
  void PlayReceivedSound() override {}
  void PrintReceivedFax(const std::string&) override {}
  std::vector<ReceivedFaxRow> rows;
};

TEST(TwoTelvanes, OneSendsAndTheOtherReceivesIntoItsLog) {
  ScaledClock clock(test::testSpeed());
  SetClock(&clock);
  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  std::vector<QString> errors;
  SetErrorWindowHook([&](const QString&, const QString& text, bool) {
    errors.push_back(text);
    return 1;
  });
  test::VirtualModemRun line(home.path(), {"--far-end", "modem", "--second-port", home.path() + "modem-b"});
  ASSERT_TRUE(line.started()) << line.log();
  home.dir().write("TVN.INI", "[Ports]\r\nCOM3=" + line.port() + "\r\nCOM4=" + line.secondPort() + "\r\n");

  home.dir().write("letter.txt", "Page one.\n\fPage two.\n\fPage three.\n");
  TKovaFaxConverter converter;
  converter.InputDocumentType = TFaxInputDocumentType::idText;
  converter.Resolution = TFaxResolution::frHigh;
  converter.SetDocumentFile(home.dir().file("letter.txt"));
  converter.OutFileName = home.dir().file("TVN_1.APF");
  ASSERT_GE(converter.ConvertDocumentStatus(), 0);

  AppSettings = AppSettingsRecord{};
  AppSettings.FaxClass = AppSettings.FaxClassReceive = 1;
  AppSettings.ComPort = 3;  // the answering Telvane on COM4
  AppSettings.UserFax = "+1 555 0199";
  RowsHost host;
  TReceiveMode receiving(host, nullptr);
  receiving.ReceiveButtonClick();
  ASSERT_TRUE(receiving.InReceiveMode);

  AppSettings.ComPort = 2;  // the sending one on COM3
  AppSettings.UserFax = "+1 555 0100";
  TSendFaxForm sending;
  sending.SetFaxFileName(converter.OutFileName);
  sending.SetInitialPhoneNumber("5550199");
  sending.show();
  sending.SendFaxButtonClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !sending.SendInProgress && !host.rows.empty(); }, 120000)) << line.log();
  EXPECT_EQ(sending.SendResult, "Sent");
  ASSERT_EQ(host.rows.size(), 1u);
  EXPECT_EQ(host.rows[0].pages, 3);
  EXPECT_EQ(host.rows[0].from, "+1 555 0100");
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(home.path() + "receive/" + host.rows[0].faxFile, header), 0);
  EXPECT_EQ(header.pageCount, 3);
  EXPECT_TRUE(errors.empty()) << errors[0].toStdString();
  receiving.ReceiveButtonClick();
  EXPECT_FALSE(receiving.InReceiveMode);
  SetErrorWindowHook(nullptr);
  SetClock(nullptr);
}

}  // namespace
}  // namespace telvane
