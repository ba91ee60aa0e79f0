#pragma once
// The error window of the fax sessions: a title, the error text, a pointer
// to the fax problem solver, and optionally a Continue button for errors
// the user may choose to ignore.

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace telvane {

inline constexpr int kContinueResult = -99;
inline constexpr int kTechnicalHelpResult = 4;
inline constexpr int kProblemSolverHelpTopic = 10000;

class TShowErrorForm : public QDialog {
  Q_OBJECT
public:
  TShowErrorForm(const QString& title, const QString& text, bool withContinue, bool noAutoClose,
                 QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  QPushButton* OkButton;
  QPushButton* HelpButton;
  QPushButton* ContinueButton;
  QTimer* AutoCloseTimer;

protected:
  void done(int result) override;

private:
  void HelpButtonClick();
  void FitHeightToText();
};

// Shows the window modally and returns its result (1 Ok or timed out,
// -99 Continue, 4 Technical Help); 0 at once when one is already showing.
int ShowErrorWindow(const QString& title, const QString& text, bool withContinue, bool noAutoClose);
void ShowFaxError(const QString& title, const QString& text);
// True when the user pressed Continue.
bool AskContinueAfterError(const QString& title, const QString& text);

// Tests answer the window through this hook instead of showing it.
using ErrorWindowHook = std::function<int(const QString& title, const QString& text, bool withContinue)>;
void SetErrorWindowHook(ErrorWindowHook hook);

}  // namespace telvane
