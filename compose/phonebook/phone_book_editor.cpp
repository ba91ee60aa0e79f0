#include "compose/phonebook/phone_book_editor.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "compose/phonebook/phone_book_csv.h"
#include "platform/help_requests.h"

namespace telvane {
namespace {

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength, const char* hint) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(maxLength);
  edit->setToolTip(QString::fromLatin1(hint));
  edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 36);
  return edit;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

TPhoneBookEditor::TPhoneBookEditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TPhoneBookEditor"));
  setWindowTitle(QStringLiteral("Phone Book Editor"));

  Name = lineEdit(this, "Name", PhoneBookNameWidth(), "Type the recipient's name here");
  Number = lineEdit(this, "Number", PhoneBookNumberWidth(), "Type the fax number here");
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Name"), Name);
  fields->addRow(QStringLiteral("Fax Number"), Number);

  QPushButton* ok = button(this, "OKButton", "&Accept");
  QPushButton* cancel = button(this, "CancelButton", "Cance&l");
  QPushButton* help = button(this, "HelpButton", "&Help");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(2); });
  connect(help, &QPushButton::clicked, this, [] { RequestHelp(help_topic::PhoneBookEditor); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
}

}  // namespace telvane
