#pragma once
// A coloured title bar over a list ("Outgoing Faxes" in white on blue).

#include <QColor>
#include <QLabel>

namespace telvane {

class TitlePanel : public QLabel {
  Q_OBJECT
public:
  TitlePanel(const QString& text, const QColor& background, const QColor& foreground, QWidget* parent = nullptr);
};

}  // namespace telvane
