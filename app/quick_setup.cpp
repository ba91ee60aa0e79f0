#include "app/quick_setup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {

TQuickSetup::TQuickSetup(QWidget* parent)
    : QDialog(parent), port_(new QComboBox(this)), name_(new QLineEdit(this)), fax_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("QuickSetup"));
  setWindowTitle(QStringLiteral("Quick Setup"));
  port_->setObjectName(QStringLiteral("PortBox"));
  name_->setObjectName(QStringLiteral("NameEdit"));
  fax_->setObjectName(QStringLiteral("FaxEdit"));
  for (int i = 1; i <= 8; ++i) port_->addItem(QStringLiteral("COM%1").arg(i));
  port_->setCurrentIndex(AppSettings.ComPort >= 0 && AppSettings.ComPort < 8 ? AppSettings.ComPort : 0);
  name_->setMaxLength(35);
  name_->setText(QString::fromStdString(AppSettings.UserName));
  fax_->setMaxLength(20);
  fax_->setText(QString::fromStdString(AppSettings.UserFax));

  auto* intro = new QLabel(QStringLiteral("Welcome to Telvane. Tell it where your fax modem is and who is sending."), this);
  intro->setWordWrap(true);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Modem &port:"), port_);
  form->addRow(QStringLiteral("Your &name:"), name_);
  form->addRow(QStringLiteral("Your &fax number:"), fax_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

void TQuickSetup::accept() {
  AppSettings.ComPort = port_->currentIndex();
  AppSettings.UserName = name_->text().trimmed().toStdString();
  AppSettings.UserFax = fax_->text().trimmed().toStdString();
  FirstRun = false;
  try {
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
  QDialog::accept();
}

}  // namespace telvane
