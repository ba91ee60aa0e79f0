#include "sessions/starting_fax_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "settings/app_settings.h"

namespace telvane {
namespace {

constexpr int kShowMs = 15000;

QFrame* Panel(QWidget* parent, const char* name, std::initializer_list<const char*> lines) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(panel);
  for (const char* line : lines) {
    auto* label = new QLabel(line, panel);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  return panel;
}

}  // namespace

TStartingFaxForm::TStartingFaxForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("TStartingFaxForm");
  setWindowTitle("Starting Receive mode...");
  StartingPanel = Panel(this, "StartingPanel", {"Please wait while fax receive mode is started....."});
  ReadyPanel = Panel(this, "ReadyPanel",
                     {"Telvane is in receive mode now", "To end receive mode, press the STOP button",
                      "While in receive mode, sending faxes is not possible"});
  okbutton = new QPushButton("Ok", this);
  okbutton->setObjectName("okbutton");
  DoNotShow = new QCheckBox("Do not show this again", this);
  DoNotShow->setObjectName("DoNotShow");
  connect(okbutton, &QPushButton::clicked, this, &QWidget::hide);
  connect(DoNotShow, &QCheckBox::toggled, this,
          [](bool checked) { AppSettings.DisableReceivingFaxesNotification = checked; });

  HideTimer = new QTimer(this);
  HideTimer->setSingleShot(true);
  HideTimer->setInterval(kShowMs);
  connect(HideTimer, &QTimer::timeout, this, &QWidget::hide);

  for (QFrame* panel : {StartingPanel, ReadyPanel}) {
    panel->installEventFilter(this);
    for (QLabel* label : panel->findChildren<QLabel*>()) label->installEventFilter(this);
  }
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(DoNotShow);
  bottom->addStretch();
  bottom->addWidget(okbutton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(StartingPanel);
  layout->addWidget(ReadyPanel);
  layout->addLayout(bottom);
  ShowStarting();
}

void TStartingFaxForm::ShowStarting() {
  StartingPanel->show();
  ReadyPanel->hide();
  okbutton->hide();
  DoNotShow->hide();
}

void TStartingFaxForm::ShowReady() {
  StartingPanel->hide();
  ReadyPanel->show();
  okbutton->show();
  DoNotShow->show();
}

void TStartingFaxForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  HideTimer->start();
}

void TStartingFaxForm::hideEvent(QHideEvent* event) {
  HideTimer->stop();
  QDialog::hideEvent(event);
}

bool TStartingFaxForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    hide();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace telvane
