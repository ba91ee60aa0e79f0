#include "faximage/viewer/pre_print_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace telvane {

TPrePrintForm::TPrePrintForm(QWidget* parent) : QDialog(parent) {
  setObjectName("TPrePrintForm");
  setWindowTitle("Print");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto spin = [&](const char* name, const char* hint) {
    auto* box = new QSpinBox(this);
    box->setObjectName(name);
    box->setRange(1, 1000);
    box->setToolTip(hint);
    return box;
  };
  FromPage = spin("FromPage", "Starting page to print from");
  ToPage = spin("ToPage", "Ending page to print from");
  auto check = [&](const char* name, const char* caption) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    return box;
  };
  PrintMultiPage = check("PrintMultiPage", "Print 4 faxes to a page");
  StretchToFit = check("StretchToFit", "Stretch/shrink faxes to fit on page");
  PrintHeader = check("PrintHeader", "Print Header");
  PrintFooter = check("PrintFooter", "Print Footer");
  BitBtn1 = new QPushButton("Ok", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton("Cancel", this);
  BitBtn2->setObjectName("BitBtn2");
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  auto* range = new QFormLayout;
  range->addRow("From Page:", FromPage);
  range->addRow("To Page:", ToPage);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(range);
  for (QCheckBox* box : {PrintMultiPage, StretchToFit, PrintHeader, PrintFooter}) layout->addWidget(box);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
}

void TPrePrintForm::BitBtn1Click() {
  if (ToPage->isEnabled() && ToPage->value() < FromPage->value()) {
    QApplication::beep();
    return;
  }
  accept();
}

}  // namespace telvane
