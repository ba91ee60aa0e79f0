#include "settings/check_fax_class_form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/prompts.h"

namespace telvane {
namespace {

constexpr int kFailed = -1;

QLabel* ClassLabel(const char* text, const char* name, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

TCheckFaxClassForm::TCheckFaxClassForm(std::string devicePath, int comNumber, std::string resetString, QWidget* parent)
    : QDialog(parent), check_(std::move(devicePath), comNumber, std::move(resetString)), comNumber_(comNumber),
      class1_(ClassLabel("Class 1 :", "Class1Label", this)), class2_(ClassLabel("Class 2 :", "Class2Label", this)),
      class20_(ClassLabel("Class 2.0 :", "Class20Label", this)),
      status_(ClassLabel("Testing Fax Classes...please wait.", "StatusLabel", this)),
      okButton_(new QPushButton(QStringLiteral("Ok"), this)) {
  setObjectName(QStringLiteral("TCheckFaxClassForm"));
  setWindowTitle(QStringLiteral("Finding Fax Class...Please wait"));
  status_->setWordWrap(true);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->hide();
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  for (QLabel* label : {class1_, class2_, class20_}) layout->addWidget(label);
  layout->addWidget(status_);
  layout->addWidget(okButton_, 0, Qt::AlignRight);
  setMinimumWidth(460);
}

TCheckFaxClassForm::~TCheckFaxClassForm() {
  check_.cancel();
  if (worker_.joinable()) worker_.join();
}

QString TCheckFaxClassForm::statusText() const { return status_->text(); }

QString TCheckFaxClassForm::classText(int index) const {
  const QLabel* labels[] = {class1_, class2_, class20_};
  return index >= 0 && index < 3 ? labels[index]->text() : QString();
}

void TCheckFaxClassForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    QMetaObject::invokeMethod(this, &TCheckFaxClassForm::FormActivate, Qt::QueuedConnection);
  }
}

void TCheckFaxClassForm::runStep(std::function<int()> work, std::function<void(int)> then) {
  if (worker_.joinable()) worker_.join();  // the previous step has posted its result: it has ended
  worker_ = std::thread([this, work = std::move(work), then = std::move(then)] {
    const int result = work();
    QMetaObject::invokeMethod(this, [then, result] { then(result); }, Qt::QueuedConnection);
  });
}

void TCheckFaxClassForm::setStatus(const QString& text) { status_->setText(text); }

void TCheckFaxClassForm::setClassLabels(int classBits) {
  const ClassLabels labels = FaxClassLabels(classBits);
  class1_->setText(QString::fromStdString(labels.class1));
  class2_->setText(QString::fromStdString(labels.class2));
  class20_->setText(QString::fromStdString(labels.class20));
}

void TCheckFaxClassForm::FormActivate() {
  setCursor(Qt::BusyCursor);
  setStatus(QStringLiteral("Opening Com Port...please wait"));
  auto error = std::make_shared<std::string>();
  runStep([this, error] { return check_.open(*error) ? (check_.modemAnswers() ? 1 : 0) : kFailed; },
          [this, error](int result) {
            if (result == kFailed) {
              setStatus(QString::fromStdString(PromptDisplayText(*error)));
              setClassLabels(0);
              finish();
              return;
            }
            modemChecked(result == 1);
          });
}

void TCheckFaxClassForm::modemChecked(bool answered) {
  const std::string n = std::to_string(comNumber_);
  const QString noResponse =
      QStringLiteral("No response from device on COM%1. May not be a modem.").arg(comNumber_);
  if (!answered && !AskYesNo("The device on COM" + n + " is not responding and may" + "\r" +
                                 "not be a modem. Continue with Fax Class Analysis?",
                             "NO MODEM RESPONSE")) {
    setStatus(noResponse);
    setClassLabels(0);
    finish();
    return;
  }
  runStep([this] { return check_.factoryReset() ? 1 : 0; },
          [this, n, noResponse](int reset) {
            if (!reset) {
              ShowInformation("We are unable to continue the test. \r\rThe modem did not respond to the reset string:   "
                              "(AT&F)\r\rIs the Communications Port (COM" + n + ") correct? Please" + "\r" +
                              "click the Find Modem Port button on the Preferences screen to be sure.");
              setStatus(noResponse);
              setClassLabels(0);
              finish();
              return;
            }
            setStatus(QStringLiteral("Querying modem Fax Class support..."));
            runStep([this] { return check_.queryClasses(); }, [this](int bits) { classesQueried(bits); });
          });
}

void TCheckFaxClassForm::classesQueried(int classBits) {
  setStatus({});
  setClassLabels(classBits);
  recommendation_ = RecommendFaxClass(classBits);
  if (recommendation_.index < 0) {
    setStatus(QStringLiteral("Unable to determine Fax Class support from modem on Com %1").arg(comNumber_));
    finish();
    return;
  }
  if (recommendation_.index == 2) {
    QFont bold = class20_->font();
    bold.setBold(true);
    class20_->setFont(bold);
  }
  setStatus(QStringLiteral("Try using the recommended Fax Class (%1) or auto detect. If you experience problems, try "
                           "another supported class.\n\n(note: US Robotics users should read the help section on "
                           "troubleshooting)")
                .arg(QString::fromStdString(recommendation_.name)));
  finish();
}

void TCheckFaxClassForm::finish() {
  if (worker_.joinable()) worker_.join();
  check_.close();
  finished_ = true;
  unsetCursor();
  QApplication::beep();
  okButton_->show();
  okButton_->setDefault(true);
  setWindowTitle(QStringLiteral("Check Fax Class"));
}

}  // namespace telvane
