#include "app/hints.h"

#include <QApplication>
#include <QEvent>
#include <QProxyStyle>
#include <QWidget>

namespace telvane {
namespace {

constexpr int HintDelayMs = 1200;
constexpr int HintDisplayMs = 30000;

class HintStyle : public QProxyStyle {
public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return HintDelayMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

class HintFilter : public QObject {
public:
  bool enabled = true;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ToolTip:
      case QEvent::StatusTip:
        return !enabled;
      case QEvent::Polish:
        if (auto* w = qobject_cast<QWidget*>(watched)) w->setToolTipDuration(HintDisplayMs);
        return false;
      default:
        return false;
    }
  }
};

HintFilter* filter() {
  static HintFilter* f = [] {
    auto* created = new HintFilter;
    created->setParent(qApp);
    qApp->installEventFilter(created);
    QApplication::setStyle(new HintStyle);
    return created;
  }();
  return f;
}

}  // namespace

void SetHintsEnabled(bool enabled) { filter()->enabled = enabled; }

bool HintsEnabled() { return filter()->enabled; }

}  // namespace telvane
