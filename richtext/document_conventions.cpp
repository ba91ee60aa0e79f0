#include "richtext/document_conventions.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace telvane {

int DocumentDpi() {
  // The text layout scales lengths by device dpi over the primary screen's
  // logical dpi; without a screen it takes 96.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
  return 96;
}

}  // namespace telvane
