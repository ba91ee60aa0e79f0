#include "app/received_notes.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvane {

TEditReceiveNotes::TEditReceiveNotes(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EditReceiveNotes"));
  setWindowTitle(QStringLiteral("Received Fax Notes"));
  FromLabel = new QLabel(this);
  FromLabel->setObjectName(QStringLiteral("FromLabel"));
  Notes = new QLineEdit(this);
  Notes->setObjectName(QStringLiteral("Notes"));
  Notes->setMaxLength(60);
  Notes->setMinimumWidth(Notes->fontMetrics().averageCharWidth() * 50);
  auto* form = new QFormLayout;
  form->addRow(FromLabel);
  form->addRow(QStringLiteral("Notes"), Notes);

  auto* accept = new QPushButton(QStringLiteral("&Accept"), this);
  accept->setObjectName(QStringLiteral("AcceptButton"));
  accept->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cance&l"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(accept, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(accept);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
}

}  // namespace telvane
