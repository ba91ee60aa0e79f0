#include "compose/zoom_button.h"

#include <QMenu>

#include "richtext/wp_rich_text.h"

namespace telvane {
namespace {
constexpr int kZoomChoices[] = {70, 80, 100};
QString percentText(int percent) { return QStringLiteral("%1%").arg(percent); }
}  // namespace

ZoomButton::ZoomButton(QWidget* parent) : QPushButton(percentText(100), parent), menu_(new QMenu(this)) {
  setObjectName(QStringLiteral("ZoomButton"));
  menu_->setObjectName(QStringLiteral("ZoomMenu"));
  for (int percent : kZoomChoices) {
    QAction* item = menu_->addAction(percentText(percent));
    item->setObjectName(QStringLiteral("Zoom%1").arg(percent));
    item->setData(percent);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, percent] { Choose(percent); });
  }
  connect(menu_, &QMenu::aboutToShow, this, &ZoomButton::checkTargetZoom);
  connect(this, &QPushButton::clicked, this, [this] { menu_->popup(mapToGlobal(rect().bottomLeft())); });
}

void ZoomButton::ShowTargetZoom() {
  if (TWPRichText* control = target ? target() : nullptr) setText(percentText(control->Zoom()));
}

void ZoomButton::Choose(int percent) {
  if (TWPRichText* control = target ? target() : nullptr) control->SetZoom(percent);
  setText(percentText(percent));
}

void ZoomButton::checkTargetZoom() {
  const TWPRichText* control = target ? target() : nullptr;
  for (QAction* item : menu_->actions()) item->setChecked(control && item->data().toInt() == control->Zoom());
}

}  // namespace telvane
