#include "app/delete_for_conditions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/prompts.h"

namespace telvane {

TDeleteForConditions::TDeleteForConditions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DeleteForConditions"));
  setWindowTitle(QStringLiteral("Delete Faxes Where...."));
  auto* grid = new QGridLayout;
  const auto row = [&](int at, QRadioButton*& radio, const char* radioName, const char* text, QLineEdit*& edit,
                       const char* editName, const char* hint) {
    radio = new QRadioButton(QString::fromLatin1(text), this);
    radio->setObjectName(QString::fromLatin1(radioName));
    edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setToolTip(QString::fromLatin1(hint));
    grid->addWidget(radio, at, 0);
    grid->addWidget(edit, at, 1);
  };
  row(0, rFrom, "rFrom", "Fax is FROM:", FaxFROM, "FaxFROM", "For received faxes, who was the fax from");
  row(1, rRecipient, "rRecipient", "RECIPIENT is:", FaxRECIPIENT, "FaxRECIPIENT", "For SENT faxes, who is the fax to");
  row(2, rPhone, "rPhone", "FAX # is:", FaxPHONE, "FaxPHONE", "For SENT faxes, what fax number is the fax to");
  rRecipient->setChecked(true);
  ExactMatch = new QCheckBox(QStringLiteral("Text must match exactly"), this);
  ExactMatch->setObjectName(QStringLiteral("ExactMatch"));
  ExactMatch->setChecked(true);
  grid->addWidget(ExactMatch, 3, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("(uncheck to allow  partial matches)"), this), 4, 0, 1, 2);

  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  ok->setObjectName(QStringLiteral("OkButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(ok, &QPushButton::clicked, this, &TDeleteForConditions::OkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

void TDeleteForConditions::Prepare(LogKind kind, const QString& from, const QString& recipient, const QString& phone) {
  const bool outgoing = kind == LogKind::Outgoing;
  rFrom->setEnabled(!outgoing);
  FaxFROM->setEnabled(!outgoing);
  for (QWidget* w : {static_cast<QWidget*>(rRecipient), static_cast<QWidget*>(FaxRECIPIENT),
                     static_cast<QWidget*>(rPhone), static_cast<QWidget*>(FaxPHONE)})
    w->setEnabled(outgoing);
  if (outgoing) {
    rRecipient->setChecked(true);
    FaxRECIPIENT->setText(recipient);
    FaxPHONE->setText(phone);
  } else {
    rFrom->setChecked(true);
    FaxFROM->setText(from.trimmed());
  }
}

MatchField TDeleteForConditions::field() const {
  if (rFrom->isChecked()) return MatchField::From;
  if (rPhone->isChecked()) return MatchField::Phone;
  return MatchField::Recipient;
}

QString TDeleteForConditions::value() const {
  switch (field()) {
    case MatchField::From: return FaxFROM->text();
    case MatchField::Phone: return FaxPHONE->text();
    case MatchField::Recipient: break;
  }
  return FaxRECIPIENT->text();
}

bool TDeleteForConditions::exactMatch() const { return ExactMatch->isChecked(); }

void TDeleteForConditions::OkClick() {
  if (value().trimmed().isEmpty()) {
    ShowInformation("Please enter a value");
    return;
  }
  if (AskYesNo("Are you sure you wish to delete all faxes matching this criteria?", "VERIFY DELETE")) accept();
}

}  // namespace telvane
