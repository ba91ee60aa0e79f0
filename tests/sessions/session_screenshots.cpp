// Draws a send in progress (the send window and the fax status window) and
// the main window in receive mode with a fax just received, into PNGs for
// the documentation: session_screenshots OUT_DIR. The calls run through
// virtual modems in real time, so the status shows a real page.

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "app/main_screen.h"
#include "fax/qt/standard_fax_display.h"
#include "faximage/fax_converter.h"
#include "fax/status/fax_status_source.h"
#include "fax/send_fax.h"
#include "platform/clock.h"
#include "platform/program_directory.h"
#include "platform/qt/qt_platform.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"
#include "sessions/send_fax_form.h"
#include "sessions/show_error_form.h"
#include "settings/app_settings.h"
#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"

namespace {

using namespace telvane;

bool save(QWidget& widget, const QString& path) {
  const bool ok = widget.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", path.toUtf8().constData());
  return ok;
}

std::string subdir(const std::string& home, const char* name) {
  const std::string dir = home + name + "/";
  std::filesystem::create_directories(dir);
  return dir;
}

bool sendInProgress(const std::string& home, const QString& out) {
  test::VirtualModemRun modem(subdir(home, "send"), {"--far-end", "receiver"}, 1.0);
  if (!modem.started()) return false;
  std::filesystem::remove(home + "TVN.INI");
  std::FILE* ini = std::fopen((home + "TVN.INI").c_str(), "w");
  std::fprintf(ini, "[Ports]\nCOM3=%s\n", modem.port().c_str());
  std::fclose(ini);
  std::FILE* text = std::fopen((home + "letter.txt").c_str(), "w");
  for (int line = 1; line <= 120; ++line) std::fprintf(text, "Line %d of the quarterly delivery schedule.\n", line);
  std::fclose(text);
  TKovaFaxConverter converter;
  converter.InputDocumentType = TFaxInputDocumentType::idText;
  converter.Resolution = TFaxResolution::frHigh;
  converter.SetDocumentFile(home + "letter.txt");
  converter.OutFileName = home + "TVN_1.APF";
  if (converter.ConvertDocumentStatus() < 0) return false;

  AppSettings.ComPort = 2;
  AppSettings.UserName = "Harbour Street Trading";
  AppSettings.UserFax = "+44 23 9200 0100";
  AppSettings.MaximumBPS = 14400;
  TSendFaxForm form;
  form.SetFaxFileName(converter.OutFileName);
  form.ToLabel->setText("Ann Smith, Acme Hardware");
  form.Subjectlabel->setText("Quarterly delivery schedule");
  form.SetInitialPhoneNumber("5551234");
  form.move(40, 40);
  form.show();
  form.SendFaxButtonClick();
  if (!QTest::qWaitFor([&] { return form.KovaSendFax1().StatusInfo().bytesTransferred > 20000; }, 120000)) return false;
  bool ok = save(form, out + "/send-window.png");
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* display = qobject_cast<TStandardFaxDisplay*>(widget); display && display->isVisible())
      ok = save(*display, out + "/send-in-progress.png") && ok;
  // The abort that ends the picture's call needs no error window.
  SetErrorWindowHook([](const QString&, const QString&, bool) { return 0; });
  form.KovaSendFax1().AbortFax();
  ok = QTest::qWaitFor([&] { return !form.SendInProgress; }, 60000) && ok;
  SetErrorWindowHook(nullptr);
  return ok;
}

// Two faxes received on earlier days, so the log looks lived in.
bool writeEarlierFaxes() {
  FaxRecords records;
  if (!records.OpenFaxDBF() || !records.OpenRecFaxDBF()) return false;
  const char* earlier[][3] = {{"+1 312 555 0190", "20261207", "FAX0000.APF"}, {"ACME HARDWARE", "20261208", "FAX9999.APF"}};
  for (const auto& fax : earlier) {
    RecordTable& table = records.RecTable();
    if (!table.Append()) return false;
    table.SetField("FROM", fax[0]);
    table.SetField("DATEREC", fax[1]);
    table.SetField("TIMEREC", "09:30");
    table.SetField("FAXFILE", fax[2]);
    if (!table.Post()) return false;
  }
  return RebuildIndexes(records, [](std::string_view) {});
}

bool receiveMode(const std::string& home, const QString& out) {
  const std::string tiff = home + "incoming.tif";
  if (!test::writeTestFax(tiff, 2, true, 600)) return false;
  test::VirtualModemRun modem(subdir(home, "receive"), {"--far-end", "sender", "--send-file", tiff,
                                                         "--incoming-after", "1", "--remote-id", "+1 312 555 0148"},
                              8.0);
  if (!modem.started() || !writeEarlierFaxes()) return false;
  std::FILE* ini = std::fopen((home + "TVN.INI").c_str(), "w");
  std::fprintf(ini, "[Modem]\nComPort=2\nFaxClass=1\nFaxClassReceive=1\n[Ports]\nCOM3=%s\n", modem.port().c_str());
  std::fclose(ini);
  AppSettings = AppSettingsRecord{};
  AppSettings.DisableReceivingFaxesNotification = true;
  FirstRun = false;
  ScaledClock clock(8.0);
  SetClock(&clock);
  bool ok = false;
  {
    TMainScreen window;
    window.resize(760, 420);
    window.show();
    if (QTest::qWaitFor([&] { return !window.FirstActivation; }, 5000)) {
      window.ReceiveButtonClick();
      if (QTest::qWaitFor([&] { return window.RecFaxGrid->model()->rowCount() > 2; }, 120000)) {
        QTest::qWait(200);
        ok = save(window, out + "/receive-mode.png");
      }
      window.ReceiveButtonClick();
    }
    window.close();
  }
  SetClock(nullptr);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: session_screenshots OUT_DIR\n");
    return 2;
  }
  QTemporaryDir home;
  SetProgramDirectory(home.path().toStdString());
  InstallQtPlatform();
  const QString out = QString::fromLocal8Bit(argv[1]);
  const std::string dir = ProgramDirectory();
  const bool sent = sendInProgress(dir, out);
  const bool received = receiveMode(dir, out);
  return sent && received ? 0 : 1;
}
