#include "app/application.h"

#include <QApplication>

namespace telvane {

void SetApplicationNames() { QApplication::setApplicationName(QStringLiteral("Telvane")); }

}  // namespace telvane
