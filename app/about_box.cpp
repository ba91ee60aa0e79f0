#include "app/about_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {

void ShowAboutBox(QWidget* parent) {
  QDialog box(parent);
  box.setObjectName(QStringLiteral("AboutBox"));
  box.setWindowTitle(QStringLiteral("About Telvane"));
  auto* layout = new QVBoxLayout(&box);
  auto* icon = new QLabel(&box);
  icon->setPixmap(box.style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
  icon->setAlignment(Qt::AlignCenter);
  auto* name = new QLabel(QStringLiteral("<h2>Telvane</h2>"), &box);
  name->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(QStringLiteral("Version %1").arg(QString::fromLatin1(ProgramVersion)), &box);
  version->setObjectName(QStringLiteral("VersionLabel"));
  version->setAlignment(Qt::AlignCenter);
  auto* bits = new QLabel(QStringLiteral("32-bit version"), &box);
  bits->setAlignment(Qt::AlignCenter);
  auto* about = new QLabel(QStringLiteral("A desktop fax program for fax modems in Class 1, 2 and 2.0."), &box);
  about->setAlignment(Qt::AlignCenter);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  for (QWidget* w : {static_cast<QWidget*>(icon), static_cast<QWidget*>(name), static_cast<QWidget*>(version),
                     static_cast<QWidget*>(bits), static_cast<QWidget*>(about), static_cast<QWidget*>(buttons)})
    layout->addWidget(w);
  box.adjustSize();
  CenterWindow(box);
  box.exec();
}

}  // namespace telvane
