#include "sessions/show_error_form.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/prompts.h"
#include "settings/window_helpers.h"
#include "platform/help_requests.h"

namespace telvane {
namespace {

constexpr int kAutoCloseMs = 30000;

bool errorWindowShowing = false;

ErrorWindowHook& hook() {
  static ErrorWindowHook h;
  return h;
}

}  // namespace

TShowErrorForm::TShowErrorForm(const QString& title, const QString& text, bool withContinue, bool noAutoClose,
                               QWidget* parent)
    : QDialog(parent) {
  setObjectName("TShowErrorForm");
  setWindowTitle(title);
  Memo1 = new QPlainTextEdit(QString::fromStdString(PromptDisplayText(text.toStdString())), this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  auto* solver = new QLabel("For more information and possible solutions, click the Fax Problem Solver button", this);
  solver->setWordWrap(true);

  OkButton = new QPushButton("Ok", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  HelpButton = new QPushButton("Technical Help", this);
  HelpButton->setObjectName("HelpButton");
  ContinueButton = new QPushButton("Continue", this);
  ContinueButton->setObjectName("ContinueButton");
  ContinueButton->setVisible(withContinue);
  connect(OkButton, &QPushButton::clicked, this, [this] { done(1); });
  connect(ContinueButton, &QPushButton::clicked, this, [this] { done(kContinueResult); });
  connect(HelpButton, &QPushButton::clicked, this, &TShowErrorForm::HelpButtonClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkButton);
  buttons->addWidget(HelpButton);
  buttons->addWidget(ContinueButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1);
  layout->addWidget(solver);
  layout->addLayout(buttons);
  resize(460, 240);

  AutoCloseTimer = new QTimer(this);
  AutoCloseTimer->setSingleShot(true);
  AutoCloseTimer->setInterval(kAutoCloseMs);
  connect(AutoCloseTimer, &QTimer::timeout, this, [this] { done(1); });
  if (!noAutoClose) AutoCloseTimer->start();
  FitHeightToText();
}

void TShowErrorForm::FitHeightToText() {
  // As many text lines as the message has, plus three, and the rest of
  // the window as it is.
  const int lines = Memo1->document()->blockCount();
  const int lineHeight = QFontMetrics(font()).boundingRect("Wj").height();
  const int chrome = sizeHint().height() - Memo1->sizeHint().height();
  resize(width(), (lines + 3) * lineHeight + chrome);
}

void TShowErrorForm::HelpButtonClick() {
  if (ContinueButton->isVisible())
    RequestHelp(kProblemSolverHelpTopic);
  else
    done(kTechnicalHelpResult);
}

void TShowErrorForm::done(int result) {
  AutoCloseTimer->stop();
  QDialog::done(result);
}

int ShowErrorWindow(const QString& title, const QString& text, bool withContinue, bool noAutoClose) {
  if (errorWindowShowing) return 0;
  errorWindowShowing = true;
  int result = 0;
  if (hook()) {
    result = hook()(title, text, withContinue);
  } else {
    TShowErrorForm form(title, text, withContinue, noAutoClose);
    CenterWindow(form);
    result = form.exec();
  }
  errorWindowShowing = false;
  if (result == kTechnicalHelpResult) RequestHelp(kProblemSolverHelpTopic);
  return result;
}

void ShowFaxError(const QString& title, const QString& text) { ShowErrorWindow(title, text, false, true); }

bool AskContinueAfterError(const QString& title, const QString& text) {
  return ShowErrorWindow(title, text, true, true) == kContinueResult;
}

void SetErrorWindowHook(ErrorWindowHook h) { hook() = std::move(h); }

}  // namespace telvane
