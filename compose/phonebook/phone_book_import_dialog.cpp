#include "compose/phonebook/phone_book_import_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace telvane {
namespace {

QTableWidget* table(QWidget* parent, const char* name, const QStringList& titles) {
  auto* t = new QTableWidget(0, static_cast<int>(titles.size()), parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setHorizontalHeaderLabels(titles);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->verticalHeader()->hide();
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

void addRow(QTableWidget* t, const QStringList& cells) {
  const int row = t->rowCount();
  t->insertRow(row);
  for (int c = 0; c < cells.size(); ++c) t->setItem(row, c, new QTableWidgetItem(cells[c]));
}

QString plural(size_t n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

QString utf8(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QString ImportSummary(const PhoneBookImportPlan& plan) {
  QString text = plural(plan.entries.size(), "entry", "entries") + QStringLiteral(" will be added.");
  if (!plan.refused.empty())
    text += QLatin1Char(' ') + plural(plan.refused.size(), "row", "rows") + QStringLiteral(" cannot be taken.");
  return text;
}

TPhoneBookImportDialog::TPhoneBookImportDialog(const PhoneBookImportPlan& plan, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TPhoneBookImportDialog"));
  setWindowTitle(QStringLiteral("Import Phone Book Entries"));

  auto* summary = new QLabel(ImportSummary(plan), this);
  summary->setObjectName(QStringLiteral("Summary"));
  auto* columns = new QLabel(utf8(plan.columns), this);
  columns->setWordWrap(true);

  AddedList = table(this, "AddedList", {QStringLiteral("Name"), QStringLiteral("Fax Number"), QStringLiteral("Row"),
                                        QStringLiteral("Note")});
  for (const ImportedEntry& e : plan.entries)
    addRow(AddedList, {utf8(e.entry.name), utf8(e.entry.number), QString::number(e.row), utf8(e.note)});
  AddedList->resizeColumnsToContents();

  RefusedList = table(this, "RefusedList", {QStringLiteral("Row"), QStringLiteral("Entry"), QStringLiteral("Reason")});
  for (const RefusedRow& r : plan.refused) addRow(RefusedList, {QString::number(r.row), utf8(r.what), utf8(r.reason)});
  RefusedList->resizeColumnsToContents();

  OKButton = new QPushButton(QStringLiteral("&Add Entries"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  OKButton->setEnabled(!plan.entries.empty());
  CancelButton = new QPushButton(QStringLiteral("Cance&l"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(OKButton, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary);
  layout->addWidget(columns);
  layout->addWidget(new QLabel(QStringLiteral("Entries to add:"), this));
  layout->addWidget(AddedList, 2);
  if (!plan.refused.empty()) {
    layout->addWidget(new QLabel(QStringLiteral("Rows that cannot be taken:"), this));
    layout->addWidget(RefusedList, 1);
  } else {
    RefusedList->hide();
  }
  layout->addLayout(buttons);
  resize(640, 440);
}

}  // namespace telvane
