#include "widgets/title_panel.h"

namespace telvane {

TitlePanel::TitlePanel(const QString& text, const QColor& background, const QColor& foreground, QWidget* parent)
    : QLabel(text, parent) {
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, background);
  p.setColor(QPalette::WindowText, foreground);
  setPalette(p);
  QFont f = font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.15);
  setFont(f);
  setMargin(3);
}

}  // namespace telvane
