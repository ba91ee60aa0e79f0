#pragma once
// The settings unit's window helpers, for Qt windows.

class QWidget;

namespace telvane {

// The window's class name as the placement sections and CenterWindow use
// it: the C++ class without its namespace ("TMainScreen").
const char* WindowClassName(const QWidget& window);

// The screen's logical pixels per inch, rounded.
int ScreenPixelsPerInch(const QWidget& window);

// Writes the window's normal rectangle and maximised state. Throws
// SettingsWriteError when TVN.INI cannot be written.
void SaveWindowPlacement(const QWidget& window);

// Applies the stored placement: maximised, centred when none is stored
// (Bottom 0), otherwise the stored rectangle kept on the screen.
void RestoreWindowPlacement(QWidget& window, bool designedMaximized);

// Centres a dialog over the main window, or on the screen when it is the
// main window or the main window is maximised.
void CenterWindow(QWidget& window);

// Shows the font dialog preset to the default font (after reloading the
// settings); on OK stores the choice and saves. Returns true when chosen.
bool ChooseDefaultFont(QWidget* parent);

}  // namespace telvane
