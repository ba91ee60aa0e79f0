#include "platform/qt/qt_platform.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "platform/pending_messages.h"
#include "platform/qt/qt_prompts.h"
#include "platform/ui_queue.h"

namespace telvane {

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

  SetPendingMessagesHook([] {
    UiQueue().drain();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  });
}

}  // namespace telvane
