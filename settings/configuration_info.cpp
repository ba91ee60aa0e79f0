#include "settings/configuration_info.h"

#include <gnu/libc-version.h>

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QVBoxLayout>
#include <thread>

#include "platform/program_directory.h"
#include "platform/prompts.h"
#include "serial/com_port_names.h"
#include "settings/system_info.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

const char* const kCaption = "Configuration Information";

std::string S(const QString& text) { return text.toStdString(); }

std::optional<std::vector<std::string>> SessionLog(const char* name) {
  const std::optional<std::string> path = FindFileNoCase(ProgramDirectory(), name);
  return path ? ReadTextLines(*path) : std::nullopt;
}

std::string LanguageOf(const QLocale& locale) {
  return S(QLocale::languageToString(locale.language()) + QStringLiteral(" (") + locale.name() + QStringLiteral(")"));
}

// The language the system is set to, from the environment's locale
// variables, as the user's session may override it.
std::string SystemLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const QByteArray value = qgetenv(name); !value.isEmpty()) return LanguageOf(QLocale(QString::fromLocal8Bit(value)));
  return LanguageOf(QLocale::c());
}

}  // namespace

TConfigurationInfo::TConfigurationInfo(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), Memo1(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("TConfigurationInfo"));
  setWindowTitle(QString::fromLatin1(kCaption));
  auto* label = new QLabel(QStringLiteral("Please copy this information to the clipboard and paste it into an e-mail "
                                          "to technical support, or save it as a text file and attach it."), this);
  label->setWordWrap(true);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Memo1->setTabStopDistance(Memo1->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
  QStringList text;
  for (const std::string& line : lines) text << QString::fromStdString(line);
  Memo1->setPlainText(text.join(QLatin1Char('\n')));
  Memo1->moveCursor(QTextCursor::Start);

  auto* copy = new QPushButton(QStringLiteral("Copy to Clipboard"), this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* save = new QPushButton(QStringLiteral("Save As..."), this);
  copy->setObjectName(QStringLiteral("CopyButton"));
  ok->setObjectName(QStringLiteral("OkButton"));
  save->setObjectName(QStringLiteral("SaveAsButton"));
  ok->setDefault(true);
  connect(copy, &QPushButton::clicked, this, &TConfigurationInfo::CopyButtonClick);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(save, &QPushButton::clicked, this, &TConfigurationInfo::SaveAsButtonClick);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(copy);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(save);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(Memo1, 1);
  layout->addLayout(buttons);
  resize(720, 560);

  chooseSaveFile = [this] {
    QFileDialog dialog(this, QStringLiteral("Save As"), QString::fromStdString(ProgramDirectory()),
                       QStringLiteral("Text files (*.TXT *.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("TXT"));
    dialog.selectFile(QStringLiteral("ConfigInfo.txt"));
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                  : QString();
  };
}

QString TConfigurationInfo::reportText() const { return Memo1->toPlainText(); }

void TConfigurationInfo::CopyButtonClick() {
  QApplication::clipboard()->setText(reportText());
  ShowInformation("Information copied to Windows clipboard", kCaption);
}

void TConfigurationInfo::SaveAsButtonClick() {
  const QString path = chooseSaveFile();
  if (path.isEmpty()) return;
  QFile file(path);
  // Lines end in CR LF, as the text files support staff expect.
  const QByteArray text = reportText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toUtf8() + "\r\n";
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() || !file.flush()) {
    ShowError("Unable to write to " + S(path));
    return;
  }
  ShowInformation("Information was saved as: " + S(path), kCaption);
}

ReportFacts GatherReportFacts() {
  ReportFacts f;
  const QLocale locale = QLocale::system();
  f.date = S(locale.toString(QDate::currentDate(), QLocale::LongFormat));
  const QDate built = QDate::fromString(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
  f.buildDate = S(locale.toString(built, QLocale::ShortFormat));
  f.libraries = {S(QStringLiteral("Qt %1 (built with %2)").arg(QString::fromLatin1(qVersion()),
                                                                 QStringLiteral(QT_VERSION_STR))),
                 std::string("GNU C library ") + gnu_get_libc_version()};
  f.operatingSystem = ReadOperatingSystem();
  f.kernel = ReadKernel();
  f.processor = ReadProcessor();
  f.memory = ReadMemory();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    f.screen = ScreenFacts{screen->size().width(), screen->size().height(), screen->depth(),
                           qRound(screen->logicalDotsPerInch())};
  f.userLanguage = LanguageOf(locale);
  f.systemLanguage = SystemLanguage();
  f.userCountry = S(QLocale::territoryToString(locale.territory()));
  f.systemCountry = S(QLocale::territoryToString(QLocale(QString::fromLocal8Bit(qgetenv("LANG"))).territory()));
  f.shortDateFormat = S(locale.dateFormat(QLocale::ShortFormat));
  f.longDateFormat = S(locale.dateFormat(QLocale::LongFormat));
  f.shortTimeFormat = S(locale.timeFormat(QLocale::ShortFormat));
  f.longTimeFormat = S(locale.timeFormat(QLocale::LongFormat));
  f.serialDevicesById = ReadSerialDevicesById();
  f.settingsFile = SettingsFileName();
  f.programDirectory = ProgramDirectory();
  f.runningPrograms = ReadRunningPrograms();
  f.lastSendLog = SessionLog("Lastsend.log");
  f.lastReceiveLog = SessionLog("Lastrec.log");

  // The modem is asked on a worker thread; the window keeps painting.
  const int n = AppSettings.ComPort + 1;
  const std::string device = n > 0 ? ComDevicePath(n) : std::string();
  if (!device.empty()) {
    QEventLoop loop;
    std::thread query([&] {
      f.modemAnswers = QueryModemAnswers(device, n);
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    query.join();
  }
  return f;
}

void RunConfigurationInfo(QWidget* parent) {
  QApplication::setOverrideCursor(Qt::BusyCursor);
  const std::vector<std::string> lines = BuildConfigurationReport(GatherReportFacts(), AppSettings);
  TConfigurationInfo window(lines, parent);
  QApplication::restoreOverrideCursor();
  CenterWindow(window);
  window.exec();
}

}  // namespace telvane
