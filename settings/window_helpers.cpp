#include "settings/window_helpers.h"

#include <QApplication>
#include <QFontDialog>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstring>

#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/ini_file.h"
#include "settings/window_placement.h"

namespace telvane {
namespace {

QScreen* screenOf(const QWidget& window) {
  QScreen* screen = window.screen();
  return screen ? screen : QGuiApplication::primaryScreen();
}

WindowRect screenRect(const QWidget& window) {
  QScreen* screen = screenOf(window);
  if (!screen) return {0, 0, 1024, 768};
  const QRect g = screen->geometry();
  return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

WindowRect toRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

QRect toQRect(const WindowRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

std::string sectionFor(const QWidget& window) {
  return PlacementSectionName(WindowClassName(window), ScreenPixelsPerInch(window));
}

QWidget* findMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (std::strcmp(WindowClassName(*w), "TMainScreen") == 0) return w;
  return nullptr;
}

}  // namespace

const char* WindowClassName(const QWidget& window) {
  const char* name = window.metaObject()->className();
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

int ScreenPixelsPerInch(const QWidget& window) {
  QScreen* screen = screenOf(window);
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
}

void SaveWindowPlacement(const QWidget& window) {
  IniFile file(SettingsFileName());
  const QRect normal = window.isMaximized() || window.isMinimized() ? window.normalGeometry() : window.geometry();
  WriteWindowPlacement(file, sectionFor(window), {toRect(normal), window.isMaximized()});
}

void RestoreWindowPlacement(QWidget& window, bool designedMaximized) {
  const IniFile file(SettingsFileName());
  WindowPlacement p = ReadWindowPlacement(file, sectionFor(window), designedMaximized);
  if (p.Maximized) {
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return;
  }
  const WindowRect screen = screenRect(window);
  if (p.Rect.Bottom == 0 || !IsUsableRect(p.Rect)) {
    CenterWindow(window);
    p.Rect = toRect(window.geometry());
  }
  p.Rect = FitScreenSize(p.Rect, screen.Width(), screen.Height());
  window.setGeometry(toQRect(KeepOnScreen(p.Rect, screen.Right, screen.Bottom)));
}

void CenterWindow(QWidget& window) {
  QWidget* main = findMainWindow();
  const bool onScreen = main == nullptr || main == &window || main->isMaximized();
  const WindowRect area = onScreen ? screenRect(window) : toRect(main->geometry());
  const WindowRect r = CenteredIn(area, window.width(), window.height());
  window.move(r.Left, r.Top);
  if (window.windowFlags() & Qt::WindowMaximizeButtonHint) window.setWindowFlag(Qt::WindowSystemMenuHint, true);
}

bool ChooseDefaultFont(QWidget* parent) {
  LoadSettings();
  QFont font(QString::fromStdString(AppSettings.DefaultFontName), UsableDefaultFontSize(AppSettings.DefaultFontSize));
  font.setBold(AppSettings.DefaultFontBold);
  font.setItalic(AppSettings.DefaultFontItalic);
  font.setUnderline(AppSettings.DefaultFontUnderline);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font, parent, QStringLiteral("Default Font"));
  if (!ok) return false;
  AppSettings.DefaultFontName = chosen.family().toStdString();
  AppSettings.DefaultFontSize = chosen.pointSize() > 0 ? chosen.pointSize() : AppSettings.DefaultFontSize;
  AppSettings.DefaultFontBold = chosen.bold();
  AppSettings.DefaultFontItalic = chosen.italic();
  AppSettings.DefaultFontUnderline = chosen.underline();
  // The choice is kept in memory; a file that cannot be written is the
  // user's to hear about, not an exception in the editor that asked.
  try {
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
  return true;
}

}  // namespace telvane
