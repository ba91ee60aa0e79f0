#include "app/date_selector.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvane {

TDateSelector::TDateSelector(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DateSelector"));
  setWindowTitle(QStringLiteral("Select Date"));
  Calendar = new QCalendarWidget(this);
  Calendar->setObjectName(QStringLiteral("Calendar"));
  Calendar->setFirstDayOfWeek(Qt::Sunday);
  Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  DatePanel = new QLabel(this);
  DatePanel->setObjectName(QStringLiteral("DatePanel"));
  DatePanel->setAlignment(Qt::AlignCenter);
  DatePanel->setFrameShape(QFrame::Panel);
  DatePanel->setFrameShadow(QFrame::Sunken);

  auto* steps = new QHBoxLayout;
  const auto step = [&](const char* text, const char* hint, auto move) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setToolTip(QString::fromLatin1(hint));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, move] { setDate(move(date())); });
    steps->addWidget(button);
  };
  step("Year-", "Show the previous year", [](QDate d) { return d.addYears(-1); });
  step("Month-", "Show the previous month", [](QDate d) { return d.addMonths(-1); });
  step("Today", "Show today's date", [](QDate) { return QDate::currentDate(); });
  step("Month +", "Show the next month", [](QDate d) { return d.addMonths(1); });
  step("Year+", "Show the next year", [](QDate d) { return d.addYears(1); });

  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  ok->setObjectName(QStringLiteral("OkButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(Calendar, &QCalendarWidget::activated, this, &QDialog::accept);  // a double-click is "Ok"
  connect(Calendar, &QCalendarWidget::selectionChanged, this, &TDateSelector::showChosenDate);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Calendar);
  layout->addWidget(DatePanel);
  layout->addLayout(steps);
  layout->addLayout(buttons);
  setDate(QDate::currentDate());
}

QDate TDateSelector::date() const { return Calendar->selectedDate(); }

void TDateSelector::setDate(QDate date) {
  Calendar->setSelectedDate(date);
  showChosenDate();
}

void TDateSelector::showChosenDate() {
  DatePanel->setText(QLocale().toString(date(), QStringLiteral("dddd, MMMM d, yyyy")));
}

}  // namespace telvane
