#pragma once

class QWidget;

namespace telvane {
// The About window: the program's name, version and build.
void ShowAboutBox(QWidget* parent);
}
