#pragma once
// "Select Date": a month calendar with buttons that step by month and year.

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QLabel;

namespace telvane {

class TDateSelector : public QDialog {
  Q_OBJECT
public:
  explicit TDateSelector(QWidget* parent = nullptr);

  QDate date() const;
  void setDate(QDate date);

  QCalendarWidget* Calendar = nullptr;
  QLabel* DatePanel = nullptr;

private:
  void showChosenDate();
};

}  // namespace telvane
