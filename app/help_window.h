#pragma once
// The program's help: HTML pages built into the program, shown in one help
// window at the topic of a context number.

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace telvane {

namespace help_context {
inline constexpr int Contents = 1009;
inline constexpr int Faq = 911;
inline constexpr int TechnicalHelp = 10000;
inline constexpr int TechnicalSupport = 1025;
inline constexpr int Viewer = 1021;
inline constexpr int LogCleanup = 21071;
}  // namespace help_context

// The page and anchor of a context number; unknown numbers open the contents.
QUrl HelpTopicUrl(int context);

class THelpWindow : public QDialog {
  Q_OBJECT
public:
  explicit THelpWindow(QWidget* parent = nullptr);
  void showTopic(int context);
  QUrl currentUrl() const;
  QString shownText() const;

private:
  QTextBrowser* browser_;
};

// Opens (or raises) the one help window at `context`.
void ShowHelp(int context, QWidget* parent = nullptr);

}  // namespace telvane
