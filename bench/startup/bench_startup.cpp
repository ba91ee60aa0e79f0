// Start-up of the main window: time from creating it to its first painted
// outgoing grid, with empty logs and with 100,000 outgoing rows, and the
// memory it holds. The reference, measured in the same run, is a bare
// window with a grid of the same first screen on an in-memory model.
//
//   bench_startup [rows]      (offscreen unless QT_QPA_PLATFORM says otherwise)

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_screen.h"
#include "platform/program_directory.h"
#include "platform/qt/qt_platform.h"
#include "platform/scripted_prompts.h"
#include "settings/app_settings.h"
#include "tools/sample-logs/sample_rows.h"

namespace {

// Notes the first paint of a widget.
class FirstPaint : public QObject {
public:
  bool painted = false;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

template <typename Show>
double millisecondsToFirstPaint(Show show) {
  FirstPaint spy;
  QElapsedTimer timer;
  timer.start();
  QWidget* grid = show(spy);
  while (!spy.painted && timer.elapsed() < 30000) QApplication::processEvents();
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  grid->window()->close();
  return ms;
}

std::string makeProgramDirectory(int rows) {
  std::string dir = (std::filesystem::temp_directory_path() / "telvane-bench-XXXXXX").string();
  if (!::mkdtemp(dir.data())) std::abort();
  telvane::SetProgramDirectory(dir);
  std::ofstream(dir + "/TVN.INI") << "[Modem]\nComPort=0\n";
  std::string error;
  if (!telvane::WriteSampleLogs(rows, 0, error)) {
    std::fprintf(stderr, "bench_startup: %s\n", error.c_str());
    std::exit(1);
  }
  return dir;
}

double mainWindow(int rows, long& memoryKiB) {
  const std::string dir = makeProgramDirectory(rows);
  const long before = residentKiB();
  double ms = 0;
  {
    telvane::ScriptedPrompts prompts;  // nothing may wait for a user
    std::unique_ptr<telvane::TMainScreen> window;
    ms = millisecondsToFirstPaint([&](FirstPaint& spy) -> QWidget* {
      window = std::make_unique<telvane::TMainScreen>();
      window->FaxGrid->viewport()->installEventFilter(&spy);
      window->show();
      return window->FaxGrid;
    });
    memoryKiB = residentKiB() - before;
  }
  std::filesystem::remove_all(dir);
  return ms;
}

double referenceWindow(int rows) {
  QMainWindow window;
  QStandardItemModel model(std::min(rows, 30), 8);
  for (int r = 0; r < model.rowCount(); ++r)
    for (int c = 0; c < 8; ++c) model.setItem(r, c, new QStandardItem(QStringLiteral("value %1").arg(r)));
  auto* grid = new QTableView(&window);
  grid->setModel(&model);
  window.setCentralWidget(grid);
  return millisecondsToFirstPaint([&](FirstPaint& spy) -> QWidget* {
    grid->viewport()->installEventFilter(&spy);
    window.show();
    return grid;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  telvane::InstallQtPlatform();
  const int bigRows = argc > 1 ? std::atoi(argv[1]) : 100000;

  referenceWindow(30);  // warm up fonts and styles once
  std::printf("%-28s %12s %12s %10s %12s\n", "logs", "first paint", "reference", "ratio", "memory");
  for (int rows : {0, bigRows}) {
    long memory = 0;
    const double ours = mainWindow(rows, memory);
    const double reference = referenceWindow(rows);
    std::printf("%-28s %9.1f ms %9.1f ms %9.2fx %9ld KiB\n",
                (std::to_string(rows) + " outgoing rows").c_str(), ours, reference, ours / reference, memory);
  }
  return 0;
}
