#include "app/quick_setup.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/find_modem_form.h"
#include "settings/radio_group.h"
#include "settings/window_helpers.h"

namespace telvane {

TQuickSetupForm::TQuickSetupForm(QWidget* parent)
    : QDialog(parent),
      ComPort(new RadioGroup(QStringLiteral("Port"), {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"}, 3, this)),
      Name(new QLineEdit(this)), FaxNumber(new QLineEdit(this)) {
  setObjectName(QStringLiteral("TQuickSetupForm"));
  setWindowTitle(QStringLiteral("Quick Setup Form"));
  ComPort->setObjectName(QStringLiteral("ComPort"));
  Name->setObjectName(QStringLiteral("Name"));
  FaxNumber->setObjectName(QStringLiteral("FaxNumber"));
  Name->setMaxLength(35);
  FaxNumber->setMaxLength(20);

  // A first run reads ComPort -1 again: Com1 stays selected.
  LoadSettings();
  ComPort->setItemIndex(AppSettings.ComPort >= 0 ? AppSettings.ComPort : 0);
  Name->setText(QString::fromStdString(AppSettings.UserName));
  FaxNumber->setText(QString::fromStdString(AppSettings.UserFax));

  auto* intro = new QLabel(QStringLiteral("Welcome to Telvane. Tell it which port your fax modem is on (or let it "
                                          "find the modem), and who is sending."), this);
  intro->setWordWrap(true);
  auto* find = new QPushButton(QStringLiteral("Find Modem Port"), this);
  find->setObjectName(QStringLiteral("FindModemButton"));
  connect(find, &QPushButton::clicked, this, [this] { FindModemPort(this, *ComPort, portMapping_); });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Your &name"), Name);
  form->addRow(QStringLiteral("Your &fax number (Station ID#)"), FaxNumber);
  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cance&l"), this);
  ok->setObjectName(QStringLiteral("Finishbutton"));
  cancel->setObjectName(QStringLiteral("CancelButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(find);
  findRow->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(ComPort);
  layout->addLayout(findRow);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setMinimumWidth(420);
}

void TQuickSetupForm::accept() {
  FirstRun = false;
  AppSettings.ComPort = ComPort->itemIndex();
  AppSettings.UserName = Name->text().toStdString();
  AppSettings.UserFax = FaxNumber->text().toStdString();
  try {
    SavePortMapping(portMapping_);
    SaveSettings();
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
  QDialog::accept();
}

bool RunQuickSetup(QWidget* parent) {
  TQuickSetupForm setup(parent);
  CenterWindow(setup);
  return setup.exec() == QDialog::Accepted;
}

}  // namespace telvane
