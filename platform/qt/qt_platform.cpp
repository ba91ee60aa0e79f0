#include "platform/qt/qt_platform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QThread>

#include "platform/pending_messages.h"
#include "platform/qt/qt_prompts.h"
#include "platform/ui_queue.h"

namespace telvane {
namespace {

// Passes the application's quit request on to long operations that let
// messages run (a conversion stops with "Got quit message").
class QuitWatcher : public QObject {
public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) PostQuitRequest();
    return false;
  }
};

}  // namespace

void InstallQtPlatform() {
  static QtPrompts prompts;
  SetPromptHandler(&prompts);

  UiMessageQueue& queue = UiQueue();
  queue.setUiThread(std::this_thread::get_id());
  // A queued call to the application object runs on its thread's event loop.
  queue.setWakeup([] {
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, [] { UiQueue().drain(); }, Qt::QueuedConnection);
  });

  if (QCoreApplication* app = QCoreApplication::instance()) {
    static QuitWatcher watcher;
    app->installEventFilter(&watcher);
  }

  SetPendingMessagesHook([] {
    UiQueue().drain();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  });
}

}  // namespace telvane
