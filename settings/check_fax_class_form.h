#pragma once
// "Check Fax Class": asks the modem on one port which fax classes it
// offers and recommends one. The modem dialogue runs on a worker thread,
// one step at a time; the questions between the steps are asked here.

#include <QDialog>
#include <functional>
#include <string>
#include <thread>

#include "settings/fax_class_check.h"

class QLabel;
class QPushButton;

namespace telvane {

class TCheckFaxClassForm : public QDialog {
  Q_OBJECT
public:
  TCheckFaxClassForm(std::string devicePath, int comNumber, std::string resetString, QWidget* parent = nullptr);
  ~TCheckFaxClassForm() override;

  bool checkFinished() const { return finished_; }
  // 0 Class 1, 1 Class 2, 2 Class 2.0, -1 none; and its name.
  ClassRecommendation recommendation() const { return recommendation_; }
  QString statusText() const;
  QString classText(int index) const;  // 0 Class 1, 1 Class 2, 2 Class 2.0

protected:
  void showEvent(QShowEvent* event) override;

private:
  // Runs `work` on the worker thread, then `then` with its result here.
  void runStep(std::function<int()> work, std::function<void(int)> then);
  void FormActivate();
  void modemChecked(bool answered);
  void classesQueried(int classBits);
  void setClassLabels(int classBits);
  void setStatus(const QString& text);
  void finish();

  FaxClassCheck check_;
  const int comNumber_;
  std::thread worker_;
  QLabel* class1_;
  QLabel* class2_;
  QLabel* class20_;
  QLabel* status_;
  QPushButton* okButton_;
  bool started_ = false;
  bool finished_ = false;
  ClassRecommendation recommendation_;
};

}  // namespace telvane
