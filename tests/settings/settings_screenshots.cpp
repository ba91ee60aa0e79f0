// Pictures of the preferences pages and of a modem search that finds the
// virtual modem, for docs/screenshots: settings_screenshots OUT_DIR
// (run under a real X server, e.g. xvfb-run, at 96 dots per inch).

#include <QApplication>
#include <QDir>
#include <QTest>

#include "platform/program_directory.h"
#include "platform/qt/qt_platform.h"
#include "serial/com_port_names.h"
#include "settings/app_settings.h"
#include "settings/find_modem_form.h"
#include "settings/preferences.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/settings/scripted_pty.h"

namespace {

const char* const kPageFiles[telvane::TPreferences::PageCount] = {
    "wizard", "modem", "sending-1", "sending-2", "sending-3", "receiving-1", "receiving-2", "receiving-3", "advanced"};

bool Save(QWidget& window, const QString& path) {
  QTest::qWait(200);  // let the window system paint it once
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  telvane::InstallQtPlatform();
  if (argc < 2) {
    std::fprintf(stderr, "usage: settings_screenshots OUT_DIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const std::string home = QDir::tempPath().toStdString() + "/telvane-screens-" + std::to_string(QCoreApplication::applicationPid()) + "/";
  QDir().mkpath(QString::fromStdString(home));
  telvane::SetProgramDirectory(home);

  // The modem on COM3 among devices that are not modems; the machine's
  // own ports are left alone.
  using telvane::test::ScriptedPty;
  telvane::test::VirtualModemRun modem(home, {"--classes", "0,1,2,2.0"});
  ScriptedPty error(ScriptedPty::Behaviour::AnswerError), garbage(ScriptedPty::Behaviour::EchoGarbage);
  if (!modem.started()) return 1;
  {
    FILE* ini = std::fopen((home + "TVN.INI").c_str(), "w");
    std::fprintf(ini,
                 "[Ports]\nCOM1=%s\nCOM2=%snone\nCOM3=%s\nCOM4=%s\nCOM5=%snone\nCOM6=%snone\n"
                 "[User]\nName=Ada Lovelace\nFax=+44 20 7946 0000\n[Modem]\nComPort=2\n",
                 error.path().c_str(), home.c_str(), modem.port().c_str(), garbage.path().c_str(), home.c_str(),
                 home.c_str());
    std::fclose(ini);
  }
  telvane::LoadSettings();

  bool ok = true;
  telvane::TPreferences preferences(false);
  preferences.LoadFrom(telvane::AppSettings);
  preferences.show();
  for (int page = 0; page < telvane::TPreferences::PageCount; ++page) {
    preferences.showPage(page);
    ok &= Save(preferences, out + QStringLiteral("/preferences-%1.png").arg(QLatin1String(kPageFiles[page])));
  }
  preferences.hide();

  std::vector<std::string> com;
  for (int n = 1; n <= telvane::SetupComPorts; ++n) com.push_back(telvane::ComDevicePath(n));
  telvane::TFindModemForm search(telvane::ModemSearchTargets(com, {}),
                                 telvane::AppSettings.ResetString);
  search.show();
  ok &= QTest::qWaitFor([&] { return search.searchFinished(); }, 20000);
  ok &= Save(search, out + QStringLiteral("/modem-search.png"));
  QDir(QString::fromStdString(home)).removeRecursively();
  return ok ? 0 : 1;
}
