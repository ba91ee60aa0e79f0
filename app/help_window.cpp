#include "app/help_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

// The help pages are compiled into the app library; a static library's
// resources reach the program only once registered by name.
static void registerHelpPages() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(help);
    return true;
  }();
  (void)registered;
}

namespace telvane {

QUrl HelpTopicUrl(int context) {
  struct Topic {
    int context;
    const char* url;
  };
  static constexpr Topic topics[] = {
      {help_context::Contents, "qrc:/help/contents.html"},
      {help_context::Faq, "qrc:/help/faq.html"},
      {help_context::TechnicalHelp, "qrc:/help/technical.html"},
      {help_context::TechnicalSupport, "qrc:/help/support.html"},
      {help_context::Viewer, "qrc:/help/contents.html#viewing"},
      {help_context::LogCleanup, "qrc:/help/contents.html#cleanup"},
  };
  for (const Topic& t : topics)
    if (t.context == context) return QUrl(QString::fromLatin1(t.url));
  return QUrl(QStringLiteral("qrc:/help/contents.html"));
}

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
  registerHelpPages();
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Telvane Help"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenExternalLinks(true);

  auto* back = new QPushButton(QStringLiteral("&Back"), this);
  auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
  auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(contents, &QPushButton::clicked, this, [this] { showTopic(help_context::Contents); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
  back->setEnabled(false);
  forward->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back);
  buttons->addWidget(forward);
  buttons->addWidget(contents);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_);
  resize(640, 560);
}

void THelpWindow::showTopic(int context) { browser_->setSource(HelpTopicUrl(context)); }

QUrl THelpWindow::currentUrl() const { return browser_->source(); }

QString THelpWindow::shownText() const { return browser_->toPlainText(); }

void ShowHelp(int context, QWidget* parent) {
  static QPointer<THelpWindow> window;
  if (!window) {
    window = new THelpWindow(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  window->showTopic(context);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace telvane
